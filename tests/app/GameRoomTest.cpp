#include "AppTestSupport.h"
#include "DevServer.h"
#include "app/ClientApp.h"
#include "app/GameRoom.h"
#include "app/MainFrame.h"
#include "app/MultiPaneFrame.h"
#include "board/BgClientView.h"
#include "chat/ChatLog.h"
#include "game/BackgammonDoc.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <deque>

using testenv::WaitFor;

namespace {

// Another client in the same process: a session with its game room, whose window set is made the
// way the application makes it.
struct OtherClient {
    OtherClient(quint16 port, const QString& nickname) : chat(&session), room(&session) {
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered,
                         [this](const QString& name) { room.OnServiceEntered(name); });
        QObject::connect(&room, &CGameRoom::windowSetChanged, [this] {
            frame.reset();
            if (const CBackgammonDoc* doc = room.GetDocument()) {
                frame = std::make_unique<CMultiPaneFrame>(&session);
                frame->Build(*CPaneLayout::Parse(doc->GetWindowLayout()));
                frame->resize(900, 700);
                frame->show();
            }
        });
        session.Connect({"127.0.0.1", port, nickname, "any", "1000 Norvale for Linux"});
    }
    ~OtherClient() {
        frame.reset();
        session.SetChatLog(nullptr);
    }
    CBgClientView* Board() const { return frame ? qobject_cast<CBgClientView*>(frame->FindPane("BgBoard")) : nullptr; }
    CBgMatchLogView* Log() const {
        return frame ? qobject_cast<CBgMatchLogView*>(frame->FindPane("BgMatchLog")) : nullptr;
    }

    CSessionDoc session;
    CChatLog chat;
    CGameRoom room;
    std::unique_ptr<CMultiPaneFrame> frame;
    bool in = false;
};

QStringList LogTexts(const CBgMatchLogView* log) {
    QStringList texts;
    for (int i = 0; log && i < log->GetItemCount(); ++i)
        if (const auto* item = dynamic_cast<const CMatchLogTextDisplayItem*>(log->GetLayout().GetItem(i)))
            texts << item->GetFullText();
    return texts;
}

QStringList Payloads(const CBackgammonDoc* doc) {
    QStringList payloads;
    for (int i = 0; doc && i < doc->GetMatchRecord().GetCount(); ++i)
        payloads << doc->GetMatchRecord().GetPacket(i)->payload;
    return payloads;
}

class GameRoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteInt("Tip", "StartUp", 1);
        testenv::scriptedUi().clear();
        qputenv(CClientApp::kPasswordVariable, "any");
        ASSERT_TRUE(devServer.Listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override { apptest::ShutDown(app); }

    CMultiPaneFrame* AliceFrame() const {
        CMainFrame* main = app ? app->GetMainFrame() : nullptr;
        return main ? main->GetActiveServiceFrame() : nullptr;
    }
    CBgClientView* AliceBoard() const {
        CMultiPaneFrame* frame = AliceFrame();
        return frame ? qobject_cast<CBgClientView*>(frame->FindPane("BgBoard")) : nullptr;
    }

    std::deque<int> dice{6, 1, 5, 2};
    CDevServer devServer{[this] {
        CDevServer::Options options;
        options.dice = [this] {
            const int die = dice.empty() ? 3 : dice.front();
            if (!dice.empty())
                dice.pop_front();
            return die;
        };
        return options;
    }()};
    webtest::FakeBrowserFactory pages;
    std::unique_ptr<CClientApp> app;
};

