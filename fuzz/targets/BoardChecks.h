#pragma once

#include "FuzzTarget.h"

#include "game/BackgammonBoard.h"

// What must hold of a board after anything: each side's checkers as many as it started with (by
// default the variant's set; a set-up position may have fewer), no point held by both, no negative
// counts, a known state, a side on roll and a cube that is a power of two in range.
inline void CheckBoardSound(const CBackgammonBoard& board, const QString& after, int checkers1 = 0,
                            int checkers2 = 0) {
    const int full = board.GetVariant() == CBackgammonBoard::kHypergammon ? 3 : 15;
    fuzz::Check(board.GetTotalCheckers(1) == (checkers1 ? checkers1 : full), "checkers lost or made", after);
    fuzz::Check(board.GetTotalCheckers(2) == (checkers2 ? checkers2 : full), "checkers lost or made", after);
    for (int position = 1; position <= 24; ++position)
        fuzz::Check(!(board.GetCheckers(1, position) > 0 && board.GetCheckers(2, position) > 0),
                    "a point held by both sides", after);
    for (int position = -1; position <= 26; ++position)
        fuzz::Check(board.GetCheckers(1, position) >= 0 && board.GetCheckers(2, position) >= 0,
                    "a negative checker count", after);
    const int state = board.GetState();
    fuzz::Check(state == CBackgammonBoard::kStateAtRest || state == CBackgammonBoard::kStateAwaitingRoll ||
                    state == CBackgammonBoard::kStateEdit || state == CBackgammonBoard::kStateMoving ||
                    state == CBackgammonBoard::kStateCubeOffered || state == CBackgammonBoard::kStateResignOffered,
                "an unknown state", after);
    fuzz::Check(board.GetSideOnRoll() == 1 || board.GetSideOnRoll() == 2, "no side on roll", after);
    const int cube = board.GetCubeValue();
    fuzz::Check(cube >= 1 && cube <= CBackgammonBoard::kMaxCubeValue && (cube & (cube - 1)) == 0,
                "a cube value out of range", after);
}
