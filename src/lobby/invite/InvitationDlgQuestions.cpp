#include "lobby/invite/InvitationDlg.h"

#include "game/ClientGameFactory.h"
#include "lobby/invite/InvitationManager.h"
#include "net/TransmittableObject.h"
#include "session/SessionDoc.h"
#include "support/ApplicationTimer.h"
#include "support/PacketText.h"
#include "support/Utilities.h"
#include "version.h"
#include "web/PlayerImage.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The leading decimal integer of a word; -1 when it does not start with a digit.
int leadingNumber(QStringView word) {
    qsizetype digits = 0;
    while (digits < word.size() && digits < 9 && word.at(digits) >= QLatin1Char('0') &&
           word.at(digits) <= QLatin1Char('9'))
        ++digits;
    return digits == 0 ? -1 : word.left(digits).toInt();
}

} // namespace

// ---- Server questions ---------------------------------------------------------------------------

void CInvitationDlg::SendRatingRequest() {
    if (!m_manager || m_matchLength > kMaxEstimatedLength)
        return;
    QString text;
    WritePacketCString(text, m_cookie);
    WritePacketCString(text, m_ownNickname);
    text += QStringLiteral(" 1 %1 ").arg(m_players.size());
    WritePacketCString(text, m_serviceName.GetPartsText());
    text += QLatin1Char(' ') + QString::number(m_matchLength);
    send(kPacketRatingRequest, text, QString());
    m_lastLengthAsked = m_matchLength;
}

void CInvitationDlg::SendVersionRequest() {
    send(kPacketVersionRequest, m_cookie + QLatin1Char(' ') + m_peer, QStringLiteral("."));
}

void CInvitationDlg::SendLeagueInfoRequest() {
    const CLeagueInviteInfoRequest request(m_ownNickname, m_cookie, m_serviceName.GetPartsText());
    send(kPacketLeagueInfoRequest, request.WriteText(), QString());
}

int CInvitationDlg::onRatingReply(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString head = lines.value(0);
    if (NextToken(head, u" ") != m_cookie)
        return 0;
    bool ok = false;
    const int count = head.trimmed().section(QLatin1Char(' '), 0, 0).toInt(&ok);
    const bool first = !m_estimatesArrived;
    const size_t players = size_t(m_players.size());
    if (m_ratings.size() != players) {
        m_ratings.assign(players, -1.0f);
        m_firstInts.assign(players, 0);
        m_secondInts.assign(players, 0);
        m_winDeltas.assign(players, 0.0f);
        m_loseDeltas.assign(players, 0.0f);
        m_further.assign(players, 0.0f);
    }
    const int rows = ok ? std::min<int>(count, int(players)) : 0;
    for (int row = 1; row <= rows && row < lines.size(); ++row) {
        const QStringList words = lines.at(row).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const int index = playerIndex(words.value(0));
        if (index < 0)
            continue;
        const auto number = [&](int at) {
            bool good = false;
            const float value = words.value(at).toFloat(&good);
            return good && std::isfinite(value) ? value : 0.0f;
        };
        m_ratings[size_t(index)] = words.size() > 1 ? number(1) : -1.0f;
        m_firstInts[size_t(index)] = words.value(2).toInt();
        m_secondInts[size_t(index)] = words.value(3).toInt();
        m_winDeltas[size_t(index)] = number(4);
        m_loseDeltas[size_t(index)] = number(5);
        m_further[size_t(index)] = number(6);
    }
    m_estimatesArrived = true;
    if (first && players >= 2 && (m_ratings[0] <= 100.0f || m_ratings[1] <= 100.0f)) {
        m_guestFree = false;
        OnGuestMatchFound();
    }
    refreshRatingTexts();
    refreshDeltas();
    OnTermsChanged(false);
    if (first)
        Refresh();
    return 1;
}

int CInvitationDlg::ParseLowestVersion(const QString& textAfterCookie, const QStringList& players) {
    const QStringList words = textAfterCookie.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int lowest = kNoVersion;
    const auto isPlayer = [&](const QString& word) {
        return std::any_of(players.begin(), players.end(),
                           [&](const QString& player) { return SameNickname(player, word); });
    };
    if (!words.isEmpty() && isPlayer(words.first())) {
        // "<nickname> <version text>": the version text's leading number, when it has one (a '>'
        // before the text is the server's own mark).
        const QString versionText = words.value(1);
        QStringView text(versionText);
        if (text.startsWith(QLatin1Char('>')))
            text = text.mid(1);
        const int version = leadingNumber(text);
        return version >= 0 ? version : kNoVersion;
    }
    for (const QString& word : words) {
        bool ok = false;
        const int version = word.toInt(&ok);
        if (ok)
            lowest = std::min(lowest, version);
    }
    return lowest;
}

int CInvitationDlg::onVersionReply(const QString& text) {
    QString rest = text;
    if (NextToken(rest, u" ") != m_cookie)
        return 0;
    m_versionReplied = true;
    m_lowestPeerVersion = ParseLowestVersion(rest, m_players);
    m_versionValid = m_lowestPeerVersion >= 1 && m_lowestPeerVersion <= 9999;
    return 1;
}

void CInvitationDlg::refreshRatingTexts() {
    const int own = ownIndex();
    const int peer = playerIndex(m_peer);
    const auto rating = [&](int index) {
        return m_estimatesArrived && index >= 0 && size_t(index) < m_ratings.size()
                   ? FormatRating(m_ratings[size_t(index)])
                   : QString();
    };
    setPanelText(kIdRating0, rating(own));
    setPanelText(kIdRating1, rating(peer));
}

void CInvitationDlg::refreshDeltas() {
    const bool rated = IsRated();
    m_ratedShown = rated && m_ratings.size() >= 2 && m_ratings[0] > 100.0f && m_ratings[1] > 100.0f;
    const int indices[2] = {ownIndex(), playerIndex(m_peer)};
    for (int slot = 0; slot < 2; ++slot) {
        const int index = indices[slot];
        const bool known = m_estimatesArrived && index >= 0 && size_t(index) < m_ratings.size();
        setPanelText(slot == 0 ? kIdWinDelta0 : kIdWinDelta1,
                     known ? FormatDelta(m_winDeltas[size_t(index)], rated) : QString());
        setPanelText(slot == 0 ? kIdLoseDelta0 : kIdLoseDelta1,
                     known ? FormatDelta(m_loseDeltas[size_t(index)], rated) : QString());
    }
}

void CInvitationDlg::armPoll() {
    if (m_closed)
        return;
    m_pollTimer = SetApplicationTimer(1, this, [](QObject* owner, int, void*) {
        if (auto* dialog = qobject_cast<CInvitationDlg*>(owner))
            dialog->OnPollTimer();
    });
}

void CInvitationDlg::OnPollTimer() {
    m_pollTimer = 0;
    if (m_closed)
        return;
    if (m_estimatesArrived) {
        // No length (a box emptied to type another) asks nothing: the last estimates stay.
        if (IsRated() && m_matchLength >= 0 && m_matchLength != m_lastLengthAsked) {
            SendRatingRequest();
        } else if (IsRated() != m_ratedShown) {
            refreshDeltas();
            OnTermsChanged(false);
        }
    }
    armPoll();
}