// Two clients play a one-point match through the server with the game window's board and buttons; a
// third comes in late and watches; the logs agree and the lobby shows the score.
TEST_F(GameRoomTest, TwoClientsPlayAMatchAndAThirdWatches) {
    app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.host = "127.0.0.1";
    options.port = devServer.Port();
    options.nickname = "alice";
    ASSERT_TRUE(app->InitInstance(options));
    OtherClient bob(devServer.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return app->GetSession() && app->GetSession()->IsConnected() && AliceFrame() && bob.in; }));
    CSessionDoc* alice = app->GetSession();

    // The invitation's start: both players go to the room, the first naming its rules.
    CBGRuleOptions::Values values;
    values.matchLength = 1;
    const CBGRuleOptions rules(values);
    alice->AttachToGameService(".gb.alice.bob " + rules.FormatText(), 1);
    bob.session.AttachToGameService(".gb.alice.bob", 1);
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && bob.Board(); }));
    CMultiPaneFrame* frame = AliceFrame();
    EXPECT_EQ(frame->FindPane("UserList"), nullptr);
    EXPECT_NE(frame->FindPane("BgMatchLog"), nullptr);
    EXPECT_NE(frame->FindPane("Chat"), nullptr);
    EXPECT_NE(frame->FindPane("CommandLine"), nullptr);
    CBgClientView* aliceView = AliceBoard();
    CBgClientView* bobView = bob.Board();
    EXPECT_EQ(aliceView->GetBoardCtl()->GetViewerSide(), 1);
    EXPECT_EQ(bobView->GetBoardCtl()->GetViewerSide(), 2);

    // alice opens: the server rolls 6-1 for the room.
    EXPECT_FALSE(bobView->GetButton(CBgClientView::kRoll)->isEnabled());
    ASSERT_TRUE(aliceView->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return bobView->GetShownBoard().GetState() == CBackgammonBoard::kStateMoving; }));
    EXPECT_EQ(aliceView->GetShownBoard().GetDie(0), 6);
    // Her steps stay on her board until the play is done.
    ASSERT_TRUE(aliceView->DoCommand("c 13/7"));
    EXPECT_FALSE(aliceView->DoCommand("c 13/5")) << "not with these dice";
    ASSERT_TRUE(aliceView->DoCommand("c 8/7"));
    EXPECT_EQ(bobView->GetShownBoard().GetCount(7), 0);
    ASSERT_TRUE(aliceView->GetButton(CBgClientView::kDone)->isEnabled());
    ASSERT_TRUE(aliceView->PressButton(CBgClientView::kDone));
    ASSERT_TRUE(WaitFor([&] { return bobView->GetShownBoard().GetCount(7) == 2; }));

    // A watcher comes in now and is shown the match so far.
    OtherClient cy(devServer.Port(), "cy");
    ASSERT_TRUE(WaitFor([&] { return cy.in; }));
    cy.session.AttachToGameService(".gb.alice.bob", 0);
    ASSERT_TRUE(WaitFor([&] { return cy.Board() && cy.room.GetDocument()->GetMatchRecord().GetCount() == 3; }));
    EXPECT_EQ(cy.Board()->GetShownBoard().GetCount(7), 2);
    EXPECT_FALSE(cy.Board()->GetButton(CBgClientView::kRoll)->isVisible()) << "a watcher has no buttons";
    EXPECT_FALSE(cy.Board()->DoCommand("r"));

    // bob rolls 5-2 and plays; alice doubles (and confirms), bob passes: alice wins the match.
    ASSERT_TRUE(bobView->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return bobView->GetShownBoard().GetState() == CBackgammonBoard::kStateMoving; }));
    ASSERT_TRUE(bobView->DoCommand("m 12/17 12/14"));
    ASSERT_TRUE(WaitFor([&] { return aliceView->GetButton(CBgClientView::kDouble)->isEnabled(); }));
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(aliceView->PressButton(CBgClientView::kDouble));
    ASSERT_TRUE(WaitFor([&] { return bobView->GetButton(CBgClientView::kPass)->isEnabled(); }));
    ASSERT_TRUE(bobView->PressButton(CBgClientView::kPass));
    ASSERT_TRUE(WaitFor([&] {
        return cy.room.GetDocument()->GetBoard().IsMatchOver() && aliceView->GetShownBoard().IsMatchOver();
    }));

    // Everybody has the same match, and the same log.
    auto* aliceDoc = platform::object_cast<CBackgammonDoc>(alice->GetGameDocument());
    ASSERT_NE(aliceDoc, nullptr);
    EXPECT_EQ(Payloads(aliceDoc), Payloads(bob.room.GetDocument()));
    EXPECT_EQ(Payloads(aliceDoc), Payloads(cy.room.GetDocument()));
    EXPECT_EQ(aliceDoc->GetBoard().GetScore(1), 1);
    auto* aliceLog = qobject_cast<CBgMatchLogView*>(frame->FindPane("BgMatchLog"));
    const QStringList log = LogTexts(aliceLog);
    EXPECT_TRUE(log.contains(" Wins 1 point and the match")) << log.join('|').toStdString();
    EXPECT_EQ(log, LogTexts(bob.Log()));
    EXPECT_EQ(log, LogTexts(cy.Log()));
    EXPECT_EQ(cy.Board()->GetShownBoard().GetSavedBoardText(1), aliceView->GetShownBoard().GetSavedBoardText(1));

    // The lobby's directory carries the players' score.
    ASSERT_TRUE(WaitFor([&] {
        const CClientUserInfo* user = cy.session.FindUser("bob");
        return user && user->GetGameDescriptor() == "1 0 1";
    }));
    EXPECT_EQ(cy.session.FindUser("bob")->GetScoreText(), "0-1 of 1");

    // Leaving the room brings the lobby back.
    alice->DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return AliceFrame() && AliceFrame()->FindPane("UserList"); }));
    EXPECT_EQ(alice->GetGameDocument(), nullptr);
}

} // namespace
