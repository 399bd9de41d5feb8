#include "lobby/UserListPainting.h"

#include "lobby/UserListColumns.h"
#include "prefs/MBListSettings.h"
#include "session/LobbyUserMap.h"
#include "support/Utilities.h"

#include <QFontMetrics>
#include <QPainter>

#include <utility>

void UserListPaint::DrawCellText(QPainter& painter, const QRect& cell, const QString& text, int alignment,
                                 int leftInset) {
    if (text.isEmpty() || cell.width() <= 0)
        return;
    QRect area = cell;
    int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    if (alignment == UserListAlign::Right) {
        area.setRight(cell.right() - kTextInset);
        flags |= Qt::AlignRight;
    } else if (alignment == UserListAlign::Centre) {
        flags |= Qt::AlignHCenter;
    } else {
        area.setLeft(cell.left() + leftInset);
        flags |= Qt::AlignLeft;
    }
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.drawText(area, flags, text);
    painter.restore();
}

void UserListPaint::DrawCellIcon(QPainter& painter, const QRect& cell, int x, const QPixmap& icon) {
    if (icon.isNull() || cell.width() <= x)
        return;
    const QSize size = icon.deviceIndependentSize().toSize();
    const int top = size.height() == kIconSize ? cell.top() + (cell.height() - kIconSize) / 2 - 1
                                               : cell.top() + (cell.height() - size.height()) / 2;
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.drawPixmap(cell.left() + x, top, icon);
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
