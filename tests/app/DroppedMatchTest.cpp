// A match whose player drops: the one who stays waits, and the one who comes back finds his match by
// the roads a user takes (Rejoin Game, Resume...). The returning player is the application itself,
// with its lobby window and match board; the other player and a watcher are sessions with their game
// windows, all through the development server. And a lobby whose server stops under it: nothing in it
// claims to have reached anybody.

#include "AppTestSupport.h"
#include "DevServer.h"
#include "RoomClient.h"
#include "ScriptedDice.h"
#include "app/MainFrame.h"
#include "app/SessionGameLink.h"
#include "chat/ChatView.h"
#include "chat/CommandLineView.h"
#include "chat/TalkDlg.h"
#include "chat/TalkDoc.h"
#include "game/BgSaveSettings.h"
#include "game/ClientGameFactory.h"
#include "lobby/AffinityListView.h"
#include "lobby/BlindFrameWnd.h"
#include "lobby/BlindListView.h"
#include "lobby/BlindSubDocument.h"
#include "lobby/MatchBoardView.h"
#include "lobby/PlayerInfoDlg.h"
#include "lobby/PlayerInfoSubDoc.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/PlayerListFrameWnd.h"
#include "lobby/UserListCtrl.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "platform/Win32Codes.h"
#include "session/UserNotifications.h"
#include "support/FakeServer.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <deque>

using apptest::OtherClient;
using testenv::WaitFor;

