#include "BearOff.h"
#include "MatchReferee.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>

namespace {

CBGRuleOptions Rules(int length, bool autoDoubles = false) {
    CBGRuleOptions::Values v;
    v.matchLength = length;
    v.crawford = true;
    v.autoDoubles = autoDoubles;
    return CBGRuleOptions(v);
}

struct Referee {
    std::deque<int> dice;
    CMatchReferee match;
    explicit Referee(const CBGRuleOptions& rules = Rules(3))
        : match({"Ann", "Bob"}, rules, [this] {
              const int die = dice.empty() ? 1 : dice.front();
              if (!dice.empty())
                  dice.pop_front();
              return die;
          }) {}
    // The texts handed out, "S:" for the server's and "P:" for the player's.
    QStringList Take(const QString& sender, const QString& text, QString* reason = nullptr) {
        QStringList out;
        for (const CMatchReferee::Move& move : match.Take(sender, text, reason))
            out << (move.fromServer ? "S:" : "P:") + move.text;
        return out;
    }
};

// Whatever a user sends that is not his to send, or not allowed now, changes nothing.
TEST(MatchReferee, OnlyTheActingPlayersLegalMovesInSequencePass) {
    Referee r;
    r.dice = {5, 2};
    ASSERT_EQ(r.Take("Ann", "2 n"), QStringList{"S:2 n 5 2"});
    const QString position = r.match.Board().GetSavedBoardText(1);
    struct Case {
        const char* name;
        const char* sender;
        const char* text;
    };
    const Case refused[] = {
        {"a forged roll", "Ann", "3 r 6 6"},
        {"a forged opening roll", "Ann", "3 n 6 1"},
        {"Bob is not on roll", "Bob", "3 m 1/3 12/17"},
        {"a watcher", "Cy", "3 m 13/8 13/11"},
        {"an unknown sender", "", "3 m 13/8 13/11"},
        {"a repeated sequence number", "Ann", "2 m 13/8 13/11"},
        {"a skipped sequence number", "Ann", "4 m 13/8 13/11"},
        {"an illegal play", "Ann", "3 m 13/8 13/10"},
        {"half a play", "Ann", "3 m 13/8"},
        {"single steps stay with the player", "Ann", "3 c 13/8"},
        {"the match start", "Ann", "3 s 1 0"},
        {"a double while moving", "Ann", "3 d"},
        {"not a move", "Ann", "three m 13/8 13/11"},
        {"empty", "Ann", ""},
    };
    for (const Case& c : refused) {
        QString reason;
        EXPECT_TRUE(r.Take(c.sender, c.text, &reason).isEmpty()) << c.name;
        EXPECT_FALSE(reason.isEmpty()) << c.name;
        EXPECT_EQ(r.match.Board().GetSavedBoardText(1), position) << c.name;
        EXPECT_EQ(r.match.MoveCount(), 2) << c.name;
    }
    // The nickname is matched without regard to case; the play goes to the others as sent.
    EXPECT_EQ(r.Take("ann", "3 m 13/8 13/11"), QStringList{"P:3 m 13/8 13/11"});
    r.dice = {6, 4};
    EXPECT_TRUE(r.Take("Ann", "4 r").isEmpty()) << "Bob's roll";
    EXPECT_EQ(r.Take("Bob", "4 r"), QStringList{"S:4 r 6 4"});
    EXPECT_TRUE(r.Take("Bob", "5 r").isEmpty()) << "rolled already";
    EXPECT_EQ(r.match.History(), (QStringList{"2 n 5 2", "3 m 13/8 13/11", "4 r 6 4"}));
}

TEST(MatchReferee, OpeningRollsAreRolledAgainOnATieUnlessTheyTurnTheCube) {
    struct Case {
        bool autoDoubles;
        std::deque<int> dice;
        QStringList expected;
        int cube;
    };
    const Case cases[] = {
        {false, {3, 3, 4, 4, 2, 6}, {"S:2 n 2 6"}, 1},
        {true, {3, 3, 4, 4, 2, 6}, {"S:2 n 3 3", "S:3 n 2 6"}, 2}, // one automatic double a game
    };
    for (const Case& c : cases) {
        Referee r(Rules(0, c.autoDoubles));
        r.dice = c.dice;
        EXPECT_EQ(r.Take("Ann", "2 n"), c.expected);
        EXPECT_EQ(r.match.Board().GetSideOnRoll(), 2);
        EXPECT_EQ(r.match.Board().GetCubeValue(), c.cube);
        EXPECT_TRUE(r.Take("Bob", QStringLiteral("%1 n").arg(r.match.MoveCount() + 1)).isEmpty()) << "side 1 opens";
    }
}

TEST(MatchReferee, DescriptorsFollowTheScore) {
    Referee r(Rules(3));
    r.dice = {5, 2};
    r.Take("Ann", "2 n");
    r.Take("Ann", "3 m 13/8 13/11");
    r.Take("Bob", "4 d");
    r.Take("Ann", "5 k");
    EXPECT_EQ(r.match.Descriptor(0), "3 0 1");
    EXPECT_EQ(r.match.Descriptor(1), "3 1 0");
    EXPECT_EQ(r.match.Descriptor(2), "");
}

TEST(BearOffTable, ChancesOfKnownRaces) {
    CBearOffTable table;
    struct Case {
        const char* name;
        CBearOffTable::Home onRoll, other;
        double chance;
    };
    const Case cases[] = {
        {"any roll bears the last checker off", {1, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, 1.0},
        {"two on the ace point", {2, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 2}, 1.0},
        // Two on the six point come off at once only with double 3s to 6s; else the other side wins.
        {"two on the six point", {0, 0, 0, 0, 0, 2}, {1, 0, 0, 0, 0, 0}, 4.0 / 36},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(table.WinningChance(c.onRoll, c.other), c.chance, 1e-12) << c.name;

    // One checker on the six point each: the roller wins at once or when the other side misses too.
    const std::vector<double> six = table.Distribution({0, 0, 0, 0, 0, 1});
    ASSERT_GE(six.size(), 3u);
    EXPECT_NEAR(six[1], 27.0 / 36, 1e-12) << "misses: 2-1, 3-1, 4-1, 3-2 (two ways each) and 1-1";
    const double p1 = six[1];
    EXPECT_NEAR(table.WinningChance({0, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}), p1 + (1 - p1) * (1 - p1), 1e-12);

    // Distributions add up to one; more checkers take longer.
    const std::vector<double> full = table.Distribution({3, 3, 3, 2, 2, 2});
    EXPECT_NEAR(std::accumulate(full.begin(), full.end(), 0.0), 1.0, 1e-9);
    EXPECT_GT(table.ExpectedRolls({3, 3, 3, 2, 2, 2}), table.ExpectedRolls({3, 3, 3, 2, 2, 1}));
    // Not home boards of at most fifteen checkers.
    EXPECT_TRUE(table.Distribution({16, 0, 0, 0, 0, 0}).empty());
    EXPECT_TRUE(table.Distribution({-1, 0, 0, 0, 0, 0}).empty());
    EXPECT_TRUE(table.Distribution({5, 5, 5, 1, 0, 0}).empty());
    EXPECT_EQ(table.WinningChance({16, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}), 0.0);
}

} // namespace

// An endless offer-and-refuse loop would grow the match's history for ever: a player has a few
// offers a turn, and his play gives him new ones.
TEST(MatchReferee, ResignationOffersAreLimitedPerTurn) {
    Referee r;
    r.dice = {5, 2, 6, 4};
    ASSERT_EQ(r.Take("Ann", "2 n"), QStringList{"S:2 n 5 2"});
    int sequence = 3;
    const auto take = [&](const char* sender, const QString& command, QString* reason = nullptr) {
        const QStringList out = r.Take(sender, QStringLiteral("%1 %2").arg(sequence).arg(command), reason);
        if (!out.isEmpty())
            ++sequence;
        return !out.isEmpty();
    };
    for (int offer = 1; offer <= CMatchReferee::kResignOffersPerTurn; ++offer) {
        ASSERT_TRUE(take("Ann", QStringLiteral("x %1").arg(offer % 3 + 1))) << offer;
        ASSERT_TRUE(take("Bob", "u")) << offer;
    }
    QString reason;
    EXPECT_FALSE(take("Ann", "x 1", &reason));
    EXPECT_EQ(reason, "no more resignation offers this turn");
    const int historySize = int(r.match.History().size());
    EXPECT_FALSE(take("Ann", "x 3"));
    EXPECT_EQ(r.match.History().size(), historySize);
    // The play ends the turn: the next one has its own offers, and an offer may still be taken.
    ASSERT_TRUE(take("Ann", "m 13/8 13/11"));
    ASSERT_TRUE(take("Bob", "r"));
    ASSERT_TRUE(take("Bob", "x 1"));
    ASSERT_TRUE(take("Ann", "y"));
    EXPECT_EQ(r.match.Board().GetScore(1), 1);
}
