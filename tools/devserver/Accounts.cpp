#include "Accounts.h"

#include "net/DatabaseTransaction.h"
#include "support/PacketText.h"
#include "support/Utilities.h"

#include <algorithm>

void CAccounts::Register(CPacketRegistry& packets, std::function<void(Client*)> loggedIn) {
    using To = CPacketRegistry::To;
    packets.Plain(LoginPacketType::Identification, CPacketRegistry::Connection(),
                  [](Client* client, const CMessagePacket& packet) {
                      client->clientVersion = ParseQuotedText(packet.GetPayload()).value_or(QString());
                  });
    packets.Plain(LoginPacketType::Login, CPacketRegistry::Connection(),
                  [this, loggedIn](Client* client, const CMessagePacket& packet) {
                      if (LogIn(client, packet.GetPayload()))
                          loggedIn(client);
                  });
    packets.Routed(To::Server, ServicePacket::VersionQuery, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CAccounts::OnVersionQuery));
    packets.Routed(To::Server, ServicePacket::Kick,
                   CPacketRegistry::RightHolder(MemberRight::Kick, QStringLiteral("You may not kick players.")),
                   CPacketRegistry::Text(this, &CAccounts::OnKick));
    packets.Routed(To::Database, ServicePacket::Database, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CAccounts::OnAccountRequest));
    packets.Routed(To::Ranking, ServicePacket::RankingRequest, CPacketRegistry::Member(), [this](Client* client, const CMessagePacket& packet) {
        client->connection->SendRouted(ServicePacket::RankingReply, QStringLiteral(".rt"), RankingReply(packet.GetPayload()));
    });
}

bool CAccounts::LogIn(Client* client, const QString& text) {
    const auto login = CSecureLoginPacket::Parse(text);
    QString refusal;
    bool outdated = false;
    if (m_options.minVersion > 0) {
        bool numeric = false;
        const int version = client->clientVersion.section(u' ', 0, 0).toInt(&numeric);
        outdated = !numeric || version < m_options.minVersion;
    }
    if (outdated)
        refusal = QStringLiteral("This version of the Norvale client is no longer supported.");
    else if (!login || !IsValidUserName(login->nickname))
        refusal = QStringLiteral("A nickname has 1 to 24 letters and digits.");
    else if (findUser(login->nickname))
        refusal = QStringLiteral("%1 is already logged in.").arg(login->nickname);
    else if (!m_options.password.isEmpty() &&
             login->digest != CSecureLoginPacket::ComputeDigest(client->nonce, m_options.password))
        refusal = QStringLiteral("The password is not correct.");
    if (!refusal.isEmpty()) {
        CLoginRefusedPacket refused;
        refused.reason = refusal;
        if (outdated) {
            refused.updateAddress = m_options.updateAddress;
            refused.updateSize = m_options.updateSize;
        }
        client->connection->SendPlain(LoginPacketType::Refused, refused.Format());
        client->connection->Close();
        log(QStringLiteral("login refused: %1").arg(refusal));
        return false;
    }
    client->loggedIn = true;
    client->rights = m_options.rightsMask;
    client->service = m_options.lobbyService;
    client->record = CUserInfo(login->nickname);
    client->record.SetActivity(CUserInfo::kActivityFinished);
    client->record.SetPresence(CUserInfo::kPresenceReady);
    client->record.SetRating(1500.0f);
    client->record.SetExperience(0);
    client->record.SetUnfinishedMatches(0);
    client->record.SetLocation(m_options.lobbyService);
    client->record.ClearChangeMask();
    m_users.SetAt(login->nickname, client);
    m_members.SetAt(login->nickname, Member{login->nickname, client->record.GetRating(), client->record.GetExperience()});

    CLoginAcceptedPacket accepted;
    accepted.rightsMask = m_options.rightsMask;
    accepted.accountFlags = m_options.accountFlags;
    accepted.lobbyService = m_options.lobbyService;
    accepted.settings = LobbySettings(m_options);
    client->connection->SendPlain(LoginPacketType::Accepted, accepted.Format());
    log(QStringLiteral("%1 logged in (%2)").arg(login->nickname, client->clientVersion));
    return true;
}

void CAccounts::OnVersionQuery(Client* client, const QString& text) {
    QString rest;
    const QString cookie = firstWord(text, &rest);
    const Client* about = findUser(firstWord(rest));
    client->connection->SendRouted(
        ServicePacket::VersionReply, QStringLiteral("."),
        QStringLiteral("%1 %2 %3")
            .arg(cookie, firstWord(rest),
                 about ? about->clientVersion : QStringLiteral("(not connected)")));
}