namespace {

CBGRuleOptions MatchOf(int length) {
    CBGRuleOptions::Values values;
    values.matchLength = length;
    values.crawford = true;
    return CBGRuleOptions(values);
}

// Everything a player must find again: position, state, dice, cube, score.
QString MatchState(const CBackgammonDoc* doc) {
    if (!doc)
        return QStringLiteral("(no match)");
    const CBackgammonBoard& b = doc->GetBoard();
    return QStringLiteral("%1 state %2 dice %3-%4 cube %5 owner %6 score %7-%8")
        .arg(b.GetSavedBoardText(1))
        .arg(b.GetState())
        .arg(b.GetDie(0))
        .arg(b.GetDie(1))
        .arg(b.GetCubeValue())
        .arg(b.GetCubeOwner())
        .arg(b.GetScore(1))
        .arg(b.GetScore(2));
}

// The match log's entries; with movesOnly, without the room's chat (said while a player was away).
QStringList Payloads(const CBackgammonDoc* doc, bool movesOnly = false) {
    QStringList payloads;
    for (int i = 0; doc && i < doc->GetMatchRecord().GetCount(); ++i)
        if (!movesOnly || doc->GetMatchRecord().GetPacket(i)->type == CBackgammonDoc::kMovePacket)
            payloads << doc->GetMatchRecord().GetPacket(i)->payload;
    return payloads;
}

QStringList SystemLines(const CChatLog* chat) {
    QStringList lines;
    if (!chat)
        return lines;
    for (const auto& line : chat->Lines())
        if (line->GetKind() == ChatKind::System)
            lines << line->GetText();
    return lines;
}

// With NORVALE_SCREENSHOT_DIR set (by hand, under X), the windows as they stand.
void Shoot(QWidget* window, const char* name) {
    const QString shots = QString::fromLocal8Bit(qgetenv("NORVALE_SCREENSHOT_DIR"));
    if (shots.isEmpty() || !window)
        return;
    WaitFor([] { return false; }, 300); // let the window paint
    window->grab().save(QDir(shots).filePath(QString::fromLatin1(name)));
}

// The user drags a checker from one place to another.
void Drag(CBgClientView* view, int from, int to) {
    CBackgammonBoardCtl* ctl = view->GetBoardCtl();
    QTest::mousePress(ctl, Qt::LeftButton, {}, ctl->PositionCentre(from).toPoint());
    QTest::mouseRelease(ctl, Qt::LeftButton, {}, ctl->PositionCentre(to).toPoint());
}

// The Alt key of a text ("Re&sign" -> 'S'), or nothing.
QChar Mnemonic(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toUpper() : QChar();
}

// The entries of a list's context menu that are on for its selected rows, without their '&'.
QStringList MenuEntriesOn(CUserListView* view) {
    std::unique_ptr<QMenu> menu(view->CreateContextMenu(view->GetContextMenuId()));
    QStringList entries;
    for (QAction* action : menu ? menu->actions() : QList<QAction*>())
        if (!action->isSeparator() && action->isEnabled())
            entries << action->text().remove('&');
    return entries;
}

// The lines a talk window shows.
QStringList TalkLines(const CTalkDoc* talk) {
    QStringList lines;
    for (int i = 0; talk && talk->GetChatView() && i < talk->GetChatView()->GetLineCount(); ++i)
        lines << talk->GetChatView()->GetLine(i).text;
    return lines;
}

class DroppedMatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::Prepare();
        // The finished and left matches are saved here, not where other tests count theirs.
        GetSettingsStore().WriteString(QLatin1String(CBgSaveSettings::kSection), "SaveFolder", saves.path());
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        CBgClientView::RegisterPane();
        CBgMatchLogView::RegisterPane();
        RegisterChatPanes();
        qputenv("NORVALE_WEB_ENGINE", "none");
    }
    void TearDown() override {
        apptest::ShutDown(app);
        qunsetenv("NORVALE_WEB_ENGINE");
    }

    // alice is the application: started once, then logged in again after each drop.
    void LogInAlice(quint16 port = 0) {
        port = port ? port : server.Port();
        if (!app) {
            app = std::make_unique<CClientApp>();
            CClientApp::Options options;
            options.host = "127.0.0.1";
            options.port = port;
            options.nickname = "alice";
            ASSERT_TRUE(app->InitInstance(options));
        } else {
            app->LogIn("127.0.0.1", port, "alice", "any");
        }
        ASSERT_TRUE(WaitFor([&] {
            return alice() && alice()->IsConnected() && AliceFrame() && AliceFrame()->FindPane("UserList");
        }));
    }
    void LogInBobAndCy() {
        bob = std::make_unique<OtherClient>(server.Port(), "bob");
        cy = std::make_unique<OtherClient>(server.Port(), "cy");
        ASSERT_TRUE(WaitFor([&] { return bob->in && cy->in; }));
    }
    // alice and bob take their seats at a 5-point match.
    void SeatAliceAndBob(int length = 5) {
        const QString terms = MatchOf(length).FormatText();
        alice()->AttachToGameService(".gb.alice.bob " + terms, 1);
        bob->session.AttachToGameService(".gb.alice.bob " + terms, 1);
    }
    CSessionDoc* alice() const { return app ? app->GetSession() : nullptr; }
    CBackgammonDoc* AliceDoc() const { return app && app->GetGameRoom() ? app->GetGameRoom()->GetDocument() : nullptr; }
    CChatLog* AliceChat() const { return alice() ? dynamic_cast<CChatLog*>(alice()->GetChatLog()) : nullptr; }
    CMultiPaneFrame* AliceFrame() const {
        return app && app->GetMainFrame() ? app->GetMainFrame()->GetActiveServiceFrame() : nullptr;
    }
    CBgClientView* AliceBoard() const {
        return AliceFrame() ? qobject_cast<CBgClientView*>(AliceFrame()->FindPane("BgBoard")) : nullptr;
    }
    // alice rolls, and her play can begin (Resign lights with it).
    bool AliceRolls() const {
        return WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kRoll)->isEnabled(); }) &&
               AliceBoard()->PressButton(CBgClientView::kRoll) &&
               WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kResign)->isEnabled(); });
    }
    // The lobby's match board, once it shows bob.
    CMatchBoardView* Board() const {
        auto* board = AliceFrame() ? qobject_cast<CMatchBoardView*>(AliceFrame()->FindPane("UserList")) : nullptr;
        return board && alice()->FindUser("bob") && board->FindRow(alice()->FindUser("bob")) >= 0 ? board : nullptr;
    }
    // Every document of the room shows the referee's match.
    bool InStep(const std::vector<const CBackgammonDoc*>& docs) const {
        const CMatchReferee* referee = server.FindMatch(".gb.alice.bob");
        for (const CBackgammonDoc* doc : docs)
            if (!referee || !doc || doc->GetMatchRecord().GetMoveCount() != referee->MoveCount() ||
                doc->IsAwaitingAnswer() || MatchState(doc) != MatchState(bob->room.GetDocument()))
                return false;
        return true;
    }
    // Rejoin Game, on bob in her match board, seats her in her match.
    void Rejoin() {
        CMatchBoardView* board = Board();
        board->SelectUser(alice()->FindUser("bob"));
        platform::CommandState state;
        ASSERT_TRUE(board->OnUpdateCommand(CUserListView::kCmdWatch, state));
        EXPECT_EQ(state.text, "Rejoin Game");
        ASSERT_TRUE(state.enabled);
        ASSERT_TRUE(board->OnCommand(CUserListView::kCmdWatch));
        ASSERT_TRUE(WaitFor([&] { return AliceBoard() && InStep({AliceDoc(), cy->room.GetDocument()}); }));
    }
    // The Action menu as it opens: its "&Resume..." entries, pop-up or plain.
    QList<QAction*> ResumeEntries() const {
        QMenu* menu = app->GetMainFrame()->GetActionMenu();
        emit menu->aboutToShow();
        QList<QAction*> entries;
        for (QAction* action : menu->actions())
            if (action->text() == "&Resume...")
                entries << action;
        return entries;
    }
    // A line sent to the room has come back: what the server sent before it has been taken.
    void Barrier(OtherClient& client, const QString& word) {
        client.session.SendChat(word, 0);
        ASSERT_TRUE(WaitFor([&] {
            for (const auto& line : client.chat.Lines())
                if (line->GetText().contains(word))
                    return true;
            return false;
        }));
    }

    std::deque<int> dice{6, 1, 5, 2, 4, 3, 3, 3};
    CDevServer server{[this] {
        CDevServer::Options options;
        options.dice = testenv::ScriptedDice(dice);
        return options;
    }()};
    QTemporaryDir saves;
    std::unique_ptr<CClientApp> app;
    std::unique_ptr<OtherClient> bob, cy;
};

