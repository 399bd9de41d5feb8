#include "prefs/MBListSettings.h"
#include "prefs/MatchBoardQuery.h"
#include "support/QtPrinters.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

const QString kSection = QStringLiteral("CSessionDoc");

class MatchBoardQueryTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
    void TearDown() override { testenv::ResetSettings(); }
    CSettingsStore& store() { return GetSettingsStore(); }

    static CMatchBoardQuery loaded(bool withGroups = true) {
        CMatchBoardQuery query;
        query.Load(withGroups);
        return query;
    }
};

TEST_F(MatchBoardQueryTest, EmptySettingsGiveTheServerTheDefaultQuery) {
    EXPECT_EQ(loaded().ToText(), R"("1500.000000" 125 0 32768 32768 1 1 1 1 1 1 1 1 1 1 0 0 1 1)");
    // A record that was never loaded carries the constructor's defaults, which differ.
    EXPECT_EQ(CMatchBoardQuery().ToText(), R"("1073741824.000000" 125 0 32768 32768 0 0 1 1 1 1 1 1 1 1 0 0 1 0)");
}

TEST_F(MatchBoardQueryTest, WithoutGroupsEveryGroupWordIsZeroAndNoGroupValueIsRead) {
    store().WriteBool(kSection, "bTrackAllGroups", true);
    store().WriteBool(kSection, "bTrackLeagueMembers", true);
    store().WriteInt(kSection, "nQuerySize", 60);
    EXPECT_EQ(loaded(false).ToText(), R"("1500.000000" 60 0 32768 32768 0 0 0 0 0 0 0 0 0 0 0 0 0 0)");
    EXPECT_EQ(loaded(true).ToText(), R"("1500.000000" 60 0 32768 32768 1 1 1 1 1 1 1 1 1 1 1 1 1 1)");
}

TEST_F(MatchBoardQueryTest, DamagedOrOutOfRangeValuesLoadAsUsableOnes) {
    store().WriteInt(kSection, "nQuerySize", 200);
    store().WriteInt(kSection, "nMaxQuerySize", 150);
    EXPECT_EQ(loaded().size, 150);

    store().WriteInt(kSection, "nQuerySize", 149);
    EXPECT_EQ(loaded().size, 149);

    // A server maximum below the smallest query must not leave no size at all.
    store().WriteInt(kSection, "nMaxQuerySize", 2);
    EXPECT_EQ(CMatchBoardQuery::MaxSize(), CMatchBoardQuery::kMinSize);
    EXPECT_EQ(loaded().size, CMatchBoardQuery::kMinSize);

    store().WriteInt(kSection, "nMaxQuerySize", 150);
    store().WriteInt(kSection, "nQuerySize", -7);
    EXPECT_EQ(loaded().size, CMatchBoardQuery::kMinSize);

    store().WriteInt(kSection, "eQueryOrigin", 7); // no such origin
    EXPECT_EQ(loaded().origin, 0);
}

TEST_F(MatchBoardQueryTest, SaveWritesEveryValueButTheMaximumAndLoadsBack) {
    CMatchBoardQuery query = loaded();
    query.size = 80;
    query.origin = 1;
    query.centre = 1234.5678f;
    query.statusMask = 0x8;
    query.actionMask = 0x4 | 0x2 | 0x8;
    query.friends = 0;
    query.leagueMembers = 1;
    query.clubMembers = 0;
    query.Save();

    EXPECT_EQ(store().GetString(kSection, "szQueryCentre"), "1234.567749"); // the float, as "%f" prints it
    EXPECT_EQ(store().GetIntEx(kSection, "nQuerySize", 0), 80);
    EXPECT_EQ(store().GetUInt(kSection, "unQueryAction", 0), 14u);
    EXPECT_FALSE(store().GetBool(kSection, "bAffinityList", true));
    EXPECT_EQ(store().GetIntEx(kSection, "nMaxQuerySize", -1), -1);

    const CMatchBoardQuery back = loaded();
    EXPECT_EQ(back.ToText(), query.ToText());
    EXPECT_EQ(back.ToText(), R"("1234.567749" 80 1 8 14 0 1 1 1 1 1 1 1 1 1 1 0 1 0)");
}

