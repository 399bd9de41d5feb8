#include "app/GameRoom.h"
#include "AppTestSupport.h"
#include "DevServer.h"
#include "app/ClientApp.h"
#include "app/KelderDocManager.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "board/BgClientView.h"
#include "chat/ChatLog.h"
#include "chat/CommandLineView.h"
#include "game/BackgammonDoc.h"
#include "game/BoardTestUtil.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/BackgammonInviteDlg.h"
#include "lobby/invite/InvitationDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/MatchInviteDlg.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>

using testenv::WaitFor;

namespace {

// Another client in the same process: a session with its game room, whose window set is made the
// way the application makes it.
struct OtherClient {
    OtherClient(quint16 port, const QString& nickname) : chat(&session), room(&session) {
        session.SetChatLog(&chat);
        invitations = CInvitationManager::Attach(session);
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
    CBgClientView* Board() const {
        return frame ? qobject_cast<CBgClientView*>(frame->FindPane("BgBoard")) : nullptr;
    }
    CBgMatchLogView* Log() const {
        return frame ? qobject_cast<CBgMatchLogView*>(frame->FindPane("BgMatchLog")) : nullptr;
    }

    CSessionDoc session;
    CChatLog chat;
    CGameRoom room;
    std::unique_ptr<CMultiPaneFrame> frame;
    CInvitationManager* invitations = nullptr;
    bool in = false;
};

CInvitationDlg* InvitationTo(const CSessionDoc* session, const QString& room) {
    const CInvitationManager* manager = CInvitationManager::Find(session);
    return manager ? dynamic_cast<CInvitationDlg*>(manager->FindInvitation(room)) : nullptr;
}

bool CanClick(const CSessionDoc* session, int id) {
    CInvitationDlg* dialog = InvitationTo(session, ".gb.alice.bob");
    return dialog && dialog->Item(id) && dialog->Item(id)->isEnabled() && !dialog->Item(id)->isHidden();
}

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
        apptest::Prepare();
        ASSERT_TRUE(devServer.Listen(QHostAddress::LocalHost, 0));
        // The panes of a game room, as the application registers them.
        CBgClientView::RegisterPane();
        CBgMatchLogView::RegisterPane();
        RegisterChatPanes();
        qputenv("NORVALE_WEB_ENGINE", "none");
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        RegisterInvitationDialogs();
    }
    void TearDown() override {
        apptest::ShutDown(app);
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        qunsetenv("NORVALE_WEB_ENGINE");
    }

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
        options.league.name.clear(); // no league: its options would fix the match length
        return options;
    }()};
    webtest::FakeBrowserFactory pages;
    std::unique_ptr<CClientApp> app;
};