TEST_F(DroppedMatchTest, ADroppedPlayerComesBackByRejoinAndByResumeToTheMatchAsItStood) {
    LogInAlice();
    ASSERT_NO_FATAL_FAILURE(LogInBobAndCy());
    SeatAliceAndBob();
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && bob->Board() && server.MatchNumber(".gb.alice.bob") == 1; }));
    cy->session.ExamineMatch(".gb.alice.bob", QString());
    ASSERT_TRUE(WaitFor([&] { return cy->Board() && InStep({AliceDoc(), cy->room.GetDocument()}); }));
    // She closes her Players window: it stays closed for this match, however she comes back to it.
    ASSERT_TRUE(WaitFor([&] { return app->GetGameRoom()->GetPlayerList(); }));
    app->GetGameRoom()->GetPlayerList()->close();
    ASSERT_TRUE(WaitFor([&] { return !app->GetGameRoom()->GetPlayerList(); }));

    // alice opens 6-1, bob plays 5-2, alice doubles and bob takes; alice rolls 4-3 and has made one
    // step of her play when her connection goes.
    ASSERT_TRUE(AliceRolls());
    ASSERT_TRUE(AliceBoard()->DoCommand("m 13/7 8/7"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kRoll)->isEnabled(); }));
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kResign)->isEnabled(); }));
    ASSERT_TRUE(bob->Board()->DoCommand("m 12/17 12/14"));
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kDouble)->isEnabled(); }));
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(AliceBoard()->PressButton(CBgClientView::kDouble));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kTake)->isEnabled(); }));
    EXPECT_FALSE(bob->Board()->GetButton(CBgClientView::kDouble)->isEnabled()) << "a match has no beavers";
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kTake));
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kRoll)->isEnabled(); }));
    ASSERT_TRUE(AliceBoard()->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return InStep({AliceDoc(), cy->room.GetDocument()}); }));
    ASSERT_TRUE(AliceBoard()->DoCommand("c 13/9"));
    const QString dropped = MatchState(bob->room.GetDocument());
    const QStringList log = Payloads(bob->room.GetDocument());
    app->LogOut();

    // bob is told once, in order, in his room's chat; he now waits, and the lobby says so.
    const QString left = UserNotification::Text(UserNotification::kOpponentLeavesGame, "alice");
    const QString kept = CSessionGameLink::OpponentLeftText("alice");
    ASSERT_TRUE(WaitFor([&] { return SystemLines(&bob->chat).contains(kept); }));
    Barrier(*bob, "after the drop");
    const QStringList notices = SystemLines(&bob->chat);
    EXPECT_EQ(notices.count(left), 1) << notices.join('|').toStdString();
    EXPECT_EQ(notices.count(kept), 1);
    EXPECT_LT(notices.indexOf(left), notices.indexOf(kept));
    EXPECT_FALSE(notices.join('|').contains("Welcome")) << "the room's chat starts with the room";
    EXPECT_TRUE(server.HoldsUnfinishedMatch(".gb.alice.bob"));
    ASSERT_TRUE(WaitFor([&] {
        const CClientUserInfo* seen = cy->session.FindUser("bob");
        return seen && seen->GetActivity() == CUserInfo::kActivityWaiting;
    }));

    // She comes back: the opponent of her unfinished match waits for her, and she is told so at login.
    LogInAlice();
    ASSERT_TRUE(WaitFor([&] { return Board(); }));
    const QString waiting = UserNotification::AlreadyThereText("bob", true);
    EXPECT_TRUE(WaitFor([&] { return SystemLines(AliceChat()).contains(waiting); }))
        << SystemLines(AliceChat()).join('|').toStdString();
    // Her Action menu offers the match, and keeps one Resume entry in the game window she comes to.
    ASSERT_TRUE(
        WaitFor([&] { return alice()->FindUser("bob")->GetActivity() == CUserInfo::kActivityWaiting; }));
    ASSERT_EQ(ResumeEntries().size(), 1);
    EXPECT_TRUE(ResumeEntries().constFirst()->menu()) << "a pop-up of the matches she can resume";
    ASSERT_NO_FATAL_FAILURE(Rejoin());
    EXPECT_EQ(ResumeEntries().size(), 1);
    EXPECT_EQ(MatchState(AliceDoc()), dropped);
    // bob reads it where he read that she had left.
    const QString back = CSessionGameLink::OpponentBackText("alice");
    ASSERT_TRUE(WaitFor([&] { return SystemLines(&bob->chat).endsWith(back); }))
        << SystemLines(&bob->chat).join('|').toStdString();
    EXPECT_FALSE(bob->room.GetDocument()->IsOpponentAway());
    EXPECT_EQ(app->GetGameRoom()->GetPlayerList(), nullptr) << "she closed it in this match";
    EXPECT_EQ(AliceDoc()->GetBoard().GetCubeValue(), 2);
    EXPECT_EQ(Payloads(AliceDoc()), log);
    EXPECT_EQ(AliceDoc()->GetLocalSide(), 1) << "she plays, she does not watch";
    Shoot(app->GetMainFrame(), "rejoin-alice.png");
    Shoot(bob->frame.get(), "rejoin-bob.png");
    Shoot(cy->frame.get(), "rejoin-cy.png");
    ASSERT_TRUE(WaitFor([&] {
        return !server.HoldsUnfinishedMatch(".gb.alice.bob") &&
               !CInvitationManager::Find(alice())->HasUnfinishedMatch(".gb.alice.bob") &&
               cy->session.FindUser("bob")->GetActivity() == CUserInfo::kActivityPlaying;
    }));
    // She plays her 4-3 again; now bob is on roll.
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kResign)->isEnabled(); }));
    ASSERT_TRUE(AliceBoard()->DoCommand("m 13/9 13/10"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kRoll)->isEnabled(); }));

    // Her connection goes again, with bob on roll: he can neither roll, double nor resign, and a roll
    // he asks for anyway is refused by the server.
    app->LogOut();
    ASSERT_TRUE(WaitFor([&] { return bob->room.GetDocument()->IsOpponentAway(); }));
    for (auto button : {CBgClientView::kRoll, CBgClientView::kDouble, CBgClientView::kResign})
        EXPECT_FALSE(bob->Board()->GetButton(button)->isEnabled()) << button;
    EXPECT_FALSE(bob->room.GetDocument()->RollDice());
    const int moves = server.FindMatch(".gb.alice.bob")->MoveCount();
    bob->session.Send(217, QStringLiteral("%1 r").arg(moves + 1), -1, "&");
    Barrier(*bob, "after the roll");
    EXPECT_EQ(server.FindMatch(".gb.alice.bob")->MoveCount(), moves);
    EXPECT_EQ(bob->room.GetDocument()->GetBoard().GetState(), CBackgammonBoard::kStateAwaitingRoll);

    // This time she resumes: a double-click on bob, who waits in the room, asks him, and he says yes.
    LogInAlice();
    ASSERT_TRUE(WaitFor([&] { return Board() && SystemLines(AliceChat()).contains(waiting); }));
    ASSERT_TRUE(WaitFor([&] { return alice()->FindUser("bob")->GetActivity() == CUserInfo::kActivityWaiting; }));
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) -> int {
        auto* waiting = dynamic_cast<CWaitingForResumeMatchDlg*>(dialog);
        if (!waiting || !WaitFor([&] { return bob->invitations->FindResumeDialog(".gb.alice.bob"); }))
            return platform::IDCANCEL;
        bob->invitations->FindResumeDialog(".gb.alice.bob")
            ->ItemAs<QPushButton>(CResumeMatchReceiverDlg::kIdResume)
            ->click();
        WaitFor([&] { return waiting->HasEnded(); });
        return waiting->result();
    });
    CMatchBoardView* board = Board();
    CUserListCtrl* list = board->GetListCtrl();
    const QModelIndex row = list->model()->index(board->FindRow(alice()->FindUser("bob")), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    testenv::scriptedUi().SetDialogHandler(nullptr);
    ASSERT_TRUE(WaitFor([&] { return AliceBoard() && InStep({AliceDoc(), cy->room.GetDocument()}); }));
    EXPECT_EQ(Payloads(AliceDoc()), Payloads(bob->room.GetDocument(), true));
    EXPECT_EQ(Payloads(cy->room.GetDocument()), Payloads(bob->room.GetDocument()));
    ASSERT_TRUE(WaitFor([&] { return SystemLines(&bob->chat).count(back) == 2; }));
    EXPECT_TRUE(SystemLines(&bob->chat).endsWith(back)) << SystemLines(&bob->chat).join('|').toStdString();
    EXPECT_EQ(app->GetGameRoom()->GetPlayerList(), nullptr);

    // And bob plays on: he rolls 3-3 and drags one checker 17/20.
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kRoll)->isEnabled(); }));
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kRoll));
    EXPECT_TRUE(WaitFor([&] { return InStep({AliceDoc(), cy->room.GetDocument()}) &&
                                     AliceDoc()->GetBoard().GetState() == CBackgammonBoard::kStateMoving; }));
    const auto steps = [&] { return bob->Board()->GetShownBoard().GetStepCount(); };
    Drag(bob->Board(), 17, 20);
    ASSERT_EQ(steps(), 1);
    EXPECT_TRUE(bob->Board()->GetButton(CBgClientView::kUndo)->isEnabled());

    // Her connection goes a third time: his half-made move waits, and no checker moves under his mouse.
    app->LogOut();
    ASSERT_TRUE(WaitFor([&] { return bob->room.GetDocument()->IsOpponentAway(); }));
    Drag(bob->Board(), 19, 22);
    EXPECT_EQ(steps(), 1);
    EXPECT_FALSE(bob->Board()->GetButton(CBgClientView::kUndo)->isEnabled());
    EXPECT_FALSE(bob->Board()->DoCommand("c 17/20"));
    EXPECT_EQ(steps(), 1);

    // She rejoins: he goes on with his move where he left it.
    LogInAlice();
    ASSERT_TRUE(WaitFor([&] { return Board(); }));
    ASSERT_NO_FATAL_FAILURE(Rejoin());
    ASSERT_TRUE(WaitFor([&] { return SystemLines(&bob->chat).count(back) == 3; }));
    Drag(bob->Board(), 19, 22);
    EXPECT_EQ(steps(), 2);

    // Another day, both programs and the server start afresh, and the server numbers the matches of
    // its new rooms from 1 again: the match the two agree on then is a new one, with its Players window.
    apptest::ShutDown(app);
    bob.reset();
    cy.reset();
    auto nextDay = std::make_unique<CDevServer>(CDevServer::Options{.dice = testenv::ScriptedDice(dice)});
    ASSERT_TRUE(nextDay->Listen(QHostAddress::LocalHost, 0));
    qputenv(CClientApp::kPasswordVariable, "any");
    LogInAlice(nextDay->Port());
    bob = std::make_unique<OtherClient>(nextDay->Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return bob->in; }));
    // A match she saved, in a window titled by its file, keeps its title when she enters a room.
    const QStringList saved = QDir(saves.path()).entryList({"*.cbg"}, QDir::Files);
    testenv::scriptedUi().QueueFileAnswer(QDir(saves.path()).filePath(saved.value(0)));
    app->OnFileOpen();
    CMultiPaneFrame* review = AliceFrame(); // the file's window comes to the fore
    ASSERT_TRUE(review && review->GetSession() != alice());
    const QString title = review->windowTitle();
    ASSERT_TRUE(!saved.isEmpty() && title.startsWith(saved.first())) << title.toStdString();
    // bob takes his seat first: she enters a room whose match has its number already.
    dice = {6, 1};
    const QString terms = MatchOf(5).FormatText();
    bob->session.AttachToGameService(".gb.alice.bob " + terms, 1);
    ASSERT_TRUE(WaitFor([&] { return bob->Board(); }));
    alice()->AttachToGameService(".gb.alice.bob " + terms, 1);
    ASSERT_TRUE(WaitFor([&] { return AliceDoc() && AliceBoard() && AliceBoard()->GetBgDoc() == AliceDoc(); }));
    EXPECT_EQ(nextDay->MatchNumber(".gb.alice.bob"), 1);
    EXPECT_NE(app->GetGameRoom()->GetPlayerList(), nullptr); // (opened, or not, as she entered)
    EXPECT_EQ(review->windowTitle(), title);

    // The server stops in the middle of her move. Her client stays as it was: the board stays on show,
    // but nothing is played any more; and it saves the match the server forgot.
    ASSERT_TRUE(AliceRolls() && AliceBoard()->DoCommand("c 13/7"));
    const QStringList played = Payloads(AliceDoc(), true);
    nextDay.reset();
    ASSERT_TRUE(WaitFor([&] { return !alice()->IsConnected(); }));
    ASSERT_TRUE(AliceBoard());
    for (auto button : {CBgClientView::kRoll, CBgClientView::kDouble, CBgClientView::kResign, CBgClientView::kUndo})
        EXPECT_FALSE(AliceBoard()->GetButton(button)->isEnabled()) << button;
    Drag(AliceBoard(), 8, 7);
    EXPECT_EQ(AliceBoard()->GetShownBoard().GetStepCount(), 1);
    apptest::ShutDown(app);
    const QStringList now = QDir(saves.path()).entryList({"alice vs bob *.cbg"}, QDir::Files, QDir::Time);
    CBackgammonDoc file;
    ASSERT_TRUE(!now.isEmpty() && file.LoadMatchFile(QDir(saves.path()).filePath(now.first())));
    EXPECT_EQ(Payloads(&file, true), played);
}

