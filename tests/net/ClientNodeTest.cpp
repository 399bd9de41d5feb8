#include "net/ClientNode.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <stdexcept>

using testenv::FakeServer;
using testenv::WaitFor;

namespace {

class RecordingListener : public CClientNode::Listener {
public:
    void OnLoginAccepted(const CLoginAcceptedPacket& a) override { accepted = a; }
    void OnLoginRefused(const CLoginRefusedPacket& refusal) override { refused = refusal.reason; }
    void OnNodePacket(const CMessagePacket& packet) override {
        packets.emplace_back(packet.GetEffectiveType(), packet.GetPayload());
        if (packet.GetPayload() == "throw")
            throw std::runtime_error("handler failed");
    }
    void OnNodeClosed(const QString& reason, bool protocolError) override {
        closed = reason;
        closedByProtocolError = protocolError;
    }

    std::optional<CLoginAcceptedPacket> accepted;
    std::optional<QString> refused;
    std::optional<QString> closed;
    bool closedByProtocolError = false;
    std::vector<std::pair<int, QString>> packets;
};

class ClientNodeTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }

    bool LogIn(const QString& password = "secret") {
        node.Connect(server.LoginRequest("alice", password));
        return WaitFor([&] { return listener.accepted.has_value(); });
    }

    FakeServer server;
    RecordingListener listener;
    CClientNode node{&listener};
};

TEST_F(ClientNodeTest, LoginSendsIdentificationAndDigestAndTakesTheAcceptance) {
    server.RequirePassword("s3cret");
    server.Acceptance().rightsMask = 0xFFFFFFFFu;
    server.Acceptance().accountFlags = 6;
    ASSERT_TRUE(LogIn("s3cret"));
    EXPECT_TRUE(node.IsLoggedIn());
    EXPECT_EQ(server.ClientVersion(), "1000 Norvale for Linux");
    EXPECT_EQ(server.Nickname(), "alice");
    EXPECT_NE(server.LoginDigest(), "s3cret"); // never the password itself
    EXPECT_EQ(listener.accepted->rightsMask, 0xFFFFFFFFu);
    EXPECT_EQ(listener.accepted->accountFlags, 6u);
    EXPECT_EQ(listener.accepted->lobbyService, ".mb");
    ASSERT_EQ(listener.accepted->settings.size(), 1);
    EXPECT_EQ(listener.accepted->settings[0].first, "urlHelp");

    server.Send(97, "1 0");
    server.Route("bob", 212, "hi");
    ASSERT_TRUE(WaitFor([&] { return listener.packets.size() == 2; }));
    EXPECT_EQ(listener.packets[0], std::make_pair(97, QString("1 0")));
    EXPECT_EQ(listener.packets[1], std::make_pair(212, QString("hi")));
}

TEST_F(ClientNodeTest, RefusalIsReportedWithTheServersReason) {
    server.RequirePassword("right");
    node.Connect(server.LoginRequest("alice", "wrong"));
    ASSERT_TRUE(WaitFor([&] { return listener.refused.has_value(); }));
    EXPECT_EQ(*listener.refused, "The password is not correct.");
    EXPECT_FALSE(node.IsLoggedIn());
    EXPECT_FALSE(listener.accepted);
    EXPECT_FALSE(listener.closed); // the refusal is the whole report
}

TEST_F(ClientNodeTest, UnknownProtocolVersionEndsTheConnection) {
    server.SetProtocolVersion(7);
    node.Connect(server.LoginRequest("alice"));
    ASSERT_TRUE(WaitFor([&] { return listener.closed.has_value(); }));
    EXPECT_TRUE(listener.closedByProtocolError);
    EXPECT_TRUE(listener.closed->contains("protocol version 7"));
}

TEST_F(ClientNodeTest, MalformedFramesCloseWithAProtocolErrorAndDispatchNothingFromThem) {
    ASSERT_TRUE(LogIn());
    // A good frame, then a frame of length 0, then a good frame again: only the first counts.
    QByteArray bytes;
    EncodeFrame(97, "1 0", bytes);
    bytes.append(QByteArray("\x00\x00", 2));
    EncodeFrame(98, "1 0", bytes);
    server.SendRaw(bytes);
    ASSERT_TRUE(WaitFor([&] { return listener.closed.has_value(); }));
    EXPECT_TRUE(listener.closedByProtocolError);
    ASSERT_EQ(listener.packets.size(), 1u);
    EXPECT_EQ(listener.packets[0].first, 97);
    EXPECT_FALSE(node.IsLoggedIn());
    EXPECT_TRUE(server.WaitForClosed());
}

