#include "lobby/invite/WagerAmount.h"

#include <gtest/gtest.h>

namespace {

CWagerAmount Amount(CWagerAmount::Mode mode, int amount, int perMatch = 10000, int perPoint = 5000,
                    int funds = 100000, std::vector<TMoneyIncrement> table = {{25, 25}, {1000, 100}}) {
    CWagerAmount a(mode);
    EXPECT_TRUE(a.SetLimits(perMatch, perPoint, funds, std::move(table), 1000));
    a.SetAmount(amount);
    return a;
}

TEST(WagerAmountTest, TextForms) {
    struct Case {
        int cents;
        int threshold;
        const char* text;
    };
    const Case cases[] = {
        {2500, 1000, "25"}, {2550, 1000, "25.50"}, {999, 1000, "9.99"}, {900, 1000, "9.00"},
        {0, 1000, ""},      {-3, 1000, ""},        {1, 1000, "0.01"},   {99999999, 1000, "999999.99"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWagerAmount::FormatAmount(c.cents, c.threshold), c.text) << c.cents;

    struct Parse {
        const char* text;
        bool ok;
        int cents;
    };
    const Parse parses[] = {
        {"1.15", true, 115}, {"0.5", true, 50}, {"0", true, 0}, {"10.999", true, 1099}, {"05", false, 0},
        {"007", false, 0},   {"1e3", false, 0}, {"", false, 0}, {"-2", false, 0},       {"1000000", false, 0},
    };
    for (const Parse& p : parses) {
        int cents = -1;
        EXPECT_EQ(CWagerAmount::ParseLeavingText(QString::fromLatin1(p.text), cents), p.ok) << p.text;
        if (p.ok) {
            EXPECT_EQ(cents, p.cents) << p.text;
        }
    }
}

TEST(WagerAmountTest, StepsByTableAndByFixedStep) {
    struct Case {
        CWagerAmount::Mode mode;
        int fixedStep;
        std::vector<TMoneyIncrement> table;
        int from;
        bool up;
        int to;
    };
    const std::vector<TMoneyIncrement> table{{0, 25}, {1000, 100}};
    const Case cases[] = {
        {CWagerAmount::kStake, 0, table, 1000, true, 1100},
        {CWagerAmount::kStake, 0, table, 1000, false, 975},
        {CWagerAmount::kStake, 0, table, 990, true, 1000},
        {CWagerAmount::kStake, 0, table, 1150, false, 1100},
        // Down from the first threshold: the first pair again, never the one before it.
        {CWagerAmount::kStake, 0, table, 0, false, 0},
        {CWagerAmount::kStake, 0, {{25, 25}}, 25, false, 0},
        // Below a table that starts higher: up to its first amount.
        {CWagerAmount::kStake, 0, {{25, 25}}, 10, true, 25},
        {CWagerAmount::kStake, 0, {{25, 25}}, 10, false, 0},
        // The largest amount is a ceiling.
        {CWagerAmount::kStake, 0, {{0, 50000000}}, 99999999, true, 99999999},
        // Fixed steps on a reserve.
        {CWagerAmount::kReserve, 500, table, 1200, true, 1500},
        {CWagerAmount::kReserve, 500, table, 1200, false, 500},
        {CWagerAmount::kReserve, 500, table, 300, false, 0},
        {CWagerAmount::kReserve, 60000000, table, 60000000, true, 99999999},
        // A stake ignores a fixed step.
        {CWagerAmount::kStake, 500, table, 1200, true, 1300},
    };
    for (const Case& c : cases) {
        CWagerAmount a(c.mode);
        ASSERT_TRUE(a.SetLimits(99999999, 99999999, 99999999, c.table, 1000));
        a.SetStep(c.fixedStep);
        EXPECT_EQ(a.StepOnce(c.from, c.up), c.to) << c.from << (c.up ? " up" : " down");
    }
}

TEST(WagerAmountTest, RefusesTablesThatCannotStep) {
    CWagerAmount a(CWagerAmount::kStake);
    EXPECT_FALSE(a.SetLimits(100, 100, 100, {}, 1000));
    EXPECT_FALSE(a.SetLimits(100, 100, 100, {{0, 0}}, 1000));
    EXPECT_FALSE(a.SetLimits(100, 100, 100, {{25, 25}, {1000, -1}}, 1000));
    // The defaults remain and still step.
    EXPECT_EQ(a.GetMinimum(), 25);
    EXPECT_EQ(a.StepOnce(25, true), 50);
}

TEST(WagerAmountTest, SpinStopsAboveTheMaximum) {
    CWagerAmount stake = Amount(CWagerAmount::kStake, 9800, 10000);
    EXPECT_EQ(stake.StepBy(5), 10100); // 9900, 10000, then one past the maximum and no further
    EXPECT_EQ(stake.StepBy(-2), 9900);
    // A huge delta ends at the bottom without spinning forever.
    EXPECT_EQ(stake.StepBy(-2000000000), 0);
}

TEST(WagerAmountTest, MaximaAndFunds) {
    struct Case {
        CWagerAmount::Mode mode;
        int multiplier;
        int perMatch, perPoint, funds;
        int maximum;
    };
    const Case cases[] = {
        {CWagerAmount::kStake, 0, 10000, 5000, 100000, 10000},
        {CWagerAmount::kStake, 7, 10000, 5000, 100000, 35000},
        {CWagerAmount::kStake, 25, 10000, 5000, 100000, 100000}, // the funds are less
        // 64 bits: per point times length would overflow an int.
        {CWagerAmount::kStake, 25, 10000, 99999999, 99999999, 99999999},
        {CWagerAmount::kReserve, 25, 10000, 5000, 70000, 70000},
    };
    for (const Case& c : cases) {
        CWagerAmount a = Amount(c.mode, 0, c.perMatch, c.perPoint, c.funds);
        a.SetMultiplier(c.multiplier);
        EXPECT_EQ(a.GetMaximum(), c.maximum) << c.multiplier;
    }
}

TEST(WagerAmountTest, ProblemTextsInTheirOrder) {
    struct Case {
        const char* what;
        int funds;
        int perMatch;
        int stake;
        int reserve;
        int fixedReserve;
        int stakeMultiplier;
        const char* text;
    };
    const Case cases[] = {
        {"funds below 16 maxima", 5000, 1000, 500, 6000, -1, 0,
         "Insufficient funds: Please deposit or reduce wager."},
        {"funds of 50 maxima", 50000, 1000, 500, 60000, -1, 0, "Wager limit exceeded."},
        {"funds of 20.5 maxima", 20500, 1000, 500, 21000, -1, 0,
         "Insufficient funds: Please deposit or reduce wager."},
        {"funds of exactly 20 maxima", 20000, 1000, 500, 21000, -1, 0, "Wager limit exceeded."},
        {"stake above its maximum", 100000, 1000, 1500, 2000, -1, 0, "Wager limit exceeded."},
        {"fixed reserve", 100000, 10000, 1050, 2100, 1050, 0,
         "For a $10.50 wager, the reserve must be $10.50."},
        {"reserve below stake", 100000, 10000, 2000, 1500, -1, 0, "The limit cannot be less than the wager."},
        {"stake below minimum", 100000, 10000, 10, 1500, -1, 0, "The minimum stake is $0.25"},
        {"the stake is checked before the reserve", 100000, 10000, 10, 20, 20, 0,
         "The minimum stake is $0.25"},
        {"all well", 100000, 10000, 1000, 16000, -1, 0, ""},
    };
    for (const Case& c : cases) {
        CWagerAmount stake = Amount(CWagerAmount::kStake, c.stake, c.perMatch, c.perMatch / 2, c.funds);
        stake.SetMultiplier(c.stakeMultiplier);
        const CWagerAmount reserve =
            Amount(CWagerAmount::kReserve, c.reserve, c.perMatch, c.perMatch / 2, c.funds);
        EXPECT_EQ(GetWagerProblemText(true, stake, reserve, c.fixedReserve), c.text) << c.what;
        EXPECT_EQ(GetWagerProblemText(false, stake, reserve, c.fixedReserve), "") << c.what;
    }
    // A reserve below its minimum with a stake that is fine.
    CWagerAmount stake = Amount(CWagerAmount::kStake, 25);
    CWagerAmount reserve = Amount(CWagerAmount::kReserve, 25);
    ASSERT_TRUE(reserve.SetLimits(10000, 5000, 100000, {{50, 50}}, 1000));
    EXPECT_EQ(GetWagerProblemText(true, stake, reserve, -1), "The minimum reserve is $0.50");
}

TEST(WagerAmountTest, LoadsLimitsFromAResponse) {
    auto response = std::make_unique<CUserMoneyInviteResponse>();
    response->m_userName = ".gb.a.b";
    response->m_resultCode = "1";
    response->m_firstAmount = "100";
    response->m_secondAmount = "1000";
    response->m_factor = "0.5";
    response->m_increments = "0.25 0.25 10 1";
    CMoneyInviteResponsePtr ptr;
    ASSERT_TRUE(ptr.AttachIfFor(std::move(response), ".gb.a.b"));
    CWagerAmount stake(CWagerAmount::kStake);
    ASSERT_TRUE(stake.LoadLimits(ptr));
    EXPECT_EQ(stake.GetPerMatchMaximum(), 10000);
    EXPECT_EQ(stake.GetPerPointMaximum(), 5000);
    EXPECT_EQ(stake.GetFunds(), 100000);
    EXPECT_EQ(stake.GetMinimum(), 25);
    EXPECT_EQ(stake.GetWholeDollarThreshold(), 1000);

    // A response with a broken field leaves the limits as they were.
    auto broken = std::make_unique<CUserMoneyInviteResponse>();
    broken->m_userName = ".gb.a.b";
    broken->m_firstAmount = "500";
    broken->m_secondAmount = "x";
    CMoneyInviteResponsePtr bad;
    ASSERT_TRUE(bad.AttachIfFor(std::move(broken), ".gb.a.b"));
    EXPECT_FALSE(stake.LoadLimits(bad));
    EXPECT_EQ(stake.GetPerMatchMaximum(), 10000);
}

} // namespace
