#include "GameRooms.h"

#include "support/Utilities.h"

#include <algorithm>
#include <optional>

void CGameRooms::Register(CPacketRegistry& packets,
                          std::function<void(const QString& nickname, const QString& text)> asked) {
    packets.Plain(LoginPacketType::Transfer, CPacketRegistry::Member(),
                  [this, asked](Client* client, const CMessagePacket& packet) {
                      const QString text = ParseQuotedText(packet.GetPayload()).value_or(QString());
                      asked(client->record.GetNickname(), text);
                      OnTransfer(client, text);
                  });
}

void CGameRooms::OnTransfer(Client* client, const QString& text) {
    QString rest;
    const CServiceName service(firstWord(text, &rest));
    // The room's name is read once: its service word and the parts after it (a member may send many
    // transfers).
    QStringList parts = service.GetPartList();
    parts.removeAll(QString());
    const QString word = service.GetFirstPart();
    const qsizetype partCount = parts.size();
    const QString nickname = client->record.GetNickname();
    const bool player = std::any_of(parts.begin(), parts.end(),
                                    [&](const QString& part) { return SameNickname(part, nickname); });
    QString entered;
    bool enteredAsPlayer = false; // a room he is one of the players of
    bool matchRoom = false;
    std::optional<QString> terms; // a player's terms for a new match
    if (service.IsSameService(CServiceName(m_options.lobbyService))) {
        entered = m_options.lobbyService;
        client->record.SetActivity(CUserInfo::kActivityFinished);
    } else if ((word == QLatin1String("gb") || word == QLatin1String("gp")) && partCount >= 2) {
        entered = service.GetBaseName();
        enteredAsPlayer = player;
        client->record.SetActivity(player ? CUserInfo::kActivityPlaying : CUserInfo::kActivityWatching);
        // A match is played by two players: a room naming one of them twice is none.
        matchRoom = word == QLatin1String("gb") && partCount == 2 && !SameNickname(parts[0], parts[1]);
        // A player's transfer names the terms of a new match: "<room> [!<unfinished match key>] <terms>";
        // one that resumes ("<room> ResumeMatch <key> ...") goes on with the room's match, and a
        // watcher's never counts.
        // A player who comes back the way a watcher enters ("Rejoin Game") brings no terms either.
        const bool watching = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(QStringLiteral("~"));
        if (matchRoom && player && !watching && firstWord(rest) != QLatin1String("ResumeMatch")) {
            if (rest.startsWith(QLatin1Char('!')))
                firstWord(rest, &rest);
            terms = rest.trimmed();
        }
    } else {
        systemLine(client, QStringLiteral("There is no service %1.").arg(service.GetText()));
        entered = client->service;
        enteredAsPlayer = CServiceName(entered).HasPart(nickname);
    }
    if (entered != client->service)
        Leave(client);
    const QString left = client->service;
    client->service = entered;
    client->record.SetLocation(entered);
    if (left != entered)
        DropIdleRoom(left);
    // Entering a match that resumes or replaces an unfinished one ends that one: a match of the room's
    // own players, he among them.
    if (const QString key = CUnfinishedMatchStore::KeyOfTransfer(text);
        enteredAsPlayer && !key.isEmpty() && m_unfinished.IsMatchOf(key, CServiceName(entered)))
        SendUnfinished(m_unfinished.Remove(key));
    // A player who rejoins the match he left, without a resume, goes on with it as a resume does:
    // once all its players are back it is no longer unfinished.
    if (matchRoom && !terms && enteredAsPlayer && playersPresent(entered))
        SendUnfinished(m_unfinished.Remove(m_unfinished.KeyOfRoom(CServiceName(entered))));
    if (matchRoom) {
        m_matches.Open(entered);
        if (terms) {
            m_matches.OfferTerms(client, *terms);
        } else {
            m_matches.SendRoomEntered(client, true, true);
            if (enteredAsPlayer)
                m_matches.PlayerReturns(client);
        }
    } else {
        CServiceSettings settings;
        if (entered == m_options.lobbyService)
            settings = LobbySettings(m_options);
        client->connection->SendPlain(LoginPacketType::ServiceEntered,
                                      CServiceEnteredPacket{entered, settings}.Format());
        // Back in the lobby his last match's score goes with him no further.
        if (entered == m_options.lobbyService)
            client->record.SetGameDescriptor(QString());
    }
    if (matchRoom)
        updatePlayersActivity(entered);
    // The others learn of his room, and he of who is in his game (his player list), once the turn is
    // over: a member walking through many rooms in one turn costs them one entry.
    m_directory.AnnounceSoon(client);
    m_directory.SendViewSoon(client);
}

void CGameRooms::Leave(Client* client) {
    const CServiceName room(client->service);
    if (room.GetFirstPart() != QLatin1String("gb") || !room.HasPart(client->record.GetNickname()))
        return;
    const CMatchReferee* match = m_matches.PlayerLeaves(client);
    if (!match)
        return;
    const QStringList players = m_unfinished.MatchLeft(room, match->Descriptor(0));
    // Who stays waits for him: the lobby shows him free to be asked to resume.
    for (Client* user : inRoom(room.GetBaseName()))
        if (user != client && room.HasPart(user->record.GetNickname()))
            user->record.SetActivity(CUserInfo::kActivityWaiting);
    SendUnfinished(players);
}

void CGameRooms::SessionEnded(const QString& service) {
    const CServiceName room(service);
    SendUnfinished(m_unfinished.Remove(m_unfinished.KeyOfRoom(room)));
    updatePlayersActivity(room.GetBaseName());
}

bool CGameRooms::HoldsUnfinishedMatch(const QString& service) const {
    return !m_unfinished.KeyOfRoom(CServiceName(service)).isEmpty();
}

void CGameRooms::updatePlayersActivity(const QString& service) {
    const int activity = HoldsUnfinishedMatch(service) ? CUserInfo::kActivityWaiting : CUserInfo::kActivityPlaying;
    // The room's players are looked up by name: the room's watchers and the crowd elsewhere cost nothing.
    for (const QString& player : CServiceName(service).GetPartList()) {
        Client* user = findUser(player);
        if (user && CDevServerCore::SameRoom(user->service, service)) {
            user->record.SetActivity(activity);
            m_directory.AnnounceSoon(user);
        }
    }
}

void CGameRooms::SendUnfinished(const QStringList& players) {
    for (const QString& player : players) {
        Client* user = findUser(player);
        if (!user)
            continue;
        const QString nickname = user->record.GetNickname();
        int left = 0;
        user->connection->SendRouted(ServicePacket::UnfinishedMatches, QStringLiteral("."),
                                     m_unfinished.FormatList(nickname, CUnfinishedMatchStore::kLongestList, &left));
        if (left > 0)
            log(QStringLiteral("the unfinished matches of %1 are too many for one frame: %2 of them not listed")
                    .arg(nickname)
                    .arg(left));
        // The directory shows how many unfinished matches each member has.
        user->record.SetUnfinishedMatches(m_unfinished.CountFor(nickname));
        m_directory.AnnounceSoon(user);
    }
}

void CGameRooms::DropIdleRoom(const QString& service) {
    // An unfinished match waits here for its players to come back; the lobby is no game room.
    if (service == m_options.lobbyService || anyoneIn(service) || HoldsUnfinishedMatch(service))
        return;
    m_matches.Close(service);
}
