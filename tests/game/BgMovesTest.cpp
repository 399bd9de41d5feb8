#include "game/BgMoves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

BgSide Opening() {
    BgSide s;
    s.c[24] = 2;
    s.c[13] = 5;
    s.c[8] = 3;
    s.c[6] = 5;
    return s;
}

using Key = std::pair<std::array<std::int8_t, 26>, std::array<std::int8_t, 26>>;

// The plain definition of a legal play, with no pruning: every order of every die, keep the ends that
// use the most dice; with one of two different dice playable, the higher when it can be.
struct Naive {
    std::set<Key> ends;
    std::set<Key> endsWithHigherFirst;
    int best = 0;
    int higher = 0;

    void Walk(BgSide me, BgSide opp, std::vector<int> dice, int used, int firstDie) {
        bool moved = false;
        for (std::size_t i = 0; i < dice.size(); ++i) {
            for (int from = 1; from <= 25; ++from) {
                if (!bgmoves::CanStep(me, opp, from, dice[i]))
                    continue;
                moved = true;
                BgSide a = me, b = opp;
                bgmoves::ApplyStep(a, b, from, dice[i]);
                std::vector<int> rest = dice;
                rest.erase(rest.begin() + i);
                Walk(a, b, rest, used + 1, used == 0 ? dice[i] : firstDie);
            }
        }
        if (moved)
            return;
        if (used > best) {
            best = used;
            ends.clear();
            endsWithHigherFirst.clear();
        }
        if (used == best) {
            ends.insert({me.c, opp.c});
            if (firstDie == higher)
                endsWithHigherFirst.insert({me.c, opp.c});
        }
    }

    std::set<Key> Legal(const BgSide& me, const BgSide& opp, int d1, int d2) {
        higher = std::max(d1, d2);
        Walk(me, opp, d1 == d2 ? std::vector<int>(4, d1) : std::vector<int>{d1, d2}, 0, 0);
        if (best == 0)
            return {};
        if (best == 1 && d1 != d2 && !endsWithHigherFirst.empty())
            return endsWithHigherFirst;
        return ends;
    }
};

std::set<Key> Fast(const BgSide& me, const BgSide& opp, int d1, int d2, int* count = nullptr) {
    std::vector<BgPlay> plays;
    bgmoves::GenerateLegalPlays(me, opp, d1, d2, plays);
    std::set<Key> keys;
    for (const BgPlay& play : plays)
        keys.insert({play.me.c, play.opp.c});
    if (count)
        *count = static_cast<int>(plays.size());
    return keys;
}

} // namespace

TEST(BgMoves, StepRules) {
    BgSide me, opp;
    me.c[8] = 1;
    opp.c[25 - 3] = 2; // the opponent holds my 3 point
    opp.c[25 - 5] = 1; // and has a blot on my 5 point
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 8, 5)) << "a point held by two opposing checkers is closed";
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 8, 3));
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 7, 1)) << "no checker there";

    BgStep hit = bgmoves::ApplyStep(me, opp, 8, 3);
    EXPECT_TRUE(hit.hit);
    EXPECT_EQ(opp.c[BgSide::kBar], 1);
    EXPECT_EQ(opp.c[20], 0);
    bgmoves::UndoStep(me, opp, hit);
    EXPECT_EQ(opp.c[20], 1);
    EXPECT_EQ(opp.c[BgSide::kBar], 0);
    EXPECT_EQ(me.c[8], 1);

    // A checker on the bar must come in before anything else moves.
    me.c[BgSide::kBar] = 1;
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 8, 1));
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 25, 1));
    opp.c[25 - 24] = 2;
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 25, 1)) << "entry on a closed point";
}

TEST(BgMoves, BearingOff) {
    BgSide me, opp;
    me.c[5] = 1;
    me.c[3] = 2;
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 5, 5)) << "exact";
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 5, 6)) << "larger die from the highest point";
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 3, 6)) << "larger die while a higher point is occupied";
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 3, 3));
    me.c[7] = 1;
    EXPECT_FALSE(bgmoves::CanStep(me, opp, 3, 3)) << "not every checker is home";
    EXPECT_TRUE(bgmoves::CanStep(me, opp, 7, 2));
}

