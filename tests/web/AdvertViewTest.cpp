#include "WebTestSupport.h"

#include "support/ApplicationTimer.h"
#include "support/SessionFixture.h"
#include "support/TestEnvironment.h"
#include "web/AdvertView.h"
#include "web/WebAddress.h"

#include "platform/Ui.h"

#include <QStyle>

namespace {

using webtest::FakeBrowser;

class AdvertViewTest : public testenv::SessionTest {
protected:
    void TearDown() override {
        pane.reset();
        webtest::RunPosted();
        testenv::SessionTest::TearDown();
    }

    // Logs in with these service settings and makes the pane in a window of its own.
    CAdvertView* MakePane(const CServiceSettings& settings) {
        server->Acceptance().settings = settings;
        EXPECT_TRUE(Login());
        pane = std::make_unique<CAdvertView>();
        pane->resize(468, 60);
        EXPECT_EQ(pane->Create(session.get()), 0);
        return pane.get();
    }

    webtest::FakeBrowserFactory engines;
    webtest::RecordingLauncher browser;
    std::unique_ptr<CAdvertView> pane;
};

TEST_F(AdvertViewTest, ShowsTheServicesAdvertAndSendsItsLinksToTheUsersBrowser) {
    CAdvertView* view = MakePane({{"http", "http://ads.norvale.example/banner?x=1"}});
    EXPECT_STREQ(view->RuntimeClassName(), "CAdvertView");
    FakeBrowser* control = engines.Last();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->createdStyle, WS_VISIBLE);
    EXPECT_EQ(view->Host().GetWidget()->objectName(), QStringLiteral("301"));
    ASSERT_EQ(control->navigations.size(), 1u);
    EXPECT_EQ(control->navigations[0].url, QStringLiteral("http://ads.norvale.example/banner?x=1"));
    EXPECT_EQ(control->navigations[0].flags, navNoReadFromCache);

    EXPECT_TRUE(
        control->Start(QStringLiteral("http://ads.norvale.example/banner2"), BrowserNavigation::Redirect));
    control->FinishLoad();
    EXPECT_FALSE(control->ClickLink(QStringLiteral("http://shop.example/sale")));
    EXPECT_EQ(browser.OpenedAddresses(), QStringList{QStringLiteral("http://shop.example/sale")});
    EXPECT_EQ(control->shown, QUrl(QStringLiteral("http://ads.norvale.example/banner2")));
}

TEST_F(AdvertViewTest, WithoutAnAddressTheBuiltInAdvertIsShown) {
    MakePane({});
    ASSERT_EQ(engines.Last()->navigations.size(), 1u);
    EXPECT_EQ(engines.Last()->navigations[0].url,
              ServiceWebAddress(QStringLiteral("/web/apps/client/ads/default.asp")));
    EXPECT_FALSE(pane->IsRefreshPending());
    EXPECT_FALSE(pane->KeepsScrollBars());
}

TEST_F(AdvertViewTest, TheTimerSettingRefreshesTheAdvert) {
    CApplicationTimer::ManualClock clock;
    MakePane({{"timer", "30"}});
    FakeBrowser* control = engines.Last();
    control->FinishLoad();
    EXPECT_TRUE(pane->IsRefreshPending());
    clock.Tick(30);
    EXPECT_EQ(control->navigations.size(), 1u);
    clock.Tick(1);
    ASSERT_EQ(control->navigations.size(), 2u);
    // A refresh is the pane's own navigation: it loads inside.
    EXPECT_FALSE(pane->Host().IsPageLoaded());
    EXPECT_EQ(control->loading, QUrl(pane->AdvertAddress()));
    clock.Tick(31);
    EXPECT_EQ(control->navigations.size(), 3u);
    EXPECT_TRUE(browser.starts.empty());

    // The refresh dies with the pane.
    pane.reset();
    clock.Tick(40);
}

TEST_F(AdvertViewTest, AZeroOrUnreadableTimerNeverRefreshes) {
    CApplicationTimer::ManualClock clock;
    for (const char* value : {"0", "-5", "soon"}) {
        pane.reset();
        session.reset();
        server.reset();
        SetUp();
        MakePane({{"timer", value}});
        EXPECT_FALSE(pane->IsRefreshPending()) << value;
        clock.Tick(200);
        EXPECT_EQ(engines.Last()->navigations.size(), 1u) << value;
    }
}

TEST_F(AdvertViewTest, TheControlsBorderAndScrollBarsLieOutsideThePane) {
    MakePane({});
    const int bar = pane->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pane.get());
    pane->show();
    pane->resize(400, 80);
    EXPECT_EQ(pane->Host().GetWidget()->geometry(), QRect(-2, -2, 400 + bar + 4, 80 + bar + 4));

    pane.reset();
    session.reset();
    server.reset();
    SetUp();
    MakePane({{"scrll", "1"}});
    EXPECT_TRUE(pane->KeepsScrollBars());
    pane->show();
    pane->resize(400, 80);
    EXPECT_EQ(pane->Host().GetWidget()->geometry(), QRect(-2, -2, 404, 84));
}

TEST_F(AdvertViewTest, WithoutAnyEngineThePaneSaysSoAndStaysEmpty) {
    engines.currentRuns = false;
    engines.version1Runs = false;
    MakePane({});
    webtest::RunPosted();
    ASSERT_FALSE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(testenv::scriptedUi().asked().back().text,
              HtmlEngineMessageText(HtmlEngineMessageKind::Advert));
    EXPECT_FALSE(pane->Host().HasBrowser());
}

} // namespace
