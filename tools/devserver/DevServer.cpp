#include "DevServer.h"

#include <QRegularExpression>

#include "board/BgClientView.h"
#include "DevWebServer.h"

#include "game/ClientGameFactory.h"
#include "game/LeagueInviteInfo.h"
#include "net/ClientNode.h"
#include "net/DatabaseTransaction.h"
#include "net/TransmittableObject.h"
#include "net/LoginPackets.h"
#include "session/ServiceName.h"
#include "support/PacketText.h"
#include "support/Utilities.h"
#include "game/MatchRecord.h"
#include "web/WebAddress.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>


namespace {

// The first blank-separated word of text; rest (when given) receives what follows it.
QString firstWord(const QString& text, QString* rest = nullptr) {
    QString source = text.trimmed();
    const QString word = NextToken(source, u" ");
    if (rest)
        *rest = source;
    return word;
}

} // namespace

CDevServer::CDevServer(Options options, QObject* parent)
    : QObject(parent), m_core(std::move(options), this, [this](const QString& line) { log(line); }),
      m_options(m_core.options), m_clients(m_core.clients), m_users(m_core.users),
      m_limits(m_core, m_server, [this] { onNewConnection(); }), m_accounts(m_core),
      m_mail(m_core, m_accounts), m_enquiries(m_core),
      m_directory(m_core, m_unfinished) {
    connect(&m_server, &QTcpServer::newConnection, this, &CDevServer::onNewConnection);
}

CDevServer::~CDevServer() {
    m_users.RemoveAll();
    m_clients.clear();
}

bool CDevServer::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (m_server.listen(address, port))
        return true;
    if (error)
        *error = m_server.errorString();
    return false;
}

void CDevServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto client = std::make_unique<Client>();
        client->connection = new CServerConnection(socket, this);
        client->serial = ++m_lastSerial;
        client->connected.start();
        client->nonce = MakeLoginNonce();
        Client* raw = client.get();
        m_limits.Admit(raw);
        connect(raw->connection, &CServerConnection::packetReceived, this,
                [this, raw](const CMessagePacketPtr& packet) { onPacket(raw, *packet); });
        connect(raw->connection, &CServerConnection::closed, this, [this, raw](bool) { onClosed(raw); });
        m_clients[raw->connection] = std::move(client);
        raw->connection->SendPlain(LoginPacketType::Hello,
                                   CServerHello{m_options.serverName, kProtocolVersion, raw->nonce}.Format());
        log(QStringLiteral("connection from %1").arg(raw->connection->PeerText()));
    }
    m_limits.Accepted();
}

void CDevServer::onClosed(Client* client) {
    m_mail.ConnectionClosed(client);
    if (client->loggedIn) {
        leaveRoom(client);
        client->loggedIn = false;
        m_users.RemoveKey(client->record.GetNickname());
        dropIdleRoom(client->service);
        log(QStringLiteral("%1 left").arg(client->record.GetNickname()));
        m_directory.Departed(client);
    }
    // The connection may still be inside one of its own signals: both go once that has returned.
    CServerConnection* connection = client->connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
            m_clients.erase(connection);
            connection->deleteLater();
        },
        Qt::QueuedConnection);
}










void CDevServer::onPacket(Client* client, const CMessagePacket& packet) {
    const int type = packet.GetEffectiveType();
    if (!client->connection->IsOpen())
        return;
    if (!client->loggedIn) {
        if (type == LoginPacketType::Identification)
            client->clientVersion = ParseQuotedText(packet.GetPayload()).value_or(QString());
        else if (type == LoginPacketType::Login)
            onLogin(client, packet.GetPayload());
        else
            client->connection->Close();
        return;
    }
    if (packet.IsRouted())
        onRouted(client, packet);
    else
        onPlain(client, type, packet.GetPayload());
}


void CDevServer::onLogin(Client* client, const QString& text) {
    if (!m_accounts.LogIn(client, text))
        return;
    m_directory.Arrived(client);
    sendUnfinished({client->record.GetNickname()});
    m_mail.LoggedIn(client);
}