TEST(BgMoves, OpeningRollsAndDistinctPlays) {
    const BgSide me = Opening(), opp = Opening();
    std::vector<BgPlay> plays;
    bgmoves::GenerateLegalPlays(me, opp, 3, 1, plays);
    ASSERT_FALSE(plays.empty());
    for (const BgPlay& play : plays) {
        EXPECT_EQ(play.count, 2);
        EXPECT_EQ(play.me.Total(), 15);
    }
    // Every end position once.
    std::set<Key> keys;
    for (const BgPlay& play : plays)
        EXPECT_TRUE(keys.insert({play.me.c, play.opp.c}).second);
    // The usual 8/5 6/5 is among them.
    BgSide pointed = me;
    pointed.c[8] = 2;
    pointed.c[6] = 4;
    pointed.c[5] = 2;
    EXPECT_TRUE(keys.count({pointed.c, opp.c}));
}

TEST(BgMoves, HigherDieWhenOnlyOneCanBePlayed) {
    // My only checker on 8 and the opponent holding points so that after either die the other is blocked:
    // 6-5 from the 8: 8/2 leaves 2/-3 needing a bear-off (not all home: it is home), so block it fully.
    BgSide me, opp;
    me.c[24] = 1;
    opp.c[25 - 13] = 2; // blocks 24/13 (6+5)
    opp.c[25 - 18] = 2; // blocks 24/18 (6)
    // Only 24/19 (5) is possible, then 19/13 is blocked: one die, and it is the lower one.
    std::vector<BgPlay> plays;
    bgmoves::GenerateLegalPlays(me, opp, 6, 5, plays);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].count, 1);
    EXPECT_EQ(plays[0].steps[0].die, 5);

    // Now both single dice are possible but not both together: the higher must be played.
    opp.c[25 - 18] = 0;
    opp.c[25 - 8] = 2; // after 24/18, 18/13 blocked; after 24/19, 19/13 blocked
    opp.c[25 - 7] = 0;
    bgmoves::GenerateLegalPlays(me, opp, 6, 5, plays);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].steps[0].die, 6);
    EXPECT_EQ(plays[0].me.c[18], 1);
}

TEST(BgMoves, DoublesPlayUpToFour) {
    BgSide me, opp;
    me.c[13] = 2;
    std::vector<BgPlay> plays;
    bgmoves::GenerateLegalPlays(me, opp, 3, 3, plays);
    ASSERT_FALSE(plays.empty());
    EXPECT_EQ(plays[0].count, 4);
    // 13/10 only: 10/7 is closed.
    opp.c[25 - 7] = 2;
    bgmoves::GenerateLegalPlays(me, opp, 3, 3, plays);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].count, 2);
    EXPECT_EQ(plays[0].me.c[10], 2);
}

TEST(BgMoves, MatchesThePlainDefinitionOnPlayedOutPositions) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> die(1, 6);
    int positions = 0;
    int compared = 0;
    while (positions < 60) {
        BgSide sides[2] = {Opening(), Opening()};
        int onRoll = 0;
        for (int turn = 0; turn < 200 && sides[0].InPlay() > 0 && sides[1].InPlay() > 0; ++turn) {
            BgSide& me = sides[onRoll];
            BgSide& opp = sides[1 - onRoll];
            if (turn % 7 == 3) {
                ++positions;
                for (int d1 = 1; d1 <= 6; ++d1)
                    for (int d2 = d1; d2 <= 6; ++d2) {
                        Naive naive;
                        const std::set<Key> expected = naive.Legal(me, opp, d1, d2);
                        const std::set<Key> actual = Fast(me, opp, d1, d2);
                        ASSERT_EQ(actual, expected) << "roll " << d1 << d2 << " turn " << turn;
                        const int dice[4] = {d1, d2, d1, d2};
                        EXPECT_EQ(bgmoves::MaxDiceUsable(me, opp, dice, d1 == d2 ? 4 : 2), naive.best);
                        ++compared;
                    }
            }
            std::vector<BgPlay> plays;
            bgmoves::GenerateLegalPlays(me, opp, die(random), die(random), plays);
            if (!plays.empty()) {
                const BgPlay& play = plays[random() % plays.size()];
                me = play.me;
                opp = play.opp;
            }
            onRoll = 1 - onRoll;
        }
    }
    EXPECT_GT(compared, 1000);
}
