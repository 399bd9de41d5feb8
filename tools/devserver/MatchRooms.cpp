#include "MatchRooms.h"

#include "game/MatchRecord.h"
#include "session/ServiceName.h"
#include "support/Utilities.h"

#include <QRegularExpression>

#include <algorithm>

void CMatchRooms::Register(CPacketRegistry& packets, std::function<void(const QString& service)> sessionEnded) {
    using To = CPacketRegistry::To;
    // Moves go to the referee, whatever the room holds; nobody refuses a move but the server, and no
    // move goes from one member to another.
    packets.Routed(To::Room, ServicePacket::Move, CPacketRegistry::Member(), CPacketRegistry::Text(this, &CMatchRooms::OnMatchMove));
    packets.Routed(To::Room, kMoveRefused, CPacketRegistry::Nobody(), {});
    packets.Routed(To::Member, ServicePacket::Move, CPacketRegistry::Nobody(), {});
    packets.Routed(To::Member, kMoveRefused, CPacketRegistry::Nobody(), {});
    packets.Plain(kContinueAnswer, CPacketRegistry::Member(),
                  [this, sessionEnded](Client* client, const CMessagePacket& packet) {
                      if (OnContinueSession(client, packet.GetPayload()))
                          sessionEnded(client->service);
                  });
}

void CMatchRooms::SendRoomEntered(Client* client, bool withMatch, bool history) {
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
            client->connection->SendRouted(ServicePacket::Move, QStringLiteral("."), move, QStringLiteral("&"));
    const int seat = match->Players().indexOf(client->record.GetNickname());
    if (seat >= 0)
        client->record.SetGameDescriptor(match->Descriptor(seat));
}