// The game window through a match of every state its buttons know: no button's Alt key is a menu's
// of the main window or another button's; a watcher's window stops watching rather than leaving a
// match; the Players window the user closed stays closed for that match and opens with the next.
TEST_F(DroppedMatchTest, TheGameWindowThroughTwoMatches) {
    dice = {6, 1, 5, 2, 6, 1, 6, 1};
    LogInAlice();
    QString menus; // the main window's, its Action menu included, as the lobby shows them
    for (QAction* menu : app->GetMainFrame()->menuBar()->actions())
        menus += Mnemonic(menu->text());
    ASSERT_TRUE(menus.contains('A')) << menus.toStdString();
    ASSERT_NO_FATAL_FAILURE(LogInBobAndCy());
    SeatAliceAndBob();
    cy->session.ExamineMatch(".gb.alice.bob", QString());
    ASSERT_TRUE(WaitFor([&] {
        return AliceBoard() && AliceFrame()->GetMenuBar() && bob->Board() && cy->Board() &&
               InStep({AliceDoc(), cy->room.GetDocument()});
    }));
    for (QAction* menu : AliceFrame()->GetMenuBar()->actions())
        menus += Mnemonic(menu->text());
    QStringList clashes;
    const auto checkKeys = [&](const CBgClientView* view, const char* when) {
        QString taken = menus;
        for (int b = 0; b < CBgClientView::kButtonCount; ++b) {
            const QPushButton* button = view->GetButton(CBgClientView::Button(b));
            const QChar key = Mnemonic(button->text());
            if (!button->isVisible() || key.isNull())
                continue;
            if (taken.contains(key))
                clashes << QStringLiteral("%1: %2").arg(when, button->text());
            taken += key;
        }
    };
    for (auto button : {CBgClientView::kRoll, CBgClientView::kTake})
        EXPECT_FALSE(cy->Board()->GetButton(button)->isVisible()) << "a watcher has no buttons";
    platform::CommandState leave;
    ASSERT_TRUE(cy->frame->OnUpdateCommand(CMultiPaneFrame::kCmdLeaveRoom, leave));
    EXPECT_EQ(leave.text, "Stop &Watching");
    ASSERT_TRUE(AliceFrame()->OnUpdateCommand(CMultiPaneFrame::kCmdLeaveRoom, leave));
    EXPECT_EQ(leave.text, "&Leave Match");

    // alice closes the Players window with its close box.
    ASSERT_TRUE(WaitFor([&] { return app->GetGameRoom()->GetPlayerList(); }));
    QPointer<CPlayerListFrameWnd> players = app->GetGameRoom()->GetPlayerList();
    players->close();
    ASSERT_TRUE(WaitFor([&] { return players.isNull(); }));

    // Game 1: alice opens and plays, bob doubles, alice passes.
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kRoll)->isEnabled(); }));
    checkKeys(AliceBoard(), "opening roll");
    ASSERT_TRUE(AliceBoard()->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kResign)->isEnabled(); }));
    checkKeys(AliceBoard(), "moving");
    ASSERT_TRUE(AliceBoard()->DoCommand("m 13/7 8/7"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kDouble)->isEnabled(); }));
    checkKeys(bob->Board(), "on roll");
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kDouble));
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kPass)->isEnabled(); }));
    checkKeys(AliceBoard(), "double offered");
    ASSERT_TRUE(AliceBoard()->PressButton(CBgClientView::kPass));

    // Game 2: alice opens and resigns a backgammon, which bob accepts: 0-4, the Crawford game next.
    ASSERT_TRUE(AliceRolls());
    ASSERT_TRUE(AliceBoard()->DoCommand("x 3"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kTake)->isEnabled(); }));
    checkKeys(bob->Board(), "resignation offered");
    EXPECT_EQ(bob->Board()->GetButton(CBgClientView::kTake)->text().remove('&'), "Accept");
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kTake));

    // Game 3, the Crawford game: alice resigns again and the match is bob's.
    ASSERT_TRUE(WaitFor([&] {
        return AliceBoard()->GetButton(CBgClientView::kRoll)->isEnabled() && AliceDoc()->GetBoard().GetScore(2) == 4;
    }));
    checkKeys(AliceBoard(), "Crawford game");
    EXPECT_TRUE(app->GetGameRoom()->GetPlayerList() == nullptr) << "closed for this match";
    ASSERT_TRUE(AliceBoard()->PressButton(CBgClientView::kRoll));
    ASSERT_TRUE(WaitFor([&] { return AliceBoard()->GetButton(CBgClientView::kResign)->isEnabled(); }));
    ASSERT_TRUE(AliceBoard()->DoCommand("x 1"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kTake)->isEnabled(); }));
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kTake));
    ASSERT_TRUE(WaitFor([&] { return AliceDoc()->GetBoard().IsMatchOver(); }));
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join(" | ").toStdString();

    // They play again, a 1-point match: the next match opens the Players window again.
    SeatAliceAndBob(1);
    ASSERT_TRUE(WaitFor([&] { return server.MatchNumber(".gb.alice.bob") == 2 && app->GetGameRoom()->GetPlayerList(); }));
    ASSERT_TRUE(WaitFor([&] { return app->GetGameRoom()->GetPlayerList()->windowTitle() == "3 Players and Watchers"; }));
    Shoot(app->GetGameRoom()->GetPlayerList(), "players-second-match.png");
    Shoot(app->GetMainFrame(), "second-match-alice.png");

    // She moves it; alice resigns, and they play again: the third match's list stands where she put it.
    players = app->GetGameRoom()->GetPlayerList();
    const QPoint from = players->pos(), moved = from + QPoint(37, 29);
    players->move(moved);
    QMoveEvent byHand(moved, from); // as the window system tells of a move made with the mouse
    QSpontaneKeyEvent::setSpontaneous(&byHand);
    qApp->notify(players, &byHand); // (sendEvent would take the flag away)
    ASSERT_TRUE(players->IsPlacementSaved());
    ASSERT_TRUE(AliceRolls());
    ASSERT_TRUE(AliceBoard()->DoCommand("x 1"));
    ASSERT_TRUE(WaitFor([&] { return bob->Board()->GetButton(CBgClientView::kTake)->isEnabled(); }));
    ASSERT_TRUE(bob->Board()->PressButton(CBgClientView::kTake));
    ASSERT_TRUE(WaitFor([&] { return AliceDoc()->GetBoard().IsMatchOver(); }));
    SeatAliceAndBob();
    ASSERT_TRUE(WaitFor([&] {
        return server.MatchNumber(".gb.alice.bob") == 3 && players.isNull() && app->GetGameRoom()->GetPlayerList();
    }));
    EXPECT_EQ(app->GetGameRoom()->GetPlayerList()->pos(), moved);
}

