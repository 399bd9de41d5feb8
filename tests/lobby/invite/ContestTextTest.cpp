#include "lobby/invite/ContestText.h"

#include "support/PacketText.h"

#include <gtest/gtest.h>

namespace {

TEST(ContestTextTest, DescriptionsFormatAndSplitBack) {
    struct Case {
        const char *id, *name, *extra, *description, *first, *second, *line;
    } cases[] = {
        {"1f", "x", "", "d", "a", "b", "x i31 0 d:\"a\"\"b\""},
        {"1f", "x", "e", "d", "a", "b", "x i31 0 d; e:\"a\"\"b\""},
        {"", "alice", "", "5 point match", "", "", "alice i0 0 5 point match:\"\"\"\""},
        {"FF", "bob", "", "m", "say \"hi\"", "back\\slash: yes", "bob i255 0 m:\"say \\\"hi\\\"\"\"back\\\\slash: yes\""},
    };
    for (const Case& c : cases) {
        QString line;
        FormatContestDescription(line, c.id, c.name, c.extra, c.description, c.first, c.second);
        EXPECT_EQ(line, QString::fromLatin1(c.line));
        QString head, first, second;
        SplitContestDescription(line, head, first, second);
        EXPECT_EQ(first, QString::fromLatin1(c.first)) << c.line;
        EXPECT_EQ(second, QString::fromLatin1(c.second)) << c.line;
        EXPECT_FALSE(head.contains(QLatin1Char(':')));
    }
    // The older forms: no ':' at all, and plain text after it.
    QString head = "old", first = "x", second = "y";
    SplitContestDescription("no colon here", head, first, second);
    EXPECT_EQ(head, "no colon here");
    EXPECT_TRUE(first.isEmpty() && second.isEmpty());
    SplitContestDescription("x i1 0 d:plain words", head, first, second);
    EXPECT_EQ(head, "x i1 0 d");
    EXPECT_TRUE(first.isEmpty());
    EXPECT_EQ(second, "plain words");
}

TEST(ContestTextTest, RulesMapTheirNumbersAndStopWhereTheTextDoes) {
    int values[10];
    std::fill(std::begin(values), std::end(values), -7);
    QString text = "stale";
    ParseContestRules("1 2 3 4 5 6 7 8 9 10 11 12!\"terms\"", values, text);
    const int expected[10] = {1, 2, 3, 4, 5, 7, 8, 9, 11, 10};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(values[i], expected[i]) << i;
    EXPECT_EQ(text, "terms");

    std::fill(std::begin(values), std::end(values), -7);
    ParseContestRules("1 2 3", values, text);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(values[3], -7); // not reached: left as the caller set it
    ParseContestRules("1 x 3!broken", values, text);
    EXPECT_EQ(values[1], 2); // reading stopped at the x
    EXPECT_TRUE(text.isEmpty());
}

TEST(ContestTextTest, IntegerListsAndTermsReadOnlyWhatIsWhole) {
    QString out;
    FormatFourIntegers(out, 1, -2, 0, 2147483647);
    EXPECT_EQ(out, "1 -2 0 2147483647");
    int a = 9, b = 9, c = 9, d = 9;
    EXPECT_TRUE(ReadFourIntegers(out, a, b, c, d));
    EXPECT_EQ(QString("%1 %2 %3 %4").arg(a).arg(b).arg(c).arg(d), out);
    EXPECT_TRUE(ReadFourIntegers("", a, b, c, d));
    EXPECT_EQ(a + b + c + d, 0);
    EXPECT_FALSE(ReadFourIntegers("1 2 3", a, b, c, d));
    EXPECT_FALSE(ReadFourIntegers("1 2 3 99999999999", a, b, c, d));
    FormatThreeIntegers(out, 3, 0, -1);
    EXPECT_EQ(out, "3 0 -1");

    QString s1, s2, s3;
    int n = 0, f4 = 0, f5 = 0;
    double amount = 0;
    const QString whole = "\"a\" \"b\" \"c\" 4 \"2.5\" 6 7";
    CPacketCursor cursor(whole);
    ASSERT_TRUE(ReadContestTerms(cursor, s1, s2, s3, n, amount, f4, f5));
    EXPECT_EQ(s3, "c");
    EXPECT_EQ(amount, 2.5);
    EXPECT_EQ(f5, 7);
    for (const char* truncated : {"\"a\"", "\"a\" \"b\" \"c\" 4 \"2.5\" 6", "\"a\" \"b\" \"c\" 4 \"lots\" 6 7"}) {
        const QString text = QString::fromLatin1(truncated);
        CPacketCursor partial(text);
        EXPECT_FALSE(ReadContestTerms(partial, s1, s2, s3, n, amount, f4, f5)) << truncated;
    }
}

} // namespace
