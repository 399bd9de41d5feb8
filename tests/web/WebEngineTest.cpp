// The current control on the real engine, offscreen, against pages on the loopback.
#include "WebTestSupport.h"

#include "support/HttpTestServer.h"
#include "web/BrowserHost.h"
#include "web/WebBrowser2.h"

#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest/QTest>

namespace {

using Reply = testenv::HttpTestServer::Reply;

Reply Html(const QByteArray& body) {
    Reply reply(200, body);
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=utf-8")));
    return reply;
}

// Generous: the engine's first start takes its time on a loaded machine.
constexpr int kLoadWaitMs = 90000;

TEST(WebEngineTest, LinksOfALoadedPageLeaveWhileTheFirstLoadsRedirectStaysInside) {
    if (!CWebBrowser2::IsEngineAvailable())
        GTEST_SKIP() << "The web engine cannot run here (NORVALE_WEB_ENGINE=none or no helper program).";

    testenv::HttpTestServer server;
    server.setReply("/ad", Reply::Redirect("/ad/page"));
    server.setReply("/ad/page",
                    Html("<html><body><a id=\"out\" href=\"/offer?x=1&y=2\">offer</a>"
                         "<a id=\"pop\" target=\"_blank\" href=\"/popup\">popup</a></body></html>"));
    webtest::RecordingLauncher browser;

    QWidget window;
    window.resize(400, 300);
    CBrowserHost host(CBrowserHost::LinkPolicy::SendOut);
    ASSERT_TRUE(host.CreateBrowser(&window, 301, WS_VISIBLE, HtmlEngineMessageKind::Advert, true));
    CWebBrowser2* engine = host.GetBrowser2();
    ASSERT_NE(engine, nullptr);
    window.show();

    bool rendererDied = false;
    QObject::connect(engine->View()->page(), &QWebEnginePage::renderProcessTerminated,
                     [&](QWebEnginePage::RenderProcessTerminationStatus, int) { rendererDied = true; });
    int completions = 0;
    host.onNavigateComplete = [&](const QUrl&) { ++completions; };

    host.Navigate(server.url("/ad"));
    const bool loaded = QTest::qWaitFor([&] { return host.IsPageLoaded() || rendererDied; }, kLoadWaitMs);
    if (rendererDied || (!loaded && server.requestCount("/ad") == 0))
        GTEST_SKIP() << "The web engine could not start on this machine.";
    ASSERT_TRUE(loaded);
    EXPECT_EQ(engine->CurrentUrl(), QUrl(server.url("/ad/page")));
    EXPECT_EQ(server.lastHeader("/ad", "Cache-Control"), "no-cache");
    EXPECT_TRUE(browser.starts.empty());

    // A click after the load goes to the user's browser; the pane keeps its page.
    engine->View()->page()->runJavaScript(QStringLiteral("document.getElementById('out').click();"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser.starts.empty(); }, kLoadWaitMs));
    EXPECT_EQ(browser.OpenedAddresses(), QStringList{server.url("/offer?x=1&y=2")});
    QTest::qWait(300); // let a wrongly completed refusal show itself
    EXPECT_TRUE(host.IsPageLoaded());
    EXPECT_EQ(completions, 1); // the refused navigation did not complete
    EXPECT_EQ(engine->CurrentUrl(), QUrl(server.url("/ad/page")));
    EXPECT_EQ(server.requestCount("/offer?x=1&y=2"), 0);

    // A page that wants a window of its own sends it to the user's browser as well.
    engine->View()->page()->runJavaScript(QStringLiteral("document.getElementById('pop').click();"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.starts.size() == 2; }, kLoadWaitMs));
    EXPECT_EQ(browser.OpenedAddresses().value(1), server.url("/popup"));
    EXPECT_EQ(server.requestCount("/popup"), 0);

    // The host's own next navigation (a refresh) loads inside again.
    host.Navigate(server.url("/ad/page"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 2; }, kLoadWaitMs));
    EXPECT_EQ(browser.starts.size(), 2u);

    // A page that cannot be had is told to the host, and its error page ends the navigation.
    int errors = 0;
    host.onNavigateError = [&](const QUrl&) { ++errors; };
    const QString gone = server.url("/ad/page");
    server.stop();
    host.Navigate(gone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 3; }, kLoadWaitMs));
    EXPECT_EQ(errors, 1);
}

} // namespace
