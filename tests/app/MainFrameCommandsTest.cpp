#include "app/ClientApp.h"
#include "DevWebServer.h"
#include "AppTestSupport.h"
#include "app/MainFrame.h"
#include "mail/MailWindowIds.h"
#include "mail/MessageMailboxWnd.h"
#include "mail/MsgDisplayEditWnd.h"
#include "lobby/MatchBoardView.h"

#include <QMenu>
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/ChangePswd.h"
#include "prefs/UpdateEmailDlg.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QColorDialog>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <map>

using testenv::WaitFor;

namespace {

using platform::IDCANCEL;
using platform::IDOK;

class MainFrameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteInt("Tip", "StartUp", 1);
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler([this](QDialog* dialog) {
            shown << dialog->objectName();
            captions << dialog->windowTitle();
            return handler ? handler(dialog) : IDCANCEL;
        });
    }
    void TearDown() override {
        apptest::ShutDown(app);
        testenv::scriptedUi().clear();
    }
    bool enabled(CMainFrame& frame, int id) {
        platform::CommandState state;
        EXPECT_TRUE(frame.OnUpdateCommand(id, state));
        return state.enabled;
    }
    // A client logged in to the fake server as alice.
    CMainFrame* LogIn() {
        qputenv(CClientApp::kPasswordVariable, "secret");
        app = std::make_unique<CClientApp>();
        CClientApp::Options options;
        options.host = "127.0.0.1";
        options.port = server.Port();
        options.nickname = "alice";
        EXPECT_TRUE(app->InitInstance(options));
        EXPECT_TRUE(server.WaitForLogin());
        EXPECT_TRUE(WaitFor([&] { return app->GetSession() && app->GetSession()->IsConnected(); }));
        return app->GetMainFrame();
    }

    // The next database request the client sent; what the lobby asks for at login is passed over.
    std::optional<testenv::FakeServer::Frame> nextDatabaseRequest() {
        while (auto frame = server.NextFrame())
            if (frame->Type() == CSessionDoc::kPacketDatabase)
                return frame;
        return std::nullopt;
    }

    testenv::FakeServer server;
    webtest::FakeBrowserFactory pages; // the lobby's advert pane loads nothing here
    std::unique_ptr<CClientApp> app;
    QStringList shown;
    QStringList captions;
    std::function<int(QDialog*)> handler;
};

TEST_F(MainFrameCommandsTest, HelpAndColourCommandsOpenTheirDialogs) {
    CMainFrame frame;
    for (int id : {CMainFrame::kCmdAbout, CMainFrame::kCmdTipOfTheDay, CMainFrame::kCmdCustomColors})
        EXPECT_TRUE(enabled(frame, id));
    EXPECT_TRUE(frame.OnCommand(CMainFrame::kCmdAbout));
    EXPECT_TRUE(frame.OnCommand(CMainFrame::kCmdTipOfTheDay));
    EXPECT_TRUE(frame.OnCommand(CMainFrame::kCmdCustomColors));
    EXPECT_EQ(shown, QStringList({"CAboutNVDlg", "CTipDlg", "CKWColorDlg"}));
    EXPECT_EQ(captions[2], "Custom Colors");
}

