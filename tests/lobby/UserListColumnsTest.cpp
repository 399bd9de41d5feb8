#include "lobby/UserListColumns.h"
#include "lobby/UserListCtrl.h"
#include "session/LobbyUserMap.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

using namespace UserListColumn;

CClientUserInfo MakeUser(const QString& nickname) {
    CClientUserInfo user(nickname);
    user.UpdateDisplayTexts();
    return user;
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

TEST(UserListColumnsTest, TextColumnsCompareWithoutRegardToCase) {
    EXPECT_EQ(CompareNoCase(u"alice", u"ALICE"), 0);
    EXPECT_LT(CompareNoCase(u"alice", u"Bob"), 0);
    EXPECT_LT(CompareNoCase(u"Al", u"alice"), 0);
    // Letters fold to small ones, as the C library did: '_' sorts before letters.
    EXPECT_LT(CompareNoCase(u"_x", u"Ax"), 0);
    // Only ASCII letters fold.
    EXPECT_NE(CompareNoCase(u"\u00e9", u"\u00c9"), 0);

    CClientUserInfo a = MakeUser("zed");
    CClientUserInfo b = MakeUser("Amy");
    a.SetFullName("aaron Smith");
    b.SetFullName("Aaron smith");
    a.SetClub("Kings");
    b.SetClub("knights");
    a.SetEmail("x@y");
    b.SetEmail("X@Y");
    EXPECT_GT(CompareUsersByColumn(a, b, Nickname), 0);
    EXPECT_EQ(CompareUsersByColumn(a, b, FullName), 0);
    EXPECT_EQ(CompareUsersByColumn(a, b, Email), 0);
    EXPECT_LT(CompareUsersByColumn(a, b, Club), 0);
}

TEST(UserListColumnsTest, EachColumnSortsByItsOwnKey) {
    CClientUserInfo a = MakeUser("a");
    CClientUserInfo b = MakeUser("b");
    a.SetPresence(CUserInfo::kPresenceAway);
    a.SetActivity(CUserInfo::kActivityFinished);
    b.SetPresence(CUserInfo::kPresenceReady);
    b.SetActivity(CUserInfo::kActivityFinished);
    a.SetRating(1500.f);
    b.SetRating(1499.99f);
    a.SetExperience(10);
    b.SetExperience(200);
    a.SetUnfinishedMatches(3);
    b.SetUnfinishedMatches(0);
    a.SetMoneyIconId(0);
    b.SetMoneyIconId(2);
    // Icon ids compare as unsigned numbers.
    a.SetGenderIconId(-1);
    b.SetGenderIconId(5);
    a.SetCountryIconId(7);
    b.SetCountryIconId(7);
    a.SetPlayPreferences("fast");
    b.SetPlayPreferences("Slow");
    a.SetLocation(".gb.Ann.Bob");
    a.SetGameDescriptor("7 2 3");
    b.SetLocation(".mb");
    a.UpdateDisplayTexts();
    b.UpdateDisplayTexts();

    // Status by the long text: "Away" before "Finished playing, ready to play".
    EXPECT_LT(CompareUsersByColumn(a, b, Status), 0);
    EXPECT_GT(CompareUsersByColumn(a, b, Gender), 0);
    EXPECT_EQ(CompareUsersByColumn(a, b, Country), 0);
    EXPECT_GT(CompareUsersByColumn(a, b, Rating), 0);
    EXPECT_GT(CompareUsersByColumn(a, b, Spare), 0);
    EXPECT_LT(CompareUsersByColumn(a, b, Experience), 0);
    EXPECT_LT(CompareUsersByColumn(a, b, Money), 0);
    EXPECT_GT(CompareUsersByColumn(a, b, Unfinished), 0);
    EXPECT_LT(CompareUsersByColumn(a, b, PlayPreferences), 0);
    EXPECT_EQ(Sign(CompareUsersByColumn(a, b, Location)),
              Sign(CompareNoCase(a.GetLocationText(), b.GetLocationText())));
    EXPECT_EQ(Sign(CompareUsersByColumn(a, b, Score)),
              Sign(CompareNoCase(a.GetScoreText(), b.GetScoreText())));
    // Every comparison is antisymmetric.
    for (int column = 0; column < kCount; ++column)
        EXPECT_EQ(CompareUsersByColumn(a, b, column), -CompareUsersByColumn(b, a, column)) << column;
}

TEST(UserListColumnsTest, RowsMoveWhenAFieldOfTheirKeyChanges) {
    EXPECT_EQ(ResortMask(Nickname), 0u);
    EXPECT_EQ(ResortMask(Spare), 0u);
    EXPECT_EQ(ResortMask(Rating), UserField::Rating);
    EXPECT_EQ(ResortMask(Experience), UserField::Experience);
    // The status text follows activity as well as presence.
    EXPECT_TRUE(ResortMask(Status) & UserField::Activity);
    EXPECT_TRUE(ResortMask(Status) & UserField::Presence);
    // The location text turns private with the match privacy; the score with the descriptor too.
    EXPECT_EQ(ResortMask(Location), UserField::Location | UserField::MatchPrivacy);
    EXPECT_EQ(ResortMask(Score), UserField::Location | UserField::MatchPrivacy | UserField::GameDescriptor);
    EXPECT_EQ(ResortMask(Club), UserField::Club);
}

TEST(UserListColumnsTest, CellTexts) {
    CClientUserInfo user = MakeUser("ann");
    EXPECT_EQ(FormatRatingText(2.0f), "Guest");
    EXPECT_EQ(FormatRatingText(-1.0f), "Guest");
    EXPECT_EQ(FormatRatingText(2.01f), "2.01");
    EXPECT_EQ(FormatRatingText(1523.456f), "1523.46");
    // Counts the server never sent show nothing.
    EXPECT_EQ(UserCellText(user, Experience), "");
    EXPECT_EQ(UserCellText(user, Unfinished), "");
    user.SetExperience(0);
    EXPECT_EQ(UserCellText(user, Experience), "0");
    EXPECT_EQ(UserCellText(user, Status), "Ready");
    EXPECT_EQ(UserCellText(user, Gender), "");
}

TEST(UserListColumnsTest, StatusIcons) {
    CClientUserInfo user = MakeUser("ann");
    const auto icon = [&](int presence, int activity, int flags = 0) {
        user.SetPresence(presence);
        user.SetActivity(activity);
        user.SetStatusFlags(flags);
        return StatusIconId(user);
    };
    EXPECT_EQ(icon(2, 2), 416);
    EXPECT_EQ(icon(2, 2, 0x8000), 415);
    EXPECT_EQ(icon(8, 2), 414);
    EXPECT_EQ(icon(1, 2), 0);
    EXPECT_EQ(icon(2, 4), 382);
    EXPECT_EQ(icon(4, 4), 381);
    EXPECT_EQ(icon(2, 8), 418);
    EXPECT_EQ(icon(8, 128), 417);
}

TEST(WatermarkTilesTest, RowsShiftHalfAWidthLeftAndFollowTheScrolling) {
    const QSize picture(40, 20);
    const QRect area(0, 0, 200, 100);
    const std::vector<QPoint> tiles = CUserListCtrl::WatermarkTiles(area, QPoint(0, 0), picture);
    const auto has = [&](int x, int y) {
        return std::find(tiles.begin(), tiles.end(), QPoint(x, y)) != tiles.end();
    };
    // First row: every two widths from the origin.
    EXPECT_TRUE(has(0, 0));
    EXPECT_TRUE(has(80, 0));
    EXPECT_TRUE(has(160, 0));
    EXPECT_FALSE(has(40, 0));
    // 1.5 heights lower, half a width further left each row.
    EXPECT_TRUE(has(-20, 30));
    EXPECT_TRUE(has(60, 30));
    EXPECT_TRUE(has(40, 60));
    EXPECT_TRUE(has(20, 90));
    // Copies wholly left of the area are left out.
    EXPECT_FALSE(has(-40, 60));
    for (const QPoint& tile : tiles)
        EXPECT_TRUE(QRect(tile, picture).intersects(area));

    // Scrolled down by 100 pixels: the pattern moves up with the rows.
    const std::vector<QPoint> scrolled = CUserListCtrl::WatermarkTiles(area, QPoint(0, -100), picture);
    const auto scrolledHas = [&](int x, int y) {
        return std::find(scrolled.begin(), scrolled.end(), QPoint(x, y)) != scrolled.end();
    };
    // Row 4 (top 120 before scrolling) repeats row 0's places.
    EXPECT_TRUE(scrolledHas(0, 20));
    EXPECT_TRUE(scrolledHas(-20, 50));
    EXPECT_TRUE(CUserListCtrl::WatermarkTiles(area, QPoint(0, 0), QSize()).empty());
}

} // namespace