TEST_F(ClientNodeTest, RoutedFrameWithoutItsHeaderIsAProtocolError) {
    ASSERT_TRUE(LogIn());
    QByteArray bytes;
    EncodeFrame('-', "no header here", bytes);
    server.SendRaw(bytes);
    ASSERT_TRUE(WaitFor([&] { return listener.closed.has_value(); }));
    EXPECT_TRUE(listener.closedByProtocolError);
    EXPECT_TRUE(listener.packets.empty());
}

TEST_F(ClientNodeTest, FailingHandlerIsLoggedAndTheNextPacketStillArrives) {
    ASSERT_TRUE(LogIn());
    server.Send(97, "throw");
    server.Send(98, "after");
    ASSERT_TRUE(WaitFor([&] { return listener.packets.size() == 2; }));
    EXPECT_EQ(listener.packets[1].second, "after");
    const QStringList& log = node.Log().RecentLines();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString& line) {
        return line.startsWith("StateMan Exception - Class: [CClientNode], Message: [97], Data: [throw]");
    }));
    EXPECT_TRUE(node.IsLoggedIn());
}

TEST_F(ClientNodeTest, SendsPlainAndRoutedPacketsAndRefusesWhatCannotBeFramed) {
    ASSERT_TRUE(LogIn());
    EXPECT_TRUE(node.SendText(58, "PRIVATE ", QString()));
    EXPECT_TRUE(node.SendText(212, "psst", "bob"));
    EXPECT_TRUE(node.SendText(239, "query", QString())); // a routed packet without target goes to "."

    QString error;
    EXPECT_FALSE(node.SendText(69, QString(kMaxFrameBody + 1, 'x'), QString(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(node.SendText(300, "x", QString(), &error));
#ifdef QT_NO_DEBUG
    EXPECT_FALSE(node.SendText(58, "x", "bob", &error)); // a plain packet has no target
#endif

    auto plain = server.Expect(58);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->Text(), "PRIVATE ");
    auto routed = server.Expect(212);
    ASSERT_TRUE(routed);
    EXPECT_EQ(routed->Destination(), "bob");
    EXPECT_TRUE(routed->packet->GetSourceName().isEmpty()); // the server fills it in
    EXPECT_EQ(routed->Text(), "psst");
    auto toServer = server.Expect(239);
    ASSERT_TRUE(toServer);
    EXPECT_EQ(toServer->Destination(), ".");
    EXPECT_TRUE(server.NothingReceived());
    EXPECT_TRUE(node.IsLoggedIn());
}

TEST_F(ClientNodeTest, ChatKindsTravelAsTheirRoutedPackets) {
    ASSERT_TRUE(LogIn());
    struct Case {
        int kind;
        int type;
        const char* destination;
    } cases[] = {{ChatKind::Said, 203, "&"},
                 {ChatKind::Tell, 212, "bob"},
                 {ChatKind::Emote, 207, "&"},
                 {ChatKind::Whisper, 194, "&"},
                 {ChatKind::Shout, 200, "&"}};
    for (const Case& c : cases)
        EXPECT_TRUE(node.SendChat("text", c.kind, "bob"));
    EXPECT_FALSE(node.SendChat("text", ChatKind::Tell, QString())); // a tell needs a recipient
    EXPECT_FALSE(node.SendChat("text", ChatKind::System, QString()));
    for (const Case& c : cases) {
        auto frame = server.Expect(c.type);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Destination(), c.destination);
    }
}

TEST_F(ClientNodeTest, ConnectionFailureIsReported) {
    QTcpServer closedPort;
    ASSERT_TRUE(closedPort.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closedPort.serverPort();
    closedPort.close();
    CClientNode::LoginRequest request = server.LoginRequest("alice");
    request.port = port;
    node.Connect(request);
    ASSERT_TRUE(WaitFor([&] { return listener.closed.has_value(); }));
    EXPECT_FALSE(listener.closedByProtocolError);
}

TEST_F(ClientNodeTest, ShoutFilterDropsOthersShoutsWhileIgnoreShoutsIsOn) {
    EXPECT_TRUE(CClientNode::IsShoutShown("bob", "alice"));
    GetSettingsStore().WriteBool("CClientNode", "Ignore Shouts", true);
    EXPECT_FALSE(CClientNode::IsShoutShown("bob", "alice"));
    EXPECT_TRUE(CClientNode::IsShoutShown("ALICE", "alice")); // the user's own shouts always show
}

TEST_F(ClientNodeTest, TemporaryConnectionRemovalIsLogged) {
    ASSERT_TRUE(LogIn());
    node.Log().SetLevel(CSysLog::Events);
    node.RemoveTemporaryConnection();
    EXPECT_EQ(node.Log().RecentLines().last(), "alice did not have a temporary connection.");
    node.SetTemporaryConnection(".gb.alice.bob");
    node.RemoveTemporaryConnection();
    EXPECT_EQ(node.Log().RecentLines().last(), "alice removed temporary connection.");
    EXPECT_FALSE(node.HasTemporaryConnection());
}

} // namespace
