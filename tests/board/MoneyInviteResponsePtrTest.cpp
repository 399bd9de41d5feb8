#include "board/MoneyInviteResponsePtr.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CDatabaseTransaction> Response(const QString& user, const QString& code, const QString& first,
                                               const QString& second, const QString& factor,
                                               const QString& increments) {
    auto response = std::make_unique<CUserMoneyInviteResponse>();
    response->m_userName = user;
    response->m_resultCode = code;
    response->m_firstAmount = first;
    response->m_secondAmount = second;
    response->m_factor = factor;
    response->m_increments = increments;
    return response;
}

TEST(MoneyInviteResponsePtrTest, TakesOnlyResponsesForItsRoom) {
    CMoneyInviteResponsePtr ptr;
    EXPECT_FALSE(ptr.AttachIfFor(Response(".gb.a.c", "1", "100", "1000", "0.5", "0.25 0.25"), ".gb.a.b"));
    EXPECT_FALSE(ptr.IsAttached());
    EXPECT_FALSE(ptr.AttachIfFor(std::make_unique<CUserMoneyInviteRequest>(), ".gb.a.b"));
    EXPECT_FALSE(ptr.AttachIfFor(nullptr, ".gb.a.b"));
    EXPECT_TRUE(ptr.AttachIfFor(Response(".gb.a.b", "1", "100", "1000", "0.5", "0.25 0.25"), ".gb.a.b"));
    EXPECT_TRUE(ptr.IsAttached());
    ptr.Release();
    EXPECT_FALSE(ptr.IsAttached());
    int cents = 0;
    EXPECT_FALSE(ptr.GetFirstAmountCents(cents));
    EXPECT_EQ(ptr.GetResultCode(), 0);
}

TEST(MoneyInviteResponsePtrTest, ReadsFieldsAsCentsAndRefusesBadOnes) {
    struct Case {
        const char* code;
        const char* first;
        const char* second;
        const char* factor;
        int resultCode;
        bool firstOk;
        int firstCents;
        bool secondOk;
        int secondCents;
        bool scaledOk;
        int scaledCents;
    };
    const Case cases[] = {
        {"1", "100", "1000", "0.5", 1, true, 10000, true, 100000, true, 5000},
        {"7 extra", "1.15", "0.29", "3", 7, true, 115, true, 29, true, 345},
        {"", "0", "-5", "0.5", 0, false, 0, false, 0, false, 0},
        {"x", "abc", "", "0.5", 0, false, 0, false, 0, false, 0},
        // A huge factor is held at the largest amount; a zero or broken factor is no limit at all.
        {"1", "100", "1000", "1e9", 1, true, 10000, true, 100000, true, 99999999},
        {"1", "100", "1000", "0", 1, true, 10000, true, 100000, false, 0},
        {"1", "100", "1000", "nan", 1, true, 10000, true, 100000, false, 0},
    };
    for (const Case& c : cases) {
        CMoneyInviteResponsePtr ptr;
        ASSERT_TRUE(ptr.AttachIfFor(Response(".gb.a.b", c.code, c.first, c.second, c.factor, "0.25 0.25"),
                                    ".gb.a.b"));
        EXPECT_EQ(ptr.GetResultCode(), c.resultCode) << c.code;
        int cents = -1;
        EXPECT_EQ(ptr.GetFirstAmountCents(cents), c.firstOk) << c.first;
        if (c.firstOk) {
            EXPECT_EQ(cents, c.firstCents);
        }
        EXPECT_EQ(ptr.GetSecondAmountCents(cents), c.secondOk) << c.second;
        if (c.secondOk) {
            EXPECT_EQ(cents, c.secondCents);
        }
        EXPECT_EQ(ptr.GetScaledAmountCents(cents), c.scaledOk) << c.factor;
        if (c.scaledOk) {
            EXPECT_EQ(cents, c.scaledCents);
        }
    }
}

TEST(MoneyInviteResponsePtrTest, IncrementTables) {
    struct Case {
        const char* list;
        bool ok;
        std::vector<TMoneyIncrement> table;
        int threshold;
    };
    const Case cases[] = {
        {"0.25 0.25 10 1", true, {{25, 25}, {1000, 100}}, 1000},
        {"0.25 0.25 10 1 100 5", true, {{25, 25}, {1000, 100}, {10000, 500}}, 10000},
        // No pair of whole dollars: the threshold stays the default.
        {"0.25 0.25 5 0.5", true, {{25, 25}, {500, 50}}, 1000},
        {"", false, {}, 1000},
        {"0.25", false, {}, 1000},
        // A zero step would never move and must never divide.
        {"0 0", false, {}, 1000},
        {"0.25 0.25 10 0", false, {}, 1000},
        // Thresholds must ascend.
        {"10 1 0.25 0.25", false, {}, 1000},
        {"1 x", false, {}, 1000},
    };
    for (const Case& c : cases) {
        CMoneyInviteResponsePtr ptr;
        ASSERT_TRUE(ptr.AttachIfFor(Response(".gb.a.b", "1", "100", "1000", "0.5", c.list), ".gb.a.b"));
        std::vector<TMoneyIncrement> table;
        int threshold = 1000;
        EXPECT_EQ(ptr.GetIncrementTable(table, threshold), c.ok) << c.list;
        EXPECT_EQ(table, c.table) << c.list;
        EXPECT_EQ(threshold, c.threshold) << c.list;
        int first = -1;
        EXPECT_EQ(ptr.GetFirstIncrement(first), c.ok) << c.list;
        if (c.ok) {
            EXPECT_EQ(first, c.table.front().threshold);
        }
    }
}

} // namespace
