#include "game/ClientGameFactory.h"

#include "session/ServiceName.h"

#include <QStringList>

namespace {
// Longer names do not fit the dialog's line.
constexpr qsizetype kMaxRolledName = 13;
} // namespace

CClientGameFactory& CClientGameFactory::GetFactory() {
    static CClientGameFactory factory;
    return factory;
}

QString CClientGameFactory::GetHelpAddress(const QString& host) const {
    return host + QStringLiteral("/backgammon/help/default.asp");
}

QString CClientGameFactory::GetNewsAddress(const QString& host) const {
    return host + QStringLiteral("/web/apps/client/motd/default.asp");
}

int CClientGameFactory::GetMinPlayers(int) const {
    return 2;
}

int CClientGameFactory::GetMaxPlayers(int) const {
    return 2;
}

QString CClientGameFactory::GetInviteTitle(int kind) const {
    return kind == kPropositionKind ? QStringLiteral("Proposition Invite")
                                    : QStringLiteral("Backgammon Invite");
}

int CClientGameFactory::GetInviteDialogTemplate(int kind) const {
    return kind == kPropositionKind ? 322 : 148;
}

QString CClientGameFactory::DescribeUnfinishedMatch(const QString& entry) const {
    const QStringList words = entry.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString details = words.mid(2).join(QLatin1Char(' '));
    return details.isEmpty() ? GetGameName() + QStringLiteral(" match")
                             : GetGameName() + QStringLiteral(", ") + details;
}

QString CClientGameFactory::DescribeUnfinishedScore(const QString& entry) const {
    const QStringList words = entry.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString details = words.mid(2).join(QLatin1Char(' '));
    const QString score = GetScoreText(words.value(1), words.mid(2, 3).join(QLatin1Char(' ')));
    if (score.isEmpty())
        return details.isEmpty() ? QStringLiteral("0-0") : details;
    const QString rest = words.mid(5).join(QLatin1Char(' '));
    return rest.isEmpty() ? score : score + QStringLiteral(", ") + rest;
}

QString CClientGameFactory::GetScoreText(const QString& location, const QString& gameDescriptor) const {
    // A score belongs to a game room; out of it (back in the lobby) a player has none.
    const QString word = CServiceName(location).GetFirstPart();
    if (word.compare(QLatin1String("gb"), Qt::CaseInsensitive) != 0 &&
        word.compare(QLatin1String("gp"), Qt::CaseInsensitive) != 0)
        return QString();
    const QStringList words = gameDescriptor.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != 3)
        return QString();
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = words[i].toInt(&ok);
        if (!ok || numbers[i] < 0)
            return QString();
    }
    const QString score = QStringLiteral("%1-%2").arg(numbers[1]).arg(numbers[2]);
    return numbers[0] == 0 ? score : score + QStringLiteral(" of %1").arg(numbers[0]);
}

QString CClientGameFactory::GetUserListToolBarBitmap(bool disabledVariant) const {
    return disabledVariant ? QStringLiteral("TBMatchBoardX") : QStringLiteral("TBMatchBoard");
}

QString CClientGameFactory::GetToolBarBitmap(bool disabledVariant) const {
    return disabledVariant ? QStringLiteral("TBBackgammonX") : QStringLiteral("TBBackgammon");
}

QString CClientGameFactory::FormatOpponentRolledText(const QString& peer) {
    return (peer.size() > kMaxRolledName ? QStringLiteral("Your opponent") : peer) +
           QStringLiteral(" has rolled.");
}

QDialog* CClientGameFactory::CreateInvitationDialog(int kind, CInvitationManager* manager,
                                                    CInviteData* record, bool incoming) const {
    if (kind == kPropositionKind && m_proposition)
        return m_proposition(kind, manager, record, incoming);
    return m_invitation ? m_invitation(kind, manager, record, incoming) : nullptr;
}

QDialog* CClientGameFactory::CreatePlayerInfoDialog(QObject* session) const {
    return m_playerInfo ? m_playerInfo(session) : nullptr;
}

QDialog* CClientGameFactory::CreateContinueSessionDialog(CContinueSessionController* controller,
                                                         QWidget* parent) const {
    return m_continueSession ? m_continueSession(controller, parent) : nullptr;
}
