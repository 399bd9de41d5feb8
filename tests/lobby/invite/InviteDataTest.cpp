#include "lobby/invite/InviteData.h"

#include <gtest/gtest.h>

namespace {

TEST(InviteDataTest, TextFormReadsBackAsWritten) {
    CInviteData record(0, CServiceName(".gb.alice.bob"), "K17");
    record.SetMessage(CInviteData::kInvite, "alice", "11 0 1 1 0 0 0 0 1 0");
    EXPECT_EQ(record.Format(), "_InviteData_ 1 0 0 0\n.gb.alice.bob alice 1 K17\n0 11 0 1 1 0 0 0 0 1 0");
    const CInviteData back(record.Format());
    EXPECT_TRUE(back.IsReceived());
    EXPECT_FALSE(back.IsComposed());
    EXPECT_EQ(back.GetServiceName().GetText(), ".gb.alice.bob");
    EXPECT_EQ(back.GetPlayerName(), "alice");
    EXPECT_TRUE(back.Replaces());
    EXPECT_EQ(back.GetUnfinishedKey(), "K17");
    EXPECT_EQ(back.GetPayload(), "11 0 1 1 0 0 0 0 1 0");
    EXPECT_TRUE(back.IsWellFormed());
    EXPECT_EQ(back.BuildTransferText(), ".gb.alice.bob !K17 11 0 1 1 0 0 0 0 1 0");
}

TEST(InviteDataTest, ParsesWhatItCanOfDamagedTexts) {
    struct Case {
        const char* text;
        int gameKind, messageKind, fromGame;
        const char* service;
        const char* sender;
        const char* key;
        const char* payload;
    };
    const Case cases[] = {
        // Three numbers only: not from a game.
        {"_InviteData_ 1 2 3\n.gb.a.b a 0 k\n0 x y", 2, 3, 0, ".gb.a.b", "a", "k", "x y"},
        // An empty key reads back as "<unused>".
        {"_InviteData_ 1 0 0 1\n.gb.a.b a 0\n0 t", 0, 0, 1, ".gb.a.b", "a", "<unused>", "t"},
        // No second and third line.
        {"_InviteData_ 1 0 0 0", 0, 0, 0, "", "", "<unused>", ""},
        // Nothing at all: the message kind stays unset.
        {"", 0, 8, 0, "", "", "<unused>", ""},
        // The payload keeps its blanks and line ends.
        {"_InviteData_ 1 0 7 0\n.gb.a.b b 0 k\n0 2 hi\nthere", 0, 7, 0, ".gb.a.b", "b", "k", "2 hi\nthere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CInviteData record{QString::fromLatin1(c.text)};
        EXPECT_EQ(record.GetGameKind(), c.gameKind);
        EXPECT_EQ(record.GetMessageKind(), c.messageKind);
        EXPECT_EQ(int(record.IsFromGame()), c.fromGame);
        EXPECT_EQ(record.GetServiceName().GetText(), c.service);
        EXPECT_EQ(record.GetPlayerName(), c.sender);
        EXPECT_EQ(record.GetUnfinishedKey(), c.key);
        EXPECT_EQ(record.GetPayload(), c.payload);
    }
    // A record filled again keeps nothing of the earlier text.
    CInviteData record(QStringLiteral("_InviteData_ 1 3 2 1\n.gb.a.b a 1 k\n0 t"));
    record.Parse(QStringLiteral("_InviteData_ 1"));
    EXPECT_EQ(record.GetMessageKind(), CInviteData::kUnset);
    EXPECT_FALSE(record.Replaces());
    EXPECT_TRUE(record.GetPayload().isEmpty());
}

TEST(InviteDataTest, WellFormedRecordsOnly) {
    const QString good = "_InviteData_ 1 0 0 0\n.gb.a.b alice 0 k\n0 terms";
    EXPECT_TRUE(CInviteData(good).IsWellFormed());
    const char* bad[] = {
        "_InviteData_ 2 0 0 0\n.gb.a.b alice 0 k\n0 terms",  // another version
        "_InviteData_ 1 5 0 0\n.gb.a.b alice 0 k\n0 terms",  // no such game kind
        "_InviteData_ 1 0 6 0\n.gb.a.b alice 0 k\n0 terms",  // kind 6 is never sent
        "_InviteData_ 1 0 8 0\n.gb.a.b alice 0 k\n0 terms",  // kind 8 is a fresh record
        "_InviteData_ 1 0 10 0\n.gb.a.b alice 0 k\n0 terms", // beyond the kinds
        "_InviteData_ 1 0 0 2\n.gb.a.b alice 0 k\n0 terms",  // from-game is a flag
        "_InviteData_ 1 0 0 0\n.gb.a.b alice 3 k\n0 terms",  // replaces is a flag
        "_InviteData_ 1 0 0 0\n.gb.a.b al!ce 0 k\n0 terms",  // not a user name
        "_InviteData_ 1 0 0 0\n.gb.a.b abcdefghijklmnopqrstuvwxy 0 k\n0 terms", // 25 characters
        "_InviteData_ 1 0 0 0\n.gb.a.b alice 0 k\n0 ",       // no payload
        "_InviteData_ 1 -1 0 0\n.gb.a.b alice 0 k\n0 terms", // negative game kind
    };
    for (const char* text : bad)
        EXPECT_FALSE(CInviteData(QString::fromLatin1(text)).IsWellFormed()) << text;
    // A fresh record is not one to send or act on until it has a message.
    CInviteData fresh(0, CServiceName(".gb.a.b"));
    EXPECT_FALSE(fresh.IsWellFormed());
    fresh.SetMessage(CInviteData::kText, "alice", CInviteData::FormatLengthText("hi"));
    EXPECT_TRUE(fresh.IsWellFormed());
    EXPECT_TRUE(fresh.IsComposed());
}

TEST(InviteDataTest, LengthPrefixedTexts) {
    struct Case {
        const char* payload;
        const char* text;
    };
    const Case cases[] = {
        {"5 hello", "hello"},
        {"5 hello world", "hello"},
        {"0 ", ""},
        {"9 hello", "9 hello"},     // longer than what follows: the payload as it stands
        {"-1 hello", "-1 hello"},
        {"x hello", "x hello"},
        {"hello", "hello"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CInviteData::ParseLengthText(QString::fromLatin1(c.payload)), c.text) << c.payload;
    const QString reason = "You have been gagged by alice.";
    EXPECT_EQ(CInviteData::FormatLengthText(reason), "30 " + reason);
    EXPECT_EQ(CInviteData::ParseLengthText(CInviteData::FormatLengthText(reason)), reason);
}

} // namespace
