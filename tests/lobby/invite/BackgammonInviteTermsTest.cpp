#include "lobby/invite/BackgammonInviteTerms.h"

#include "game/LeagueInviteInfo.h"
#include "session/ServiceName.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

using namespace bginvite;

namespace {

class BackgammonInviteTermsTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
    CSettingsStore& store() { return GetSettingsStore(); }
    const QString section = QString::fromLatin1(kSection);
};

TEST_F(BackgammonInviteTermsTest, DefaultsPerKindOfPlay) {
    const TBackgammonTerms match = LoadRememberedTerms(store(), false, {});
    EXPECT_EQ(match.matchLength, 3);
    EXPECT_FALSE(match.money);
    EXPECT_TRUE(match.rated);
    EXPECT_TRUE(match.cube);
    EXPECT_FALSE(match.beavers);
    EXPECT_EQ(match.stake, 1000);
    EXPECT_EQ(match.reserve, 1000); // a match's reserve is its stake
    EXPECT_FALSE(match.wager);

    const TBackgammonTerms money = LoadRememberedTerms(store(), true, {});
    EXPECT_EQ(money.matchLength, 0);
    EXPECT_TRUE(money.money);
    EXPECT_FALSE(money.rated);
    EXPECT_TRUE(money.beavers);
    EXPECT_FALSE(money.autoDoubles);
    EXPECT_EQ(money.stake, 1000);
    EXPECT_EQ(money.reserve, 16000);
}

TEST_F(BackgammonInviteTermsTest, RememberedTermsReloadAndAreKeptInRange) {
    struct Case {
        const char* name;
        int stored;
        bool money;
        bool guestFree;
        int length;
        int variant;
    };
    const Case cases[] = {
        {"Match Length", 40, false, true, 25, 0},    {"Match Length", -4, false, true, 1, 0},
        {"MatchLengthGuest", 5, false, false, 3, 0}, {"VariantLimited", 99, false, true, 3, 0},
        {"VariantLimited", 1, false, true, 3, 1},    {"VariantUnlimited", -1, true, true, 0, 0},
    };
    for (const Case& c : cases) {
        testenv::ResetSettings();
        store().WriteInt(section, QString::fromLatin1(c.name), c.stored);
        TRememberContext context;
        context.guestFree = c.guestFree;
        const TBackgammonTerms t = LoadRememberedTerms(store(), c.money, context);
        EXPECT_EQ(t.matchLength, c.length) << c.name << " " << c.stored;
        EXPECT_EQ(t.variant, c.variant) << c.name << " " << c.stored;
    }

    // Saved terms of both kinds come back as they were proposed.
    testenv::ResetSettings();
    TBackgammonTerms money;
    money.matchLength = 0;
    money.money = true;
    money.cube = true;
    money.autoDoubles = true;
    money.beavers = false;
    money.variant = 1;
    money.wager = true;
    money.stake = 250;
    money.reserve = 4000;
    SaveRememberedTerms(store(), money, {});
    TBackgammonTerms match;
    match.matchLength = 11;
    match.rated = false;
    match.cube = false;
    match.stake = 700;
    match.reserve = 700;
    SaveRememberedTerms(store(), match, {});
    EXPECT_FALSE(LoadRememberedKind(store()));
    EXPECT_EQ(LoadRememberedTerms(store(), true, {}), money);
    EXPECT_EQ(LoadRememberedTerms(store(), false, {}), match);
}