void CDevServer::leaveRoom(Client* client) {
    const CServiceName room(client->service);
    if (room.GetFirstPart() != QLatin1String("gb") || !room.HasPart(client->record.GetNickname()))
        return;
    // Terms he came with go with him: the other player cannot start a match in his absence.
    if (MatchRoom* waiting = findRoom(client->service))
        waiting->offers.erase(FoldNickname(client->record.GetNickname()));
    // A match played to its end, or none set up yet, is not left unfinished.
    const CMatchReferee* match = FindMatch(room.GetBaseName());
    if (!match || match->Board().IsMatchOver() || !playersPresent(room.GetBaseName()))
        return;
    // Nor is a money session a player ended between two games (Play Later keeps it: a game is owed).
    if (const MatchRoom* played = findRoom(client->service); played && played->money.ended)
        return;
    const QStringList players = m_unfinished.MatchLeft(room, match->Descriptor(0));
    // Who stays waits for him: the lobby shows him free to be asked to resume.
    for (Client* user : inRoom(room.GetBaseName()))
        if (user != client && room.HasPart(user->record.GetNickname()))
            user->record.SetActivity(CUserInfo::kActivityWaiting);
    sendUnfinished(players);
}

bool CDevServer::playersPresent(const QString& service) const {
    const QList<Client*> present = inRoom(service);
    for (const QString& player : CServiceName(service).GetPartList()) {
        Client* user = findUser(player);
        if (!user || !present.contains(user))
            return false;
    }
    return true;
}

bool CDevServer::HoldsUnfinishedMatch(const QString& service) const {
    return !m_unfinished.KeyOfRoom(CServiceName(service)).isEmpty();
}

void CDevServer::updatePlayersActivity(const QString& service) {
    const CServiceName room(service);
    const int activity = HoldsUnfinishedMatch(service) ? CUserInfo::kActivityWaiting : CUserInfo::kActivityPlaying;
    for (Client* user : inRoom(service)) {
        if (room.HasPart(user->record.GetNickname())) {
            user->record.SetActivity(activity);
            m_directory.AnnounceChange(user);
        }
    }
}

void CDevServer::sendUnfinished(const QStringList& players) {
    for (const QString& player : players) {
        Client* user = findUser(player);
        if (!user)
            continue;
        const QString nickname = user->record.GetNickname();
        user->connection->SendRouted(233, QStringLiteral("."), m_unfinished.FormatList(nickname));
        // The directory shows how many unfinished matches each member has.
        user->record.SetUnfinishedMatches(m_unfinished.CountFor(nickname));
        m_directory.AnnounceChange(user);
    }
}


void CDevServer::onRouted(Client* client, const CMessagePacket& packet) {
    const int type = packet.GetEffectiveType();
    const QString destination = packet.GetDestinationName();
    const QString sender = client->record.GetNickname();
    const QString payload = packet.GetPayload();
    if (destination == QLatin1String("&")) {
        if (type == ChatPacket::Shout) {
            if (!(m_options.rightsMask & 0x10000u))
                return systemLine(client, QStringLiteral("You may not shout."));
            for (Client* other : loggedIn())
                other->connection->SendRouted(type, sender, payload, destination);
            return;
        }
        if (type == ChatPacket::Notify) {
            for (Client* other : inRoom(client->service))
                systemLine(other, payload);
            return;
        }
        // Moves go to the referee, whatever the room holds; nobody refuses a move but the server.
        if (type == 217)
            return onMatchMove(client, payload);
        if (type == kMoveRefused) {
            log(QStringLiteral("refusal of %1 to the room dropped: %2").arg(sender, payload.left(80)));
            return;
        }
        for (Client* other : inRoom(client->service))
            other->connection->SendRouted(type, sender, payload, destination);
        return;
    }
    if (destination == QLatin1String(".")) {
        if (type == CBgClientView::kBearOffRequest)
            return m_enquiries.OnBearOffRequest(client, payload);
        if (type == 182) // client version query
            m_accounts.OnVersionQuery(client, payload);
        else if (type == 208) // kick: "<nickname> <reason>"
            m_accounts.OnKick(client, payload);
        return;
    }
    if (destination == QLatin1String(".db")) {
        if (type == 251 && m_accounts.OnAccountRequest(client, payload))
            return;
        m_directory.OnRelationRequest(client, type, payload);
        return;
    }
    if (destination == QLatin1String(".rt")) {
        if (type == 239)
            client->connection->SendRouted(240, QStringLiteral(".rt"), m_accounts.RankingReply(payload));
        return;
    }
    if (destination.startsWith(QLatin1Char('.')))
        return;
    // Moves count only through the room's referee: none goes from one member to another.
    if (type == 217 || type == kMoveRefused) {
        log(QStringLiteral("move of %1 routed to %2 dropped: %3").arg(sender, destination, payload.left(80)));
        return;
    }
    Client* recipient = findUser(destination);
    if (!recipient) {
        client->connection->SendRouted(
            215, QStringLiteral("."),
            QStringLiteral("Message to %1 could not be delivered").arg(destination));
        return;
    }
    recipient->connection->SendRouted(type, sender, payload, destination);
    emit packetRelayed(sender, recipient->record.GetNickname(), type, payload);
}


