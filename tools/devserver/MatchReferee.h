#pragma once

#include "game/BackgammonBoard.h"
#include "game/PropRuleOptions.h"
#include "game/RuleOptions.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The server's side of one backgammon room: it holds the match, rolls every die, and lets through only
// the moves of the player whose turn it is, with the next sequence number, that the rules allow.
//
// A player asks for a roll with "r" (or "n" for the opening roll of a game) without dice; the
// referee rolls and hands the move with its dice to everybody in the room. Every other accepted move
// goes to everybody in the room as the player sent it, the player too: his copy confirms it. Moves are
// "<sequence> <command>" as in packet 217; the match start is move 1, which every client makes from
// the room's rules.
class CMatchReferee {
public:
    // Who a move is handed out from: the referee (dice), or the player who made it.
    struct Move {
        QString text;    // "<sequence> <command>"
        bool fromServer; // dice were rolled: sent by the server to everybody in the room
    };
    using DiceSource = std::function<int()>; // 1..6 each call

    CMatchReferee(const QStringList& players, const CBGRuleOptions& options, DiceSource dice = DiceSource());
    // A proposition: its games start from the agreed position (side 1 of the room plays White) with
    // its cube and side on roll; the match ends after the agreed number of games. Each game opens with
    // "n" without dice (StartNextGame; the side on roll then asks for its roll). The terms must be valid.
    CMatchReferee(const QStringList& players, const CPropRuleOptions& proposition, DiceSource dice = DiceSource());

    const QStringList& Players() const { return m_players; }
    // The base values of the match (for a proposition: its contract as match length, variant 3).
    const CBGRuleOptions& Options() const { return m_options; }
    // The terms the room's S packet names ("rules"): what every client starts the match from.
    const QString& RulesText() const { return m_rulesText; }
    const CBackgammonBoard& Board() const { return m_board; }
    // Every move after the match start, oldest first: what a newcomer to the room is sent.
    const QStringList& History() const { return m_history; }
    int MoveCount() const { return int(m_history.size()) + 1; }

    // Resignation offers one player may make in one turn (each refused one goes back to the turn). Each
    // player has his own count, and both start again whenever the turn passes: a play, a side that
    // cannot move passed after his roll, a new game.
    static constexpr int kResignOffersPerTurn = 3;

    // A move of a user of the room -> the moves to hand out (empty when refused; reason says why).
    std::vector<Move> Take(const QString& sender, const QString& text, QString* reason = nullptr);

    // Opens the next game of the match with the server's dice, as a player's "n" would -> the moves
    // to hand out (empty when no game is due). A game won as it opens is followed by the next.
    std::vector<Move> StartNextGame();

    // The lobby's game descriptor of a player: "<match length> <own score> <opponent's score>".
    QString Descriptor(int seat) const;

private:
    int Seat(const QString& nickname) const;
    int Roll();
    bool Apply(const QString& command, bool fromServer, std::vector<Move>& out);
    bool OpenGame(std::vector<Move>& out);

    QStringList m_players;
    CBGRuleOptions m_options;
    QString m_rulesText;
    DiceSource m_dice;
    CBackgammonBoard m_board;
    QStringList m_history;
    int m_resignOffers[2] = {0, 0}; // each seat's, in the current turn
};