TEST_F(BackgammonInviteTermsTest, RobotsAndGuests) {
    const CServiceName hyper(".gb.alice.ZoRavedIvu");
    const CServiceName tutor(".gb.alice.nvTutor");
    const CServiceName xbot(".gb.Xbot.alice");
    EXPECT_TRUE(IsHyperBot(hyper));
    EXPECT_TRUE(IsTutorBot(tutor)); // parts compare without regard to case
    EXPECT_TRUE(IsRobotForMoney(xbot));
    EXPECT_FALSE(IsRobotForMoney(hyper));

    // Against the Hypergammon robot the variant is Hypergammon whatever was remembered, and it is not
    // saved.
    store().WriteInt(section, "VariantLimited", 1);
    TRememberContext context;
    context.hyperBot = true;
    TBackgammonTerms t = LoadRememberedTerms(store(), false, context);
    EXPECT_EQ(t.variant, 2);
    SaveRememberedTerms(store(), t, context);
    EXPECT_EQ(store().GetIntEx(section, "VariantLimited", -1), 1);

    // The tutor never plays rated, and that is not remembered either.
    TRememberContext tutorContext;
    tutorContext.tutorBot = true;
    t = LoadRememberedTerms(store(), false, tutorContext);
    EXPECT_FALSE(t.rated);
    SaveRememberedTerms(store(), t, tutorContext);
    EXPECT_TRUE(store().GetBool(section, "Rated", true));

    // A robot that plays for money always asks a wager; its flag is not stored.
    TRememberContext moneyRobot;
    moneyRobot.robotForMoney = true;
    t = LoadRememberedTerms(store(), true, moneyRobot);
    EXPECT_TRUE(t.wager);
    SaveRememberedTerms(store(), t, moneyRobot);
    EXPECT_FALSE(store().GetBool(section, "DoWagerUnlimited", false));

    // A guest plays short unrated matches even when a money session was remembered.
    TRememberContext guest;
    guest.guestFree = false;
    t = LoadRememberedTerms(store(), true, guest);
    EXPECT_FALSE(t.money);
    EXPECT_FALSE(t.rated);
    EXPECT_GE(t.matchLength, 1);
    EXPECT_LE(t.matchLength, 3);
}

TEST_F(BackgammonInviteTermsTest, ReceivedTermsAreCorrected) {
    struct Case {
        const char* what;
        TBackgammonTerms in;
        bool guestFree, raccoons, jacoby, crawford;
        bool changed;
        TBackgammonTerms out;
    };
    const auto terms = [](int length, bool rated, bool cube, bool autoDoubles, bool beavers,
                          int variant = 0) {
        TBackgammonTerms t;
        t.matchLength = length;
        t.money = length == 0;
        t.rated = rated;
        t.cube = cube;
        t.autoDoubles = autoDoubles;
        t.beavers = beavers;
        t.variant = variant;
        return t;
    };
    const Case cases[] = {
        {"plain match", terms(7, true, true, false, false), true, false, false, true, false,
         terms(7, true, true, false, false)},
        {"plain money session", terms(0, false, true, true, true), true, false, true, false, false,
         terms(0, false, true, true, true)},
        {"cubeless Nackgammon session with beavers", terms(0, false, false, false, true, 1), true, false,
         false, false, true, terms(0, false, false, false, false, 1)},
        {"Crawford in a money session", terms(0, false, true, false, false), true, false, true, true, true,
         terms(0, false, true, false, false)},
        {"beavers in a match", terms(5, false, true, false, true), true, false, false, true, true,
         terms(5, false, true, false, false)},
        {"raccoons", terms(5, false, true, false, false), true, true, false, true, true,
         terms(5, false, true, false, false)},
        {"rated guest match", terms(3, true, true, false, false), false, false, false, true, true,
         terms(3, false, true, false, false)},
        {"guest money session", terms(0, false, true, false, false), false, false, true, false, true,
         terms(1, false, true, false, false)},
        {"long guest match", terms(7, false, true, false, false), false, false, false, true, true,
         terms(3, false, true, false, false)},
    };
    for (const Case& c : cases) {
        TBackgammonTerms t = c.in;
        EXPECT_EQ(CorrectReceivedTerms(t, c.guestFree, c.raccoons, c.jacoby, c.crawford), c.changed)
            << c.what;
        EXPECT_EQ(t, c.out) << c.what;
    }
}

