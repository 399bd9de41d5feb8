#include "WebTestSupport.h"

#include "game/ClientGameFactory.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/HelpBDlg.h"
#include "web/MessOfTheDayBDlg.h"
#include "web/NewAccountBDlg.h"
#include "web/WebAddress.h"

#include <QLabel>
#include <QPushButton>
#include <QUrlQuery>
#include <QtTest/QTest>

namespace {

using webtest::FakeBrowser;

class WebDialogsTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        testenv::SessionTest::SetUp();
        CStickyDialog::SetMoveSaveDelay(0);
        CMOTDSubDocument::SetDateSource([this] { return today; });
    }
    void TearDown() override {
        news.reset();
        webtest::RunPosted();
        CMOTDSubDocument::SetDateSource({});
        CMOTDSubDocument::SetNewsDelay(CMOTDSubDocument::kNewsDelayMs);
        testenv::SessionTest::TearDown();
    }

    bool LoginWith(const CServiceSettings& settings, const QString& nickname = QStringLiteral("alice")) {
        server->Acceptance().settings = settings;
        return Login(nickname);
    }

    // The dialog's status line as shown.
    static QString Status(CWebPageDlg* dialog) { return dialog->GetItemText(CWebPageDlg::kStatusId); }

    webtest::FakeBrowserFactory engines;
    webtest::RecordingLauncher browser;
    QDate today{2024, 3, 7};
    std::unique_ptr<CMOTDSubDocument> news;
};

// ---- Help

TEST_F(WebDialogsTest, HelpLoadsTheServicesHelpWithAStatusLineAndKeepsEveryLink) {
    ASSERT_TRUE(LoginWith({{"urlHelp", "http://w.norvale.example/help/?topic=a b"}}));
    QPointer<CHelpBDlg> help = new CHelpBDlg(session.get(), nullptr);
    EXPECT_STREQ(help->RuntimeClassName(), "CHelpBDlg");
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Help"));
    help->show();
    FakeBrowser* control = engines.Last();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(help->Host().GetWidget()->objectName(), QStringLiteral("601"));
    ASSERT_EQ(control->navigations.size(), 1u);
    EXPECT_EQ(control->navigations[0].url, QStringLiteral("http://w.norvale.example/help/?topic=a b"));
    EXPECT_EQ(control->navigations[0].flags, navNoReadFromCache);

    // A dot for each second of loading, " Done" when the page is there.
    EXPECT_EQ(Status(help), QStringLiteral(" Retrieving information "));
    EXPECT_TRUE(help->StatusLine().IsTimerRunning());
    EXPECT_EQ(help->StatusLine().kPeriodMs, 1000);
    help->StatusLine().Tick();
    help->StatusLine().Tick();
    EXPECT_EQ(Status(help), QStringLiteral(" Retrieving information .."));
    control->FinishLoad();
    EXPECT_EQ(Status(help), QStringLiteral(" Done"));
    EXPECT_FALSE(help->StatusLine().IsTimerRunning());

    EXPECT_TRUE(control->ClickLink(QStringLiteral("http://elsewhere.example/faq")));
    EXPECT_EQ(Status(help), QStringLiteral(" Done"));
    EXPECT_TRUE(browser.starts.empty());

    // The page may close its window; the window then goes for good.
    control->AskToQuit();
    EXPECT_FALSE(help->isVisible());
    webtest::RunPosted();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());
}

TEST_F(WebDialogsTest, HelpWithoutASettingUsesTheGamesHelpAddress) {
    ASSERT_TRUE(LoginWith({}));
    QPointer<CHelpBDlg> help = new CHelpBDlg(session.get(), nullptr);
    EXPECT_EQ(help->HelpAddress(), CClientGameFactory::GetFactory().GetHelpAddress(ServiceWebHost()));
    EXPECT_TRUE(help->HelpAddress().endsWith(QStringLiteral("/backgammon/help/default.asp")));
    CHelpBDlg loose(nullptr, nullptr);
    EXPECT_EQ(loose.HelpAddress(), help->HelpAddress());
    delete help.data();
}

