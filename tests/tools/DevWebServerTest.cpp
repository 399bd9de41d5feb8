#include "DevWebServer.h"
#include "DevServer.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// One raw HTTP exchange -> the whole answer (the server closes the connection after it).
QByteArray Exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray answer;
    WaitFor([&] {
        answer += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    });
    return answer + socket.readAll();
}

QByteArray Get(quint16 port, const QByteArray& target) {
    return Exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

class DevWebServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(web.Listen(QHostAddress::LocalHost, 0)); }
    CDevWebServer web;
};

TEST_F(DevWebServerTest, ServesTheServicesPagesAndNothingElse) {
    EXPECT_EQ(web.BaseAddress(), QStringLiteral("http://127.0.0.1:%1").arg(web.Port()));
    for (const char* path :
         {"/web/apps/client/motd/default.asp?user_id=alice", "/backgammon/help/default.asp",
          "/web/apps/client/ads/default.asp", "/web/apps/client/newaccount/account.asp",
          "/web/apps/client/newaccount/welcome.asp?nick=bob&mail="}) {
        const QByteArray answer = Get(web.Port(), path);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << path;
        EXPECT_TRUE(answer.contains("Content-Type: text/html; charset=utf-8")) << path;
        EXPECT_TRUE(answer.contains("</html>")) << path;
    }
    EXPECT_TRUE(Get(web.Port(), "/web/apps/client/motd/default.asp").contains("News of the day"));

    for (const char* path : {"/", "/../../etc/passwd", "/web/apps/client/motd/", "/html/news.html"})
        EXPECT_TRUE(Get(web.Port(), path).startsWith("HTTP/1.1 404")) << path;
    EXPECT_TRUE(
        Exchange(web.Port(), "POST /backgammon/help/default.asp HTTP/1.1\r\nContent-Length: 0\r\n\r\n")
            .startsWith("HTTP/1.1 405"));
    EXPECT_TRUE(Exchange(web.Port(), "nonsense\r\n\r\n").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(Exchange(web.Port(), QByteArray(20000, 'x')).startsWith("HTTP/1.1 400"));

    // Every player's picture is the same one.
    const QByteArray picture = Get(web.Port(), "/client/user-picture/Bob/");
    EXPECT_TRUE(picture.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(picture.contains("Content-Type: image/png\r\n"));
    EXPECT_TRUE(picture.contains("\x89PNG"));
    EXPECT_TRUE(Get(web.Port(), "/client/user-picture/../../x/").startsWith("HTTP/1.1 404"));

    const QByteArray head = Exchange(web.Port(), "HEAD /backgammon/help/default.asp HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(head.startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(head.endsWith("\r\n\r\n")); // no body
}

TEST_F(DevWebServerTest, TheLobbyTellsClientsWhereThePagesAre) {
    testenv::ResetSettings();
    CDevServer::Options options;
    options.webHost = web.BaseAddress();
    options.advertRefreshSeconds = 90;
    CDevServer server(options);
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));

    CSessionDoc session;
    bool accepted = false;
    QObject::connect(&session, &CSessionDoc::loginAccepted, [&] { accepted = true; });
    CClientNode::LoginRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = server.Port();
    request.nickname = QStringLiteral("alice");
    request.password = QStringLiteral("any");
    request.clientVersionText = QStringLiteral("1000 Norvale for Linux");
    session.Connect(request);
    ASSERT_TRUE(WaitFor([&] { return accepted; }));
    EXPECT_EQ(session.GetServiceSetting("urlNews"), web.BaseAddress() + "/web/apps/client/motd/default.asp");
    EXPECT_EQ(session.GetServiceSetting("urlHelp"), web.BaseAddress() + "/backgammon/help/default.asp");
    EXPECT_EQ(session.GetServiceSetting("http"), web.BaseAddress() + "/web/apps/client/ads/default.asp");
    EXPECT_EQ(session.GetServiceSetting("timer"), "90");
    EXPECT_EQ(session.GetServiceSetting("urlPlayerInfoDir"), web.BaseAddress() + "/client/players/");
    EXPECT_EQ(session.GetServiceSetting("urlLeagues"), web.BaseAddress() + "/client/leagues/");
    EXPECT_EQ(session.GetServiceSetting("urlTallybankAccount"), web.BaseAddress() + "/client/tallybank/");
}

TEST_F(DevWebServerTest, ServesAPageForEveryPlayerInformationAddress) {
    struct Case {
        const char* target;
        const char* shows;
    } cases[] = {
        {"/client/players/profile/Ann/?name=Bob&resp=blah&location=Playing+Backgammon+with+Bob",
         "Location: <b>Playing Backgammon with Bob</b>"},
        {"/client/players/info-picture/Ann/?name=Bob&resp=blah", "<img src=\"/client/user-picture/Ann/\""},
        {"/client/players/finished/Ann/?name=Bob&resp=blah", "<h1>Finished Matches</h1>"},
        {"/client/players/statistics/Ann/?name=Bob", "<h1>Statistics</h1>"},
        {"/client/players/edit-profile/Bob/?name=Bob&resp=x", "<h1>Update Personal Information</h1>"},
        {"/client/leagues/Ann/?name=Bob", "<h1>Leagues</h1>"},
        {"/client/tallybank/Bob/?name=Bob&resp=x", "<h1>Tallybank Account</h1>"},
        {"/client/players/unlimited/Ann/?name=%3Cb%3E+x", "Viewed by &lt;b&gt; x."},
    };
    for (const Case& c : cases) {
        const QByteArray answer = Get(web.Port(), c.target);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << c.target;
        EXPECT_TRUE(answer.contains(c.shows)) << c.target << "\n" << answer.constData();
    }
    for (const char* target : {"/client/players/profile/", "/client/players/profile/A!n/",
                               "/client/players/profile/../../x/", "/client/players/other/Ann/",
                               "/client/leagues/Ann/x/"})
        EXPECT_TRUE(Get(web.Port(), target).startsWith("HTTP/1.1 404")) << target;
}

} // namespace
