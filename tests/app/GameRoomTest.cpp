#include "app/GameRoom.h"
#include "AppTestSupport.h"
#include "RoomClient.h"
#include "DevServer.h"
#include "ScriptedDice.h"
#include "app/ClientApp.h"
#include "app/KelderDocManager.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/TwoPlayerGameDocTemplate.h"
#include "board/BgClientView.h"
#include "chat/ChatLog.h"
#include "chat/CommandLineView.h"
#include "game/BackgammonDoc.h"
#include "game/BoardTestUtil.h"
#include "game/ClientGameFactory.h"
#include "lobby/MatchBoardView.h"
#include "lobby/PlayerListFrameWnd.h"
#include "lobby/invite/BackgammonInviteDlg.h"
#include "lobby/invite/InvitationDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/MatchInviteDlg.h"
#include "lobby/PlayerInfoDlg.h"
#include "lobby/PlayerInfoSubDoc.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BgMatchLogView.h"
#include "game/BgSaveSettings.h"
#include "platform/Clipboard.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>

using testenv::WaitFor;

namespace {

using apptest::OtherClient;

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

// Whether the session has no game document or one whose match is over.
bool ShowsFinishedMatch(CSessionDoc* alice) {
    auto* doc = platform::object_cast<CBackgammonDoc>(alice->GetGameDocument());
    return !doc || doc->GetBoard().IsMatchOver();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        options.dice = testenv::ScriptedDice(dice);
        options.league.name.clear(); // no league: its options would fix the match length
        options.webHost = QStringLiteral("http://127.0.0.1:9"); // addresses only: nothing is loaded
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
    // Each button's Alt key is its own: none is a menu's of the main window.
    auto mnemonic = [](const QString& text) {
        const qsizetype at = text.indexOf('&');
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toUpper() : QChar();
    };
    QString taken;
    for (QAction* menu : app->GetMainFrame()->menuBar()->actions())
        taken += mnemonic(menu->text());
    for (int b = 0; b < CBgClientView::kButtonCount; ++b) {
        const QChar key = mnemonic(aliceView->GetButton(CBgClientView::Button(b))->text());
        EXPECT_FALSE(taken.contains(key)) << aliceView->GetButton(CBgClientView::Button(b))->text().toStdString();
        taken += key;
    }

    // alice opens: the server rolls 6-1 for the room.
    ASSERT_TRUE(WaitFor([&] { return aliceView->GetButton(CBgClientView::kRoll)->isEnabled(); }));
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

    // alice's player list shows the players and the watcher, from the server's directory.
    CPlayerListFrameWnd* players = app->GetGameRoom()->GetPlayerList();
    ASSERT_NE(players, nullptr);
    ASSERT_TRUE(WaitFor([&] { return players->windowTitle() == "3 Players and Watchers"; }));
    QStringList inGame;
    for (int row = 0; row < players->GetView()->GetRowCount(); ++row)
        inGame << players->GetView()->GetUserAt(row)->GetNickname();
    EXPECT_EQ(inGame, QStringList({"alice", "bob", "cy"}));
    const QString shots = QString::fromLocal8Bit(qgetenv("NORVALE_SCREENSHOT_DIR"));
    if (!shots.isEmpty()) {
        app->GetMainFrame()->resize(1000, 720);
        WaitFor([] { return false; }, 300);
        players->grab().save(QDir(shots).filePath("player-list.png"));
        app->GetMainFrame()->grab().save(QDir(shots).filePath("game.png"));
    }

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

    // Copy Match and the export carry the match the clients played; the finished match was saved
    // without asking, as the settings say by default.
    ASSERT_TRUE(aliceLog->OnCommand(CBgMatchLogView::kCmdCopyMatch));
    EXPECT_TRUE(platform::ClipboardText().startsWith("alice vs. bob\n")) << platform::ClipboardText().toStdString();
    EXPECT_TRUE(platform::ClipboardText().contains(" 13/7 8/7"));
    EXPECT_TRUE(platform::ClipboardRtf().contains(" 13/7 8/7"));
    QTemporaryDir exportDir;
    testenv::scriptedUi().QueueFileAnswer(exportDir.filePath("match"));
    ASSERT_TRUE(aliceLog->OnCommand(CBgMatchLogView::kCmdExport));
    EXPECT_TRUE(ReadAll(exportDir.filePath("match.rtf")).contains("Wins 1 point and the match"));
    // File > Print with "Current position" prints the board the window shows, alone.
    const QString pdf = exportDir.filePath("position.pdf");
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        auto* print = qobject_cast<QPrintDialog*>(dialog);
        if (!print)
            return platform::IDCANCEL;
        // Opened over a window at the screen's foot, the dialog opens its options upwards, whole.
        const QRect screen = print->screen()->availableGeometry();
        app->GetMainFrame()->setGeometry(screen.left() + 10, screen.bottom() - 260, 600, 220);
        print->show();
        for (QPushButton* options : print->findChildren<QPushButton*>())
            if (options->text() == "&Options >>")
                options->click();
        EXPECT_TRUE(WaitFor([&] { return screen.contains(print->frameGeometry()) && print->height() > 300; }))
            << print->frameGeometry().bottom();
        print->hide();
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf);
        print->setPrintRange(QAbstractPrintDialog::Selection);
        return platform::IDOK;
    });
    ASSERT_TRUE(aliceLog->OnCommand(CBgMatchLogView::kCmdPrint));
    testenv::scriptedUi().SetDialogHandler(nullptr);
    QProcess images;
    images.start("pdfimages", {"-list", pdf});
    if (images.waitForFinished(30000) && images.exitCode() == 0) {
        EXPECT_EQ(QString::fromUtf8(images.readAllStandardOutput()).count(" image "), 1);
    }
    EXPECT_TRUE(ReadAll(pdf).startsWith("%PDF"));
    const QDir saved(CBgSaveSettings::GetSaveFolder());
    EXPECT_EQ(saved.entryList({"alice vs bob *.cbg"}, QDir::Files).size(), 2u) << "alice's and bob's, not cy's";

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
    // Both play again: the next match replaces the finished one on every side, its log afresh.
    ASSERT_TRUE(WaitFor([&] { return CanClick(alice, CInvitationDlg::kIdInvite); }));
    InvitationTo(alice, ".gb.alice.bob")->ItemAs<QPushButton>(CInvitationDlg::kIdInvite)->click();
    ASSERT_TRUE(WaitFor([&] { return CanClick(&bob.session, CInvitationDlg::kIdPlay); }));
    InvitationTo(&bob.session, ".gb.alice.bob")->ItemAs<QPushButton>(CInvitationDlg::kIdPlay)->click();
    ASSERT_TRUE(WaitFor([&] {
        return devServer.MatchNumber(".gb.alice.bob") == 2 && AliceBoard() && bob.Board() && cy.Board() &&
               !ShowsFinishedMatch(alice) && bob.room.GetDocument()->GetMatchRecord().GetCount() == 1 &&
               cy.room.GetDocument()->GetMatchRecord().GetCount() == 1;
    }));
    EXPECT_TRUE(AliceBoard()->GetButton(CBgClientView::kRoll)->isEnabled()) << "alice opens the next match";
    const auto aliceLogNow = [&] {
        return LogTexts(qobject_cast<CBgMatchLogView*>(AliceFrame()->FindPane("BgMatchLog")));
    };
    EXPECT_TRUE(WaitFor([&] { return aliceLogNow() == LogTexts(bob.Log()); }))
        << aliceLogNow().join('|').toStdString() << " / " << LogTexts(bob.Log()).join('|').toStdString();
    EXPECT_FALSE(LogTexts(bob.Log()).join('|').contains("Wins")) << "the log starts afresh";

    // In the room of the finished match, whose settings carry only its rules, the player pages still
    // have the lobby's addresses.
    CPlayerInfoSubDoc* info = CPlayerInfoSubDoc::Attach(*alice);
    info->ShowPlayerInfo("bob", 2);
    ASSERT_NE(info->GetDialog(), nullptr);
    EXPECT_TRUE(info->GetDialog()->GetTargetAddress().contains("/finished/bob/?name=alice"))
        << info->GetDialog()->GetTargetAddress().toStdString();
    info->ShowPlayerInfo("alice", 7);
    EXPECT_TRUE(info->GetDialog()->GetTargetAddress().contains("alice/?name=alice"))
        << info->GetDialog()->GetTargetAddress().toStdString();

    // Leaving the room brings the lobby back, and closes the player list.
    // (The next match in the same room opened the room's player list afresh.)
    QPointer<CPlayerListFrameWnd> list = app->GetGameRoom()->GetPlayerList();
    ASSERT_FALSE(list.isNull());
    alice->DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return AliceFrame() && AliceFrame()->FindPane("UserList"); }));
    EXPECT_EQ(alice->GetGameDocument(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return list.isNull(); }));

    // Her board shows bob where he is, with the score of his match; once he is back in the lobby,
    // his location and score follow him.
    auto* board = qobject_cast<CMatchBoardView*>(AliceFrame()->FindPane("UserList"));
    ASSERT_NE(board, nullptr);
    const auto bobOnBoard = [&]() -> const CClientUserInfo* {
        for (int row = 0; row < board->GetRowCount(); ++row)
            if (board->GetUserAt(row)->GetNickname() == "bob")
                return board->GetUserAt(row);
        return nullptr;
    };
    // (He plays the next match of the room now, just started.)
    ASSERT_TRUE(WaitFor([&] { return bobOnBoard() && bobOnBoard()->GetScoreText() == "0-0 of 1"; }));
    EXPECT_EQ(bobOnBoard()->GetLocationText(), "alice vs. bob");
    EXPECT_TRUE(WaitFor([&] { return app->GetMainFrame()->GetBoardStatusText() == "Displaying 3 of 3"; }))
        << app->GetMainFrame()->GetBoardStatusText().toStdString();
    if (!shots.isEmpty())
        app->GetMainFrame()->grab().save(QDir(shots).filePath("lobby-board.png"));
    bob.session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return bobOnBoard() && bobOnBoard()->GetLocationText() == "Backgammon Lobby"; }));
    EXPECT_EQ(bobOnBoard()->GetScoreText(), "");
}

