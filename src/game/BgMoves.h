#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The checkers of one side counted in that side's own direction of play: index 0 holds the checkers
// borne off, 1..24 the points counted from the side's home (1 is its deepest home point), 25 its bar.
// The rules are written once against this view; the board turns it into board positions.
struct BgSide {
    static constexpr int kOff = 0;
    static constexpr int kBar = 25;

    std::array<std::int8_t, 26> c{};

    int Total() const;
    // Checkers on the points and the bar.
    int InPlay() const;
    // Whether every checker in play stands on the home points 1..6.
    bool AllHome() const;
    bool operator==(const BgSide&) const = default;
};

// One checker moved by one die. The opponent's point under `to` is 25 - to in its own view.
struct BgStep {
    std::int8_t from = 0; // 1..25
    std::int8_t to = 0;   // 0..24, 0 = borne off
    std::int8_t die = 0;
    bool hit = false;
};

struct BgPlay {
    std::array<BgStep, 4> steps{};
    int count = 0;
    BgSide me;  // the mover after the play
    BgSide opp; // the opponent after the play (hit checkers on its bar)
};

namespace bgmoves {

// Whether the checker on `from` may move `die` pips: bar first, no point held by two or more of the
// opponent's checkers, bearing off only with every checker home and, with a die larger than needed,
// only from the highest occupied point.
bool CanStep(const BgSide& me, const BgSide& opp, int from, int die);
// The point a step lands on (0 for a checker borne off).
inline int Target(int from, int die) {
    return from - die > 0 ? from - die : 0;
}
// Applies a step that CanStep allowed; a lone opposing checker on the target goes to its bar.
BgStep ApplyStep(BgSide& me, BgSide& opp, int from, int die);
void UndoStep(BgSide& me, BgSide& opp, const BgStep& step);

// The most dice (0..count) that can be played from the position with the given dice, in any order.
int MaxDiceUsable(const BgSide& me, const BgSide& opp, const int* dice, int count);

// Every distinct legal play for a roll: as many dice as possible; when only one of two different dice
// can be played, the higher one if it can; doubles play up to four times. Plays that end in the same
// position are given once. An empty list means the roll cannot be played at all.
void GenerateLegalPlays(const BgSide& me, const BgSide& opp, int die1, int die2, std::vector<BgPlay>& plays);

} // namespace bgmoves
