#include "BoardTestUtil.h"

#include "game/LeagueInviteInfo.h"
#include "game/RuleOptions.h"
#include "support/PacketText.h"

namespace {

CBGRuleOptions::Values MatchTerms() {
    CBGRuleOptions::Values v;
    v.matchLength = 7;
    v.rated = true;
    v.crawford = true;
    v.cube = true;
    return v;
}

// Options with one field of their own after the base text, as proposition options have.
class ExtendedOptions : public CBGBaseRuleOptions {
public:
    int extra = 0;
    bool ParseText(const QString& text) override {
        CPacketCursor cursor(text);
        return ParseBase(cursor) && ReadPacketInt(cursor, extra);
    }
    QString FormatText() const override {
        QString out = CBGBaseRuleOptions::FormatText() + ' ';
        WritePacketInt(out, extra);
        return out;
    }
};

} // namespace

TEST(RuleOptions, TextFormRoundTrips) {
    CBGRuleOptions::Values v = MatchTerms();
    v.text = "League \"A\" \\ B";
    const CBGRuleOptions options(v);
    EXPECT_EQ(options.FormatText(), "7 0 1 0 1 0 0 0 1 0 0 0 0! : \"League \\\"A\\\" \\\\ B\"");
    EXPECT_TRUE(options.IsValid());

    bool ok = false;
    const CBGRuleOptions back = CBGRuleOptions::CBGRuleOptionsFromText(options.FormatText(), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(back.GetText(), v.text);
    EXPECT_TRUE(back.IsEqual(options));
    const CBGRuleOptions::Values out = back.GetValues();
    EXPECT_EQ(out.matchLength, 7);
    EXPECT_TRUE(out.rated);
    EXPECT_TRUE(out.crawford);
    EXPECT_FALSE(out.jacoby);

    // A money session with a wager.
    const CBGRuleOptions session = gametest::MoneyWager(1000);
    EXPECT_EQ(session.FormatText(), "0 1 0 1 0 0 1 0 1 1 1 1000 16000! : \"\"");
    EXPECT_TRUE(CBGRuleOptions::CBGRuleOptionsFromText(session.FormatText()).IsEqual(session));
}

TEST(RuleOptions, EqualityComparesNumbersOfValidOptionsOnly) {
    CBGRuleOptions::Values v = MatchTerms();
    const CBGRuleOptions a(v);
    v.text = "another text";
    EXPECT_TRUE(CBGRuleOptions(v).IsEqual(a)) << "the text part is not compared";
    v.beavers = true;
    EXPECT_FALSE(CBGRuleOptions(v).IsEqual(a));

    CBGRuleOptions::Values bad = MatchTerms();
    bad.matchLength = 30; // longer than an invited match may be
    const CBGRuleOptions invalid(bad);
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_FALSE(invalid.IsEqual(invalid)) << "invalid options equal nothing, not even themselves";
}

TEST(RuleOptions, ValidityRules) {
    const auto valid = [](auto change) {
        CBGRuleOptions::Values v = MatchTerms();
        change(v);
        return CBGRuleOptions(v).IsValid();
    };
    EXPECT_TRUE(valid([](auto&) {}));
    EXPECT_FALSE(valid([](auto& v) { v.unlimited = true; })); // unlimited with a length
    EXPECT_FALSE(valid([](auto& v) { v.matchLength = 0; }));  // length 0 not marked unlimited
    EXPECT_FALSE(valid([](auto& v) { v.variant = 3; }));      // propositions are not invited this way
    EXPECT_FALSE(valid([](auto& v) { v.variant = -1; }));
    EXPECT_FALSE(valid([](auto& v) { v.wager = true; })); // a wager without a stake
    EXPECT_FALSE(valid([](auto& v) { v.wager = true, v.stake = 500, v.reserve = 100; }));
    EXPECT_TRUE(valid([](auto& v) { v.wager = true, v.stake = 500, v.reserve = 500; }));
    EXPECT_FALSE(valid([](auto& v) { v.stake = -1; }));
    EXPECT_FALSE(valid([](auto& v) { v.reserve = 100000000; }));
    // The base allows long proposition contracts and the proposition variant.
    EXPECT_TRUE(
        CBGBaseRuleOptions(100, false, false, true, false, false, false, false, true, 3, false, 0, 0, "")
            .IsValid());
}

TEST(RuleOptions, MalformedTextsAreRefused) {
    for (const char* text : {"", "7 0 1 0 1 0 0 0 1 0 0 0 0", "7 0 1 0 1 0 0 0 1 0 0 0! : \"\"",
                             "7 0 1 0 1 0 0 0 1 0 0 0 0 0! : \"\"", "7 0 2 0 1 0 0 0 1 0 0 0 0! : \"\"",
                             "7 0 1 0 1 0 0 0 1 0 0 0 0! : \"open", "x 0 1 0 1 0 0 0 1 0 0 0 0! : \"\"",
                             "99999999999 0 1 0 1 0 0 0 1 0 0 0 0! : \"\""}) {
        bool ok = true;
        CBGRuleOptions::CBGRuleOptionsFromText(text, &ok);
        EXPECT_FALSE(ok) << text;
    }
    // The text part may be left out.
    bool ok = false;
    EXPECT_TRUE(
        CBGRuleOptions::CBGRuleOptionsFromText("3 0 0 0 1 0 0 0 1 0 0 0 0!", &ok).GetText().isEmpty());
    EXPECT_TRUE(ok);
}

TEST(RuleOptions, SubclassesReadOnAfterTheBaseText) {
    ExtendedOptions options;
    options.extra = 42;
    const QString text = options.FormatText();
    EXPECT_TRUE(text.endsWith("! : \"\" 42"));
    ExtendedOptions back;
    ASSERT_TRUE(back.ParseText(text));
    EXPECT_EQ(back.extra, 42);
}

TEST(RuleOptions, BoardPlaysByTheOptions) {
    CBGRuleOptions::Values v;
    v.matchLength = 0;
    v.unlimited = true;
    v.jacoby = true;
    v.beavers = true;
    v.autoDoubles = true;
    v.variant = 2;
    const CBGRuleOptions options(v);
    EXPECT_EQ(options.FormatMatchStartCommand(), "s 0 2 1 0 1 1 1 0");
    CBackgammonBoard board;
    ASSERT_EQ(board.ApplyCommand(options.FormatMatchStartCommand()), 1);
    EXPECT_TRUE(board.GetRules() == options.GetBoardRules());
    EXPECT_EQ(board.GetVariant(), 2);
    EXPECT_EQ(board.GetTotalCheckers(1), 3);
}

TEST(LeagueInviteInfo, ReadsFixesAndApplies) {
    const auto info =
        CBackgammonLeagueInviteInfo::FromText("301 \"cookie7\" \"Spring League\" 5 1 -1 -1 2000 ");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->GetSenderNameText(), "cookie7");
    EXPECT_EQ(info->GetRuleOptionsText(), "Spring League");
    EXPECT_TRUE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionMatchLength));
    EXPECT_TRUE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionRating));
    EXPECT_FALSE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionCube));
    EXPECT_FALSE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionVariant));
    EXPECT_TRUE(info->FixesOption(CBackgammonLeagueInviteInfo::kOptionWager));
    EXPECT_FALSE(info->FixesOption(3));

    CBGRuleOptions::Values v = MatchTerms();
    v.rated = false;
    v.variant = 1;
    CBGRuleOptions options(v);
    info->ApplyTo(options);
    EXPECT_EQ(options.GetMatchLength(), 5);
    EXPECT_TRUE(options.IsRated());
    EXPECT_EQ(options.GetVariant(), 1) << "left to the players";
    EXPECT_TRUE(options.IsWager());
    EXPECT_EQ(options.GetStake(), 2000);
    EXPECT_EQ(options.GetReserve(), 2000);
    EXPECT_TRUE(options.IsValid());

    EXPECT_EQ(info->WriteText(), "301 \"cookie7\" \"Spring League\" 5 1 -1 -1 2000 ");
    const CBackgammonLeagueInviteInfo money("c", "Money", 0, 0, 1, 0, 0);
    CBGRuleOptions afterMoney(MatchTerms());
    money.ApplyTo(afterMoney);
    EXPECT_TRUE(afterMoney.IsUnlimited());
    EXPECT_FALSE(afterMoney.IsWager());
}

TEST(LeagueInviteInfo, BadRecordsAreDropped) {
    for (const char* text : {"", "205 \"a\" \"b\" 1 1 1 1 1 ", "301 \"a\" \"b\" 1 1 1 1 ",
                             "301 a b 1 1 1 1 1", "301 \"a\" \"b\" 30 1 1 1 1 ", "301 \"a\" \"b\" 5 2 1 1 1 ",
                             "301 \"a\" \"b\" 5 1 1 3 1 ", "301 \"a\" \"b\" 5 1 1 1 -5 "})
        EXPECT_FALSE(CBackgammonLeagueInviteInfo::FromText(text)) << text;
}
