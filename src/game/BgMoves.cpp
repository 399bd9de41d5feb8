#include "game/BgMoves.h"

#include <algorithm>
#include <cstring>

int BgSide::Total() const {
    int total = 0;
    for (auto n : c)
        total += n;
    return total;
}

int BgSide::InPlay() const {
    return Total() - c[kOff];
}

bool BgSide::AllHome() const {
    for (int p = 7; p <= kBar; ++p)
        if (c[p] > 0)
            return false;
    return true;
}

namespace bgmoves {

bool CanStep(const BgSide& me, const BgSide& opp, int from, int die) {
    if (from < 1 || from > BgSide::kBar || die < 1 || die > 6 || me.c[from] <= 0)
        return false;
    if (me.c[BgSide::kBar] > 0 && from != BgSide::kBar)
        return false;
    const int to = from - die;
    if (to >= 1)
        return opp.c[25 - to] < 2;
    if (!me.AllHome())
        return false;
    if (to == 0)
        return true;
    // A die larger than the distance bears off only the checker furthest from home.
    for (int p = from + 1; p <= 6; ++p)
        if (me.c[p] > 0)
            return false;
    return true;
}

BgStep ApplyStep(BgSide& me, BgSide& opp, int from, int die) {
    BgStep step;
    step.from = static_cast<std::int8_t>(from);
    step.die = static_cast<std::int8_t>(die);
    const int to = Target(from, die);
    step.to = static_cast<std::int8_t>(to);
    --me.c[from];
    ++me.c[to];
    if (to >= 1 && opp.c[25 - to] == 1) {
        opp.c[25 - to] = 0;
        ++opp.c[BgSide::kBar];
        step.hit = true;
    }
    return step;
}

void UndoStep(BgSide& me, BgSide& opp, const BgStep& step) {
    --me.c[step.to];
    ++me.c[step.from];
    if (step.hit) {
        --opp.c[BgSide::kBar];
        opp.c[25 - step.to] = 1;
    }
}

namespace {

// The points a die may be played from, highest first; the bar alone while it holds a checker.
template <class F> void ForEachMovable(const BgSide& me, const BgSide& opp, int die, int highest, F&& f) {
    if (me.c[BgSide::kBar] > 0) {
        if (highest >= BgSide::kBar && CanStep(me, opp, BgSide::kBar, die))
            f(BgSide::kBar);
        return;
    }
    for (int from = std::min(highest, 24); from >= 1; --from)
        if (me.c[from] > 0 && CanStep(me, opp, from, die))
            if (!f(from))
                return;
}

int MaxUsable(BgSide& me, BgSide& opp, int* dice, int count, int highest) {
    if (count == 0)
        return 0;
    int best = 0;
    const bool doubles = std::all_of(dice, dice + count, [&](int d) { return d == dice[0]; });
    for (int i = 0; i < count && best < count; ++i) {
        if (i > 0 && std::find(dice, dice + i, dice[i]) != dice + i)
            continue; // this die value was already tried
        const int die = dice[i];
        std::swap(dice[i], dice[count - 1]);
        // With equal dice the order of the steps does not matter, so steps may go highest point first.
        ForEachMovable(me, opp, die, doubles ? highest : BgSide::kBar, [&](int from) {
            const BgStep step = ApplyStep(me, opp, from, die);
            best = std::max(best, 1 + MaxUsable(me, opp, dice, count - 1, doubles ? from : BgSide::kBar));
            UndoStep(me, opp, step);
            return best < count;
        });
        std::swap(dice[i], dice[count - 1]);
    }
    return best;
}

// Collects the ends of every sequence of steps, keeping only those that use the most dice.
class PlayCollector {
public:
    PlayCollector(std::vector<BgPlay>& plays) : m_plays(plays) { m_table.assign(256, 0); }