TEST_F(MainFrameCommandsTest, AccountCommandsNeedAConnection) {
    CMainFrame frame;
    EXPECT_FALSE(enabled(frame, CMainFrame::kCmdChangePassword));
    EXPECT_FALSE(enabled(frame, CMainFrame::kCmdChangeEmail));
    EXPECT_TRUE(frame.OnCommand(CMainFrame::kCmdChangePassword));
    EXPECT_TRUE(frame.OnCommand(CMainFrame::kCmdChangeEmail));
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MainFrameCommandsTest, ChangePasswordSendsTheConfirmedChange) {
    CMainFrame* frame = LogIn();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(enabled(*frame, CMainFrame::kCmdChangePassword));
    // What the lobby sends once its window set is up (the match board's query comes last).
    while (auto sent = server.NextFrame())
        if (sent->Type() == CMatchBoardView::kPacketQuery)
            break;
    handler = [](QDialog* dialog) {
        auto* form = static_cast<CChangePswd*>(dialog);
        form->SetItemText(CChangePswd::kIdOld, "secret");
        form->SetItemText(CChangePswd::kIdNew, "n\"ew");
        form->SetItemText(CChangePswd::kIdConfirm, "n\"ew");
        return form->Press(IDOK);
    };
    frame->OnCommand(CMainFrame::kCmdChangePassword);
    auto request = nextDatabaseRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Destination(), ".db");
    EXPECT_EQ(request->Text(), "ChangePassword \"secret\" \"n\\\"ew\"");

    handler = nullptr; // cancelled: nothing goes out
    frame->OnCommand(CMainFrame::kCmdChangePassword);
    EXPECT_TRUE(server.NothingReceived());
}

TEST_F(MainFrameCommandsTest, ChangeEmailOpensOneDialogForTheSession) {
    CMainFrame* frame = LogIn();
    ASSERT_TRUE(frame);
    frame->OnCommand(CMainFrame::kCmdChangeEmail);
    CUpdateEmailDlg* dialog = CUpdateEmailDlg::FindOpen(app->GetSession());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), frame);
    frame->OnCommand(CMainFrame::kCmdChangeEmail);
    EXPECT_EQ(CUpdateEmailDlg::FindOpen(app->GetSession()), dialog);

    dialog->SetItemText(CUpdateEmailDlg::kIdAddress, "alice@example.org");
    dialog->Press(IDOK);
    auto request = nextDatabaseRequest();
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->Text().endsWith(" alice DeprecatedEmailChallengeResponse alice@example.org"));
    server.Route(".db", 192, "alice Y");
    ASSERT_TRUE(WaitFor([&] { return CUpdateEmailDlg::FindOpen(app->GetSession()) == nullptr; }));
}

} // namespace

namespace {

bool checked(CMainFrame& frame, int id) {
    platform::CommandState state;
    frame.OnUpdateCommand(id, state);
    return state.checked;
}

TEST_F(MainFrameCommandsTest, TheViewMenuOpensTheRelationWindows) {
    {
        CMainFrame offline;
        for (int id : {CMainFrame::kCmdFriends, CMainFrame::kCmdBlindedPlayers, CMainFrame::kCmdGaggedPlayers})
            EXPECT_FALSE(enabled(offline, id)) << id;
    }
    CMainFrame* frame = LogIn();
    ASSERT_NE(frame, nullptr);
    CSessionDoc* session = app->GetSession();
    for (int id : {CMainFrame::kCmdFriends, CMainFrame::kCmdBlindedPlayers, CMainFrame::kCmdGaggedPlayers}) {
        EXPECT_TRUE(enabled(*frame, id)) << id;
        EXPECT_FALSE(checked(*frame, id)) << id;
    }
    // The entries are on the View menu.
    QStringList entries;
    for (QAction* action : frame->findChildren<QAction*>())
        entries << action->text();
    for (const char* text : {"&Friends...", "&Blinded Players...", "&Gagged Players..."})
        EXPECT_TRUE(entries.contains(text)) << text;

    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdBlindedPlayers));
    EXPECT_TRUE(checked(*frame, CMainFrame::kCmdBlindedPlayers));
    EXPECT_FALSE(checked(*frame, CMainFrame::kCmdGaggedPlayers));
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdGaggedPlayers));
    EXPECT_TRUE(checked(*frame, CMainFrame::kCmdGaggedPlayers));
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdFriends));
    QWidget* friends = dynamic_cast<QWidget*>(session->GetAffinityFrame());
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->windowTitle(), "Friends");
    EXPECT_EQ(friends->parentWidget(), frame); // owned by the main window
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdFriends)); // brings the same one up
    EXPECT_EQ(dynamic_cast<QWidget*>(session->GetAffinityFrame()), friends);

    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdBlindedPlayers));
    EXPECT_FALSE(checked(*frame, CMainFrame::kCmdBlindedPlayers));
    // Logging out closes the windows that are still open.
    QPointer<QWidget> guard = friends;
    app->LogOut();
    EXPECT_TRUE(WaitFor([&] { return guard.isNull(); }));
    EXPECT_FALSE(enabled(*frame, CMainFrame::kCmdGaggedPlayers));
}