// alice invites bob to a one-point match; they play it through the server with the game window's board
// and buttons; a third client comes in late and watches; the logs agree, the lobby shows the score and
// the finished match offers to play again.
TEST_F(GameRoomTest, TwoClientsPlayAMatchAndAThirdWatches) {
    app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.host = "127.0.0.1";
    options.port = devServer.Port();
    options.nickname = "alice";
    ASSERT_TRUE(app->InitInstance(options));
    OtherClient bob(devServer.Port(), "bob");
    ASSERT_TRUE(WaitFor(
        [&] { return app->GetSession() && app->GetSession()->IsConnected() && AliceFrame() && bob.in; }));
    CSessionDoc* alice = app->GetSession();

    // The invitation: a one-point match, which bob accepts and alice starts.
    CInvitationManager::Find(alice)->InvitePlayer("bob", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return CanClick(alice, CInvitationDlg::kIdInvite); }));
    // The backgammon invitation: match play of one point, typed as a user types it.
    CInvitationDlg* invitation = InvitationTo(alice, ".gb.alice.bob");
    invitation->ItemAs<QRadioButton>(CBackgammonInviteDlg::kIdMatchPlay)->click();
    auto* length = invitation->ItemAs<QLineEdit>(CBackgammonInviteDlg::kIdLength);
    length->selectAll();
    QTest::keyClicks(length, "1");
    InvitationTo(alice, ".gb.alice.bob")->ItemAs<QPushButton>(CInvitationDlg::kIdInvite)->click();
    ASSERT_TRUE(WaitFor([&] { return CanClick(&bob.session, CInvitationDlg::kIdPlay); }));
    InvitationTo(&bob.session, ".gb.alice.bob")->ItemAs<QPushButton>(CInvitationDlg::kIdPlay)->click();
    // Terms the inviter offered and the invited side took start the match.
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && bob.Board(); }));
    EXPECT_EQ(bob.room.GetDocument()->GetRuleOptions().GetMatchLength(), 1);
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
    ASSERT_TRUE(
        WaitFor([&] { return bobView->GetShownBoard().GetState() == CBackgammonBoard::kStateMoving; }));
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
    ASSERT_TRUE(
        WaitFor([&] { return cy.Board() && cy.room.GetDocument()->GetMatchRecord().GetCount() == 3; }));
    EXPECT_EQ(cy.Board()->GetShownBoard().GetCount(7), 2);
    EXPECT_FALSE(cy.Board()->GetButton(CBgClientView::kRoll)->isVisible()) << "a watcher has no buttons";
    EXPECT_FALSE(cy.Board()->DoCommand("r"));

    // bob rolls 5-2 and plays; alice doubles (and confirms), bob passes: alice wins the match.
    ASSERT_TRUE(bobView->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(
        WaitFor([&] { return bobView->GetShownBoard().GetState() == CBackgammonBoard::kStateMoving; }));
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
    EXPECT_EQ(cy.Board()->GetShownBoard().GetSavedBoardText(1),
              aliceView->GetShownBoard().GetSavedBoardText(1));

    // The lobby's directory carries the players' score.
    ASSERT_TRUE(WaitFor([&] {
        const CClientUserInfo* user = cy.session.FindUser("bob");
        return user && user->GetGameDescriptor() == "1 0 1";
    }));
    EXPECT_EQ(cy.session.FindUser("bob")->GetScoreText(), "0-1 of 1");

    // The finished match offers both players to play again.
    ASSERT_TRUE(WaitFor(
        [&] { return InvitationTo(alice, ".gb.alice.bob") && InvitationTo(&bob.session, ".gb.alice.bob"); }));
    EXPECT_EQ(InvitationTo(&cy.session, ".gb.alice.bob"), nullptr) << "a watcher is not asked";

    // Leaving the room brings the lobby back.
    alice->DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return AliceFrame() && AliceFrame()->FindPane("UserList"); }));
    EXPECT_EQ(alice->GetGameDocument(), nullptr);
}

} // namespace