void CDevServer::onPlain(Client* client, int type, const QString& text) {
    switch (type) {
    case LoginPacketType::Transfer:
        onTransfer(client, ParseQuotedText(text).value_or(QString()));
        return;
    case LoginPacketType::Presence:
        m_directory.OnPresence(client, text);
        return;
    case 77: // league information of an invitation
        m_enquiries.OnLeagueInfoRequest(client, text);
        return;
    case 58:
        m_directory.OnCommand(client, text);
        return;
    case kContinueAnswer:
        onContinueSession(client, text);
        return;
    case 91: // rating estimates of an invitation
        m_enquiries.OnRatingRequest(client, text);
        return;
    case MailPacket::kType:
        m_mail.OnMail(client, text);
        return;
    case 108: // the match board's query
        m_directory.OnBoardQuery(client, text);
        return;
    case 112: // watch request: "<cookie> <nicknames>"
        m_directory.OnWatchRequest(client, text);
        return;
    default:
        log(QStringLiteral("packet %1 from %2 ignored").arg(type).arg(client->record.GetNickname()));
        return;
    }
}


void CDevServer::onTransfer(Client* client, const QString& text) {
    emit transferAsked(client->record.GetNickname(), text);
    const CServiceName service(firstWord(text));
    const QString word = service.GetFirstPart();
    const QString nickname = client->record.GetNickname();
    QString entered;
    bool matchRoom = false;
    std::optional<QString> terms; // a player's terms for a new match
    if (service.IsSameService(CServiceName(m_options.lobbyService))) {
        entered = m_options.lobbyService;
        client->record.SetActivity(CUserInfo::kActivityFinished);
    } else if ((word == QLatin1String("gb") || word == QLatin1String("gp")) && service.CountParts() >= 2) {
        entered = service.GetBaseName();
        const bool player = service.HasPart(nickname);
        client->record.SetActivity(player ? CUserInfo::kActivityPlaying : CUserInfo::kActivityWatching);
        matchRoom = word == QLatin1String("gb") && service.CountParts() == 2;
        // A player's transfer names the terms of a new match: "<room> [!<unfinished match key>] <terms>";
        // one that resumes ("<room> ResumeMatch <key> ...") goes on with the room's match, and a
        // watcher's never counts.
        QString rest;
        firstWord(text, &rest);
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
    }
    if (entered != client->service)
        leaveRoom(client);
    const QString left = client->service;
    client->service = entered;
    client->record.SetLocation(entered);
    if (left != entered)
        dropIdleRoom(left);
    // Entering a match that resumes or replaces an unfinished one ends that one.
    if (CServiceName(entered).HasPart(nickname))
        sendUnfinished(m_unfinished.Remove(CUnfinishedMatchStore::KeyOfTransfer(text)));
    // A player who rejoins the match he left, without a resume, goes on with it as a resume does:
    // once all its players are back it is no longer unfinished.
    if (matchRoom && !terms && CServiceName(entered).HasPart(nickname) && playersPresent(entered))
        sendUnfinished(m_unfinished.Remove(m_unfinished.KeyOfRoom(CServiceName(entered))));
    if (matchRoom) {
        m_rooms.try_emplace(FoldNickname(entered));
        if (terms)
            offerTerms(client, *terms);
        else
            sendRoomEntered(client, true, true);
    } else {
        CServiceSettings settings;
        if (entered == m_options.lobbyService)
            settings = lobbySettings();
        client->connection->SendPlain(LoginPacketType::ServiceEntered,
                                      CServiceEnteredPacket{entered, settings}.Format());
        // Back in the lobby his last match's score goes with him no further.
        if (entered == m_options.lobbyService)
            client->record.SetGameDescriptor(QString());
    }
    if (matchRoom)
        updatePlayersActivity(entered);
    m_directory.AnnounceChange(client);
    // Who is in his game (and so in his player list) changed with the room.
    m_directory.SendDirectory(110, loggedIn(), {client}, CDirectory::kGroupFlagsOnly);
}

