#include "support/FakeServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace testenv {

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    // Sleeps only while nothing happens: socket and timer events wake the loop at once.
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(5);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

FakeServer::FakeServer() {
    m_acceptance.rightsMask = 0x10001;
    m_acceptance.accountFlags = 1;
    m_acceptance.lobbyService = QStringLiteral(".mb");
    m_acceptance.settings = {{QStringLiteral("urlHelp"), QStringLiteral("http://127.0.0.1/help")}};
    connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::onNewConnection);
    const bool listening = m_server.listen(QHostAddress::LocalHost, 0);
    EXPECT_TRUE(listening) << m_server.errorString().toStdString();
}

FakeServer::~FakeServer() {
    for (auto& c : m_clients)
        delete c->connection;
}

CClientNode::LoginRequest FakeServer::LoginRequest(const QString& nickname, const QString& password) const {
    CClientNode::LoginRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = Port();
    request.nickname = nickname;
    request.password = password;
    request.clientVersionText = QStringLiteral("1000 Norvale for Linux");
    return request;
}

void FakeServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto c = std::make_unique<Client>();
        c->connection = new CServerConnection(socket);
        c->nonce = MakeLoginNonce();
        Client* raw = c.get();
        connect(raw->connection, &CServerConnection::packetReceived, this,
                [this, raw](const CMessagePacketPtr& packet) { onPacket(*raw, packet); });
        connect(raw->connection, &CServerConnection::closed, this, [raw](bool) { raw->closed = true; });
        m_clients.push_back(std::move(c));
        raw->connection->SendPlain(
            LoginPacketType::Hello,
            CServerHello{QStringLiteral("Fake server"), m_protocolVersion, raw->nonce}.Format());
    }
}

void FakeServer::onPacket(Client& c, const CMessagePacketPtr& packet) {
    if (c.loggedIn) {
        c.frames.push_back(packet);
        return;
    }
    const int type = packet->GetEffectiveType();
    if (type == LoginPacketType::Identification) {
        c.version = ParseQuotedText(packet->GetPayload()).value_or(QString());
        return;
    }
    if (type != LoginPacketType::Login) {
        ADD_FAILURE() << "fake server: packet " << type << " before the login";
        return;
    }
    const auto login = CSecureLoginPacket::Parse(packet->GetPayload());
    QString refusal = m_refusal;
    if (!login)
        refusal = QStringLiteral("malformed login");
    else if (!m_password.isEmpty() && login->digest != CSecureLoginPacket::ComputeDigest(c.nonce, m_password))
        refusal = QStringLiteral("The password is not correct.");
    if (!refusal.isEmpty()) {
        c.connection->SendPlain(LoginPacketType::Refused, FormatQuotedText(refusal));
        c.connection->Close();
        return;
    }
    c.nickname = login->nickname;
    c.digest = login->digest;
    c.loggedIn = true;
    c.connection->SendPlain(LoginPacketType::Accepted, m_acceptance.Format());
}

FakeServer::Client* FakeServer::client(int index) const {
    return index >= 0 && index < int(m_clients.size()) ? m_clients[size_t(index)].get() : nullptr;
}

bool FakeServer::WaitForConnections(int count) {
    return WaitFor([&] { return int(m_clients.size()) >= count; }, kWaitMs);
}

bool FakeServer::WaitForLogin(int index) {
    return WaitFor([&] { return client(index) && client(index)->loggedIn; }, kWaitMs);
}

bool FakeServer::WaitForClosed(int index) {
    return WaitFor([&] { return client(index) && client(index)->closed; }, kWaitMs);
}

bool FakeServer::IsLoggedIn(int index) const {
    return client(index) && client(index)->loggedIn;
}
QString FakeServer::Nickname(int index) const {
    return client(index) ? client(index)->nickname : QString();
}
QString FakeServer::ClientVersion(int index) const {
    return client(index) ? client(index)->version : QString();
}
QString FakeServer::LoginDigest(int index) const {
    return client(index) ? client(index)->digest : QString();
}

std::optional<FakeServer::Frame> FakeServer::NextFrame(int index) {
    if (!WaitFor([&] { return client(index) && !client(index)->frames.empty(); }, kWaitMs))
        return std::nullopt;
    Client* c = client(index);
    Frame frame{c->frames.front()};
    c->frames.pop_front();
    return frame;
}

std::optional<FakeServer::Frame> FakeServer::Expect(int type, int index) {
    std::optional<Frame> frame = NextFrame(index);
    if (!frame) {
        ADD_FAILURE() << "fake server: expected packet " << type << ", none came";
        return std::nullopt;
    }
    if (frame->Type() != type) {
        ADD_FAILURE() << "fake server: expected packet " << type << ", got " << frame->Type() << " \""
                      << frame->Text().toStdString() << "\"";
        return std::nullopt;
    }
    return frame;
}

bool FakeServer::NothingReceived(int index) {
    // A short round of the event loop: what the client wrote reaches the server socket meanwhile.
    QTest::qWait(30);
    const Client* c = client(index);
    return !c || c->frames.empty();
}

void FakeServer::DropReceived(int index) {
    if (Client* c = client(index))
        c->frames.clear();
}

void FakeServer::Send(int type, const QString& text, int index) {
    if (Client* c = client(index))
        c->connection->SendPlain(quint8(type), text);
}

void FakeServer::Route(const QString& from, int type, const QString& text, int index) {
    if (Client* c = client(index))
        c->connection->SendRouted(type, from, text, c->nickname);
}

void FakeServer::SendRaw(const QByteArray& bytes, int index) {
    if (Client* c = client(index))
        c->connection->SendRaw(bytes);
}

void FakeServer::Disconnect(int index) {
    if (Client* c = client(index))
        c->connection->Close();
}

} // namespace testenv
