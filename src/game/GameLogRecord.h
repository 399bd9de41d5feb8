#pragma once

#include <QString>

#include <utility>
#include <vector>

// One entry of a board's game log: a piece of match-log text with its place in the log's columns,
// and the kind of event it stands for with its numbers, so that exports can be driven from the log
// without parsing its text back.
struct CGameLogRecord {
    enum Kind {
        kMatchStart, // a: match length (0 for money play), b: variant
        kGameStart,  // a: score of side 1, b: score of side 2, c: starting side; side: starting side
        kAutoDouble, // a: cube value after the automatic doubles of the opening
        kNumber,     // a: the move number
        kRoll,       // a, b: the dice
        kPlay,       // steps: the checker paths in the mover's view (25 the bar, 0 off), cut at each hit; empty: no move
        kDouble,     // a: the cube value offered
        kBeaver,     // a: the cube value after the beaver
        kRaccoon,    // a: the cube value after the raccoon
        kTake,
        kDrop,
        kResign, // a: 1 single game, 2 gammon, 3 backgammon
        kAccept,
        kReject,
        kWin, // a: points won, b: 1 when it wins the match (not a contract of games that ends level)
    };

    QString text;
    int column = 0;           // 0 the number gutter, 1 side 1's column, 2 side 2's
    bool endsLine = false;    // the next entry of a column this one's or lower starts a new line
    bool selectable = false;  // the log's selection may rest on it
    bool gameStart = false;   // first selectable entry of a game
    bool hasPosition = false; // stands for a position that can be printed
    bool numberLabel = false; // a move number in the gutter
    bool mark = false;        // printed by default

    Kind kind = kNumber;
    int side = 0; // the side that acted (1 or 2), 0 for entries of the whole match
    int a = 0;
    int b = 0;
    int c = 0;
    std::vector<std::pair<int, int>> steps; // from, to
};
