#include "lobby/PlayerFlyover.h"

#include "lobby/UserListColumns.h"
#include "platform/Paths.h"
#include "session/LobbyUserMap.h"

#include <QSaveFile>
#include <QUrl>

#include <algorithm>

QString PlayerFlyover::FilePath() {
    return platform::UserDataDir() + QStringLiteral("mbpopup.html");
}

QString PlayerFlyover::FormatHtml(const CClientUserInfo& user, const QString& webHost) {
    const QString nickname = user.GetNickname().toHtmlEscaped();
    const QString picture = webHost + QStringLiteral("/client/user-picture/") +
                            QString::fromLatin1(QUrl::toPercentEncoding(user.GetNickname())) +
                            QLatin1Char('/');
    const QString score = user.GetScoreText();
    QString html;
    html += QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                           "<body topmargin=\"0\" leftmargin=\"0\" bgcolor=\"#FFFFE0\" link=\"#0000FF\" "
                           "vlink=\"#0000FF\" style=\"margin:0\">");
    html += QStringLiteral("<font size=\"1\" face=\"sans-serif\">"
                           "<table border=\"0\" cellpadding=\"3\" cellspacing=\"0\"><tr>");
    html +=
        QStringLiteral("<td valign=\"top\"><img src=\"%1\" width=\"75\" height=\"75\" alt=\"\" hspace=\"3\" "
                       "vspace=\"3\" border=\"0\"></td>")
            .arg(picture.toHtmlEscaped());
    html +=
        QStringLiteral("<td valign=\"top\"><font size=\"2\"><b>%1</b></font><font size=\"1\">").arg(nickname);
    html += QStringLiteral("<br>Status: %1").arg(user.GetStatusText().toHtmlEscaped());
    html += QStringLiteral("<br>Rating: %1, Exp: %2")
                .arg(FormatRatingText(user.GetRating()))
                .arg(user.GetExperience());
    html += QStringLiteral("<br>Unfinished Matches: %1").arg(user.GetUnfinishedMatches());
    html += QStringLiteral("<br>") + user.GetLocationText().toHtmlEscaped();
    html += QStringLiteral("<br>");
    if (!score.isEmpty())
        html += QStringLiteral("Score: ") + score.toHtmlEscaped();
    html += QStringLiteral("<br></font></td></tr></table></font></body></html>");
    return html;
}

QRect PlayerFlyover::Place(const QPoint& globalPoint, const QRect& screen) {
    int x = globalPoint.x() - kLeftOfMouse;
    int y = globalPoint.y() - kAboveMouse;
    x = std::min(std::max(x, screen.left() + kScreenMargin), screen.left() + screen.width() - kWidth);
    y = std::min(std::max(y, screen.top() + kScreenMargin), screen.top() + screen.height() - kHeight);
    return QRect(x, y, kWidth, kHeight);
}

bool PlayerFlyover::WritePage(const QString& path, const QString& html) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(html.toUtf8());
    return file.commit();
}