TEST_F(WebDialogsTest, ThePageSitsAboveTheStatusLineWhichSitsBesideClose) {
    ASSERT_TRUE(LoginWith({}));
    CHelpBDlg help(session.get(), nullptr);
    help.show();
    help.resize(500, 400);
    const QRect button = help.CloseButton()->geometry();
    const QRect status = help.StatusControl()->geometry();
    const QRect page = help.Host().GetWidget()->geometry();
    EXPECT_EQ(button.right() + 1, 500 - 3);
    EXPECT_EQ(button.bottom() + 1, 400 - 3);
    EXPECT_EQ(status.left(), 3);
    EXPECT_EQ(status.right() + 1, button.left() - 3);
    EXPECT_EQ(status.bottom() + 1, 400 - 3);
    EXPECT_EQ(page, QRect(0, 0, 500, status.top() - 3));
    EXPECT_TRUE(help.Host().GetWidget()->isVisible());
    EXPECT_EQ(help.ItemAs<QPushButton>(platform::IDCANCEL)->text(), QStringLiteral("Close"));
}

TEST_F(WebDialogsTest, WithoutAnEngineTheDialogsSayWhereToGetOneAndLoadNothing) {
    engines.currentRuns = false;
    engines.version1Runs = false;
    ASSERT_TRUE(LoginWith({}));
    CHelpBDlg help(session.get(), nullptr);
    help.show();
    webtest::RunPosted();
    ASSERT_FALSE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(testenv::scriptedUi().asked().back().text,
              HtmlEngineMessageText(HtmlEngineMessageKind::Dialog));
    EXPECT_TRUE(Status(&help).isEmpty());
    EXPECT_FALSE(help.StatusLine().IsTimerRunning());
}

// ---- News

