#include "support/Cents.h"

#include <gtest/gtest.h>

namespace {

TEST(CentsTest, DecimalTextsBecomeExactCents) {
    struct Case {
        const char* text;
        bool ok;
        int halfUp;
        int truncated;
    };
    const Case cases[] = {
        // Values a binary double would get wrong by a cent.
        {"1.15", true, 115, 115},
        {"0.29", true, 29, 29},
        {"19.99", true, 1999, 1999},
        {"12", true, 1200, 1200},
        {"12.5", true, 1250, 1250},
        {".75", true, 75, 75},
        {"3.", true, 300, 300},
        {" 7.05 ", true, 705, 705},
        // A third decimal rounds or is dropped.
        {"1.155", true, 116, 115},
        {"1.154", true, 115, 115},
        {"0.009", true, 1, 0},
        // The largest amount, and one cent more.
        {"999999.99", true, 99999999, 99999999},
        {"999999.995", false, 0, 99999999},
        {"1000000", false, 0, 0},
        {"99999999999999999999", false, 0, 0},
        // Not plain decimal numbers.
        {"", false, 0, 0},
        {".", false, 0, 0},
        {"-1", false, 0, 0},
        {"+1", false, 0, 0},
        {"1e3", false, 0, 0},
        {"1.2.3", false, 0, 0},
        {"1 2", false, 0, 0},
        {"abc", false, 0, 0},
    };
    for (const Case& c : cases) {
        int halfUp = -1;
        EXPECT_EQ(ParseDollarsToCents(QString::fromLatin1(c.text), halfUp), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(halfUp, c.halfUp) << c.text;
        }
        int truncated = -1;
        const bool truncOk =
            ParseDollarsToCents(QString::fromLatin1(c.text), truncated, CentsRounding::Truncate);
        if (truncOk) {
            EXPECT_EQ(truncated, c.truncated) << c.text;
        }
    }
}

TEST(CentsTest, ClampAndDollarText) {
    EXPECT_EQ(ClampCents(-5), 0);
    EXPECT_EQ(ClampCents(qint64(kMaxCents) * 25), kMaxCents);
    EXPECT_EQ(FormatCentsAsDollars(1050), "10.50");
    EXPECT_EQ(FormatCentsAsDollars(5), "0.05");
    EXPECT_EQ(FormatCentsAsDollars(-250), "-2.50");
}

} // namespace