QString CMatchRooms::RoomRulesOf(const QString& text, QString* fault) {
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

void CMatchRooms::OfferTerms(Client* client, const QString& terms) {
    MatchRoom* room = findRoom(client->service);
    const QStringList players = CServiceName(client->service).GetPartList();
    const QString nickname = client->record.GetNickname();
    room->offers[FoldNickname(nickname)] = terms;
    const QString other = SameNickname(players.value(0), nickname) ? players.value(1) : players.value(0);
    const auto theirs = room->offers.find(FoldNickname(other));
    if (theirs == room->offers.end()) {
        // The other player has not come with his terms yet: no match until he does.
        SendRoomEntered(client, false, false);
        return;
    }
    // The terms as the room reads them: a backgammon match or a proposition that can be played.
    QString fault;
    const QString mine = RoomRulesOf(terms, &fault);
    const QString agreed = RoomRulesOf(theirs->second, fault.isEmpty() ? &fault : nullptr);
    room->offers.clear();
    if (mine.isEmpty() || agreed.isEmpty()) {
        SendRoomEntered(client, false, false);
        log(QStringLiteral("match %1 refused: %2").arg(client->service, fault));
        for (Client* player : inRoom(client->service))
            if (CServiceName(client->service).HasPart(player->record.GetNickname()))
                systemLine(player, QStringLiteral("%1 No match was started.").arg(fault));
        return;
    }
    if (mine != agreed) {
        SendRoomEntered(client, false, false);
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
        SendRoomEntered(user, true, false);
        if (user != client)
            m_directory.AnnounceSoon(user);
    }
    openPropositionGame(*room, client->service);
}

CBGRuleOptions CMatchRooms::DefaultMatchRules() {
    CBGRuleOptions::Values values;
    values.matchLength = 1;
    values.crawford = true;
    return CBGRuleOptions(values);
}

CMatchRooms::MatchRoom* CMatchRooms::findRoom(const QString& service) {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? nullptr : &it->second;
}

const CMatchReferee* CMatchRooms::FindMatch(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? nullptr : it->second.referee.get();
}

int CMatchRooms::MatchNumber(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? 0 : it->second.number;
}

void CMatchRooms::OnMatchMove(Client* client, const QString& text) {
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

void CMatchRooms::openPropositionGame(MatchRoom& room, const QString& service) {
    CMatchReferee* match = room.referee.get();
    if (match && match->Board().GetVariant() == CBackgammonBoard::kPropositions)
        handOut(service, match->StartNextGame(), QStringLiteral("."));
}

void CMatchRooms::handOut(const QString& service, const std::vector<CMatchReferee::Move>& moves,
                         const QString& sender) {
    MatchRoom* room = findRoom(service);
    const CMatchReferee* match = room ? room->referee.get() : nullptr;
    if (!match)
        return;
    // Everybody in the room takes the move from the referee, its sender too: his copy confirms it.
    const QList<Client*> present = inRoom(service);
    for (const CMatchReferee::Move& move : moves)
        for (Client* user : present)
            user->connection->SendRouted(ServicePacket::Move, move.fromServer ? QStringLiteral(".") : sender, move.text,
                                         QStringLiteral("&"));
    // The lobby shows the players' score.
    for (int seat = 0; seat < match->Players().size(); ++seat) {
        if (Client* player = findUser(match->Players()[seat])) {
            player->record.SetGameDescriptor(match->Descriptor(seat));
            m_directory.AnnounceChange(player);
        }
    }
}

void CMatchRooms::offerNextGame(MatchRoom& room, const QString& service) {
    const CMatchReferee* match = room.referee.get();
    if (!match || match->Options().GetMatchLength() != 0 || room.money.waiting || room.money.ended ||
        match->Board().GetState() != CBackgammonBoard::kStateAtRest || match->Board().IsGameInProgress() ||
        match->Board().GetLastWinner() == 0)
        return;
    MoneySession& money = room.money;
    money.waiting = true;
    money.answers.clear();
    if (money.limit <= 0 && match->Options().IsWager())
        money.limit = std::max(match->Options().GetReserve(), 0);
    sendOffer(room, service);
}

void CMatchRooms::sendOffer(const MatchRoom& room, const QString& service) {
    const CMatchReferee* match = room.referee.get();
    // Only what was agreed: a session without a wager plays for nothing, whatever its terms hold.
    const bool wager = match->Options().IsWager();
    const int stake = wager ? std::max(match->Options().GetStake(), 0) : 0;
    const int limit = wager ? room.money.limit : 0;
    log(QStringLiteral("money session %1: next game offered at %2/point, limit %3").arg(service).arg(stake).arg(limit));
    for (const QString& name : match->Players())
        if (Client* player = findUser(name); player && CServiceName(player->service).IsSameService(CServiceName(service)))
            player->connection->SendPlain(kContinueOffer, QStringLiteral("%1 %2").arg(stake).arg(limit));
}

void CMatchRooms::PlayerReturns(Client* client) {
    MatchRoom* room = findRoom(client->service);
    if (!room || !room->referee || !room->money.waiting)
        return;
    MoneySession& money = room->money;
    if (money.ended) {
        if (!SameNickname(money.endedBy, client->record.GetNickname()))
            systemLine(client, QStringLiteral("%1 has ended this session.").arg(money.endedBy));
        return;
    }
    if (!playersPresent(client->service))
        return;
    // Whatever either had answered went with the pause he left: the new offer asks both again.
    money.answers.clear();
    sendOffer(*room, client->service);
}

bool CMatchRooms::OnContinueSession(Client* client, const QString& text) {
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
        return false;
    }
    MoneySession& money = room->money;
    if (fields[0] == QLatin1String("0")) {
        money.ended = true;
        money.endedBy = nickname;
        log(QStringLiteral("money session %1 ended by %2").arg(client->service, nickname));
        return true;
    }
    money.answers[FoldNickname(nickname)] = fields[1].toInt();
    if (int(money.answers.size()) < match->Players().size())
        return false;
    const int agreed = money.answers.begin()->second;
    for (const auto& answer : money.answers)
        if (answer.second != agreed) {
            log(QStringLiteral("money session %1: the limits differ, no game").arg(client->service));
            return false;
        }
    money.waiting = false;
    money.answers.clear();
    money.limit = agreed;
    log(QStringLiteral("money session %1: next game at limit %2").arg(client->service).arg(agreed));
    handOut(client->service, match->StartNextGame(), QStringLiteral("."));
    return false;
}

bool CMatchRooms::IsAwaitingContinuation(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it != m_rooms.end() && it->second.money.waiting && !it->second.money.ended;
}

int CMatchRooms::MoneyLimit(const QString& service) const {
    const auto it = m_rooms.find(FoldNickname(CServiceName(service).GetBaseName()));
    return it == m_rooms.end() ? 0 : it->second.money.limit;
}

const CMatchReferee* CMatchRooms::PlayerLeaves(Client* client) {
    const CServiceName room(client->service);
    // Terms he came with go with him: the other player cannot start a match in his absence.
    if (MatchRoom* waiting = findRoom(client->service))
        waiting->offers.erase(FoldNickname(client->record.GetNickname()));
    // A match played to its end, or none set up yet, is not left unfinished.
    const CMatchReferee* match = FindMatch(room.GetBaseName());
    if (!match || match->Board().IsMatchOver() || !playersPresent(room.GetBaseName()))
        return nullptr;
    // Nor is a money session a player ended between two games (Play Later keeps it: a game is owed).
    if (const MatchRoom* played = findRoom(client->service); played && played->money.ended)
        return nullptr;
    return match;
}

void CMatchRooms::Open(const QString& service) {
    m_rooms.try_emplace(FoldNickname(service));
}

void CMatchRooms::Close(const QString& service) {
    m_rooms.erase(FoldNickname(CServiceName(service).GetBaseName()));
}
