#include "GameDocTestUtil.h"

#include "support/SettingsStore.h"

#include <gtest/gtest.h>

using gametest::FakeSession;
using gametest::HintRecorder;

TEST(GameDoc, PlayersComeFromTheRoomName) {
    FakeSession session("bob", ".gb.Ann.Bob.$3f");
    CGameDoc doc(&session);
    doc.SetupPlayersFromService();
    EXPECT_EQ(doc.GetPlayers(), QStringList({"Ann", "Bob"}));
    QStringList names;
    int seat = -5, watching = -5;
    doc.CopyPlayers(names, &seat, &watching);
    EXPECT_EQ(names, QStringList({"Ann", "Bob"}));
    EXPECT_EQ(seat, 1) << "nicknames compare without regard to case";
    EXPECT_EQ(watching, 0);
    EXPECT_EQ(doc.GetOpponentName(), "Ann");

    session.nickname = "Cy";
    doc.SetupPlayersFromService();
    doc.CopyPlayers(names, &seat, &watching);
    EXPECT_EQ(seat, -1);
    EXPECT_EQ(watching, 1);
    EXPECT_TRUE(doc.GetOpponentName().isEmpty());

    session.service = "garbage";
    doc.SetupPlayersFromService();
    EXPECT_TRUE(doc.GetPlayers().isEmpty());
}

TEST(GameDoc, WatcherListFollowsTheRoomEvents) {
    FakeSession session("Ann", ".gb.Ann.Bob");
    CGameDoc doc(&session);
    doc.SetupPlayersFromService();
    EXPECT_EQ(doc.OnSessionEvent(CGameDoc::kUserArrived, "\"Cy\" 0 1 2\n\"dee\" 0 1 2\n\"bob\" 0 0\n"), 0);
    EXPECT_EQ(doc.GetWatchers(), QStringList({"Cy", "dee"})) << "players are no watchers";
    EXPECT_EQ(doc.OnSessionEvent(CGameDoc::kUserChanged, "\"CY\" 0 4 1\n\"Eve\" 0 4 1\n"), 0);
    EXPECT_EQ(doc.GetWatchers(), QStringList({"Cy", "dee", "Eve"}));
    EXPECT_EQ(doc.OnSessionEvent(CGameDoc::kUserLeft, "DEE left"), 0);
    EXPECT_EQ(doc.GetWatchers(), QStringList({"Cy", "Eve"}));
    EXPECT_EQ(doc.OnSessionEvent(CGameDoc::kUserLeft, "\"nobody\" 0 0\n"), 0);
    EXPECT_EQ(doc.GetWatchers().size(), 2);
}

TEST(GameDoc, ChatIsRecordedButNeverTheOpponentsWhispers) {
    FakeSession session("Ann", ".gb.Ann.Bob");
    CGameDoc doc(&session);
    doc.SetupPlayersFromService();
    HintRecorder view;
    doc.AddView(&view);

    // Whispers are meant for the watchers: the opponent's is taken but never recorded, so no copy,
    // export, print or file of the match holds it, connected or not.
    session.source = "BOB";
    EXPECT_EQ(doc.OnPacket(194, "psst"), 0) << "taken, not passed on";
    session.source = "Cy";
    EXPECT_EQ(doc.OnPacket(194, "hi all"), 0);
    session.source = "Bob";
    EXPECT_EQ(doc.OnPacket(203, "said"), 0);
    EXPECT_EQ(doc.OnPacket(97, "lobby stuff"), 0);
    ASSERT_EQ(doc.GetMatchRecord().GetCount(), 2);
    ASSERT_EQ(view.hints.size(), 2u);
    EXPECT_EQ(view.hints[1], std::make_pair(gamehint::kNewRecordEntries, 1));
    EXPECT_EQ(doc.GetMatchRecord().GetPacket(0)->payload, "hi all");

    // A record made before (a file of an earlier version) still has them left out of its copies.
    EXPECT_TRUE(doc.IsRoutedFromOpponent({194, "psst", "bob"}));
    EXPECT_FALSE(doc.IsRoutedFromOpponent({194, "hi all", "Cy"}));
    EXPECT_FALSE(doc.IsRoutedFromOpponent({203, "said", "Bob"})) << "only whispers";
    session.connected = false;
    EXPECT_TRUE(doc.IsRoutedFromOpponent({194, "psst", "Bob"})) << "connected or not";
    doc.RemoveView(&view);
}

TEST(GameDoc, MarksAndDisplayModeTellTheViews) {
    CGameDoc doc;
    HintRecorder view;
    doc.AddView(&view);
    doc.AddRecordEntry({203, "a", "x"});
    doc.AddRecordEntry({203, "b", "x"});
    view.hints.clear();

    doc.SetMoveMark(1, 1);
    doc.SetMoveMark(5, 1);    // no such entry: nothing
    doc.AppendMoveMark(1, 0); // already in the list: nothing
    doc.AppendMoveMark(0, 1); // inside the list, set by SetMoveMark's extension: nothing
    EXPECT_EQ(doc.GetMatchRecord().GetMoveMark(1), 1);
    doc.SetDisplayMode(CGameDoc::kEditMode);
    doc.SetDisplayMode(7);
    doc.OnViewFullDisplayMode();
    const std::vector<std::pair<int, int>> expected{{gamehint::kMoveMarkChanged, 1},
                                                    {gamehint::kDisplayModeChanged, 1},
                                                    {gamehint::kDisplayModeChanged, 0}};
    EXPECT_EQ(view.hints, expected);
    EXPECT_EQ(doc.GetDisplayMode(), CGameDoc::kFullDisplay);
    doc.RemoveView(&view);
}

TEST(GameDoc, SettingsOfTheGame) {
    EXPECT_FALSE(CGameDoc::GetAutoPlayAgain());
    CGameDoc::SetAutoPlayAgain(true);
    EXPECT_TRUE(GetSettingsStore().GetBool("cgamedoc", "BAUTOPLAYAGAIN", false));
    CGameDoc::SetAutoPlayAgain(false);

    CBackgammonDoc doc;
    EXPECT_TRUE(doc.WantsPlayerList());
    doc.OnPlayerListClosed(false);
    EXPECT_TRUE(doc.WantsPlayerList()) << "closed with its window, not by the user";
    doc.OnPlayerListClosed(true);
    EXPECT_FALSE(doc.WantsPlayerList());
    EXPECT_TRUE(CBackgammonDoc().WantsPlayerList()) << "closed for that match only";

    FakeSession session("Ann", ".gb.Ann.Bob");
    doc.SetSession(&session);
    doc.RemoveTemporaryConnection();
    EXPECT_EQ(session.temporaryConnectionsRemoved, 1);
}
