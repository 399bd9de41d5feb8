#include "session/UserInfo.h"
#include "support/PacketText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

// A full record as the server writes it: presence, activity, rating, experience, location and club.
const QString kBob = QStringLiteral("\"bob\" 2 16777247 2 8 \"1612.5\" 40 \".gb.bob.carol\" \"Pub\"\n");

TEST(UserInfo, ReadUpdateSetsOnlyTheBitsOfFieldsThatChanged) {
    CUserInfo user;
    CPacketCursor cursor(kBob);
    ASSERT_TRUE(user.ReadUpdate(cursor));
    EXPECT_EQ(cursor.pos(), kBob.size()); // past the line feed
    EXPECT_EQ(user.GetNickname(), "bob");
    EXPECT_EQ(user.GetGroupFlags(), 2);
    EXPECT_EQ(user.GetPresence(), 2);
    EXPECT_EQ(user.GetActivity(), 8);
    EXPECT_FLOAT_EQ(user.GetRating(), 1612.5f);
    EXPECT_EQ(user.GetExperience(), 40);
    EXPECT_EQ(user.GetLocation(), ".gb.bob.carol");
    EXPECT_EQ(user.GetClub(), "Pub");
    // Presence 2 is the default: its bit stays clear.
    EXPECT_EQ(user.GetChangeMask(), UserField::Activity | UserField::Rating | UserField::Experience |
                                        UserField::Location | UserField::Club);

    user.ClearChangeMask();
    CPacketCursor again(kBob);
    EXPECT_FALSE(user.ApplyUpdateText(again)); // nothing differs
    EXPECT_EQ(user.GetChangeMask(), 0u);
}

TEST(UserInfo, RecordCutShortChangesNothing) {
    const QString texts[] = {
        QStringLiteral("\"bob\" 0 3 8\n\"carol\" 0 0\n"), // activity missing: the line ends first
        QStringLiteral("\"bob\" 0 3 8"),                  // the text ends
        QStringLiteral("\"bob\" 0"),                      // no mask
        QStringLiteral("\"\" 0 0\n"),                     // no nickname
        QStringLiteral("\"bob\" 0 16 x\n"),               // a location that is no quoted text
        QStringLiteral("\"bob\" 0 1 99999999999\n"),      // an integer that does not fit
    };
    for (const QString& text : texts) {
        CUserInfo user("keep");
        user.SetPresence(8);
        user.ClearChangeMask();
        CPacketCursor cursor(text);
        EXPECT_FALSE(user.ReadUpdate(cursor)) << text.toStdString();
        EXPECT_EQ(cursor.pos(), 0) << text.toStdString();
        EXPECT_EQ(user.GetNickname(), "keep");
        EXPECT_EQ(user.GetPresence(), 8);
        EXPECT_EQ(user.GetChangeMask(), 0u);
    }
}

TEST(UserInfo, RatingThatIsNotAFiniteNumberKeepsTheOldValue) {
    for (const char* rating : {"nan", "inf", "-inf", "1e999"}) {
        CUserInfo user("bob");
        user.SetRating(1500.0f);
        user.ClearChangeMask();
        const QString text = QStringLiteral("\"bob\" 0 12 \"%1\" 7\n").arg(rating);
        CPacketCursor cursor(text);
        ASSERT_TRUE(user.ReadUpdate(cursor)) << rating;
        EXPECT_FLOAT_EQ(user.GetRating(), 1500.0f) << rating;
        EXPECT_EQ(user.GetExperience(), 7); // the rest of the record still counts
        EXPECT_EQ(user.GetChangeMask(), UserField::Experience);
    }
    // Like the C library: the leading number counts, no number reads as 0.
    CUserInfo user("bob");
    const QString text = QStringLiteral("\"bob\" 0 4 \" 1499.25xyz\"\n\"bob\" 0 4 \"\"\n");
    CPacketCursor cursor(text);
    ASSERT_TRUE(user.ReadUpdate(cursor));
    EXPECT_FLOAT_EQ(user.GetRating(), 1499.25f);
    ASSERT_TRUE(user.ReadUpdate(cursor));
    EXPECT_FLOAT_EQ(user.GetRating(), 0.0f);
}

TEST(UserInfo, RatingIgnoresACommaDecimalLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale";
    CUserInfo user("bob");
    const QString text = QStringLiteral("\"bob\" 0 4 \"1612.5\"\n");
    CPacketCursor cursor(text);
    const bool read = user.ReadUpdate(cursor);
    user.SetRating(1612.5f);
    const QString written = user.FormatUpdateText(UserField::Rating, false);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(read);
    EXPECT_FLOAT_EQ(user.GetRating(), 1612.5f);
    EXPECT_TRUE(written.contains("\"1612.500000\""));
}

