#include "app/ClientApp.h"
#include "AppTestSupport.h"
#include "DevServer.h"
#include "app/LoginDlg.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "lobby/LobbyUserListView.h"
#include "lobby/UserListModel.h"
#include "lobby/RelationsSubDoc.h"
#include "prefs/AutoUpdate.h"
#include "prefs/BgColorScheme.h"
#include "prefs/DownloadDialog.h"
#include "prefs/IconManager.h"
#include "prefs/TipDlg.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/HttpTestServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestCertificate.h"
#include "support/TestEnvironment.h"
#include "web/WebAddress.h"
#include "web/WebTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QApplication>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <map>
#include <set>

using testenv::WaitFor;

namespace {

class ClientAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteInt("Tip", "StartUp", 1); // no tip of the day before the dialogs tested here
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler(nullptr);
        qputenv(CClientApp::kPasswordVariable, "any");
        ASSERT_TRUE(devServer.Listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override {
        apptest::ShutDown(app);
    }

    CClientApp::Options Options(const QString& nickname) const {
        CClientApp::Options options;
        options.host = "127.0.0.1";
        options.port = devServer.Port();
        options.nickname = nickname;
        return options;
    }

    CLobbyUserListView* PlayersPane() const {
        CMainFrame* frame = app->GetMainFrame();
        CMultiPaneFrame* service = frame ? frame->GetActiveServiceFrame() : nullptr;
        return service ? qobject_cast<CLobbyUserListView*>(service->FindPane("UserList")) : nullptr;
    }
    // The nicknames the lobby's list shows, in its order.
    QStringList Listed() const {
        QStringList names;
        const CLobbyUserListView* list = PlayersPane();
        for (int row = 0; list && row < list->GetRowCount(); ++row)
            names << list->GetUserAt(row)->GetNickname();
        return names;
    }

    CDevServer devServer{CDevServer::Options{}};
    webtest::FakeBrowserFactory pages; // the lobby's advert pane loads nothing here
    std::unique_ptr<CClientApp> app;
};

// The client as a user sees it: logged in, the lobby showing who is there, another client arriving
// and leaving.
TEST_F(ClientAppTest, LogsInFromTheCommandLineAndShowsOthersArriveAndLeave) {
    app = std::make_unique<CClientApp>();
    ASSERT_TRUE(app->InitInstance(Options("alice")));
    ASSERT_TRUE(WaitFor([&] { return PlayersPane() != nullptr; }));
    EXPECT_EQ(GetClientApp(), app.get());
    EXPECT_TRUE(app->GetMainFrame()->windowTitle().startsWith("Norvale - alice"));
    EXPECT_TRUE(app->GetMainFrame()->GetConnectionStatus().startsWith("Connected to 127.0.0.1:"));
    ASSERT_TRUE(WaitFor([&] { return Listed() == QStringList{"alice"}; }));

    CSessionDoc bob;
    bool bobIn = false;
    QObject::connect(&bob, &CSessionDoc::loginAccepted, [&] { bobIn = true; });
    CClientNode::LoginRequest request;
    request.host = "127.0.0.1";
    request.port = devServer.Port();
    request.nickname = "Bob";
    request.password = "x";
    bob.Connect(request);
    ASSERT_TRUE(WaitFor([&] { return bobIn && Listed().size() == 2; }));
    EXPECT_EQ(Listed().filter("Bob").size(), 1);
    EXPECT_EQ(app->GetSession()->GetTotalUserCount(), 2);
    ASSERT_TRUE(WaitFor([&] { return bob.FindUser("alice") != nullptr; }));

    const QByteArray shots = qgetenv("NORVALE_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        app->GetMainFrame()->resize(900, 600);
        WaitFor([] { return false; }, 200);
        app->GetMainFrame()->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("lobby.png"));
    }

