#include "lobby/UserListPainting.h"

#include "lobby/UserListColumns.h"
#include "prefs/MBListSettings.h"
#include "session/LobbyUserMap.h"
#include "support/Utilities.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStaticText>

#include <utility>

namespace {

// The laid-out texts of the cells, for the font they were laid out in: a list repaints the same names,
// ratings and statuses over and over, and laying a text out costs far more than drawing it.
const QStaticText& LaidOutText(const QFont& font, const QString& text) {
    static QFont cachedFont;
    static QHash<QString, QStaticText> texts;
    constexpr qsizetype kMaxTexts = 8192;
    if (font != cachedFont || texts.size() >= kMaxTexts) {
        cachedFont = font;
        texts.clear();
    }
    auto it = texts.find(text);
    if (it == texts.end()) {
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.prepare(QTransform(), font);
        it = texts.insert(text, laidOut);
    }
    return it.value();
}

} // namespace

void UserListPaint::DrawCellText(QPainter& painter, const QRect& cell, const QString& text, int alignment,
                                 int leftInset) {
    if (text.isEmpty() || cell.width() <= 0)
        return;
    QRect area = cell;
    const QStaticText& laidOut = LaidOutText(painter.font(), text);
    const QSizeF size = laidOut.size();
    qreal left;
    if (alignment == UserListAlign::Right) {
        area.setRight(cell.right() - kTextInset);
        left = area.left() + area.width() - size.width();
    } else if (alignment == UserListAlign::Centre) {
        left = area.left() + (area.width() - size.width()) / 2;
    } else {
        area.setLeft(cell.left() + leftInset);
        left = area.left();
    }
    const QPointF topLeft(left, area.top() + (area.height() - size.height()) / 2);
    // Only a text that does not fit is clipped (to its cell, so that it never runs into the next one).
    if (left >= area.left() && left + size.width() <= area.left() + area.width()) {
        painter.drawStaticText(topLeft, laidOut);
        return;
    }
    painter.save();
    painter.setClipRect(area.intersected(cell), Qt::IntersectClip);
    painter.drawStaticText(topLeft, laidOut);
    painter.restore();
}

void UserListPaint::DrawCellIcon(QPainter& painter, const QRect& cell, int x, const QPixmap& icon) {
    if (icon.isNull() || cell.width() <= x)
        return;
    const QSize size = icon.deviceIndependentSize().toSize();
    const int top = size.height() == kIconSize ? cell.top() + (cell.height() - kIconSize) / 2 - 1
                                               : cell.top() + (cell.height() - size.height()) / 2;
    const QRect placed(cell.left() + x, top, size.width(), size.height());
    if (cell.contains(placed)) {
        painter.drawPixmap(placed.topLeft(), icon);
        return;
    }
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.drawPixmap(placed.topLeft(), icon);
    painter.restore();
}

int UserListPaint::CellTextWidth(const QFontMetrics& metrics, const QString& text, int leftInset) {
    return text.isEmpty() ? 0 : leftInset + metrics.horizontalAdvance(text) + kTextInset;
}

platform::COLORREF GroupColour(const CClientUserInfo& user, const CMBColorSettings& colours,
                               const QString& ownNickname) {
    if (!colours.colorByGroup)
        return platform::kNoColor;
    const int groups = user.GetGroupFlags();
    const std::pair<bool, platform::COLORREF> rules[] = {
        {!ownNickname.isEmpty() && FoldNickname(user.GetNickname()) == FoldNickname(ownNickname),
         colours.self},
        {(groups & UserGroup::UnfinishedMatch) != 0, colours.unfinishedMatch},
        {(groups & UserGroup::Friend) != 0, colours.friends},
        {(groups & UserGroup::ClubMember) != 0, colours.clubMembers},
        {(groups & UserGroup::Robot) != 0, colours.robots},
        {(groups & UserGroup::Guide) != 0, colours.guides},
        {(groups & UserGroup::TournamentStaff) != 0, colours.tournamentStaff},
        {(groups & UserGroup::MemberHelp) != 0, colours.memberHelp},
        {(groups & UserGroup::Sysop) != 0, colours.sysops},
        {user.GetMoneyIconId() >= 1, colours.moneyPlayers},
    };
    for (const auto& [applies, colour] : rules) {
        if (applies && colour != platform::kNoColor)
            return colour;
    }
    return platform::kNoColor;
}