TEST(UserInfo, ClubIsReadOnlyWhenTheLineStillHoldsSomething) {
    CUserInfo user("bob");
    const QString text = QStringLiteral("\"bob\" 0 16777217 8 \t \n\"carol\" 0 0\n");
    CPacketCursor cursor(text);
    ASSERT_TRUE(user.ReadUpdate(cursor));
    EXPECT_EQ(user.GetPresence(), 8);
    EXPECT_TRUE(user.GetClub().isEmpty());
    EXPECT_EQ(cursor.rest().left(7), QStringLiteral("\"carol\""));
}

TEST(UserInfo, FormatUpdateTextWritesTheMaskInItsRoomAndTheFieldsInReaderOrder) {
    CUserInfo user("bob");
    user.SetGroupFlags(0x12);
    user.ClearChangeMask();
    user.SetActivity(8);
    user.SetRating(1500.0f);
    user.SetLocation(".gb.bob.carol");
    EXPECT_EQ(user.FormatUpdateText(UserField::OwnMask, true),
              QStringLiteral("\"bob\" 18 22           8 \"1500.000000\"\".gb.bob.carol\" \n"));
    // Bits that carry nothing are not written.
    EXPECT_EQ(user.FormatUpdateText(7, 0x200 | UserField::Local, false),
              QStringLiteral("\"bob\" 7 0             "));
}

TEST(UserInfo, FormatAndReadRoundTripEveryFieldWithoutALengthLimit) {
    CUserInfo original("Zoë\"quote\\");
    original.SetGroupFlags(0x800);
    original.SetFullName(QString(5000, 'n')); // far beyond the original's fixed buffer
    original.SetEmail("z@example.org");
    original.SetPlayPreferences("7 points");
    original.SetStatusFlags(0x8000);
    original.SetPresence(8);
    original.SetActivity(4);
    original.SetRating(1712.75f);
    original.SetExperience(1234);
    original.SetUnfinishedMatches(3);
    original.SetLocation(".gb.a.b");
    original.SetGameDescriptor("7 2 3");
    original.SetMatchPrivacy(2);
    original.SetIconId(11);
    original.SetIconVersion(12);
    original.SetGenderIconId(13);
    original.SetGenderIconVersion(14);
    original.SetCountryIconId(15);
    original.SetCountryIconVersion(16);
    original.SetMoneyIconId(17);
    original.SetExtraText1("x1");
    original.SetExtraText2("x2");
    original.SetClub("Club \"A\"");

    const QString text = original.FormatUpdateText(UserField::All, true);
    CUserInfo copy;
    CPacketCursor cursor(text);
    ASSERT_TRUE(copy.ReadUpdate(cursor));
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(copy.FormatUpdateText(UserField::All, true), text);
    EXPECT_EQ(copy.GetNickname(), original.GetNickname());
    EXPECT_EQ(copy.GetFullName().size(), 5000);
    EXPECT_EQ(copy.GetClub(), "Club \"A\"");
    EXPECT_EQ(copy.GetGroupFlags(), 0x800);
}

TEST(UserInfo, CopyFromMarksWhatDiffersAndCopiesGroupFlagsDirectly) {
    CUserInfo known("bob");
    known.SetActivity(2);
    known.SetExperience(5);
    known.ClearChangeMask();
    CUserInfo fresh("BOB");
    fresh.SetActivity(2);
    fresh.SetExperience(6);
    fresh.SetGroupFlags(4);
    known.CopyFrom(&fresh);
    EXPECT_EQ(known.GetChangeMask(), UserField::Experience);
    EXPECT_EQ(known.GetGroupFlags(), 4);
    EXPECT_EQ(known.GetNickname(), "BOB");
    known.CopyFrom(nullptr);
    EXPECT_EQ(known.GetExperience(), 6);
}

TEST(UserInfo, StatusTexts) {
    struct Case {
        int presence, activity;
        const char* longText;
        const char* shortText;
    } cases[] = {
        {2, 8, "Playing", "Playing"},
        {8, 16, "Teaching", "Teaching"},
        {8, 2, "Away", "Away"},
        {2, 2, "Finished playing, ready to play", "Ready"},
        {2, 4, "Watching, ready to play", "Ready"},
        {0, 4, "Watching, not ready", "Watching"},
        {2, 1, "Ready to play", "Ready"},
        {0, 2, "Finished playing", "Connected"},
        {0, 128, "Connected", "Connected"},
        {0, 32, "Connected", "Connected"},
        {1, 1, "Unknown", "Unknown"},
    };
    for (const Case& c : cases) {
        CUserInfo user("x");
        user.SetPresence(c.presence);
        user.SetActivity(c.activity);
        EXPECT_EQ(user.GetLongStatusText(), c.longText) << c.presence << "/" << c.activity;
        EXPECT_EQ(user.GetShortStatusText(), c.shortText) << c.presence << "/" << c.activity;
    }
}

} // namespace
