#include "WebTestSupport.h"

#include "support/HttpTestServer.h"
#include "web/WebBrowser.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest/QTest>

namespace {

using Reply = testenv::HttpTestServer::Reply;

Reply Html(const QByteArray& body, const QByteArray& contentType = "text/html; charset=utf-8") {
    Reply reply(200, body);
    reply.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray(contentType)));
    return reply;
}

// Records what the version-1 control tells its host, and cancels where the test says.
struct Recorder : CBrowserEvents {
    void OnBeforeNavigate(const BrowserNavigation& navigation, bool& cancel) override {
        before.push_back(navigation);
        cancel = cancelWhen && cancelWhen(navigation);
    }
    void OnNavigateComplete(const QUrl& url) override { completed.push_back(url); }
    void OnNavigateError(const QUrl& url) override { failed.push_back(url); }
    void OnQuit() override { ++quits; }

    std::vector<BrowserNavigation> before;
    std::vector<QUrl> completed;
    std::vector<QUrl> failed; // told before the error page completes
    std::function<bool(const BrowserNavigation&)> cancelWhen;
    int quits = 0;
};

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(control.Create(QString(), WS_CHILD | WS_VISIBLE, BrowserPlaceholderRect(), &window, 604));
        control.SetEvents(&events);
    }

    bool WaitForCompletions(size_t count) {
        return QTest::qWaitFor([&] { return events.completed.size() >= count; }, 15000);
    }
    QString ShownText() const { return control.Browser()->toPlainText(); }

    testenv::HttpTestServer server;
    QWidget window;
    CWebBrowser control;
    Recorder events;
};

TEST_F(WebBrowserTest, APageLoadsWithoutTheCacheAndCompletes) {
    server.setReply("/news", Html("<html><body><p>Hello <b>players</b></p></body></html>"));
    control.Navigate(server.url("/news"), navNoReadFromCache, QString(), QByteArray(),
                     QStringLiteral("X-Client: norvale\r\nno header here\r\n: empty name\r\n"));
    ASSERT_EQ(events.before.size(), 1u);
    EXPECT_EQ(events.before[0].kind, BrowserNavigation::Host);
    EXPECT_TRUE(events.completed.empty()); // never inside the call
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(events.completed[0], QUrl(server.url("/news")));
    EXPECT_EQ(ShownText(), QStringLiteral("Hello players"));
    EXPECT_TRUE(events.failed.empty());
    EXPECT_EQ(control.CurrentUrl(), QUrl(server.url("/news")));
    EXPECT_EQ(server.lastHeader("/news", "Cache-Control"), "no-cache");
    EXPECT_EQ(server.lastHeader("/news", "X-Client"), "norvale");
    EXPECT_EQ(control.Browser()->objectName(), QStringLiteral("604"));
}

TEST_F(WebBrowserTest, AClickedLinkAsksTheHostWhichMayKeepThePage) {
    server.setReply("/page", Html("<a href=\"/next?x=1\">next</a> <a href=\"#part\">part</a>"));
    server.setReply("/next?x=1", Html("second page"));
    control.Navigate(server.url("/page"), navNoReadFromCache);
    ASSERT_TRUE(WaitForCompletions(1));

    events.cancelWhen = [](const BrowserNavigation& n) { return n.kind == BrowserNavigation::LinkClicked; };
    emit control.Browser()->anchorClicked(QUrl(QStringLiteral("/next?x=1")));
    ASSERT_EQ(events.before.size(), 2u);
    EXPECT_EQ(events.before[1].kind, BrowserNavigation::LinkClicked);
    EXPECT_EQ(events.before[1].url, QUrl(server.url("/next?x=1"))); // resolved against the page
    QTest::qWait(50);
    EXPECT_EQ(server.requestCount("/next?x=1"), 0);
    EXPECT_TRUE(ShownText().startsWith(QStringLiteral("next")));

    // A jump within the page is no navigation.
    emit control.Browser()->anchorClicked(QUrl(QStringLiteral("#part")));
    EXPECT_EQ(events.before.size(), 2u);

    events.cancelWhen = nullptr;
    emit control.Browser()->anchorClicked(QUrl(QStringLiteral("/next?x=1")));
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_EQ(ShownText(), QStringLiteral("second page"));
}

TEST_F(WebBrowserTest, RedirectsAreAskedForAndARefusedOneNeverCompletes) {
    server.setReply("/old", Reply::Redirect("/new"));
    server.setReply("/new", Html("moved here"));
    control.Navigate(server.url("/old"));
    ASSERT_TRUE(WaitForCompletions(1));
    ASSERT_EQ(events.before.size(), 2u);
    EXPECT_EQ(events.before[1].kind, BrowserNavigation::Redirect);
    EXPECT_EQ(events.before[1].url, QUrl(server.url("/new")));
    EXPECT_EQ(events.completed[0], QUrl(server.url("/new")));
    EXPECT_EQ(ShownText(), QStringLiteral("moved here"));

    server.setReply("/away", Reply::Redirect("http://127.0.0.1:1/elsewhere"));
    events.cancelWhen = [](const BrowserNavigation& n) { return n.kind == BrowserNavigation::Redirect; };
    control.Navigate(server.url("/away"));
    ASSERT_TRUE(server.waitForRequests("/away", 1));
    QTest::qWait(100);
    EXPECT_EQ(events.completed.size(), 1u);
    EXPECT_EQ(ShownText(), QStringLiteral("moved here"));

    // Redirects to other schemes or without end are refused with an error page.
    server.setReply("/file", Reply::Redirect("file:///etc/passwd"));
    events.cancelWhen = nullptr;
    control.Navigate(server.url("/file"));
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_TRUE(ShownText().contains(QStringLiteral("cannot be shown")));
    EXPECT_FALSE(ShownText().contains(QStringLiteral("root:")));

    server.setReply("/loop", Reply::Redirect("/loop"));
    control.Navigate(server.url("/loop"));
    ASSERT_TRUE(WaitForCompletions(3));
    EXPECT_TRUE(ShownText().contains(QStringLiteral("redirects too often")));
    EXPECT_EQ(server.requestCount("/loop"), CPageLoader::kMaxRedirects + 1);
}

