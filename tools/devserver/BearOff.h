#pragma once

#include "game/BgMoves.h"

#include <array>
#include <unordered_map>
#include <vector>

// One-sided bear-off distributions: for a side with every checker on its home board, the chance of
// bearing the last checker off in exactly n rolls when each roll is played to bear off soonest on
// average. Two of them give the cubeless chance of the side on roll to win the race.
class CBearOffTable {
public:
    using Home = std::array<int, 6>; // checkers on home points 1..6

    // The distribution of a home board (index n: bearing off in exactly n rolls); empty for a
    // position that is not a home board of at most fifteen checkers.
    const std::vector<double>& Distribution(const Home& home);
    double ExpectedRolls(const Home& home);
    // The chance that the side on roll bears off first.
    double WinningChance(const Home& onRoll, const Home& other);
    // The home board of a side's own view, when every checker in play is at home.
    static bool HomeOf(const BgSide& side, Home& home);

private:
    static int Key(const Home& home);
    std::unordered_map<int, std::vector<double>> m_memo;
    std::unordered_map<int, double> m_expected;
};
