#include "game/PropRuleOptions.h"

#include <QRegularExpression>

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

// Terms from a peer are corrected as far as they can be and refused when their position is impossible.
TEST(PropRuleOptionsTest, PeerTermsAreCorrectedOrRefused) {
    CBackgammonBoard opening;
    const QString position = opening.GetSavedBoardText(1);
    const auto text = [&](int contract, const QString& points, int control, int payee, const QString& name,
                          const QString& pos) {
        QString t = CPropRuleOptions(QString(), name, pos, contract, 29, control, payee, true, 100, 1600).FormatText();
        return t.replace("\"0.29\"", "\"" + points + "\"");
    };
    CBackgammonBoard extra = opening;
    ASSERT_TRUE(extra.RemoveChecker(6));
    const QString fourteen = extra.GetSavedBoardText(1);
    QString overfull = position;
    overfull.replace(QRegularExpression("^1\\.0 (\\S+ \\S+ \\S+ \\S+ \\S+ \\S+ \\S+) 5 "), "1.0 \\1 6 ");
    struct Case {
        QString text;
        bool accepted;
        bool corrected;
        int contract, hundredths, control, payee;
        QString name;
    };
    const Case cases[] = {
        {text(25, "0.29", 1, 0, "Ace game", position), true, false, 25, 29, 1, 0, "Ace game"},
        {text(25, "150", 0, 1, "Ace game", position), true, true, 25, 10000, 0, 1, "Ace game"},
        {text(25, "-3", 0, 1, "Ace game", position), true, true, 25, 0, 0, 1, "Ace game"},
        {text(25, "1", 7, -2, "Ace game", position), true, true, 25, 100, 0, 0, "Ace game"},
        {text(25, "1", 0, 0, "../../.bashrc", position), true, true, 25, 100, 0, 0, ".bashrc"},
        {text(25, "1", 0, 0, "C:\\Windows\\evil.bgp", position), true, true, 25, 100, 0, 0, "evil.bgp"},
        {text(25, "1", 0, 0, "dir/..", position), true, true, 25, 100, 0, 0, ""},
        {text(25, "1", 0, 0, QString(80, 'x'), position), true, true, 25, 100, 0, 0, QString(60, 'x')},
        {text(25, "1", 0, 0, "bad", fourteen), false, false, 0, 0, 0, 0, ""},
        {text(25, "1", 0, 0, "bad", overfull), false, false, 0, 0, 0, 0, ""},
        {text(25, "1", 0, 0, "bad", "2.0 whatever"), false, false, 0, 0, 0, 0, ""},
        {text(25, "nan", 0, 0, "bad", position), false, false, 0, 0, 0, 0, ""},
    };
    ASSERT_NE(overfull, position);
    for (const Case& c : cases) {
        CPropRuleOptions out;
        bool corrected = false;
        ASSERT_EQ(CPropRuleOptions::CorrectPeerText(c.text, out, &corrected), c.accepted) << c.text.toStdString();
        if (!c.accepted)
            continue;
        EXPECT_EQ(corrected, c.corrected) << c.text.toStdString();
        EXPECT_TRUE(out.IsValid());
        EXPECT_EQ(out.GetContractLength(), c.contract);
        EXPECT_EQ(out.GetTerms().considerationHundredths, c.hundredths) << c.text.toStdString();
        EXPECT_EQ(out.GetTerms().controlSide, c.control);
        EXPECT_EQ(out.GetTerms().payeeSide, c.payee);
        EXPECT_EQ(out.GetTerms().name, c.name);
        EXPECT_EQ(out.GetStake(), 100);
    }
    // A contract out of range and rules a proposition does not have are put right too.
    CPropRuleOptions out;
    bool corrected = false;
    QString rated = text(25, "1", 0, 0, "x", position);
    rated.replace(0, 2, "0 "); // an unlimited contract
    ASSERT_TRUE(CPropRuleOptions::CorrectPeerText(rated, out, &corrected)) << rated.toStdString();
    EXPECT_TRUE(corrected);
    EXPECT_EQ(out.GetContractLength(), 1);
}

} // namespace