TEST_F(WebBrowserTest, FailuresShowAnErrorPageAndEndTheNavigation) {
    server.setReply("/missing", Reply(404, "<html><body>No such page</body></html>"));
    control.Navigate(server.url("/missing"));
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(ShownText(), QStringLiteral("No such page")); // the server's own error page
    EXPECT_EQ(events.failed.size(), 1u);

    server.stop();
    control.Navigate(QStringLiteral("http://127.0.0.1:%1/gone").arg(server.port()));
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_TRUE(ShownText().contains(QStringLiteral("The page cannot be shown.")));
    EXPECT_EQ(events.failed.size(), 2u);

    // The address is shown as text, never as markup.
    control.Navigate(QStringLiteral("gopher://x/<b>bold</b>"));
    ASSERT_TRUE(WaitForCompletions(3));
    EXPECT_TRUE(ShownText().contains(QStringLiteral("<b>bold</b>")) ||
                ShownText().contains(QStringLiteral("%3Cb%3E")));
}

TEST_F(WebBrowserTest, PagesAreReadInTheEncodingTheySay) {
    EXPECT_EQ(CWebBrowser::DecodePage("caf\xE9 \x80", "text/html; charset=ISO-8859-1"),
              QStringLiteral("café €"));
    EXPECT_EQ(CWebBrowser::DecodePage("<meta charset=\"windows-1252\">caf\xE9", "text/html"),
              QStringLiteral("<meta charset=\"windows-1252\">café"));
    EXPECT_EQ(
        CWebBrowser::DecodePage(
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\xE9", ""),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">é"));
    EXPECT_EQ(CWebBrowser::DecodePage("caf\xC3\xA9", ""), QStringLiteral("café"));
    EXPECT_EQ(CWebBrowser::DecodePage("\xEF\xBB\xBF"
                                      "caf\xC3\xA9",
                                      "text/html; charset=iso-8859-1"),
              QStringLiteral("café"));
    EXPECT_EQ(CWebBrowser::DecodePage(QByteArray("\xFF\xFE"
                                                 "a\0b\0",
                                                 6),
                                      ""),
              QStringLiteral("ab"));
}

TEST_F(WebBrowserTest, PicturesOfThePageArriveAfterIt) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Reply picture(200, png);
    picture.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("image/png")));
    server.setReply("/img/dot.png", picture);
    server.setReply("/pictures/",
                    Html("<p>before <img src=\"../img/dot.png\"> <img src=\"/img/missing.png\"> after</p>"));

    control.Navigate(server.url("/pictures/"));
    ASSERT_TRUE(WaitForCompletions(1));
    control.Browser()->resize(400, 300);
    window.show(); // pictures are asked for when the page is laid out for showing
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount("/img/dot.png") == 1; }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return control.PendingPictures() == 0; }, 15000));
    const QVariant resource = control.Browser()->document()->resource(QTextDocument::ImageResource,
                                                                      QUrl(server.url("/img/dot.png")));
    ASSERT_TRUE(resource.canConvert<QImage>());
    EXPECT_EQ(resource.value<QImage>().size(), QSize(3, 2));
    // Asked once each, however often the page is laid out.
    control.Browser()->resize(300, 300);
    QTest::qWait(20);
    EXPECT_EQ(server.requestCount("/img/dot.png"), 1);
    EXPECT_EQ(server.requestCount("/img/missing.png"), 1);
}

TEST_F(WebBrowserTest, LocalPagesAndTheBlankPageLoadToo) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/working.html");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body>Working...</body></html>");
    file.close();
    control.Navigate(QUrl::fromLocalFile(path).toString());
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(ShownText(), QStringLiteral("Working..."));
    control.Navigate(QStringLiteral("about:blank"));
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_TRUE(ShownText().isEmpty());
}

TEST_F(WebBrowserTest, ANewNavigationDropsTheOneStillLoading) {
    server.setReply("/slow", Reply::Held("slow page"));
    server.setReply("/fast", Html("fast page"));
    control.Navigate(server.url("/slow"));
    ASSERT_TRUE(server.waitForRequests("/slow", 1));
    control.Navigate(server.url("/fast"));
    ASSERT_TRUE(WaitForCompletions(1));
    server.release("/slow");
    QTest::qWait(100);
    EXPECT_EQ(events.completed.size(), 1u);
    EXPECT_EQ(ShownText(), QStringLiteral("fast page"));
}

} // namespace
