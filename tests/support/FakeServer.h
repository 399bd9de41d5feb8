#pragma once

#include "ServerConnection.h"
#include "net/ClientNode.h"
#include "net/LoginPackets.h"

#include <QObject>
#include <QTcpServer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace testenv {

// Runs the event loop until pred holds or timeoutMs pass -> whether it held.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

// A scriptable server on 127.0.0.1 that tests drive through the client's real socket. It answers the
// login by itself (accepting, or refusing with a reason), records every frame a client sends after
// that so the test can expect them one by one, and sends what the test asks: plain packets, routed
// packets as if from a peer, or raw bytes.
//
//     FakeServer server;
//     session.Connect(server.LoginRequest("alice"));
//     ASSERT_TRUE(server.WaitForLogin());
//     server.Send(97, "1 1\n\"bob\" 0 3 2 2 \n");
//     auto said = server.Expect(203);        // the next frame the client sends must be routed 203
//     server.Route("bob", 212, "hello");    // a tell from bob
class FakeServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 5000;

    struct Frame {
        CMessagePacketPtr packet;
        int Type() const { return packet->GetEffectiveType(); }
        QString Text() const { return packet->GetPayload(); }
        QString Destination() const { return packet->GetDestinationName(); }
    };

    FakeServer();
    ~FakeServer() override;

    quint16 Port() const { return m_server.serverPort(); }
    // A login request for this server.
    CClientNode::LoginRequest LoginRequest(const QString& nickname,
                                           const QString& password = QStringLiteral("secret")) const;

    // ---- Login behaviour (set before the client connects)
    // Only this password is accepted (default: any).
    void RequirePassword(const QString& password) { m_password = password; }
    // Every login is refused with this reason (empty: accepted).
    void RefuseLogins(const QString& reason) { m_refusal = reason; }
    // What an accepted login answers.
    CLoginAcceptedPacket& Acceptance() { return m_acceptance; }
    // The hello's protocol version.
    void SetProtocolVersion(int version) { m_protocolVersion = version; }

    // ---- Waiting
    bool WaitForConnections(int count);
    bool WaitForLogin(int client = 0);
    bool WaitForClosed(int client = 0);
    int ConnectionCount() const { return int(m_clients.size()); }
    bool IsLoggedIn(int client = 0) const;
    QString Nickname(int client = 0) const;
    QString ClientVersion(int client = 0) const;
    QString LoginDigest(int client = 0) const;

    // ---- Frames from the client (after its login)
    // The next frame; the test fails when it is of another type or none comes.
    std::optional<Frame> Expect(int type, int client = 0);
    // The next frame, whatever its type.
    std::optional<Frame> NextFrame(int client = 0);
    // Lets pending events run and checks that no frame is waiting.
    bool NothingReceived(int client = 0);
    void DropReceived(int client = 0);

    // ---- Sending to a client
    void Send(int type, const QString& text, int client = 0);
    // A routed packet from that sender (a nickname, "." for the server itself).
    void Route(const QString& from, int type, const QString& text, int client = 0);
    void SendRaw(const QByteArray& bytes, int client = 0);
    void Disconnect(int client = 0);

private:
    struct Client {
        CServerConnection* connection = nullptr;
        QString nonce;
        QString version;
        QString nickname;
        QString digest;
        bool loggedIn = false;
        bool closed = false;
        std::deque<CMessagePacketPtr> frames;
    };

    void onNewConnection();
    void onPacket(Client& client, const CMessagePacketPtr& packet);
    Client* client(int index) const;

    QTcpServer m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    QString m_password;
    QString m_refusal;
    int m_protocolVersion = kProtocolVersion;
    CLoginAcceptedPacket m_acceptance;
};

} // namespace testenv