// Logging out or closing the main window would take a message being written with the session: the
// user is asked first, and Cancel keeps everything.
TEST_F(MainFrameCommandsTest, LoggingOutOrClosingAsksForAMessageBeingWritten) {
    CMainFrame* frame = LogIn();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(WaitFor([&] { return enabled(*frame, CMainFrame::kCmdMail); }));
    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    CMessageMailboxWnd* mailbox = frame->findChild<CMessageMailboxWnd*>();
    ASSERT_TRUE(mailbox && mailbox->RunCommand(MailCommand::kNew));
    QPointer<CMsgDisplayEditWnd> compose = mailbox->MessageWindows().back();
    QTest::keyClicks(compose->Body(), "Half a thought");
    const auto asked = [] {
        int count = 0;
        for (const auto& question : testenv::scriptedUi().asked())
            count += question.text == QLatin1String(CMsgDisplayEditWnd::kDiscard);
        return count;
    };
    testenv::scriptedUi().QueueMessageBoxAnswer(IDCANCEL);
    frame->windowHandle()->close();
    testenv::scriptedUi().QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdLogout));
    testenv::scriptedUi().QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdLogin)); // a new login would end this session
    EXPECT_EQ(asked(), 3);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(app->GetSession() && app->GetSession()->IsConnected());
    ASSERT_TRUE(compose);
    EXPECT_EQ(compose->Body()->toPlainText(), "Half a thought");
    testenv::scriptedUi().QueueMessageBoxAnswer(IDOK);
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdLogout));
    EXPECT_TRUE(WaitFor([&] { return !compose; }));
}

// Alt and a letter reach one item of an open menu, never two.
TEST_F(MainFrameCommandsTest, NoTwoItemsOfAMenuShareAMnemonic) {
    CMainFrame* frame = LogIn();
    ASSERT_NE(frame, nullptr);
    for (QAction* top : frame->menuBar()->actions()) {
        QMenu* menu = top->menu();
        ASSERT_TRUE(menu);
        emit menu->aboutToShow(); // entries that come and go are there now
        std::map<QChar, QString> keys;
        for (QAction* item : menu->actions()) {
            const qsizetype at = item->text().indexOf('&');
            if (item->isSeparator() || !item->isVisible() || at < 0 || at + 1 >= item->text().size())
                continue;
            const QChar key = item->text().at(at + 1).toLower();
            EXPECT_FALSE(keys.count(key)) << top->text().toStdString() << ": " << item->text().toStdString() << " and "
                                          << keys[key].toStdString();
            keys[key] = item->text();
        }
    }
}

TEST_F(MainFrameCommandsTest, TheMailCommandOpensAndClosesTheMailbox) {
    {
        CMainFrame offline;
        EXPECT_FALSE(enabled(offline, CMainFrame::kCmdMail));
    }
    CMainFrame* frame = LogIn();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(WaitFor([&] { return enabled(*frame, CMainFrame::kCmdMail); }));
    EXPECT_FALSE(checked(*frame, CMainFrame::kCmdMail));
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    auto* mailbox = frame->findChild<CMessageMailboxWnd*>();
    ASSERT_NE(mailbox, nullptr); // owned by the main window
    EXPECT_EQ(mailbox->windowTitle(), "Quorl Messages for alice");
    EXPECT_TRUE(checked(*frame, CMainFrame::kCmdMail));
    EXPECT_EQ(mailbox->ShownFolderNames(), QStringList({"Inbox", "Sent Items", "Deleted Items"}));
    QPointer<CMessageMailboxWnd> guard = mailbox;
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdMail)); // the same command closes it
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(checked(*frame, CMainFrame::kCmdMail));
    // Closed by the user, the mailbox button comes up again.
    QAction* button = nullptr;
    for (QAction* action : frame->findChildren<QAction*>())
        if (action->text() == "Quorl &Messages...")
            button = action;
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    guard = frame->findChild<CMessageMailboxWnd*>();
    ASSERT_TRUE(guard);
    frame->UpdateMailButton();
    EXPECT_TRUE(button->isChecked());
    guard->close();
    EXPECT_FALSE(button->isChecked());
    EXPECT_TRUE(WaitFor([&] { return guard.isNull(); }));
    EXPECT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    guard = frame->findChild<CMessageMailboxWnd*>();
    ASSERT_TRUE(guard);
    // Logging out closes it.
    app->LogOut();
    EXPECT_TRUE(WaitFor([&] { return guard.isNull(); }));
}

