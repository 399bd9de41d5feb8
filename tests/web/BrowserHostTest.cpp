#include "WebTestSupport.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"
#include "web/BrowserHost.h"
#include "web/MBPopupDlg.h"

#include <QStyle>
#include <QWidget>

namespace {

using webtest::FakeBrowser;

class BrowserHostTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::scriptedUi().clear(); }
    void TearDown() override {
        webtest::RunPosted();
        testenv::scriptedUi().clear();
    }

    static QStringList BoxTexts() {
        webtest::RunPosted();
        QStringList texts;
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.kind == platform::ScriptedUi::Asked::MessageBoxKind)
                texts << asked.text;
        return texts;
    }

    webtest::FakeBrowserFactory engines;
    webtest::RecordingLauncher browser;
    QWidget window;
};

TEST_F(BrowserHostTest, TheCurrentControlIsTriedFirstThenTheVersionOneControl) {
    CBrowserHost host(CBrowserHost::LinkPolicy::SendOut);
    ASSERT_TRUE(host.CreateBrowser(&window, 604, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    ASSERT_NE(host.GetControl(), nullptr);
    EXPECT_EQ(host.GetControl()->Version(), 2);
    EXPECT_EQ(engines.madeIds, (std::vector<QString>{QLatin1String(CWebBrowser2::kClassId)}));
    EXPECT_EQ(host.GetWidget()->parentWidget(), &window);
    EXPECT_EQ(host.GetWidget()->objectName(), QStringLiteral("604"));

    engines.currentRuns = false;
    CBrowserHost fallback(CBrowserHost::LinkPolicy::SendOut);
    ASSERT_TRUE(fallback.CreateBrowser(&window, 301, WS_VISIBLE, HtmlEngineMessageKind::Advert, true));
    EXPECT_EQ(fallback.GetControl()->Version(), 1);
    EXPECT_EQ(engines.Last()->createdStyle, WS_VISIBLE);
    EXPECT_EQ(fallback.GetWidget()->objectName(), QStringLiteral("301"));
    EXPECT_TRUE(BoxTexts().isEmpty());

    // Some windows take the current control only.
    CBrowserHost currentOnly(CBrowserHost::LinkPolicy::KeepInside);
    const size_t before = engines.made.size();
    EXPECT_FALSE(currentOnly.CreateBrowser(&window, 610, WS_CHILD | WS_VISIBLE,
                                           HtmlEngineMessageKind::PlayerInfo, true, true));
    EXPECT_EQ(engines.made.size(), before + 1);
    EXPECT_FALSE(currentOnly.HasBrowser());
    EXPECT_EQ(BoxTexts(), QStringList{HtmlEngineMessageText(HtmlEngineMessageKind::PlayerInfo)});
}

TEST_F(BrowserHostTest, WithNoEngineTheUserIsToldWhereToGetOne) {
    engines.currentRuns = false;
    engines.version1Runs = false;
    CBrowserHost dialogHost(CBrowserHost::LinkPolicy::SendOut);
    EXPECT_FALSE(
        dialogHost.CreateBrowser(&window, 604, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    const QString download = HtmlEngineDownloadAddress();
    const QStringList texts = BoxTexts();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(
        texts[0],
        QStringLiteral("The required html engine is not installed on this machine.  This version of the "
                       "software requires an html engine from Qt WebEngine version 6 or "
                       "greater.  This can be obtained at:\r\n\r\n") +
            download +
            QStringLiteral("\r\n\r\nThis will not interfere with normal operation of your regular "
                           "browser.  Please visit our download site for more details."));
    EXPECT_EQ(testenv::scriptedUi().asked()[0].type & platform::MB_ICONMASK, platform::MB_ICONEXCLAMATION);

    // Navigating without a control does nothing.
    dialogHost.Navigate(QStringLiteral("http://w.example/"));
    EXPECT_FALSE(dialogHost.IsPageLoaded());

    testenv::scriptedUi().clear();
    CBrowserHost advert(CBrowserHost::LinkPolicy::SendOut);
    EXPECT_FALSE(advert.CreateBrowser(&window, 301, WS_VISIBLE, HtmlEngineMessageKind::Advert, true));
    const QStringList advertTexts = BoxTexts();
    ASSERT_EQ(advertTexts.size(), 1);
    EXPECT_TRUE(advertTexts[0].startsWith(QStringLiteral(
        "This software requires an html engine from Qt WebEngine version 6 or greater.  This can")));
    EXPECT_TRUE(HtmlEngineMessageText(HtmlEngineMessageKind::PlayerInfo)
                    .contains(QStringLiteral(
                        "from Qt WebEngine version 6 or greater.  This can be obtained at:")));
}

TEST_F(BrowserHostTest, NavigationSkipsTheCacheAndStartsAFreshPage) {
    CBrowserHost host(CBrowserHost::LinkPolicy::SendOut);
    ASSERT_TRUE(host.CreateBrowser(&window, 604, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    FakeBrowser* control = engines.Last();
    host.Navigate(QStringLiteral("http://w.example/news"));
    ASSERT_EQ(control->navigations.size(), 1u);
    EXPECT_EQ(control->navigations[0].url, QStringLiteral("http://w.example/news"));
    EXPECT_EQ(control->navigations[0].flags, navNoReadFromCache);
    EXPECT_FALSE(host.IsPageLoaded());
    control->FinishLoad();
    EXPECT_TRUE(host.IsPageLoaded());
    // The host's own next navigation (a refresh) loads inside again.
    host.Navigate(QStringLiteral("http://w.example/news2"));
    EXPECT_FALSE(host.IsPageLoaded());
    EXPECT_EQ(control->loading, QUrl(QStringLiteral("http://w.example/news2")));
    EXPECT_TRUE(browser.starts.empty());
}

TEST_F(BrowserHostTest, AfterTheFirstPageLinksGoToTheUsersBrowser) {
    CBrowserHost host(CBrowserHost::LinkPolicy::SendOut);
    int inside = 0;
    host.onNavigateInside = [&] { ++inside; };
    ASSERT_TRUE(host.CreateBrowser(&window, 301, WS_VISIBLE, HtmlEngineMessageKind::Advert, true));
    FakeBrowser* control = engines.Last();
    host.Navigate(QStringLiteral("http://w.example/ad"));
    // A redirect and a frame of the first load stay inside.
    EXPECT_TRUE(control->Start(QStringLiteral("http://w.example/ad2"), BrowserNavigation::Redirect));
    EXPECT_TRUE(control->Start(QStringLiteral("http://cdn.example/frame"), BrowserNavigation::Other, false));
    control->FinishLoad();
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://w.example/ad2")));
    EXPECT_EQ(inside, 2); // the host's navigation and the redirect

    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://shop.example/offer?a=1&b=2")));
    EXPECT_FALSE(
        control->Start(QStringLiteral("http://shop.example/form"), BrowserNavigation::FormSubmitted));
    EXPECT_FALSE(control->Start(QStringLiteral("http://shop.example/scripted"), BrowserNavigation::Other));
    EXPECT_EQ(browser.OpenedAddresses(), (QStringList{QStringLiteral("http://shop.example/offer?a=1&b=2"),
                                                      QStringLiteral("http://shop.example/form"),
                                                      QStringLiteral("http://shop.example/scripted")}));
    // The pane keeps its page.
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://w.example/ad2")));
    EXPECT_TRUE(host.IsPageLoaded());

    // Frames inside the page, a reload and history steps are the page's own.
    EXPECT_TRUE(
        control->Start(QStringLiteral("http://cdn.example/rotating"), BrowserNavigation::LinkClicked, false));
    EXPECT_TRUE(control->Start(QStringLiteral("http://w.example/ad2"), BrowserNavigation::Reload));
    EXPECT_EQ(browser.starts.size(), 3u);
}

TEST_F(BrowserHostTest, NewWindowsAlwaysGoToTheUsersBrowser) {
    for (auto policy : {CBrowserHost::LinkPolicy::KeepInside, CBrowserHost::LinkPolicy::SendOut,
                        CBrowserHost::LinkPolicy::SendOutOfDomain}) {
        CBrowserHost host(policy);
        host.SetServiceDomain(QStringLiteral("w.example"));
        ASSERT_TRUE(
            host.CreateBrowser(&window, 601, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
        host.Navigate(QStringLiteral("http://w.example/help"));
        EXPECT_FALSE(
            engines.Last()->Start(QStringLiteral("http://w.example/popup"), BrowserNavigation::NewWindow));
    }
    EXPECT_EQ(browser.OpenedAddresses().size(), 3);
}

TEST_F(BrowserHostTest, KeptInsideWindowsFollowEveryLink) {
    CBrowserHost host(CBrowserHost::LinkPolicy::KeepInside);
    ASSERT_TRUE(host.CreateBrowser(&window, 601, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    FakeBrowser* control = engines.Last();
    host.Navigate(QStringLiteral("http://w.example/help"));
    control->FinishLoad();
    EXPECT_TRUE(control->ClickLink(QStringLiteral("http://elsewhere.example/")));
    control->FinishLoad();
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://elsewhere.example/")));
    EXPECT_TRUE(browser.starts.empty());
}

TEST_F(BrowserHostTest, TheServiceDomainStaysInsideOtherDomainsLeave) {
    CBrowserHost host(CBrowserHost::LinkPolicy::SendOutOfDomain);
    host.SetServiceDomain(QStringLiteral("norvale.example"));
    int inside = 0;
    host.onNavigateInside = [&] { ++inside; };
    ASSERT_TRUE(host.CreateBrowser(&window, 603, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    FakeBrowser* control = engines.Last();
    host.Navigate(QStringLiteral("http://www.norvale.example/account.asp"));
    control->FinishLoad();
    inside = 0;

    EXPECT_TRUE(control->ClickLink(QStringLiteral("https://secure.norvale.example/step2")));
    EXPECT_EQ(inside, 1);
    control->FinishLoad();
    // Still inside after that page loaded too.
    EXPECT_TRUE(control->Start(QStringLiteral("https://www.norvale.example/step3"),
                               BrowserNavigation::FormSubmitted));
    control->FinishLoad();

    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://norvale.example.evil.net/phish")));
    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://evil.net/?u=norvale.example")));
    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://www.partner.example/terms")));
    EXPECT_EQ(browser.OpenedAddresses(), (QStringList{QStringLiteral("http://norvale.example.evil.net/phish"),
                                                      QStringLiteral("http://evil.net/?u=norvale.example"),
                                                      QStringLiteral("http://www.partner.example/terms")}));
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("https://www.norvale.example/step3")));
}

TEST_F(BrowserHostTest, TheQuitRequestReachesTheWindowAndAGoneHostHearsNothing) {
    int quits = 0;
    auto host = std::make_unique<CBrowserHost>(CBrowserHost::LinkPolicy::SendOut);
    host->onQuit = [&] { ++quits; };
    ASSERT_TRUE(
        host->CreateBrowser(&window, 604, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, true));
    QPointer<QWidget> widget = host->GetWidget();
    engines.Last()->AskToQuit();
    EXPECT_EQ(quits, 1);
    host.reset();
    EXPECT_TRUE(widget.isNull()); // the control's window goes with its host
}

TEST_F(BrowserHostTest, TheFlyoverShowsWhenItsPageHasArrivedAndCoversItsBorders) {
    CMBPopupDlg popup(&window);
    EXPECT_STREQ(popup.RuntimeClassName(), "CMBPopupDlg");
    FakeBrowser* control = engines.Last();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->createdStyle, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(popup.Host().GetWidget()->objectName(), QStringLiteral("601"));

    popup.setGeometry(100, 100, 280, 89);
    popup.Navigate(QStringLiteral("file:///tmp/mbpopup.html"));
    EXPECT_EQ(control->navigations.back().flags, navNoReadFromCache);
    EXPECT_FALSE(popup.isVisible());
    control->FinishLoad();
    EXPECT_TRUE(popup.isVisible());
    const int scrollBar = popup.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &popup);
    EXPECT_EQ(popup.Host().GetWidget()->geometry(), QRect(-2, -2, 280 + scrollBar + 4, 89 + 4));
    EXPECT_TRUE(popup.testAttribute(Qt::WA_ShowWithoutActivating));
    // Links in the flyover stay in it.
    EXPECT_TRUE(control->ClickLink(QStringLiteral("http://w.example/profile")));
    EXPECT_TRUE(browser.starts.empty());
}

TEST_F(BrowserHostTest, AFlyoverWithoutEngineSaysSoAtOnce) {
    engines.currentRuns = false;
    engines.version1Runs = false;
    CMBPopupDlg popup(&window);
    // Shown at once, not deferred.
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, HtmlEngineMessageText(HtmlEngineMessageKind::Dialog));
    popup.Navigate(QStringLiteral("file:///tmp/mbpopup.html"));
    EXPECT_FALSE(popup.isVisible());
}

} // namespace