TEST_F(WebDialogsTest, TheNewsComesOnceADayAFewSecondsAfterEnteringAService) {
    ASSERT_TRUE(LoginWith({{"urlNews", "http://w.norvale.example/motd.asp"}}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    EXPECT_EQ(CMOTDSubDocument::GetNewsSubDocument(), news.get());

    news->CheckNewsOnEntry();
    EXPECT_TRUE(news->IsNewsTimerPending());
    EXPECT_EQ(GetSettingsStore().GetString("CMOTDSubDocument", "LastMOTDdate"), QStringLiteral("2024/03/07"));
    EXPECT_EQ(news->GetDialog(), nullptr);
    news->OnNewsTimer();
    ASSERT_NE(news->GetDialog(), nullptr);
    EXPECT_TRUE(news->IsShownToday());
    EXPECT_TRUE(news->GetDialog()->isVisible());
    EXPECT_EQ(news->GetDialog()->windowTitle(), QStringLiteral("News"));
    FakeBrowser* control = engines.Last();
    ASSERT_EQ(control->navigations.size(), 1u);
    EXPECT_EQ(control->navigations[0].url, QStringLiteral("http://w.norvale.example/motd.asp?user_id=alice"));
    EXPECT_EQ(Status(news->GetDialog()), QStringLiteral(" Retrieving News "));

    // Entering another service the same session: nothing more.
    news->CheckNewsOnEntry();
    EXPECT_FALSE(news->IsNewsTimerPending());

    // The next session of the same day: nothing either.
    news.reset();
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->CheckNewsOnEntry();
    EXPECT_FALSE(news->IsNewsTimerPending());

    // The first entry after midnight brings it up again.
    today = today.addDays(1);
    news->CheckNewsOnEntry();
    EXPECT_TRUE(news->IsNewsTimerPending());
    EXPECT_EQ(GetSettingsStore().GetString("CMOTDSubDocument", "LastMOTDdate"), QStringLiteral("2024/03/08"));
}

TEST_F(WebDialogsTest, EnteringAServiceStartsTheNewsCheck) {
    news = std::make_unique<CMOTDSubDocument>(session.get());
    ASSERT_TRUE(LoginWith({}));
    EXPECT_TRUE(news->IsNewsTimerPending());
}

TEST_F(WebDialogsTest, TheNewsTimerDiesWithItsSubDocument) {
    CMOTDSubDocument::SetNewsDelay(10);
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->CheckNewsOnEntry();
    ASSERT_TRUE(news->IsNewsTimerPending());
    news.reset();
    EXPECT_EQ(CMOTDSubDocument::GetNewsSubDocument(), nullptr);
    QTest::qWait(60);
    EXPECT_TRUE(engines.made.empty()); // no news window was made for a gone sub-document

    // With the sub-document alive, the short delay brings the news up by itself, without taking the
    // keyboard from what the user is typing; the news he asks for comes up to be read.
    today = today.addDays(1);
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->CheckNewsOnEntry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return news->GetDialog() != nullptr; }, 5000));
    EXPECT_TRUE(news->GetDialog()->testAttribute(Qt::WA_ShowWithoutActivating));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    EXPECT_FALSE(news->GetDialog()->testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(WebDialogsTest, TheNewsAddressCarriesTheNicknameProperlyEncoded) {
    ASSERT_TRUE(
        LoginWith({{"urlNews", "http://w.norvale.example/motd.asp?lang=en"}}, QStringLiteral("Bob7")));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    EXPECT_EQ(engines.Last()->navigations.at(0).url,
              QStringLiteral("http://w.norvale.example/motd.asp?lang=en&user_id=Bob7"));

    // Before the login there is no nickname, so no "user_id".
    news.reset();
    session.reset();
    server.reset();
    SetUp();
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    EXPECT_EQ(engines.Last()->navigations.back().url,
              CClientGameFactory::GetFactory().GetNewsAddress(ServiceWebHost()));
}

TEST_F(WebDialogsTest, TheVersionOneControlGetsATimeStampedNewsAddress) {
    engines.currentRuns = false;
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    const QUrl address(engines.Last()->navigations.at(0).url);
    const QUrlQuery query(address);
    EXPECT_EQ(query.queryItemValue("user_id"), QStringLiteral("alice"));
    EXPECT_EQ(query.queryItemValue("current_time", QUrl::FullyDecoded).size(), 14); // MM/dd/yyHHmmss
    EXPECT_EQ(address.toString().count(QLatin1Char('?')), 1);
}

TEST_F(WebDialogsTest, NewsLinksLeaveOnceTheNewsHasLoaded) {
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    CMessOfTheDayBDlg* dialog = news->GetDialog();
    FakeBrowser* control = engines.Last();
    // A redirect of the first load stays and starts the status line again.
    dialog->StatusLine().Tick();
    EXPECT_TRUE(
        control->Start(QStringLiteral("http://w.norvale.example/motd2.asp"), BrowserNavigation::Redirect));
    EXPECT_EQ(Status(dialog), QStringLiteral(" Retrieving News "));
    control->FinishLoad();
    EXPECT_EQ(Status(dialog), QStringLiteral(" Done"));

    EXPECT_FALSE(control->ClickLink(QStringLiteral("mailto:support@norvale.example")));
    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://w.norvale.example/archive.asp")));
    EXPECT_EQ(browser.OpenedAddresses(),
              (QStringList{QStringLiteral("mailto:support@norvale.example"),
                           QStringLiteral("http://w.norvale.example/archive.asp")}));
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://w.norvale.example/motd2.asp")));
    EXPECT_EQ(Status(dialog), QStringLiteral(" Done"));
}

TEST_F(WebDialogsTest, ClosedNewsComesBackInANewWindowOnRequest) {
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    QPointer<CMessOfTheDayBDlg> first = news->GetDialog();
    first->Press(platform::IDCANCEL);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(news->GetDialog(), nullptr);

    // "View > News" shows it whether or not it was shown today.
    EXPECT_TRUE(news->OnCommand(CMOTDSubDocument::kCmdViewNews));
    ASSERT_NE(news->GetDialog(), nullptr);
    EXPECT_TRUE(news->GetDialog()->isVisible());
    const size_t made = engines.made.size();
    // Asked again while open: the same window loads the news again.
    news->ShowNews();
    EXPECT_EQ(engines.made.size(), made);
    EXPECT_EQ(engines.Last()->navigations.size(), 2u);
    EXPECT_FALSE(news->OnCommand(CMOTDSubDocument::kCmdViewNews + 1));
}

TEST_F(WebDialogsTest, OnlyTheLatestNewsSubDocumentShowsTheNews) {
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    CMOTDSubDocument later(session.get());
    news->ShowNews();
    EXPECT_EQ(news->GetDialog(), nullptr);
    EXPECT_FALSE(news->IsShownToday());
    later.ShowNews();
    EXPECT_NE(later.GetDialog(), nullptr);
}

TEST_F(WebDialogsTest, TheNewsWindowsPageIsFramedAndTheStatusCentredOnClose) {
    ASSERT_TRUE(LoginWith({}));
    news = std::make_unique<CMOTDSubDocument>(session.get());
    news->ShowNews();
    CMessOfTheDayBDlg* dialog = news->GetDialog();
    dialog->resize(600, 450);
    const QRect button = dialog->CloseButton()->geometry();
    const QRect status = dialog->StatusControl()->geometry();
    EXPECT_EQ(button.right() + 1, 600 - 3);
    EXPECT_EQ(button.bottom() + 1, 450 - 3);
    EXPECT_EQ(status.left(), 3);
    EXPECT_EQ(status.right() + 1, button.left() - 9);
    EXPECT_LE(qAbs(status.center().y() - button.center().y()), 1);
    EXPECT_EQ(dialog->Host().GetWidget()->geometry(), QRect(3, 3, 600 - 6, button.top() - 6));
}

// ---- New account

TEST_F(WebDialogsTest, TheNewAccountWindowAlwaysOpensAtTheSamePlace) {
    CNewAccountBDlg first(nullptr);
    EXPECT_EQ(GetSettingsStore().GetObjectRect(&first, "Dialog Rect", platform::Rect{}),
              (platform::Rect{250, 125, 850, 650}));
    GetSettingsStore().WriteObjectRect(&first, "Dialog Rect",
                                       platform::Rect{10, 10, 300, 300}); // the user moved it
    CNewAccountBDlg second(nullptr);
    EXPECT_EQ(GetSettingsStore().GetString("CNewAccountBDlg", "Dialog Rect"),
              QStringLiteral("250 850 125 650"));
    EXPECT_EQ(second.windowTitle(), QStringLiteral("Create New Account"));
}

TEST_F(WebDialogsTest, SignUpPagesOfTheServiceStayOthersGoToTheUsersBrowser) {
    const QByteArray saved = qgetenv("NORVALE_WEB_HOST");
    qputenv("NORVALE_WEB_HOST", "http://www.norvale.example");
    CNewAccountBDlg dialog(nullptr);
    dialog.show();
    FakeBrowser* control = engines.Last();
    EXPECT_EQ(dialog.Host().GetWidget()->objectName(), QStringLiteral("603"));
    ASSERT_EQ(control->navigations.size(), 1u);
    EXPECT_EQ(control->navigations[0].url,
              QStringLiteral("http://www.norvale.example/web/apps/client/newaccount/account.asp"));
    EXPECT_EQ(Status(&dialog), QStringLiteral(" Accessing "));
    control->FinishLoad();

    dialog.StatusLine().Tick();
    EXPECT_TRUE(control->Start(QStringLiteral("https://secure.norvale.example/account/step2"),
                               BrowserNavigation::FormSubmitted));
    EXPECT_EQ(Status(&dialog), QStringLiteral(" Accessing ")); // shown again
    control->FinishLoad();
    EXPECT_TRUE(control->ClickLink(QStringLiteral("http://www.norvale.example/terms.asp")));
    control->FinishLoad();

    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://www.norvale.example.phish.net/account")));
    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://bank.example/?return=norvale.example")));
    EXPECT_EQ(browser.OpenedAddresses(),
              (QStringList{QStringLiteral("http://www.norvale.example.phish.net/account"),
                           QStringLiteral("http://bank.example/?return=norvale.example")}));
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://www.norvale.example/terms.asp")));
    if (saved.isNull())
        qunsetenv("NORVALE_WEB_HOST");
    else
        qputenv("NORVALE_WEB_HOST", saved);
}

TEST_F(WebDialogsTest, TheVersionOneControlGetsATimeStampedSignUpAddress) {
    engines.currentRuns = false;
    CNewAccountBDlg dialog(nullptr);
    dialog.show();
    const QString address = engines.Last()->navigations.at(0).url;
    EXPECT_TRUE(
        address.startsWith(ServiceWebAddress(QStringLiteral("/web/apps/client/newaccount/account.asp?"))));
    EXPECT_EQ(QUrl(address).query(QUrl::FullyDecoded).size(), 14);
}

} // namespace