void CDevServer::sendRoomEntered(Client* client, bool withMatch, bool history) {
    const MatchRoom* room = findRoom(client->service);
    const CMatchReferee* match = room && withMatch ? room->referee.get() : nullptr;
    CServiceSettings settings;
    if (match)
        settings = {{QStringLiteral("rules"), match->RulesText()},
                    {QString::fromLatin1(kMatchSetting), QString::number(room->number)}};
    client->connection->SendPlain(LoginPacketType::ServiceEntered,
                                  CServiceEnteredPacket{client->service, settings}.Format());
    if (!match)
        return;
    // The match so far, for a watcher who comes late or a player who comes back.
    if (history)
        for (const QString& move : match->History())
            client->connection->SendRouted(217, QStringLiteral("."), move, QStringLiteral("&"));
    const int seat = match->Players().indexOf(client->record.GetNickname());
    if (seat >= 0)
        client->record.SetGameDescriptor(match->Descriptor(seat));
}

QString CDevServer::RoomRulesOf(const QString& text, QString* fault) {
    const auto refuse = [fault](const QString& why) {
        if (fault)
            *fault = why;
        return QString();
    };
    if (text.trimmed().isEmpty())
        return DefaultMatchRules().FormatText();
    bool ok = false;
    const CBGRuleOptions match = CBGRuleOptions::CBGRuleOptionsFromText(text, &ok);
    if (ok)
        return match.FormatText();
    const CPropRuleOptions proposition = CPropRuleOptions::FromText(text, &ok);
    if (!ok)
        return refuse(QStringLiteral("The terms cannot be read."));
    // A proposition is refereed only from a position a game can be played from, to its end.
    const CPropRuleOptions::PositionFault why = CPropRuleOptions::CheckPosition(proposition.GetTerms().position);
    if (why != CPropRuleOptions::PositionFault::kNone)
        return refuse(CPropRuleOptions::DescribeFault(why));
    return proposition.FormatText();
}

