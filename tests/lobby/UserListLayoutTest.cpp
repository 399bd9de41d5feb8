#include "lobby/LobbyUserListView.h"
#include "lobby/UserListLayout.h"
#include "platform/Color.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("CTestListView");

// The lobby's defaults: club behind country, sorted by rating, highest first.
CUserListLayout LobbyDefaults() {
    return CLobbyUserListView::LobbyDefaultLayout();
}

// A list whose default order ends with the club column, like the players of a game.
CUserListLayout OrderedDefaults() {
    CUserListLayout layout;
    layout.width = {100, 18, 0, 0, 60, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    layout.shown = {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    layout.alignment = {0, 0, 0, 0, 0, 2, 2, 2, 0, 0, 0, 2, 0, 2, 0};
    layout.ascending.fill(1);
    return layout;
}

bool IsPermutation(const CUserListLayout::Row& order) {
    CUserListLayout::Row sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < CUserListLayout::kColumns; ++i) {
        if (sorted[i] != i)
            return false;
    }
    return true;
}

class UserListLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }

    CSettingsStore& settings() { return GetSettingsStore(); }
    QString Stored(const QString& name) { return settings().GetString(kSection, name); }

    CUserListLayout Load(const CUserListLayout& defaults, CUserListLayoutLoad* result = nullptr) {
        CUserListLayout layout = defaults;
        const CUserListLayoutLoad loaded = LoadUserListLayout(settings(), kSection, layout, defaults);
        if (result)
            *result = loaded;
        return layout;
    }
};

