#include "app/SessionGameLink.h"
#include "DevServer.h"
#include "game/BackgammonDoc.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"

#include <gtest/gtest.h>

#include <deque>

using testenv::WaitFor;

namespace {

struct Player {
    Player(quint16 port, const QString& nickname) {
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered, [this](const QString& s) { room = s; });
        CClientNode::LoginRequest request{"127.0.0.1", port, nickname, "pw", "1000 Norvale for Linux"};
        session.Connect(request);
    }
    CSessionDoc session;
    bool in = false;
    QString room;
};

TEST(SessionGameLink, MovesTravelBetweenTwoMatchDocumentsThroughTheServer) {
    testenv::ResetSettings();
    CDevServer::Options serverOptions;
    std::deque<int> dice{6, 1, 4, 2};
    serverOptions.dice = [&] {
        const int die = dice.empty() ? 3 : dice.front();
        if (!dice.empty())
            dice.pop_front();
        return die;
    };
    CDevServer server{serverOptions};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Player alice(server.Port(), "alice");
    Player bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.in && bob.in; }));
    CBGRuleOptions options;
    options.SetMatchLength(3);
    // Both players come with the terms they agreed on; only then is the match set up.
    alice.session.AttachToGameService(".gb.alice.bob " + options.FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return alice.room == ".gb.alice.bob"; }));
    EXPECT_EQ(alice.session.GetServiceSetting("rules"), "");
    bob.session.AttachToGameService(".gb.alice.bob " + options.FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return bob.room == ".gb.alice.bob"; }));
    EXPECT_EQ(bob.session.GetServiceSetting("rules"), options.FormatText());

    CBackgammonDoc aliceDoc;
    CBackgammonDoc bobDoc;
    CSessionGameLink aliceLink(&alice.session, &aliceDoc);
    CSessionGameLink bobLink(&bob.session, &bobDoc);
    EXPECT_EQ(aliceDoc.GetSession(), &aliceLink);
    aliceDoc.SetupPlayersFromService();
    bobDoc.SetupPlayersFromService();
    EXPECT_EQ(aliceDoc.GetLocalSide(), 1);
    EXPECT_EQ(bobDoc.GetLocalSide(), 2);
    ASSERT_TRUE(aliceDoc.StartMatch(options));
    ASSERT_TRUE(bobDoc.StartMatch(options));

    // alice asks for the opening roll; the server rolls and both documents take its dice.
    ASSERT_TRUE(aliceDoc.StartNextGame());
    ASSERT_TRUE(WaitFor([&] { return bobDoc.GetMatchRecord().GetCount() == 2 && aliceDoc.GetMatchRecord().GetCount() == 2; }));
    EXPECT_EQ(bobDoc.GetMatchRecord().GetPacket(1)->payload, "2 n 6 1");
    EXPECT_EQ(bobDoc.GetMatchRecord().GetPacket(1)->source, ".");
    ASSERT_TRUE(aliceDoc.SendGameCommand("m 13/7 8/7"));
    ASSERT_TRUE(WaitFor([&] { return bobDoc.GetMatchRecord().GetCount() == 3; }));
    EXPECT_EQ(bobDoc.GetMatchRecord().GetPacket(2)->source, "alice");

    // A roll bob makes up himself, and a move out of turn, go nowhere: the server drops them.
    bobLink.Send(217, "4 r 6 6", "&");
    aliceLink.Send(217, "4 m 24/18", "&");
    ASSERT_TRUE(bobDoc.RollDice());
    ASSERT_TRUE(WaitFor([&] { return aliceDoc.GetMatchRecord().GetCount() == 4 && bobDoc.GetMatchRecord().GetCount() == 4; }));
    EXPECT_EQ(aliceDoc.GetMatchRecord().GetPacket(3)->payload, "4 r 4 2");
    EXPECT_EQ(aliceDoc.GetBoard().GetSavedBoardText(1), bobDoc.GetBoard().GetSavedBoardText(1));
    const CMatchReferee* match = server.FindMatch(".gb.alice.bob");
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(match->Board().GetSavedBoardText(1), aliceDoc.GetBoard().GetSavedBoardText(1));
    EXPECT_EQ(match->Descriptor(0), "3 0 0");
}

TEST(SessionGameLink, LinkLeavesItsDocumentAndSessionCleanly) {
    testenv::ResetSettings();
    CSessionDoc session;
    CBackgammonDoc document;
    {
        CSessionGameLink link(&session, &document);
        EXPECT_TRUE(session.HasPacketTargets());
        EXPECT_FALSE(link.IsConnected());
        EXPECT_FALSE(link.Send(217, "1 r 3 1", "&"));
    }
    EXPECT_EQ(document.GetSession(), nullptr);
    EXPECT_FALSE(session.HasPacketTargets());
}

TEST(FactoryGameModuleInfo, AnswersWithTheBackgammonModule) {
    const CFactoryGameModuleInfo module;
    EXPECT_EQ(module.GetServiceWord(), "gb");
    EXPECT_EQ(module.GetScoreText(".gb.a.b", "7 2 3"), "2-3 of 7");
    EXPECT_EQ(module.GetScoreText(".gb.a.b", "0 2 3"), "2-3");
}

} // namespace