    void Walk(BgSide& me, BgSide& opp, const int* dice, int count, int used, int highest, BgPlay& current) {
        bool moved = false;
        if (used < count) {
            const int die = dice[used];
            const bool doubles = dice[0] == dice[count - 1] && count == 4;
            ForEachMovable(me, opp, die, doubles ? highest : BgSide::kBar, [&](int from) {
                moved = true;
                current.steps[current.count++] = ApplyStep(me, opp, from, die);
                Walk(me, opp, dice, count, used + 1, doubles ? from : BgSide::kBar, current);
                UndoStep(me, opp, current.steps[--current.count]);
                return true;
            });
        }
        if (!moved)
            Keep(me, opp, current);
    }

    int maxCount() const { return m_max; }

private:
    static std::uint64_t Hash(const BgSide& me, const BgSide& opp) {
        std::uint64_t h = 1469598103934665603ull;
        for (auto v : me.c)
            h = (h ^ static_cast<std::uint8_t>(v)) * 1099511628211ull;
        for (auto v : opp.c)
            h = (h ^ static_cast<std::uint8_t>(v)) * 1099511628211ull;
        return h;
    }

    void Keep(const BgSide& me, const BgSide& opp, const BgPlay& current) {
        if (current.count < m_max)
            return;
        if (current.count > m_max) {
            m_max = current.count;
            m_plays.clear();
            std::fill(m_table.begin(), m_table.end(), 0);
        }
        const std::uint64_t h = Hash(me, opp);
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t slot = h & mask;; slot = (slot + 1) & mask) {
            const std::size_t index = m_table[slot];
            if (index == 0) {
                BgPlay play = current;
                play.me = me;
                play.opp = opp;
                m_plays.push_back(play);
                m_table[slot] = m_plays.size();
                break;
            }
            const BgPlay& other = m_plays[index - 1];
            if (other.me == me && other.opp == opp)
                return;
        }
        if (m_plays.size() * 2 > m_table.size())
            Rehash();
    }

    void Rehash() {
        m_table.assign(m_table.size() * 2, 0);
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t i = 0; i < m_plays.size(); ++i) {
            std::size_t slot = Hash(m_plays[i].me, m_plays[i].opp) & mask;
            while (m_table[slot] != 0)
                slot = (slot + 1) & mask;
            m_table[slot] = i + 1;
        }
    }

    std::vector<BgPlay>& m_plays;
    std::vector<std::size_t> m_table;
    int m_max = 0;
};

} // namespace

int MaxDiceUsable(const BgSide& me, const BgSide& opp, const int* dice, int count) {
    if (count <= 0)
        return 0;
    BgSide a = me, b = opp;
    std::array<int, 4> list{};
    count = std::min(count, 4);
    std::copy(dice, dice + count, list.begin());
    return MaxUsable(a, b, list.data(), count, BgSide::kBar);
}

void GenerateLegalPlays(const BgSide& me, const BgSide& opp, int die1, int die2, std::vector<BgPlay>& plays) {
    plays.clear();
    if (die1 < 1 || die1 > 6 || die2 < 1 || die2 > 6)
        return;
    PlayCollector collector(plays);
    BgSide a = me, b = opp;
    BgPlay current;
    if (die1 == die2) {
        const int dice[4] = {die1, die1, die1, die1};
        collector.Walk(a, b, dice, 4, 0, BgSide::kBar, current);
    } else {
        // The higher die first, so that a position both dice reach is kept as a play of the higher one.
        const int order1[2] = {std::max(die1, die2), std::min(die1, die2)};
        const int order2[2] = {order1[1], order1[0]};
        collector.Walk(a, b, order1, 2, 0, BgSide::kBar, current);
        collector.Walk(a, b, order2, 2, 0, BgSide::kBar, current);
    }
    if (collector.maxCount() == 0) {
        plays.clear();
        return;
    }
    if (collector.maxCount() == 1 && die1 != die2) {
        const int higher = std::max(die1, die2);
        const bool higherPlayable = std::any_of(plays.begin(), plays.end(),
                                                [&](const BgPlay& p) { return p.steps[0].die == higher; });
        if (higherPlayable)
            plays.erase(std::remove_if(plays.begin(), plays.end(),
                                       [&](const BgPlay& p) { return p.steps[0].die != higher; }),
                        plays.end());
    }
}

} // namespace bgmoves