void CAccounts::OnAccountRequest(Client* client, const QString& text) {
    if (firstWord(text) == QString::number(CUserMoneyInviteRequest::kCode))
        return onMoneyInviteRequest(client, text);
    const QString emailMarker = QStringLiteral(" DeprecatedEmailChallengeResponse ");
    if (text.contains(emailMarker)) {
        // "<machine id> <first text> DeprecatedEmailChallengeResponse <address>": the change is
        // taken for anything that looks like an address ("<user> Y"), else refused ("<user> N").
        const QString address = text.section(emailMarker, 1).trimmed();
        const bool usable = address.indexOf(QLatin1Char('@')) > 0 && !address.contains(QLatin1Char(' '));
        client->connection->SendRouted(
            192, QStringLiteral(".db"),
            QStringLiteral("%1 %2").arg(client->record.GetNickname(), QLatin1String(usable ? "Y" : "N")));
        return;
    }
    if (firstWord(text) == QLatin1String("ChangePassword")) {
        // ChangePassword "<old>" "<new>". Every account of this server shares its one password, set
        // by whoever started it: no member changes it for the others. Without one any password is
        // accepted, the new one too.
        const QString fields = text.mid(text.indexOf(QLatin1Char(' '))); // the cursor reads it in place
        CPacketCursor cursor(fields);
        QString oldPassword, newPassword;
        if (!ReadPacketString(cursor, oldPassword) || !ReadPacketString(cursor, newPassword) ||
            newPassword.isEmpty())
            systemLine(client,
                       QStringLiteral("Your password was not changed: the request was not understood."));
        else if (!m_options.password.isEmpty())
            systemLine(client, QStringLiteral("Your password was not changed: this server has one password for "
                                              "every member, set when it was started."));
        else
            systemLine(client, QStringLiteral("Your password has been changed."));
        return;
    }
    log(QStringLiteral("database request from %1 not understood: %2").arg(client->record.GetNickname(), text.left(80)));
}

void CAccounts::onMoneyInviteRequest(Client* client, const QString& text) {
    // 70 "<nickname>" "<nickname>" "<room>" <players> <match length> "<names>": every member of this
    // server may play for money within the same limits, as long as all the players are logged in.
    const std::unique_ptr<CDatabaseTransaction> parsed = CreateDatabaseTransaction(text);
    const auto* request = dynamic_cast<const CUserMoneyInviteRequest*>(parsed.get());
    if (!request) {
        log(QStringLiteral("money request from %1 not understood").arg(client->record.GetNickname()));
        return;
    }
    const QStringList players = request->GetFourth().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool everyone = !players.isEmpty();
    for (const QString& name : players)
        everyone = everyone && findUser(name);
    CUserMoneyInviteResponse response;
    response.m_userName = request->GetThird();
    response.m_resultCode = everyone ? QStringLiteral("1") : QStringLiteral("0");
    response.m_firstAmount = m_options.moneyPerMatch;
    response.m_secondAmount = m_options.moneyFunds;
    response.m_factor = m_options.moneyPerPointFactor;
    response.m_increments = m_options.moneyIncrements;
    client->connection->SendRouted(ServicePacket::MoneyResponse, QStringLiteral(".db"), response.FormatRequest());
}

void CAccounts::OnKick(Client* client, const QString& text) {
    QString reason;
    const QString name = firstWord(text, &reason);
    Client* kicked = findUser(name);
    if (!kicked)
        return systemLine(client, QStringLiteral("%1 is not connected to the server.").arg(name));
    const QString kickedName = kicked->record.GetNickname();
    systemLine(
        kicked,
        reason.trimmed().isEmpty()
            ? QStringLiteral("You have been removed from the server by %1.").arg(client->record.GetNickname())
            : QStringLiteral("You have been removed from the server by %1: %2")
                  .arg(client->record.GetNickname(), reason.trimmed()));
    kicked->connection->Close();
    systemLine(client, QStringLiteral("%1 has been removed from the server.").arg(kickedName));
}

bool CAccounts::IsMember(const QString& nickname) const {
    return m_members.Contains(nickname);
}

QString CAccounts::RankingReply(const QString& text) const {
    // "<cookie> <entries> <option> <origin> <fixed> "<named>" ...": the answer carries the cookie back.
    QString rest;
    const QString cookie = firstWord(text, &rest);
    CPacketCursor cursor(rest);
    int entries = 0, option = 0, origin = 0, fixed = 0;
    QString named;
    if (!ReadPacketInt(cursor, entries) || !ReadPacketInt(cursor, option) || !ReadPacketInt(cursor, origin) ||
        !ReadPacketInt(cursor, fixed) || !ReadPacketString(cursor, named))
        return cookie + QStringLiteral(" 0");
    entries = qBound(1, entries, 30);
    std::vector<Member> ranked;
    for (const auto& entry : m_members)
        ranked.push_back(entry.second);
    std::sort(ranked.begin(), ranked.end(), [](const Member& a, const Member& b) {
        if (a.rating != b.rating)
            return a.rating > b.rating;
        if (a.experience != b.experience)
            return a.experience > b.experience;
        return FoldNickname(a.nickname) < FoldNickname(b.nickname);
    });
    const int count = int(ranked.size());
    int first = 0;
    if (option == 1) { // the lowest ranked
        first = qMax(0, count - entries);
    } else if (option == 2) { // around a member
        const auto found = std::find_if(ranked.begin(), ranked.end(),
                                        [&](const Member& m) { return SameNickname(m.nickname, named); });
        if (found == ranked.end())
            return cookie + QStringLiteral(" 0");
        first = qBound(0, int(found - ranked.begin()) - entries / 2, qMax(0, count - entries));
    } else { // from a place on
        first = qMax(0, fixed);
    }
    const int last = int(qMin<qint64>(count, qint64(first) + entries));
    QString reply = cookie + QLatin1Char(' ') + QString::number(qMax(0, last - first));
    for (int place = first; place < last; ++place) {
        const Member& member = ranked[size_t(place)];
        reply += QLatin1Char(' ') + QString::number(place) + QLatin1Char(' ');
        WritePacketCString(reply, member.nickname);
        reply += QLatin1Char(' ');
        WritePacketCString(reply, QString::number(double(member.rating), 'f', 3));
        reply += QLatin1Char(' ') + QString::number(member.experience);
    }
    return reply;
}
