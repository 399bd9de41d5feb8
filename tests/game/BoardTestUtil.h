#pragma once

#include "game/BackgammonBoard.h"
#include "game/RuleOptions.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace gametest {

// Checkers by the side's own view (25 bar, 1..24 points); the rest of fifteen go to the tray.
using SideSpec = std::map<int, int>;

inline QString BoardText(const SideSpec& side1, const SideSpec& side2, int onRoll, int cube = 1,
                         int owner = 0, int score1 = 0, int score2 = 0) {
    int counts[28] = {};
    int total1 = 0, total2 = 0;
    for (auto [view, n] : side1) {
        counts[CBackgammonBoard::PositionOf(1, view) + 1] += n;
        total1 += n;
    }
    for (auto [view, n] : side2) {
        EXPECT_LE(counts[CBackgammonBoard::PositionOf(2, view) + 1], 0) << "both sides on point " << view;
        counts[CBackgammonBoard::PositionOf(2, view) + 1] -= n;
        total2 += n;
    }
    counts[CBackgammonBoard::kTray1 + 1] += 15 - total1;
    counts[CBackgammonBoard::kTray2 + 1] -= 15 - total2;
    QStringList fields;
    for (int c : counts)
        fields << QString::number(c);
    fields << QString::number(cube) << QString::number(owner) << QString::number(onRoll) << "0"
           << "0" << QString::number(score1) << QString::number(score2);
    return "1.0 " + fields.join(' ');
}

// A board in a game of its own from the position: the side on roll is about to roll.
inline CBackgammonBoard GameFrom(const SideSpec& side1, const SideSpec& side2, int onRoll,
                                 CBackgammonBoard::Rules rules = {}) {
    CBackgammonBoard board;
    board.SetRules(rules);
    EXPECT_TRUE(board.ReadBoardText(BoardText(side1, side2, onRoll), 1));
    board.MarkStartPosition();
    EXPECT_EQ(board.ApplyCommand("n"), 1);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    return board;
}

// Takes every waiting log record and writes one line per record:
// column, then flags E(nds line) S(electable) G(ame start) P(osition) N(umber label), a bar, the text.
inline QString DrainLog(CBackgammonBoard& board) {
    QString out;
    while (auto record = board.PopLogRecord()) {
        QString flags;
        flags += record->endsLine ? 'E' : '-';
        flags += record->selectable ? 'S' : '-';
        flags += record->gameStart ? 'G' : '-';
        flags += record->hasPosition ? 'P' : '-';
        flags += record->numberLabel ? 'N' : '-';
        out += QString::number(record->column) + ' ' + flags + '|' + record->text + '\n';
    }
    return out;
}

// Money play of Nackgammon with Jacoby, beavers and a wager of the given stake.
inline CBGRuleOptions MoneyWager(int stake) {
    CBGRuleOptions::Values v;
    v.matchLength = 0;
    v.unlimited = true;
    v.jacoby = true;
    v.beavers = true;
    v.variant = CBackgammonBoard::kNackgammon;
    v.wager = true;
    v.stake = stake;
    v.reserve = 16000;
    return CBGRuleOptions(v);
}

} // namespace gametest
