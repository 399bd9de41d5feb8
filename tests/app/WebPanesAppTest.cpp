// The web panes as the application wires them: the advert in the lobby's window set, the news once a
// day after the login, help and news from the menus, the sign-up pages from the login dialog.
#include "DevServer.h"
#include "app/ClientApp.h"
#include "AppTestSupport.h"
#include "InviteClients.h"
#include "app/LoginDlg.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/TipDlg.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/AdvertView.h"
#include "web/HelpBDlg.h"
#include "web/MessOfTheDayBDlg.h"
#include "web/NewAccountBDlg.h"
#include "web/WebTestSupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// A click as the window system brings it: to the window, at the button (a window held up by a modal
// one does not take it).
void ClickInWindow(QWidget* button) {
    QWidget* window = button->window();
    const QPoint at = button->mapTo(window, button->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
}

CDevServer::Options WebOptions(const QString& webHost) {
    CDevServer::Options options;
    options.webHost = webHost;
    return options;
}

class WebPanesAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::Prepare();
        ASSERT_TRUE(devServer.Listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override {
        apptest::ShutDown(app);
    }

    bool LogIn() {
        app = std::make_unique<CClientApp>();
        CClientApp::Options options;
        options.host = "127.0.0.1";
        options.port = devServer.Port();
        options.nickname = "alice";
        return app->InitInstance(options) && WaitFor([&] { return Advert() != nullptr; });
    }
    CAdvertView* Advert() const {
        CMainFrame* frame = app ? app->GetMainFrame() : nullptr;
        CMultiPaneFrame* service = frame ? frame->GetActiveServiceFrame() : nullptr;
        return service ? qobject_cast<CAdvertView*>(service->FindPane(CAdvertView::kPaneTag)) : nullptr;
    }
    // The last page a fake control was asked for.
    QString LastPage() const {
        webtest::FakeBrowser* control = pages.Last();
        return control && !control->navigations.empty() ? control->navigations.back().url : QString();
    }

    const QString web = QStringLiteral("http://127.0.0.1:9");
    CDevServer devServer{WebOptions(web)};
    webtest::FakeBrowserFactory pages;
    webtest::RecordingLauncher browser;
    std::unique_ptr<CClientApp> app;
};

// The first start of the day, with the tip of the day on: the tip, the lobby, then the news above the
// tip; the first click on the news, or on an invitation that arrives then, does what it says.
TEST_F(WebPanesAppTest, TheLobbyShowsTheAdvertAndTheNewsComesAfterTheLogin) {
    GetSettingsStore().WriteInt("Tip", "StartUp", 0);
    ASSERT_TRUE(LogIn());
    EXPECT_EQ(Advert()->AdvertAddress(), web + "/web/apps/client/ads/default.asp");
    EXPECT_TRUE(Advert()->IsRefreshPending());
    CMOTDSubDocument* news = CMOTDSubDocument::GetNewsSubDocument();
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->GetSession(), app->GetSession());
    EXPECT_TRUE(news->IsNewsTimerPending());
    news->OnNewsTimer();
    ASSERT_NE(news->GetDialog(), nullptr);
    EXPECT_EQ(LastPage(), web + "/web/apps/client/motd/default.asp?user_id=alice");
    // A news link leaves through the main frame's opener.
    pages.Last()->FinishLoad();
    EXPECT_FALSE(pages.Last()->ClickLink("https://example.org/story"));
    EXPECT_EQ(browser.OpenedAddresses(), QStringList{"https://example.org/story"});

    auto* tip = app->GetMainFrame()->findChild<CTipDlg*>();
    ASSERT_TRUE(tip && tip->isVisible()) << "the tip of the day is up under the news";
    testenv::InviteClient<CInvitationDlg> bob(devServer.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return bob.in && app->GetSession()->FindUser("bob"); }));
    const QString room = ".gb.bob.alice";
    bob.manager->InvitePlayer("alice", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return bob.Enabled(CInvitationDlg::kIdInvite, room); }));
    bob.Click(CInvitationDlg::kIdInvite, room);
    CInvitationManager* invitations = CInvitationManager::Find(app->GetSession());
    CInvitationDlg* invitation = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        invitation = dynamic_cast<CInvitationDlg*>(invitations->FindInvitation(room));
        return invitation && invitation->isVisible() && invitation->Item(CInvitationDlg::kIdPlay)->isEnabled();
    }));
    ClickInWindow(news->GetDialog()->Item(platform::IDCANCEL));
    EXPECT_TRUE(WaitFor([&] { return news->GetDialog() == nullptr; })) << "the first click closes the news";
    ClickInWindow(invitation->Item(CInvitationDlg::kIdPlay));
    EXPECT_TRUE(WaitFor([&] { return bob.room == room; })) << "the first click on Play starts the match";
    EXPECT_TRUE(tip->isVisible());
}

TEST_F(WebPanesAppTest, HelpAndNewsComeFromTheMenus) {
    ASSERT_TRUE(LogIn());
    CMainFrame* frame = app->GetMainFrame();
    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdHelp));
    auto* help = qobject_cast<CHelpBDlg*>(frame->GetHelpWindow());
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(LastPage(), web + "/backgammon/help/default.asp");
    const size_t made = pages.made.size();
    frame->OnCommand(CMainFrame::kCmdHelp);
    EXPECT_EQ(frame->GetHelpWindow(), help); // one help window
    EXPECT_EQ(pages.made.size(), made);

    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdNews));
    CMOTDSubDocument* news = CMOTDSubDocument::GetNewsSubDocument();
    ASSERT_NE(news->GetDialog(), nullptr);
    EXPECT_TRUE(news->GetDialog()->isVisible());
}

TEST_F(WebPanesAppTest, TheLoginDialogOpensTheSignUpPages) {
    qputenv("NORVALE_WEB_HOST", web.toUtf8());
    CLoginDlg login;
    login.EnsureInitialized();
    auto* button = login.ItemAs<QPushButton>(CLoginDlg::kNewAccountId);
    ASSERT_NE(button, nullptr);
    button->click();
    const auto signUp = login.findChildren<CNewAccountBDlg*>();
    ASSERT_EQ(signUp.size(), 1);
    EXPECT_TRUE(signUp[0]->isVisible());
    EXPECT_EQ(LastPage(), web + "/web/apps/client/newaccount/account.asp");
    qunsetenv("NORVALE_WEB_HOST");
}

} // namespace