// The game window has a menu of its own that reaches the match log and leaves the room; closing the
// window brings the lobby back.
TEST_F(GameRoomTest, TheGameWindowsMenuAndClosingItLeadBackToTheLobby) {
    app = std::make_unique<CClientApp>();
    CClientApp::Options options;
    options.host = "127.0.0.1";
    options.port = devServer.Port();
    options.nickname = "alice";
    ASSERT_TRUE(app->InitInstance(options));
    OtherClient bob(devServer.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return app->GetSession() && app->GetSession()->IsConnected() && bob.in; }));
    CSessionDoc* alice = app->GetSession();
    const QString terms = CDevServer::DefaultMatchRules().FormatText();
    alice->AttachToGameService(".gb.alice.bob " + terms, 1);
    bob.session.AttachToGameService(".gb.alice.bob " + terms, 1);
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && alice->GetServiceSetting("rules") == terms; }));
    ASSERT_TRUE(WaitFor([&] { return AliceFrame() && AliceFrame()->GetMenuBar(); }));

    // The menu: the game's and the match log's commands, routed to the log wherever the focus is.
    QMenuBar* bar = AliceFrame()->GetMenuBar();
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "&Game");
    EXPECT_EQ(bar->actions()[1]->text(), "&Match Log");
    QAction* leave = bar->actions()[0]->menu()->actions().value(0);
    QAction* printed = nullptr;
    for (QAction* action : bar->actions()[1]->menu()->actions())
        if (action->text() == "Printed Boar&d Positions")
            printed = action;
    ASSERT_TRUE(leave && printed);
    EXPECT_EQ(printed->text(), "Printed Boar&d Positions");
    auto* log = qobject_cast<CBgMatchLogView*>(AliceFrame()->FindPane("BgMatchLog"));
    const bool marks = log->GetShowMarks();
    AliceFrame()->Commands().UpdateAction(printed, AliceFrame());
    EXPECT_TRUE(printed->isEnabled());
    printed->trigger();
    EXPECT_NE(log->GetShowMarks(), marks) << "not bob's log, whose window has the focus";
    AliceFrame()->Commands().UpdateAction(leave, AliceFrame());
    EXPECT_TRUE(leave->isEnabled());

    // Closing the window takes alice back to the lobby, its window set with it.
    auto* sub = qobject_cast<QMdiSubWindow*>(AliceFrame()->parentWidget());
    ASSERT_NE(sub, nullptr);
    sub->close();
    ASSERT_TRUE(WaitFor([&] {
        return alice->GetServiceName().GetText() == ".mb" && AliceFrame() && AliceFrame()->FindPane("UserList");
    }));
    EXPECT_EQ(alice->GetGameDocument(), nullptr);
    EXPECT_EQ(AliceFrame()->GetMenuBar(), nullptr) << "the lobby has no game menu";

    // Back in the room (her terms wait for bob's), the menu's Leave Match does the same.
    alice->AttachToGameService(".gb.alice.bob " + terms, 1);
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && AliceFrame()->GetMenuBar(); }));
    AliceFrame()->OnCommand(CMultiPaneFrame::kCmdLeaveRoom);
    EXPECT_TRUE(WaitFor([&] {
        return alice->GetServiceName().GetText() == ".mb" && AliceFrame() && AliceFrame()->FindPane("UserList");
    }));
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

    // File > Open: the copy opens in a second window, maximised as the first was left; what is not a
    // match is refused with a message.
    ASSERT_TRUE(review->parentWidget()->isMaximized());
    ui.QueueFileAnswer(dir.filePath("copy.cbg"));
    main->OnCommand(CMainFrame::kCmdFileOpen);
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 2);
    EXPECT_TRUE(main->GetActiveServiceFrame()->parentWidget()->isMaximized());
    EXPECT_NE(main->GetActiveServiceFrame(), review);
    // Left as a normal window, it is how the next review opens.
    main->GetActiveServiceFrame()->parentWidget()->showNormal();
    ui.QueueFileAnswer(dir.filePath("copy.cbg"));
    main->OnCommand(CMainFrame::kCmdFileOpen);
    ASSERT_EQ(app->GetDocManager()->GetOpenCount(), 3);
    EXPECT_FALSE(main->GetActiveServiceFrame()->parentWidget()->isMaximized());
    delete main->GetActiveServiceFrame()->parentWidget();
    ASSERT_EQ(app->GetDocManager()->GetOpenCount(), 2);
    // The Window menu lists the open windows: the first, behind the second, is brought back from it.
    QMenu* windowMenu = nullptr;
    for (QAction* top : main->menuBar()->actions())
        if (top->menu() && top->menu()->title() == "&Window")
            windowMenu = top->menu();
    ASSERT_NE(windowMenu, nullptr);
    QMetaObject::invokeMethod(windowMenu, "aboutToShow");
    QStringList listed;
    QAction* first = nullptr;
    QAction* second = nullptr;
    for (QAction* entry : windowMenu->actions()) {
        if (!entry->property("windowList").toBool() || entry->isSeparator())
            continue;
        listed << entry->text();
        (entry->text().startsWith("&1 ") ? first : second) = entry;
    }
    EXPECT_EQ(listed.size(), 2) << listed.join('|').toStdString();
    ASSERT_TRUE(first && second);
    second->trigger();
    EXPECT_NE(main->GetActiveServiceFrame(), review);
    first->trigger();
    EXPECT_EQ(main->GetActiveServiceFrame(), review);
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

    // Another member routing the server's answer to bob opens no box: it never reaches the window.
    OtherClient mallory(devServer.Port(), "mallory");
    ASSERT_TRUE(WaitFor([&] { return mallory.in; }));
    bool refused = false;
    QObject::connect(&bob.session, &CSessionDoc::packetRefused, [&](int type, const QString& source) {
        refused = type == CBgClientView::kBearOffReply && source == "mallory";
    });
    const size_t boxes = ui.asked().size();
    ASSERT_TRUE(mallory.session.Send(CBgClientView::kBearOffReply, "\".gb.alice.bob\" \"0.99\" \"bob\"", -1, "bob"));
    ASSERT_TRUE(WaitFor([&] { return refused; }));
    EXPECT_EQ(ui.asked().size(), boxes);

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