namespace {

// A finished one-game match written to a file.
QString WriteMatchFile(const QString& path) {
    CBackgammonDoc doc;
    doc.SetPlayers({"Ann", "Bob"}, 0);
    CBGRuleOptions::Values values;
    values.matchLength = 1;
    EXPECT_TRUE(doc.StartMatch(CBGRuleOptions(values)));
    for (const char* move : {"2 n 5 2", "3 m 13/8 13/11", "4 d", "5 k"})
        doc.AddRecordEntry({217, move, "."});
    EXPECT_TRUE(doc.SaveMatchFile(path));
    return path;
}

TEST_F(GameRoomTest, SavedMatchesOpenForReviewAndSaveAgain) {
    QTemporaryDir dir;
    const QString path = WriteMatchFile(dir.filePath("ann.cbg"));
    app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.file = path;
    ASSERT_TRUE(app->InitInstance(options));
    CMainFrame* main = app->GetMainFrame();
    ASSERT_TRUE(WaitFor([&] { return main->GetActiveServiceFrame() != nullptr; }));
    CMultiPaneFrame* review = main->GetActiveServiceFrame();
    auto* view = qobject_cast<CBgClientView*>(review->FindPane("BgBoard"));
    auto* log = qobject_cast<CBgMatchLogView*>(review->FindPane("BgMatchLog"));
    ASSERT_TRUE(view && log);
    EXPECT_EQ(review->FindPane("Chat"), nullptr);
    EXPECT_TRUE(LogTexts(log).contains(" Wins 1 point and the match"));
    EXPECT_EQ(view->GetBoardCtl()->GetUserSide(), 0) << "a saved match is only looked at";
    EXPECT_FALSE(view->DoCommand("d"));
    // The review starts at the first entry; the board follows the log's selection.
    EXPECT_EQ(view->GetShownBoard().GetCubeValue(), 1);
    EXPECT_FALSE(view->GetShownBoard().IsMatchOver());
    log->SelectItem(log->GetItemCount() - 1);
    EXPECT_TRUE(view->GetShownBoard().IsMatchOver());

    // File > Save As writes the native file; another extension is refused with a message.
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();
    ui.QueueFileAnswer(dir.filePath("copy.cbg"));
    main->OnCommand(CMainFrame::kCmdFileSaveAs);
    EXPECT_TRUE(QFile::exists(dir.filePath("copy.cbg")));
    ui.QueueFileAnswer(dir.filePath("copy.xyz"));
    main->OnCommand(CMainFrame::kCmdFileSaveAs);
    EXPECT_FALSE(QFile::exists(dir.filePath("copy.xyz")));
    ASSERT_FALSE(ui.asked().empty());
    EXPECT_TRUE(ui.asked().back().text.contains("cannot write a .xyz file"))
        << ui.asked().back().text.toStdString();

    // File > Open: the copy opens in a second window; what is not a match is refused with a message.
    ui.QueueFileAnswer(dir.filePath("copy.cbg"));
    main->OnCommand(CMainFrame::kCmdFileOpen);
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 2);
    struct Case {
        const char* name;
        QByteArray content;
        const char* message;
    };
    platform::ArchiveWriter proposition;
    proposition.WriteString(".gp.Black.White");
    proposition.WriteString("1.0 0");
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    const Case refused[] = {
        {"not an archive", "hello", "is not a Norvale match or proposition file"},
        {"a proposition without a position", proposition.data(), "does not hold a valid position"},
        {"cut short", bytes.left(bytes.size() / 2), "is damaged"},
        {"too large", bytes + QByteArray(CGameDoc::kMaxMatchFileSize, '\0'), "too large to be a match file"},
    };
    for (const Case& c : refused) {
        QFile bad(dir.filePath("bad.cbg"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write(c.content);
        bad.close();
        ui.clear();
        ui.QueueFileAnswer(bad.fileName());
        main->OnCommand(CMainFrame::kCmdFileOpen);
        EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 2) << c.name;
        ASSERT_FALSE(ui.asked().empty()) << c.name;
        EXPECT_TRUE(ui.asked().back().text.contains(c.message))
            << c.name << ": " << ui.asked().back().text.toStdString();
    }
    // Closing a window lets its match go.
    delete review->parentWidget();
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 1);
}

} // namespace

namespace {

TEST_F(GameRoomTest, BearOffEquityIsAskedOfTheServerAndShown) {
    OtherClient bob(devServer.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return bob.in; }));
    bob.session.AttachToGameService(".gb.alice.bob", 1);
    ASSERT_TRUE(WaitFor([&] { return bob.Board() != nullptr; }));
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();

    // Two checkers on the six point against one on the ace point: 4 rolls in 36 win.
    CBackgammonBoard board;
    board.SetPlayers({"alice", "bob"}, 1, false);
    ASSERT_TRUE(board.ReadBoardText(gametest::BoardText({{6, 2}}, {{1, 1}}, 1), 1));
    ASSERT_TRUE(RequestBearOffEquity(&bob.session, board, ".gb.alice.bob"));
    ASSERT_TRUE(WaitFor([&] { return !ui.asked().empty(); }));
    EXPECT_EQ(ui.asked().back().text,
              "alice wins this bear-off 11.11% of the time (cubeless, alice on roll).");

    CBackgammonBoard opening;
    opening.SetupPosition();
    EXPECT_FALSE(RequestBearOffEquity(&bob.session, opening, ".gb.alice.bob")) << "not a bear-off";

    struct Case {
        const char* reply;
        bool shown;
    };
    const Case replies[] = {
        {"\".gb.alice.bob\" \"0.5\" \"bob\"", true},
        {"\".gb.ALICE.bob\" \"0.5\"", true},
        {"\".gb.cy.dan\" \"0.5\" \"cy\"", false},
        {"\".gb.alice.bob\" \"1.5\" \"bob\"", false},
        {"\".gb.alice.bob\" \"nan\" \"bob\"", false},
        {"\".gb.alice.bob\"", false},
        {"", false},
    };
    for (const Case& c : replies) {
        ui.clear();
        EXPECT_EQ(ShowBearOffEquity(nullptr, c.reply, ".gb.alice.bob"), c.shown) << c.reply;
        EXPECT_EQ(ui.asked().size(), c.shown ? 1u : 0u) << c.reply;
    }
}

} // namespace