    bob.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return Listed() == QStringList{"alice"}; }));

    // Members come and go while alice has a row selected (the selection hears of a removal from inside
    // it): the rows stay the directory's records, compared by address (a row left behind holds a freed one).
    std::map<QString, std::unique_ptr<CSessionDoc>> others;
    CSessionDoc& session = *app->GetSession();
    const auto toggle = [&](const QString& nickname) { // he arrives, or leaves when he is there
        const bool arrives = !others.erase(nickname);
        if (arrives)
            (others[nickname] = std::make_unique<CSessionDoc>())
                ->Connect({"127.0.0.1", devServer.Port(), nickname, "x", {}});
        ASSERT_TRUE(WaitFor([&] { return (session.FindUser(nickname) != nullptr) == arrives; }));
    };
    const auto rowsAreTheDirectory = [&] {
        std::multiset<const CClientUserInfo*> directory;
        session.GetUserMap()->ForEach([&](const CClientUserInfo* user) { directory.insert(user); });
        PlayersPane()->GetModel()->FlushGathered();
        const std::vector<CClientUserInfo*>& rows = PlayersPane()->GetModel()->Users();
        return std::multiset<const CClientUserInfo*>(rows.begin(), rows.end()) == directory;
    };
    app->GetMainFrame()->resize(900, 600);
    for (const QString nickname : {"carl", "dora", "ed", "fay", "gus", "hal", "dora", "dora"})
        toggle(nickname);
    ASSERT_TRUE(rowsAreTheDirectory());
    CUserListCtrl* list = PlayersPane()->GetListCtrl();
    // The member clicked leaves (and comes back, the first time), then one below him.
    for (const int below : {2, 1}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
        ASSERT_EQ(PlayersPane()->GetFirstSelectedUser(), PlayersPane()->GetUserAt(2));
        const QString first = PlayersPane()->GetUserAt(2)->GetNickname();
        const QString next = PlayersPane()->GetUserAt(2 + below)->GetNickname();
        ASSERT_TRUE(others.count(first) && others.count(next));
        for (const QString& nickname : below == 2 ? QStringList{first, first, next} : QStringList{first, next})
            toggle(nickname);
        ASSERT_TRUE(rowsAreTheDirectory()) << below;
    }
}

TEST_F(ClientAppTest, TheTipOfTheDayComesBeforeTheLoginUnlessTurnedOff) {
    GetSettingsStore().WriteInt("Tip", "StartUp", 0);
    QStringList shown;
    const auto tipShown = [&] {
        const auto* tip = app->GetMainFrame()->findChild<CTipDlg*>();
        return tip && tip->isVisible() && !tip->isModal();
    };
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        shown << dialog->objectName() + (tipShown() ? " over the tip" : "");
        return platform::IDCANCEL;
    });
    app = std::make_unique<CClientApp>();
    ASSERT_TRUE(app->InitInstance(CClientApp::Options{}));
    ASSERT_TRUE(WaitFor([&] { return !shown.isEmpty(); }));
    EXPECT_EQ(shown, QStringList({"CLoginDlg over the tip"}));
    // The first web page pane gives the main window a new native window, and the tip loses its own as
    // its parent (as Qt does it on X11): it gets the new one, so that it stays in front of it.
    QWindow* tip = app->GetMainFrame()->findChild<CTipDlg*>()->windowHandle();
    tip->setTransientParent(nullptr);
    QEvent newNativeWindow(QEvent::WinIdChange);
    QApplication::sendEvent(app->GetMainFrame(), &newNativeWindow);
    EXPECT_TRUE(
        WaitFor([&] { return tip->transientParent() == app->GetMainFrame()->windowHandle() && tipShown(); }));
    // Help > Tip of the Day while it is open brings the user to it rather than opening a second.
    shown.clear();
    EXPECT_TRUE(app->GetMainFrame()->OnCommand(CMainFrame::kCmdTipOfTheDay));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(app->GetMainFrame()->findChildren<CTipDlg*>().size(), 1);

    // Still open when the program ends, it keeps its place in the tips file for the next start.
    app->ExitInstance();
    EXPECT_GT(GetSettingsStore().GetIntEx("Tip", "FilePos", 0), 0);
    app.reset();
    shown.clear();
    GetSettingsStore().WriteInt("Tip", "StartUp", 1);
    app = std::make_unique<CClientApp>();
    ASSERT_TRUE(app->InitInstance(CClientApp::Options{}));
    ASSERT_TRUE(WaitFor([&] { return !shown.isEmpty(); }));
    EXPECT_EQ(shown, QStringList({"CLoginDlg"}));
}