namespace {

// The keys a busy list sorts on order users exactly as the comparison of their records does, in every
// column that has one, odd ratings (not a number, infinite, guests) and equal values included.
TEST(UserSortKeyTest, KeysOrderAsTheComparisonDoes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Values {
        float rating;
        int experience, unfinished, gender, country, money;
    };
    const Values table[] = {
        {1500.f, 0, 0, 0, 0, 0},   {1500.f, 12, -1, 7, 300, 1}, {nan, 3, 2, -5, 2, 0},
        {-inf, 3, 2, 7, 0, 2},      {inf, -8, 0, 1, -1, -1},      {2.f, 100000, 9, 0, 300, 1},
        {1499.99f, 12, 9, -5, 1, 0}, {nan, 0, -1, 1, 2, 2},
    };
    std::vector<std::unique_ptr<CClientUserInfo>> users;
    for (const Values& v : table) {
        auto user = std::make_unique<CClientUserInfo>(QStringLiteral("u%1").arg(users.size()));
        user->SetRating(v.rating);
        user->SetExperience(v.experience);
        user->SetUnfinishedMatches(v.unfinished);
        user->SetGenderIconId(v.gender);
        user->SetCountryIconId(v.country);
        user->SetMoneyIconId(v.money);
        users.push_back(std::move(user));
    }
    int keyed = 0;
    for (int column = 0; column < UserListColumn::kCount; ++column) {
        if (!SortKeyByColumn(*users[0], column))
            continue;
        ++keyed;
        for (const auto& a : users)
            for (const auto& b : users) {
                const int order = CompareUsersByColumn(*a, *b, column);
                const auto keys = *SortKeyByColumn(*a, column) <=> *SortKeyByColumn(*b, column);
                const int byKeys = keys < 0 ? -1 : (keys > 0 ? 1 : 0);
                EXPECT_EQ(byKeys, order) << "column " << column << ": " << a->GetNickname().toStdString()
                                         << " against " << b->GetNickname().toStdString();
            }
    }
    EXPECT_EQ(keyed, 7) << "gender, country, rating, experience, money, unfinished, spare";
}

} // namespace
