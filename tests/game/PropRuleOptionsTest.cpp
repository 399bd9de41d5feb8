#include "game/PropRuleOptions.h"

#include <gtest/gtest.h>

namespace {

CPropRuleOptions Terms(int contract, int hundredths = 29, int control = 0, int payee = 1,
                       const QString& name = "Ace-point game") {
    return CPropRuleOptions(QString(), name, "1.0 position text", contract, hundredths, control, payee, false, 0, 0);
}

TEST(PropRuleOptionsTest, TextFormRoundTripsExactly) {
    for (int hundredths : {0, 29, 999, 1050, 10000}) {
        const CPropRuleOptions options = Terms(7, hundredths);
        ASSERT_TRUE(options.IsValid()) << hundredths;
        bool ok = false;
        const CPropRuleOptions back = CPropRuleOptions::FromText(options.FormatText(), &ok);
        ASSERT_TRUE(ok) << options.FormatText().toStdString();
        EXPECT_EQ(back.GetTerms().considerationHundredths, hundredths);
        EXPECT_TRUE(back.IsEqual(options));
        EXPECT_EQ(back.FormatText(), options.FormatText());
    }
    EXPECT_EQ(CPropRuleOptions::FormatConsideration(29), "0.29");
    EXPECT_EQ(CPropRuleOptions::FormatConsideration(1234), "12.34");
    EXPECT_EQ(CPropRuleOptions::FormatConsideration(10000), "100");
    EXPECT_TRUE(Terms(7).FormatText().endsWith("\"0.29\" 0 1 0"));
}

TEST(PropRuleOptionsTest, ValidityAndEquality) {
    struct Case {
        CPropRuleOptions options;
        bool valid;
    } cases[] = {
        {Terms(0), false},   {Terms(1), true},           {Terms(100), true},
        {Terms(101), false}, {Terms(5, -1), false},      {Terms(5, 10001), false},
        {Terms(5, 29, 2), false}, {Terms(5, 29, 0, -1), false},
        {Terms(5, 29, 0, 1, QString(60, 'n')), true}, {Terms(5, 29, 0, 1, QString(61, 'n')), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.options.IsValid(), c.valid) << c.options.FormatText().toStdString();
    EXPECT_FALSE(Terms(5, 29, 0, 1, "Ace point").IsEqual(Terms(5, 29, 0, 1, "ace point")));
    EXPECT_FALSE(Terms(5, 29).IsEqual(Terms(5, 30)));
}

TEST(PropRuleOptionsTest, HostileTextsAreRefused) {
    const QString good = Terms(5).FormatText();
    QString wrongRules = good;
    wrongRules.replace(0, 1, "5 0 1"); // rated
    for (const QString& text : {QString(), good.left(good.size() - 8), QString(good).replace("\"0.29\"", "\"nan\""),
                                QString(good).replace("\"0.29\"", "\"150\""), QString(good).replace("\"0.29\"", "\"-0.5\"")}) {
        bool ok = true;
        CPropRuleOptions::FromText(text, &ok);
        EXPECT_FALSE(ok) << text.toStdString();
    }
}

} // namespace