// A fresh client installs the board schemes before any window, and draws its boards in two dimensions.
TEST_F(ClientAppTest, TheFirstStartInstallsTheBoardSchemes) {
    testenv::scriptedUi().SetDialogHandler([](QDialog*) { return platform::IDCANCEL; });
    app = std::make_unique<CClientApp>();
    ASSERT_TRUE(app->InitInstance(CClientApp::Options{}));
    CSettingsStore& store = GetSettingsStore();
    EXPECT_EQ(store.GetRecentInt("BgColorPrefs", "nVersion", 0), 6);
    EXPECT_EQ(store.GetIntEx("BgColorPrefs", "nStyle", -1), 0);
    int count = 0;
    const BgBuiltInScheme* rows = BuiltInSchemes(&count);
    ASSERT_EQ(count, 41);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(store.GetRecentString(CBgColorScheme::SchemeSection(rows[i].set), rows[i].name, QString()),
                  rows[i].text);
}

// Every session gets its features once its login is accepted: its relation lists are asked for and
// arrive, and a new login makes a new set.
TEST_F(ClientAppTest, EachLoginGetsItsOwnSessionFeatures) {
    app = std::make_unique<CClientApp>();
    std::vector<CSessionDoc*> featured;
    app->RegisterSessionFeature([&](CSessionDoc& session) { featured.push_back(&session); });
    ASSERT_TRUE(app->InitInstance(Options("alice")));
    ASSERT_TRUE(WaitFor([&] { return featured.size() == 1; }));
    EXPECT_EQ(featured[0], app->GetSession());
    CRelationsSubDoc* relations = CRelationsSubDoc::Find(app->GetSession());
    ASSERT_NE(relations, nullptr);
    EXPECT_TRUE(WaitFor([&] { return relations->HasReceivedAll(); }));
    // The player lists' icons are fetched from the service's web host.
    EXPECT_EQ(GetIconManager().WebHost(), ServiceWebHost());

    app->LogIn("127.0.0.1", devServer.Port(), "alice", "any");
    ASSERT_TRUE(WaitFor([&] { return featured.size() == 2; }));
    EXPECT_EQ(featured[1], app->GetSession());
    EXPECT_NE(CRelationsSubDoc::Find(app->GetSession()), nullptr);
}

TEST_F(ClientAppTest, RefusedLoginReopensTheDialogWithTheReason) {
    CDevServer strict(CDevServer::Options{.password = "right"});
    ASSERT_TRUE(strict.Listen(QHostAddress::LocalHost, 0));
    QString shownMessage;
    QString offered;
    int dialogs = 0;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        ++dialogs;
        auto* login = qobject_cast<CLoginDlg*>(dialog);
        if (login) {
            shownMessage = login->GetItemText(CLoginDlg::kMessageId);
            offered = login->GetItemText(CLoginDlg::kServerId) + " " + login->GetItemText(CLoginDlg::kNicknameId);
        }
        return platform::IDCANCEL;
    });
    app = std::make_unique<CClientApp>();
    CClientApp::Options options = Options("alice");
    options.port = strict.Port();
    ASSERT_TRUE(app->InitInstance(options));
    ASSERT_TRUE(WaitFor([&] { return dialogs == 1; }));
    EXPECT_EQ(shownMessage, "The server refused the login: The password is not correct.");
    // The dialog offers the server and nickname the command line gave.
    EXPECT_EQ(offered, QStringLiteral("127.0.0.1:%1 alice").arg(strict.Port()));
    EXPECT_EQ(app->GetMainFrame()->GetConnectionStatus(), "Not connected");
    EXPECT_TRUE(app->GetMainFrame()->GetServiceFrames().empty());
}