TEST_F(BackgammonInviteTermsTest, RuleOptionsOfTheTerms) {
    TBackgammonTerms t;
    t.matchLength = 7;
    t.rated = true;
    t.cube = true;
    t.wager = true;
    t.stake = 500;
    t.reserve = 500;
    CBGRuleOptions options = BuildRuleOptions(t, nullptr);
    EXPECT_TRUE(options.IsValid());
    EXPECT_TRUE(options.IsCrawford());
    EXPECT_FALSE(options.IsJacoby());
    EXPECT_EQ(options.GetText(), "");

    // A league fixes what it fixes and names itself in the text part.
    const CBackgammonLeagueInviteInfo league("Invite.gb.a.b", "Loopback", 5, 0, -1, -1, -1);
    options = BuildRuleOptions(t, &league);
    EXPECT_EQ(options.GetMatchLength(), 5);
    EXPECT_FALSE(options.IsRated());
    EXPECT_EQ(options.GetText(), "Loopback");

    // What the peer sends is only taken when it is a valid invitation's rules.
    struct Case {
        const char* text;
        bool acceptable;
    };
    const Case cases[] = {
        {"7 0 1 0 1 0 0 0 1 0 0 0 0! : \"\"", true},      {"0 1 0 1 0 0 1 0 1 2 1 500 8000! : \"\"", true},
        {"999 0 1 0 1 0 0 0 1 0 0 0 0! : \"\"", false},   {"-3 0 1 0 1 0 0 0 1 0 0 0 0! : \"\"", false},
        {"7 0 1 0 1 0 0 0 1 3 0 0 0! : \"\"", false},     {"7 0 1 0 1 0 0 0 1 99 0 0 0! : \"\"", false},
        {"0 1 0 1 0 0 1 0 1 0 1 500 100! : \"\"", false}, {"garbage", false},
    };
    for (const Case& c : cases) {
        bool parsed = false;
        const CBGRuleOptions received = CBGRuleOptions::CBGRuleOptionsFromText(c.text, &parsed);
        EXPECT_EQ(IsAcceptableRuleOptions(received, parsed), c.acceptable) << c.text;
    }
}

TEST_F(BackgammonInviteTermsTest, SentencesAndReserves) {
    struct Case {
        int length;
        bool cube, autoDoubles, beavers;
        int variant;
        const char* sentence;
    };
    const Case cases[] = {
        {0, false, false, false, 1, "This is a cubeless Nackgammon money session."},
        {5, true, false, false, 2, "This is a Hypergammon match."},
        {0, true, true, true, 1,
         "This is a Nackgammon money session with beavers and one automatic per game."},
        {5, false, false, false, 0, "The doubling cube will not be allowed in this match."},
        {0, true, true, false, 0, "This money session allows one automatic per game."},
        {0, true, false, true, 0, "This money session allows beavers."},
        {0, true, false, false, 0, ""},
        {5, true, false, false, 0, ""},
    };
    for (const Case& c : cases) {
        TBackgammonTerms t;
        t.matchLength = c.length;
        t.money = c.length == 0;
        t.cube = c.cube;
        t.autoDoubles = c.autoDoubles;
        t.beavers = c.beavers;
        t.variant = c.variant;
        EXPECT_EQ(DescribeRules(t), c.sentence);
    }

    EXPECT_EQ(ReserveForStake(1000, 5000, 0), 5000);
    EXPECT_EQ(ReserveForStake(1000, 50000, 0), 16000);
    EXPECT_EQ(ReserveForStake(1000, 500, 0), 1000);
    EXPECT_EQ(ReserveForStake(0, 50000, 1234), 1234);
    EXPECT_EQ(ReserveForStake(99999999, 99999999, 0), 99999999);

    TBackgammonTerms t;
    t.matchLength = 5;
    t.cube = true;
    t.beavers = true;
    t.autoDoubles = true;
    MakeConsistent(t);
    EXPECT_FALSE(t.money);
    EXPECT_FALSE(t.beavers);
    t.matchLength = 0;
    t.beavers = true;
    MakeConsistent(t);
    EXPECT_TRUE(t.money);
    EXPECT_TRUE(t.beavers);
}

} // namespace
