#include "BearOff.h"

#include <algorithm>

namespace {

const std::vector<double> kNone;

} // namespace

int CBearOffTable::Key(const Home& home) {
    int key = 0;
    for (int count : home)
        key = key * 16 + count;
    return key;
}

bool CBearOffTable::HomeOf(const BgSide& side, Home& home) {
    if (!side.AllHome())
        return false;
    for (int point = 1; point <= 6; ++point)
        home[point - 1] = side.c[point];
    return true;
}

const std::vector<double>& CBearOffTable::Distribution(const Home& home) {
    int total = 0;
    for (int count : home) {
        if (count < 0 || count > 15)
            return kNone;
        total += count;
    }
    if (total > 15)
        return kNone;
    const int key = Key(home);
    if (const auto it = m_memo.find(key); it != m_memo.end())
        return it->second;
    if (total == 0) {
        m_memo[key] = {1.0};
        m_expected[key] = 0.0;
        return m_memo[key];
    }
    BgSide me, opp;
    for (int point = 1; point <= 6; ++point)
        me.c[point] = std::int8_t(home[point - 1]);
    me.c[BgSide::kOff] = std::int8_t(15 - total);
    opp.c[BgSide::kOff] = 15;
    std::vector<double> result;
    std::vector<BgPlay> plays;
    for (int d1 = 1; d1 <= 6; ++d1) {
        for (int d2 = d1; d2 <= 6; ++d2) {
            const double weight = d1 == d2 ? 1.0 / 36 : 2.0 / 36;
            bgmoves::GenerateLegalPlays(me, opp, d1, d2, plays);
            // Every roll of a home board can be played; take the play that leaves the fewest rolls.
            Home best{};
            double bestRolls = -1;
            for (const BgPlay& play : plays) {
                Home next;
                for (int point = 1; point <= 6; ++point)
                    next[point - 1] = play.me.c[point];
                const double rolls = ExpectedRolls(next);
                if (bestRolls < 0 || rolls < bestRolls) {
                    bestRolls = rolls;
                    best = next;
                }
            }
            const std::vector<double> after = Distribution(best); // a copy: the memo may grow
            if (result.size() < after.size() + 1)
                result.resize(after.size() + 1, 0.0);
            for (std::size_t n = 0; n < after.size(); ++n)
                result[n + 1] += weight * after[n];
        }
    }
    double expected = 0;
    for (std::size_t n = 0; n < result.size(); ++n)
        expected += double(n) * result[n];
    m_expected[key] = expected;
    m_memo[key] = std::move(result);
    return m_memo[key];
}

double CBearOffTable::ExpectedRolls(const Home& home) {
    const std::vector<double>& distribution = Distribution(home);
    return distribution.empty() ? 0.0 : m_expected.at(Key(home));
}

double CBearOffTable::WinningChance(const Home& onRoll, const Home& other) {
    const std::vector<double> mine = Distribution(onRoll);
    const std::vector<double> theirs = Distribution(other);
    if (mine.empty() || theirs.empty())
        return 0.0;
    // The side on roll wins when it is off in n rolls and the other side needs n rolls or more.
    double win = 0;
    for (std::size_t n = 0; n < mine.size(); ++n) {
        double otherSlower = 0;
        for (std::size_t m = n; m < theirs.size(); ++m)
            otherSlower += theirs[m];
        win += mine[n] * otherSlower;
    }
    return std::clamp(win, 0.0, 1.0);
}