// A server that no longer supports this version names the new setup program in its refusal: the
// client offers it, fetches it and ends once the program runs; on No the login dialog comes back.
TEST_F(ClientAppTest, OutdatedClientOffersTheUpdateFromTheRefusal) {
    const testenv::TestCertificate& certificate = testenv::TestCertificate::Get();
    ASSERT_TRUE(certificate.ok()) << certificate.error().toStdString();
    testenv::HttpTestServer web({certificate.certificateFile(), certificate.keyFile()});
    const QByteArray program = "#!/bin/sh\nexit 0\n";
    web.setReply("/dl/NorvaleSetup.run", {200, program});
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        apptest::ShutDown(app);
        qputenv(CClientApp::kPasswordVariable, "any");
        app = std::make_unique<CClientApp>();
        const int version = app->GetClientVersion().section(' ', 0, 0).toInt();
        CDevServer strict(CDevServer::Options{.minVersion = version + 1,
                                              .updateAddress = web.url("/dl/NorvaleSetup.run"),
                                              .updateSize = quint32(program.size())});
        ASSERT_TRUE(strict.Listen(QHostAddress::LocalHost, 0));
        QStringList started;
        autoupdate::Hooks hooks;
        hooks.trustedCertificates = certificate.certificateFile();
        hooks.folder = folder.filePath("Update");
        hooks.webDomain = QUrl(web.url("/")).host();
        hooks.startProgram = [&](const QString& path, const QStringList&) {
            started.append(path);
            return true;
        };
        app->SetAutoUpdateHooks(hooks);
        QString loginMessage;
        int logins = 0;
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
            if (qobject_cast<CAutoUpdateDialog*>(dialog))
                return yes ? int(platform::IDOK) : int(platform::IDCANCEL);
            if (auto* download = qobject_cast<CDownloadDialog*>(dialog)) {
                EXPECT_TRUE(WaitFor([&] { return download->HasEnded(); }, 20000));
                return download->result();
            }
            if (auto* login = qobject_cast<CLoginDlg*>(dialog)) {
                ++logins;
                loginMessage = login->GetItemText(CLoginDlg::kMessageId);
            }
            return int(platform::IDCANCEL);
        });
        CClientApp::Options options = Options("alice");
        options.port = strict.Port();
        ASSERT_TRUE(app->InitInstance(options));
        if (yes) {
            ASSERT_TRUE(WaitFor([&] { return !started.isEmpty(); }, 20000));
            EXPECT_EQ(started, QStringList{folder.filePath("Update/NorvaleSetup.run")});
            EXPECT_TRUE(WaitFor([&] { return !app->GetMainFrame()->isVisible(); }));
            EXPECT_EQ(logins, 0);
        } else {
            ASSERT_TRUE(WaitFor([&] { return logins == 1; }));
            EXPECT_EQ(loginMessage,
                      "The server refused the login: This version of the Norvale client is no longer supported.");
            EXPECT_TRUE(started.isEmpty());
            EXPECT_TRUE(app->GetMainFrame()->isVisible());
        }
    }
}

TEST_F(ClientAppTest, LostConnectionIsToldThroughTheDeferredBox) {
    testenv::FakeServer server;
    app = std::make_unique<CClientApp>();
    CClientApp::Options options = Options("alice");
    options.port = server.Port();
    ASSERT_TRUE(app->InitInstance(options));
    ASSERT_TRUE(server.WaitForLogin());
    ASSERT_TRUE(WaitFor([&] { return PlayersPane() != nullptr; }));
    server.SendRaw(QByteArray("\x00\x00", 2));
    ASSERT_TRUE(WaitFor([&] { return !testenv::scriptedUi().asked().empty(); }));
    const auto& asked = testenv::scriptedUi().asked().back();
    EXPECT_EQ(asked.kind, platform::ScriptedUi::Asked::MessageBoxKind);
    EXPECT_TRUE(asked.text.startsWith("The connection to the server was closed: protocol error"));
    EXPECT_EQ(asked.caption, "Norvale");
    EXPECT_EQ(app->GetMainFrame()->GetConnectionStatus(), "Not connected");
}