// The server stops under her in the lobby, with a talk, the friends' and gagged players' windows and
// bob's information open. The commands that would reach bob go off in every list and menu (Player Info
// stays, and says that his location could not be asked); what she types says it was not sent.
TEST_F(DroppedMatchTest, WithTheServerGoneTheLobbyClaimsNothingWasSent) {
    auto stopping = std::make_unique<CDevServer>(CDevServer::Options{});
    ASSERT_TRUE(stopping->Listen(QHostAddress::LocalHost, 0));
    LogInAlice(stopping->Port());
    bob = std::make_unique<OtherClient>(stopping->Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return bob->in && Board(); }));
    CMainFrame* main = app->GetMainFrame();
    CMatchBoardView* board = Board();
    board->SelectUser(alice()->FindUser("bob"));
    const QStringList everything = {"Talk...", "Player Info...", "Invite...", "Proposition...", "Friend",
                                    "Gagged",  "Blinded",        "Legend",    "Settings...",    "Properties..."};
    EXPECT_EQ(MenuEntriesOn(board), everything);

    // She talks to bob, befriends him and opens her lists and his information.
    std::unique_ptr<QMenu> menu(board->CreateContextMenu(board->GetContextMenuId()));
    menu->actions().first()->trigger();
    CTalkDoc* talk = dynamic_cast<CTalkDoc*>(alice()->FindTalk({"alice", "bob"}));
    ASSERT_TRUE(talk && talk->GetWindow());
    CCommandEdit* talkLine = talk->GetWindow()->GetCommandLine()->GetEdit();
    QTest::keyClicks(talkLine, "hello bob");
    QTest::keyClick(talkLine, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] {
        return std::any_of(bob->chat.Lines().begin(), bob->chat.Lines().end(),
                           [](const auto& line) { return line->GetText() == "hello bob"; });
    }));
    EXPECT_EQ(TalkLines(talk), QStringList{"alice: hello bob"});
    CRelationsSubDoc* relations = CRelationsSubDoc::Find(alice());
    ASSERT_TRUE(relations && relations->ChangeAffinityList("bob", true));
    ASSERT_TRUE(WaitFor([&] { return relations->IsAffinity("bob"); }));
    ASSERT_TRUE(main->OnCommand(CMainFrame::kCmdFriends));
    auto* friends = dynamic_cast<CAffinityListView*>(CAffinityFrameWnd::Find(alice())->GetView());
    ASSERT_TRUE(friends && WaitFor([&] { return friends->GetRowCount() == 1; }));
    friends->SelectUser(friends->GetUserAt(0));
    const auto toolsOn = [](const CUserListView* view) {
        QStringList on;
        for (QAction* action : view->GetToolBar()->actions())
            if (action->isEnabled())
                on << QString::number(platform::CommandId(action));
        return on;
    };
    const QString info = QString::number(CUserListView::kCmdInfo);
    ASSERT_TRUE(WaitFor([&] { return toolsOn(friends).size() == 6; })) << toolsOn(friends).join(' ').toStdString();
    ASSERT_TRUE(main->OnCommand(CMainFrame::kCmdGaggedPlayers));
    auto* gagged = dynamic_cast<CGagListView*>(CGagSubDocument::Find(alice())->GetFrame()->GetView());
    ASSERT_TRUE(gagged && gagged->GetAddButton()->isEnabled());
    alice()->ShowPlayerInfo("bob");
    CPlayerInfoDlg* player = CPlayerInfoSubDoc::Find(alice())->GetDialog();
    ASSERT_TRUE(player && WaitFor([&] { return player->IsLocationKnown(); }));
    const int playerCommands[] = {CPlayerInfoDlg::kCmdInvite, CPlayerInfoDlg::kCmdTalk, CPlayerInfoDlg::kCmdFriend,
                                  CPlayerInfoDlg::kCmdGag, CPlayerInfoDlg::kCmdBlind};
    for (int id : playerCommands)
        EXPECT_TRUE(player->CommandAction(id)->isEnabled()) << id;

    stopping.reset();
    ASSERT_TRUE(WaitFor([&] { return !alice()->IsConnected(); }));
    EXPECT_EQ(MenuEntriesOn(board), QStringList({"Player Info...", "Legend", "Settings...", "Properties..."}));
    EXPECT_EQ(toolsOn(friends), QStringList{info});
    EXPECT_FALSE(gagged->GetAddButton()->isEnabled());
    for (int id : playerCommands)
        EXPECT_FALSE(player->CommandAction(id)->isEnabled()) << id;

    // A line typed into the talk says it was not sent, and is not shown as said.
    QTest::keyClicks(talkLine, "are you there");
    QTest::keyClick(talkLine, Qt::Key_Return);
    EXPECT_EQ(TalkLines(talk), QStringList({"alice: hello bob", "Not connected: the line was not sent."}));
    // So does one typed into a talk where nobody else is left.
    alice()->OpenTalkWindow({"alice"});
    CTalkDoc* alone = dynamic_cast<CTalkDoc*>(alice()->FindTalk({"alice"}));
    ASSERT_TRUE(alone && alone->GetWindow());
    CCommandEdit* aloneLine = alone->GetWindow()->GetCommandLine()->GetEdit();
    QTest::keyClicks(aloneLine, "anyone");
    QTest::keyClick(aloneLine, Qt::Key_Return);
    EXPECT_EQ(TalkLines(alone), QStringList{"Not connected: the line was not sent."});
    // A double-click on bob shows his information at once, without his location.
    CUserListCtrl* list = board->GetListCtrl();
    const QModelIndex row = list->model()->index(board->FindRow(alice()->FindUser("bob")), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    EXPECT_EQ(player->GetShownPlayer(), "bob");
    EXPECT_TRUE(player->IsLocationKnown()) << "the profile does not wait for it";
    EXPECT_EQ(player->GetLocationText(), "Unknown");
    EXPECT_EQ(SystemLines(AliceChat()).last(), "Not connected: the request for bob's location was not sent.");
    Shoot(main, "server-gone-alice.png");
}

} // namespace
