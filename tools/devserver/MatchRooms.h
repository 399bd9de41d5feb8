#pragma once

#include "DevServerCore.h"
#include "Directory.h"
#include "MatchReferee.h"
#include "PacketRegistry.h"

#include <map>
#include <memory>

// The matches of the development server's backgammon rooms: for each room, the terms its players
// entered with, its current match and the match's referee, and its money session. A match is set up
// once both players came with the same terms (a backgammon match, or a proposition whose games open
// by themselves) and everybody in the room gets its "S" packet; every move (routed 217 to the room)
// goes to the referee, which hands it to everybody in the room or refuses it (218 to its sender);
// between two games of a money session it offers the next (37), again to both when a player comes
// back to the room, and takes the players' answers (36).
class CMatchRooms : public CDevServerPart {
public:
    // The room's setting that names its current match; a new number means a new match.
    static constexpr char kMatchSetting[] = "match";
    // Plain packets of a money session: the server's offer and a player's answer.
    static constexpr int kContinueAnswer = ServicePacket::ContinueAnswer;
    static constexpr int kContinueOffer = ServicePacket::ContinueOffer;
    // Routed from "." to a player whose move the referee refused: "<sequence> <reason>".
    static constexpr int kMoveRefused = ServicePacket::MoveRefused;

    CMatchRooms(CDevServerCore& core, CDirectory& directory) : CDevServerPart(core), m_directory(directory) {}
    // The packets it answers; sessionEnded hears of a money session a player ended (with his room).
    void Register(CPacketRegistry& packets, std::function<void(const QString& service)> sessionEnded);

    // The rules of a room whose transfer names none: a one-point match.
    static CBGRuleOptions DefaultMatchRules();
    // The rules a room starts a match from for the terms a player came with: the default match for
    // none, a backgammon match, or a proposition whose position can be played to a game's end. Empty,
    // with the reason in *fault, for terms that start nothing.
    static QString RoomRulesOf(const QString& terms, QString* fault = nullptr);
    // The referee of a backgammon room's current match, null when there is none (yet).
    const CMatchReferee* FindMatch(const QString& service) const;
    // The number of the room's current match (1 for the first), 0 when none was set up yet.
    int MatchNumber(const QString& service) const;
    // The state of a room's money session: waiting for the players' answers, and the limit.
    bool IsAwaitingContinuation(const QString& service) const;
    int MoneyLimit(const QString& service) const;
    int Count() const { return int(m_rooms.size()); }

    // A backgammon room is kept from its first entry until Close.
    void Open(const QString& service);
    void Close(const QString& service);
    // A player entered his room with the terms of a new match; once both players have entered with
    // the same terms the match is set up and everybody in the room is told.
    void OfferTerms(Client* client, const QString& terms);
    // The room's "S" packet for a client: the rules and number of its current match, when it has one
    // and withMatch is set, then (with history) the moves so far.
    void SendRoomEntered(Client* client, bool withMatch, bool history);
    // A player leaves his room and the terms he came with go with him -> the match he leaves
    // unfinished; null when there is none (none set up, played to its end, not all its players there,
    // or a money session a player ended between two games).
    const CMatchReferee* PlayerLeaves(Client* client);
    // Routed 217 to the room: a move for the referee.
    void OnMatchMove(Client* client, const QString& text);
    // Packet 36 of a player of a money session -> true when it ended the session.
    bool OnContinueSession(Client* client, const QString& text);
    // A player came back to his room without new terms (a resume, a rejoin). A money session that
    // waits between two games offers its next game again once both players are there, asking both
    // afresh; one that a player ended tells him who did, and offers nothing.
    void PlayerReturns(Client* client);

private:
    // Between two games of a money session (a match without length) both players must agree to go on
    // and on the limit of the next game: the server offers "<stake> <limit>" (37) and each player
    // answers "<flag> <limit> <limit>" (36); the next game starts when both answered 1 with the same
    // limit, and a 0 ends the session. A session agreed without a wager is offered at "0 0".
    struct MoneySession {
        bool waiting = false; // a game ended and the next is not agreed yet
        bool ended = false;
        QString endedBy;
        int limit = 0;                // cents, the limit of the games
        std::map<QString, int> answers; // by folded nickname: the limit he agreed to
    };
    // A backgammon room: its current match and the terms its players entered with for the next.
    struct MatchRoom {
        std::unique_ptr<CMatchReferee> referee;
        int number = 0;
        std::map<QString, QString> offers; // by folded nickname: the terms of his transfer
        MoneySession money;
    };
    // After a move: a game of a money session that just ended makes the server offer the next.
    void offerNextGame(MatchRoom& room, const QString& service);
    // The offer (37) to each player of the room who is in it.
    void sendOffer(const MatchRoom& room, const QString& service);
    // A proposition's games open by themselves, each from the agreed position with its side on roll.
    void openPropositionGame(MatchRoom& room, const QString& service);
    // Hands moves of the referee to everybody in the room.
    void handOut(const QString& service, const std::vector<CMatchReferee::Move>& moves, const QString& sender);
    MatchRoom* findRoom(const QString& service);

    CDirectory& m_directory;
    std::map<QString, MatchRoom> m_rooms; // by folded room name
};