TEST_F(MatchBoardQueryTest, CentreTextIsReadAsACLocaleNumber) {
    CMatchBoardQuery query;
    const std::pair<QString, float> cases[] = {
        {"1500", 1500.0f},        {" 1623.25 ", 1623.25f}, {"+1700", 1700.0f}, {"1800.5 rated", 1800.5f},
        {"-12.5", -12.5f},        {"", 0.0f},              {"rating", 0.0f},   {"1500,5", 1500.0f},
        {"inf", 0.0f},            {"nan", 0.0f},           {"1e300", 0.0f},    {"\"1500\"", 0.0f},
    };
    for (const auto& [text, centre] : cases) {
        query.centre = 99.0f;
        query.SetCentreFromText(text);
        EXPECT_EQ(query.centre, centre) << text.toStdString();
    }
}

TEST_F(MatchBoardQueryTest, FloatTextIsTheSameUnderACommaLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    store().WriteString(kSection, "szQueryCentre", "1612.5");
    const CMatchBoardQuery query = loaded();
    const QString text = query.ToText();
    query.Save();
    const QString stored = store().GetString(kSection, "szQueryCentre");
    std::setlocale(LC_NUMERIC, previous.c_str());

    EXPECT_TRUE(text.startsWith(R"("1612.500000" 125 )")) << text.toStdString();
    EXPECT_EQ(stored, "1612.500000");
    EXPECT_EQ(CMatchBoardQuery::FormatFloatValue(-0.125f), "-0.125000");
    EXPECT_EQ(CMatchBoardQuery::FormatFloatValue(3.0e38f), "300000000549775575777803994281145270272.000000");
}

// ---- group colours and flyovers -----------------------------------------------------------------

const QString kColors = QStringLiteral("CMBColors");

TEST_F(MatchBoardQueryTest, GroupColoursLoadTheirDefaultsAndSaveEveryValue) {
    CMBColorSettings colors;
    EXPECT_EQ(colors.colorByGroup, 1);
    EXPECT_EQ(colors.friends, 0xF00000u);
    EXPECT_EQ(colors.self, 0xF000u);
    EXPECT_EQ(colors.unfinishedMatch, 0xF0u);
    EXPECT_EQ(colors.clubMembers, 0x8080u);
    EXPECT_EQ(colors.guides, 8u);

    colors.robots = platform::kNoColor;
    colors.clubMembers = 0x123456;
    colors.Save();
    for (const char* name : {"Color by Group", "Friends Color", "Guides Color", "Member Help Color", "Tallybank Color",
                             "Robot Color", "Self Color", "Sysops Color", "Tournament Color", "Unfinished Color",
                             "Club Members"})
        EXPECT_NE(store().GetIntEx(kColors, name, -12345), -12345) << name;
    EXPECT_EQ(store().GetIntEx(kColors, "Robot Color", 0), -1);

    const CMBColorSettings back;
    EXPECT_EQ(back.robots, platform::kNoColor);
    EXPECT_EQ(back.clubMembers, 0x123456u);
}

TEST_F(MatchBoardQueryTest, OldUniformGroupColoursGiveWayToTheGroupDefaults) {
    for (const char* name : {"Friends Color", "Guides Color", "Member Help Color", "Tallybank Color", "Robot Color",
                             "Self Color", "Sysops Color", "Tournament Color", "Unfinished Color"})
        store().WriteInt(kColors, name, 8);
    store().WriteInt(kColors, "Club Members", 8); // not part of the test
    {
        const CMBColorSettings colors;
        EXPECT_EQ(colors.friends, 0xF00000u);
        EXPECT_EQ(colors.self, 0xF000u);
        EXPECT_EQ(colors.unfinishedMatch, 0xF0u);
        EXPECT_EQ(colors.guides, 8u);
        EXPECT_EQ(colors.clubMembers, 8u);
    }
    // Only while names are coloured by group, and only when all nine are the old colour.
    store().WriteInt(kColors, "Color by Group", 0);
    EXPECT_EQ(CMBColorSettings().friends, 8u);
    store().WriteInt(kColors, "Color by Group", 1);
    store().WriteInt(kColors, "Sysops Color", 9);
    EXPECT_EQ(CMBColorSettings().self, 8u);
}

TEST_F(MatchBoardQueryTest, FlyoverSettingsRoundTrip) {
    CMBFlyoverSettings flyover;
    EXPECT_EQ(flyover.flyover, 0);
    EXPECT_EQ(flyover.delay, 50);
    flyover.flyover = 1;
    flyover.delay = 120;
    flyover.Save();
    EXPECT_TRUE(store().GetBool("CMBDetailedListOptions", "bDetailedListFlyover", false));
    const CMBFlyoverSettings back;
    EXPECT_EQ(back.flyover, 1);
    EXPECT_EQ(back.delay, 120);
}

} // namespace