TEST_F(UserListLayoutTest, DefaultLayoutIsSavedExactly) {
    SaveUserListLayout(settings(), kSection, LobbyDefaults());
    EXPECT_EQ(settings().GetIntEx(kSection, "nVersion", 0), 5);
    EXPECT_EQ(Stored("Column InformationV5"),
              "1 100 0 1 15 0 1 47 0 1 52 0 1 55 0 1 57 2 1 20 2 1 40 2 0 160 0 0 120 0 0 130 0 1 50 2 "
              "1 140 0 0 0 0 1 100 0 ");
    EXPECT_EQ(Stored("Column SortingV5"), "4 1 1 1 1 0 0 1 0 1 1 1 0 1 1 1 ");
    EXPECT_EQ(Stored("Column IndicesV5"), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");
}

TEST_F(UserListLayoutTest, FirstLoadMovesTheClubColumnOnceAndReadsBackWhatWasSaved) {
    // Nothing stored: the list's own default order, at the first login and every later one (the
    // club column used to jump from behind the country column to the end between logins).
    CUserListLayout layout = Load(OrderedDefaults());
    EXPECT_EQ(layout.IndicesText(), "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 ");
    EXPECT_EQ(settings().GetIntEx(kSection, "MoveClubColumn", 1), 0);
    for (int login = 0; login < 2; ++login)
        EXPECT_EQ(Load(LobbyDefaults()).IndicesText(), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");

    // An order stored before the club column existed gets it behind the country column, once.
    testenv::ResetSettings();
    settings().WriteString(kSection, "Column IndicesV5", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 ");
    layout = Load(OrderedDefaults());
    EXPECT_EQ(layout.IndicesText(), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");
    SaveUserListLayout(settings(), kSection, layout);

    // Later loads leave a stored order alone, including one with the club column last.
    CUserListLayout custom = LobbyDefaults();
    custom.order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    custom.width[0] = 133;
    custom.sortColumn = 12;
    custom.ascending[12] = 0;
    SaveUserListLayout(settings(), kSection, custom);
    EXPECT_EQ(Load(LobbyDefaults()), custom);
}

TEST_F(UserListLayoutTest, PlayPreferencesAreHiddenAfterEveryLoad) {
    CUserListLayout layout = LobbyDefaults();
    layout.shown[UserListColumn::PlayPreferences] = 1;
    SaveUserListLayout(settings(), kSection, layout);
    settings().WriteInt(kSection, "MoveClubColumn", 0);
    EXPECT_EQ(Load(LobbyDefaults()).shown[UserListColumn::PlayPreferences], 0);
}

TEST_F(UserListLayoutTest, AnOrderWithoutTheNicknameColumnAsksForTheDefaults) {
    settings().WriteInt(kSection, "MoveClubColumn", 0);
    settings().WriteString(kSection, "Column IndicesV5", "1 2 3 ");
    CUserListLayoutLoad result;
    const CUserListLayout layout = Load(LobbyDefaults(), &result);
    EXPECT_TRUE(result.needsDefaults);
    EXPECT_TRUE(IsPermutation(layout.order));

    // "10" does not count as naming column 0.
    settings().WriteString(kSection, "Column IndicesV5", "10 1 2 3 ");
    Load(LobbyDefaults(), &result);
    EXPECT_TRUE(result.needsDefaults);
    settings().WriteString(kSection, "Column IndicesV5", "1 0 2 3 4 5 6 7 8 9 10 11 12 13 14 ");
    Load(LobbyDefaults(), &result);
    EXPECT_FALSE(result.needsDefaults);
}

TEST_F(UserListLayoutTest, VersionFourLayoutGainsTheClubColumnBehindCountry) {
    settings().WriteInt(kSection, "nVersion", 4);
    // Fourteen columns: nickname wide, experience hidden, the order customised.
    settings().WriteString(kSection, "Column InformationV4",
                           "1 140 0 1 15 0 1 47 0 1 52 0 1 55 0 0 57 2 1 20 2 1 40 2 0 160 0 0 120 0 0 130 0 "
                           "1 50 2 1 140 0 0 0 0 ");
    settings().WriteString(kSection, "Column IndicesV4", "0 1 2 3 4 5 6 7 8 9 10 11 12 13");
    const CUserListLayout layout = Load(LobbyDefaults());
    EXPECT_EQ(layout.width[0], 140);
    EXPECT_EQ(layout.shown[UserListColumn::Experience], 0);
    // Column 14 keeps its default values.
    EXPECT_EQ(layout.shown[UserListColumn::Club], 1);
    EXPECT_EQ(layout.width[UserListColumn::Club], 100);
    EXPECT_EQ(layout.IndicesText(), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");
}

TEST_F(UserListLayoutTest, VersionFourMigrationNeverRepeatsAColumn) {
    // A default order ending with 14 kept its last place while the migration wrote 14 in front:
    // without the repair 14 would be listed twice and 13 lost.
    settings().WriteInt(kSection, "nVersion", 4);
    settings().WriteString(kSection, "Column IndicesV4", "0 1 2 3 4 5 6 7 8 9 10 11 12 13");
    const CUserListLayout layout = Load(OrderedDefaults());
    EXPECT_TRUE(IsPermutation(layout.order));
    EXPECT_EQ(layout.IndicesText(), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");

    // A customised version-4 order that began with 13.
    testenv::ResetSettings();
    settings().WriteInt(kSection, "nVersion", 4);
    settings().WriteString(kSection, "Column IndicesV4", "13 0 1 2 3 4 5 6 7 8 9 10 11 12");
    const CUserListLayout custom = Load(OrderedDefaults());
    EXPECT_TRUE(IsPermutation(custom.order));
    EXPECT_EQ(custom.order[0], 13);
    EXPECT_EQ(custom.order[4], 3);
    EXPECT_EQ(custom.order[5], 14);
}

TEST_F(UserListLayoutTest, DamagedStoredValuesAreRepaired) {
    settings().WriteInt(kSection, "MoveClubColumn", 0);
    settings().WriteString(kSection, "Column IndicesV5", "0 99 -3 0 5 5 abc 7");
    settings().WriteString(kSection, "Column SortingV5", "40 1 1 1");
    settings().WriteString(kSection, "Column InformationV5", "1 -50 7 1 2147483647 2 3 ");
    const CUserListLayout layout = Load(LobbyDefaults());
    EXPECT_TRUE(IsPermutation(layout.order));
    // The valid part of the stored order comes first, the rest in the default order.
    EXPECT_EQ(layout.order[0], 0);
    EXPECT_EQ(layout.order[1], 5);
    EXPECT_EQ(layout.sortColumn, 4);
    EXPECT_EQ(layout.width[0], 0);
    EXPECT_EQ(layout.alignment[0], UserListAlign::Left);
    EXPECT_LE(layout.width[1], 10000);
    EXPECT_EQ(layout.shown[2], 1);
}

TEST_F(UserListLayoutTest, ALayoutWithNothingShownShowsTheNickname) {
    CUserListLayout layout = LobbyDefaults();
    layout.shown.fill(0);
    EXPECT_TRUE(layout.Repair(LobbyDefaults()));
    EXPECT_EQ(layout.ShownInOrder(), std::vector<int>{0});
}

TEST(MoveClubColumnTest, PlacesColumnFourteenOnceBehindThree) {
    EXPECT_EQ(MoveClubColumn("0 1 2 3 4 5 6 7 8 9 10 11 12 13 14"), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");
    EXPECT_EQ(MoveClubColumn("3 0 14 1"), "3 14 0 1 ");
    // No column 3: after the fourth number.
    EXPECT_EQ(MoveClubColumn("0 1 2 4 5"), "0 1 2 4 14 5 ");
    // Neither: at the end.
    EXPECT_EQ(MoveClubColumn("0 1"), "0 1 14 ");
    EXPECT_EQ(MoveClubColumn(""), "14 ");
}

TEST(WatermarkColourTest, LightensDarkAndDarkensLightBackgrounds) {
    using platform::RGB;
    EXPECT_EQ(MakeWatermarkColour(RGB(255, 255, 255)), RGB(239, 239, 239));
    EXPECT_EQ(MakeWatermarkColour(RGB(0, 0, 0)), RGB(64, 64, 64));
    EXPECT_EQ(MakeWatermarkColour(RGB(80, 10, 96)), RGB(112, 74, 128));
    // Only the components above 96 change on a light background.
    EXPECT_EQ(MakeWatermarkColour(RGB(100, 50, 200)), RGB(68, 50, 184));
}

} // namespace
