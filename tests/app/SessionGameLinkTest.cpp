#include "app/SessionGameLink.h"
#include "DevServer.h"
#include "game/BackgammonDoc.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"

#include <gtest/gtest.h>

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
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Player alice(server.Port(), "alice");
    Player bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.in && bob.in; }));
    alice.session.AttachToGameService(".gb.alice.bob", 1);
    bob.session.AttachToGameService(".gb.alice.bob", 1);
    ASSERT_TRUE(WaitFor([&] { return alice.room == ".gb.alice.bob" && bob.room == ".gb.alice.bob"; }));

    CBackgammonDoc aliceDoc;
    CBackgammonDoc bobDoc;
    CSessionGameLink aliceLink(&alice.session, &aliceDoc);
    CSessionGameLink bobLink(&bob.session, &bobDoc);
    EXPECT_EQ(aliceDoc.GetSession(), &aliceLink);
    aliceDoc.SetupPlayersFromService();
    bobDoc.SetupPlayersFromService();
    EXPECT_EQ(aliceDoc.GetLocalSide(), 1);
    EXPECT_EQ(bobDoc.GetLocalSide(), 2);
    CBGRuleOptions options;
    options.SetMatchLength(3);
    ASSERT_TRUE(aliceDoc.StartMatch(options));
    ASSERT_TRUE(bobDoc.StartMatch(options));

    // alice opens the first game; her document sends it to the room and bob's takes it.
    ASSERT_TRUE(aliceDoc.SendGameCommand("n 6 1"));
    ASSERT_TRUE(
        WaitFor([&] { return bobDoc.GetMatchRecord().GetCount() == aliceDoc.GetMatchRecord().GetCount(); }));
    EXPECT_EQ(bobDoc.GetBoard().GetActingSide(), aliceDoc.GetBoard().GetActingSide());
    EXPECT_EQ(bobDoc.GetMatchRecord().GetPacket(bobDoc.GetMatchRecord().GetCount() - 1)->source, "alice");
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