void CDevServer::offerTerms(Client* client, const QString& terms) {
    MatchRoom* room = findRoom(client->service);
    const QStringList players = CServiceName(client->service).GetPartList();
    const QString nickname = client->record.GetNickname();
    room->offers[FoldNickname(nickname)] = terms;
    const QString other = SameNickname(players.value(0), nickname) ? players.value(1) : players.value(0);
    const auto theirs = room->offers.find(FoldNickname(other));
    if (theirs == room->offers.end()) {
        // The other player has not come with his terms yet: no match until he does.
        sendRoomEntered(client, false, false);
        return;
    }
    // The terms as the room reads them: a backgammon match or a proposition that can be played.
    QString fault;
    const QString mine = RoomRulesOf(terms, &fault);
    const QString agreed = RoomRulesOf(theirs->second, fault.isEmpty() ? &fault : nullptr);
    room->offers.clear();
    if (mine.isEmpty() || agreed.isEmpty()) {
        sendRoomEntered(client, false, false);
        log(QStringLiteral("match %1 refused: %2").arg(client->service, fault));
        for (Client* player : inRoom(client->service))
            if (CServiceName(client->service).HasPart(player->record.GetNickname()))
                systemLine(player, QStringLiteral("%1 No match was started.").arg(fault));
        return;
    }
    if (mine != agreed) {
        sendRoomEntered(client, false, false);
        log(QStringLiteral("match %1 refused: %2 came with \"%3\", %4 with \"%5\"")
                .arg(client->service, nickname, mine, other, agreed));
        for (Client* player : inRoom(client->service))
            if (CServiceName(client->service).HasPart(player->record.GetNickname()))
                systemLine(player, QStringLiteral("The terms %1 and %2 entered with do not agree: no match was started.")
                                       .arg(nickname, other));
        return;
    }
    bool isMatch = false;
    const CBGRuleOptions match = CBGRuleOptions::CBGRuleOptionsFromText(agreed, &isMatch);
    if (isMatch)
        room->referee = std::make_unique<CMatchReferee>(players, match, m_options.dice);
    else
        room->referee = std::make_unique<CMatchReferee>(players, CPropRuleOptions::FromText(agreed), m_options.dice);
    room->money = MoneySession{};
    ++room->number;
    log(QStringLiteral("match %1 #%2 set up: %3").arg(client->service).arg(room->number).arg(agreed));
    // Everybody in the room, watchers too, starts the new match from its rules.
    for (Client* user : inRoom(client->service)) {
        sendRoomEntered(user, true, false);
        if (user != client)
            m_directory.AnnounceChange(user);
    }
    openPropositionGame(*room, client->service);
}

CBGRuleOptions CDevServer::DefaultMatchRules() {
    CBGRuleOptions::Values values;
    values.matchLength = 1;
    values.crawford = true;
    return CBGRuleOptions(values);
}

CDevServer::MatchRoom* CDevServer::findRoom(const QString& service) {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? nullptr : &it->second;
}

void CDevServer::dropIdleRoom(const QString& service) {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    // An unfinished match waits here for its players to come back.
    if (it == m_rooms.end() || !inRoom(service).isEmpty() || HoldsUnfinishedMatch(service))
        return;
    m_rooms.erase(it);
}

const CMatchReferee* CDevServer::FindMatch(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? nullptr : it->second.referee.get();
}

int CDevServer::MatchNumber(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? 0 : it->second.number;
}

void CDevServer::onMatchMove(Client* client, const QString& text) {
    MatchRoom* room = findRoom(client->service);
    CMatchReferee* match = room ? room->referee.get() : nullptr;
    const QString sender = client->record.GetNickname();
    QString reason = QStringLiteral("no match is set up in this room");
    int sequence = 0;
    QString command;
    CMatchRecord::SplitMoveText(text, sequence, command);
    std::vector<CMatchReferee::Move> moves;
    if (match && room->money.waiting && command.simplified() == QLatin1String("n"))
        reason = room->money.ended ? QStringLiteral("the session has ended")
                                   : QStringLiteral("both players must agree to go on first");
    else if (match && !playersPresent(client->service))
        reason = QStringLiteral("the other player has left the room"); // nobody plays a match alone
    else if (match)
        moves = match->Take(sender, text, &reason);
    if (moves.empty()) {
        // The sender hears of it, with the number he sent, so that he goes back to the referee's board.
        log(QStringLiteral("move \"%1\" of %2 refused: %3").arg(text.left(80), sender, reason));
        client->connection->SendRouted(kMoveRefused, QStringLiteral("."),
                                       QStringLiteral("%1 %2").arg(std::max(sequence, 0)).arg(reason),
                                       QStringLiteral("&"));
        return;
    }
    handOut(client->service, moves, sender);
    offerNextGame(*room, client->service);
    openPropositionGame(*room, client->service);
}

void CDevServer::openPropositionGame(MatchRoom& room, const QString& service) {
    CMatchReferee* match = room.referee.get();
    if (match && match->Board().GetVariant() == CBackgammonBoard::kPropositions)
        handOut(service, match->StartNextGame(), QStringLiteral("."));
}