// The help page the web server really serves names only menus and entries the main window has.
TEST_F(MainFrameCommandsTest, TheServedHelpPageNamesTheMenusAsTheyAre) {
    CDevWebServer web;
    ASSERT_TRUE(web.Listen(QHostAddress::LocalHost, 0));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, web.Port());
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("GET /backgammon/help/default.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    WaitFor([&] {
        answer += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    });
    const QString page = QString::fromUtf8(answer + socket.readAll());
    ASSERT_TRUE(page.contains("<title>Norvale Help</title>"));

    CMainFrame* frame = LogIn();
    std::map<QString, QStringList> menus;
    for (QAction* top : frame->menuBar()->actions()) {
        if (!top->menu())
            continue;
        QStringList& entries = menus[top->menu()->title().remove('&')];
        for (const QAction* entry : top->menu()->actions())
            entries << entry->text().remove('&').section('\t', 0, 0);
    }
    int named = 0;
    for (const auto& match : QRegularExpression("<span class=\"menu\">([^<]*)</span>").globalMatch(page)) {
        const QStringList path = match.captured(1).replace("&gt;", ">").split(" > ");
        ASSERT_EQ(path.size(), 2) << match.captured(1).toStdString();
        ASSERT_TRUE(menus.count(path[0])) << path[0].toStdString();
        EXPECT_TRUE(menus[path[0]].contains(path[1])) << match.captured(1).toStdString();
        ++named;
    }
    EXPECT_GE(named, 10);
    // Every "<Name> menu" is a menu of the main window.
    for (const auto& match : QRegularExpression("\\b([A-Z][a-z]+) menu\\b").globalMatch(page))
        EXPECT_TRUE(menus.count(match.captured(1))) << match.captured(0).toStdString();
}

// The Action menu is the lobby board's: its Resume entry is made afresh at each opening (once), the
// Proposition entry says what it does, and the status bar shows the board's count.
TEST_F(MainFrameCommandsTest, TheActionMenuAsksTheLobbysBoard) {
    CMainFrame* frame = LogIn();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(WaitFor([&] { return CMatchBoardView::SessionBoard(app->GetSession()) != nullptr; }));
    QMenu* menu = frame->GetActionMenu();
    ASSERT_TRUE(menu);
    for (int opening = 0; opening < 3; ++opening)
        emit menu->aboutToShow();
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts.count("&Resume..."), 1);
    EXPECT_EQ(texts.indexOf("&Resume...") + 1, texts.indexOf("&Talk..."));
    for (QAction* action : menu->actions()) {
        if (platform::CommandId(action) == CMatchBoardView::kCmdBoardProposition) {
            // The development server grants the right to offer propositions.
            EXPECT_TRUE(action->isEnabled());
            EXPECT_EQ(action->statusTip(), "Offer a player a proposition");
        }
        if (action->text() == "&Resume...") {
            EXPECT_FALSE(action->isEnabled()) << "no unfinished match";
        }
        if (platform::CommandId(action) == CMatchBoardView::kCmdBoardInvite) {
            EXPECT_TRUE(action->isEnabled());
        }
    }
    ASSERT_TRUE(WaitFor([&] { return frame->GetBoardStatusText().startsWith("Displaying "); }));
}

} // namespace