TEST_F(ClientAppTest, CommandLine) {
    QString error;
    auto options =
        CClientApp::ParseCommandLine({"norvale", "--server", "example.org:4114", "--user", "Bob7"}, &error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->host, "example.org");
    EXPECT_EQ(options->port, 4114);
    EXPECT_EQ(options->nickname, "Bob7");
    options = CClientApp::ParseCommandLine({"norvale", "--server", "[::1]:99", "match.cbg"}, &error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->host, "::1");
    EXPECT_EQ(options->file, "match.cbg");
    EXPECT_FALSE(CClientApp::ParseCommandLine({"norvale", "--server", "nohost"}, &error));
    EXPECT_FALSE(CClientApp::ParseCommandLine({"norvale", "--server", "h:70000"}, &error));
    EXPECT_FALSE(CClientApp::ParseCommandLine({"norvale", "--user", "bad name"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(CClientApp::ParseCommandLine({"norvale", "a.cbg", "b.cbg"}, &error));
    EXPECT_FALSE(CClientApp::ParseCommandLine({"norvale", "--bogus"}, &error));
}

TEST_F(ClientAppTest, VersionTextsAndTheHelpContextOfABox) {
    app = std::make_unique<CClientApp>();
    EXPECT_EQ(app->GetClientVersion(), "1000 Norvale for Linux");
    EXPECT_TRUE(app->IsColorDisplay());
    QString product, special, privateBuild, legal;
    app->GetVersionStrings(product, special, privateBuild, legal);
    EXPECT_FALSE(product.isEmpty());

    struct ContextUi : platform::ScriptedUi {
        int MessageBox(QWidget* p, const QString& t, const QString& c, unsigned type) override {
            context = GetClientApp()->GetHelpContext();
            return ScriptedUi::MessageBox(p, t, c, type);
        }
        unsigned context = 0;
    } ui;
    platform::Ui* previous = platform::SetUi(&ui);
    ui.QueueMessageBoxAnswer(platform::IDNO);
    EXPECT_EQ(app->DoMessageBox("Sure?", platform::MB_YESNO, 0x41), platform::IDNO);
    EXPECT_EQ(ui.context, 0x30041u);
    EXPECT_EQ(app->GetHelpContext(), 0u);
    platform::SetUi(previous);
}

} // namespace

// A settings file found damaged at start-up is named to the user once the main window shows.
TEST_F(ClientAppTest, ADamagedSettingsFileIsToldAtStartUp) {
    platform::Registry& registry = GetSettingsStore().GetRegistry();
    const QString path = registry.FilePath();
    ASSERT_FALSE(path.isEmpty());
    const struct {
        QByteArray text;
        const char* expected; // nullptr: nothing to tell
    } cases[] = {
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvale\\Tip]\n\"StartUp\"=dword:00000001\n", nullptr},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvale\\Tip]\n\"StartUp\"=dword:00000001\n[broken\n",
         "Some of your settings could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(c.text);
        }
        ASSERT_TRUE(registry.Load());
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler([](QDialog*) { return platform::IDCANCEL; });
        app = std::make_unique<CClientApp>();
        ASSERT_TRUE(app->InitInstance(CClientApp::Options{}));
        ASSERT_TRUE(WaitFor([&] { return !testenv::scriptedUi().asked().empty(); }));
        WaitFor([] { return false; }, 50);
        QStringList boxes;
        for (const auto& asked : testenv::scriptedUi().asked()) {
            if (asked.kind == platform::ScriptedUi::Asked::MessageBoxKind)
                boxes << asked.text;
        }
        if (c.expected) {
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_TRUE(boxes[0].contains(c.expected));
            EXPECT_TRUE(boxes[0].contains(QDir::toNativeSeparators(path) + ".damaged"));
        } else {
            EXPECT_TRUE(boxes.isEmpty());
        }
        app->ExitInstance();
        app.reset();
    }
    QFile::remove(path + ".damaged");
    testenv::ResetSettings();
}