void CDevServer::handOut(const QString& service, const std::vector<CMatchReferee::Move>& moves,
                         const QString& sender) {
    MatchRoom* room = findRoom(service);
    const CMatchReferee* match = room ? room->referee.get() : nullptr;
    if (!match)
        return;
    // Everybody in the room takes the move from the referee, its sender too: his copy confirms it.
    const QList<Client*> present = inRoom(service);
    for (const CMatchReferee::Move& move : moves)
        for (Client* user : present)
            user->connection->SendRouted(217, move.fromServer ? QStringLiteral(".") : sender, move.text,
                                         QStringLiteral("&"));
    // The lobby shows the players' score.
    for (int seat = 0; seat < match->Players().size(); ++seat) {
        if (Client* player = findUser(match->Players()[seat])) {
            player->record.SetGameDescriptor(match->Descriptor(seat));
            m_directory.AnnounceChange(player);
        }
    }
}

void CDevServer::offerNextGame(MatchRoom& room, const QString& service) {
    const CMatchReferee* match = room.referee.get();
    if (!match || match->Options().GetMatchLength() != 0 || room.money.waiting || room.money.ended ||
        match->Board().GetState() != CBackgammonBoard::kStateAtRest || match->Board().IsGameInProgress() ||
        match->Board().GetLastWinner() == 0)
        return;
    MoneySession& money = room.money;
    money.waiting = true;
    money.answers.clear();
    if (money.limit <= 0)
        money.limit = std::max(match->Options().GetReserve(), 0);
    const int stake = std::max(match->Options().GetStake(), 0);
    log(QStringLiteral("money session %1: next game offered at %2/point, limit %3").arg(service).arg(stake).arg(money.limit));
    for (const QString& name : match->Players())
        if (Client* player = findUser(name); player && CServiceName(player->service).IsSameService(CServiceName(service)))
            player->connection->SendPlain(kContinueOffer, QStringLiteral("%1 %2").arg(stake).arg(money.limit));
}

void CDevServer::onContinueSession(Client* client, const QString& text) {
    // "<flag> <limit> <limit>" from a player of the room, while the next game is being agreed.
    MatchRoom* room = findRoom(client->service);
    CMatchReferee* match = room ? room->referee.get() : nullptr;
    const QString nickname = client->record.GetNickname();
    const QStringList fields = text.simplified().split(QLatin1Char(' '));
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,9}$"));
    const bool wellFormed = fields.size() == 3 && (fields[0] == QLatin1String("0") || fields[0] == QLatin1String("1")) &&
                            number.match(fields[1]).hasMatch() && fields[1] == fields[2];
    if (!match || !room->money.waiting || room->money.ended || !match->Players().contains(nickname, Qt::CaseInsensitive) ||
        !wellFormed) {
        log(QStringLiteral("continuation \"%1\" of %2 dropped").arg(text.left(80), nickname));
        return;
    }
    MoneySession& money = room->money;
    if (fields[0] == QLatin1String("0")) {
        money.ended = true;
        log(QStringLiteral("money session %1 ended by %2").arg(client->service, nickname));
        return;
    }
    money.answers[FoldNickname(nickname)] = fields[1].toInt();
    if (int(money.answers.size()) < match->Players().size())
        return;
    const int agreed = money.answers.begin()->second;
    for (const auto& answer : money.answers)
        if (answer.second != agreed) {
            log(QStringLiteral("money session %1: the limits differ, no game").arg(client->service));
            return;
        }
    money.waiting = false;
    money.answers.clear();
    money.limit = agreed;
    log(QStringLiteral("money session %1: next game at limit %2").arg(client->service).arg(agreed));
    handOut(client->service, match->StartNextGame(), QStringLiteral("."));
}

bool CDevServer::IsAwaitingContinuation(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it != m_rooms.end() && it->second.money.waiting && !it->second.money.ended;
}

int CDevServer::MoneyLimit(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? 0 : it->second.money.limit;
}



