#include "DevServer.h"

#include "net/ClientNode.h"
#include "platform/Cp1252.h"

CDevServer::CDevServer(Options options, QObject* parent)
    : QObject(parent), m_core(std::move(options), this, [this](const QString& line) { log(line); }),
      m_limits(m_core, m_server, [this] { onNewConnection(); }), m_accounts(m_core),
      m_mail(m_core, m_accounts), m_enquiries(m_core),
      m_rooms(m_core, m_matches, m_directory), m_directory(m_core, m_rooms.Unfinished()),
      m_matches(m_core, m_directory), m_packets([this](Client* sender, qint64 bytes, const QString& line) { m_limits.Refused(sender, bytes, line); }) {
    m_accounts.Register(m_packets, [this](Client* client) { loggedIn(client); });
    m_directory.Register(m_packets, [this](Client* member, qint64 bytes) { m_limits.Charge(member, bytes); });
    m_rooms.Register(m_packets, [this](const QString& nickname, const QString& text) {
        emit transferAsked(nickname, text);
    });
    m_matches.Register(m_packets, [this](const QString& service) { m_rooms.SessionEnded(service); });
    m_mail.Register(m_packets);
    m_enquiries.Register(m_packets);
    registerChat();
    connect(&m_server, &QTcpServer::newConnection, this, &CDevServer::onNewConnection);
}

CDevServer::~CDevServer() {
    m_core.users.RemoveAll();
    m_core.clients.clear();
}

bool CDevServer::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (m_server.listen(address, port))
        return true;
    if (error)
        *error = m_server.errorString();
    return false;
}

void CDevServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_core.options.sendBufferBytes > 0)
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, m_core.options.sendBufferBytes);
        auto client = std::make_unique<Client>();
        client->connection = new CServerConnection(socket, this);
        client->serial = ++m_lastSerial;
        client->connected.start();
        client->nonce = MakeLoginNonce();
        Client* raw = client.get();
        m_limits.Admit(raw);
        connect(raw->connection, &CServerConnection::packetReceived, this,
                [this, raw](const CMessagePacketPtr& packet) { onPacket(raw, *packet); });
        connect(raw->connection, &CServerConnection::closed, this, [this, raw](bool) { onClosed(raw); });
        m_core.clients[raw->connection] = std::move(client);
        raw->connection->SendPlain(LoginPacketType::Hello,
                                   CServerHello{m_core.options.serverName, kProtocolVersion, raw->nonce}.Format());
        log(QStringLiteral("connection from %1").arg(raw->connection->PeerText()));
    }
    m_limits.Accepted();
}

void CDevServer::onClosed(Client* client) {
    m_mail.ConnectionClosed(client);
    if (client->loggedIn) {
        m_rooms.Leave(client);
        client->loggedIn = false;
        m_core.users.RemoveKey(client->record.GetNickname());
        m_rooms.DropIdleRoom(client->service);
        log(QStringLiteral("%1 left").arg(client->record.GetNickname()));
        m_directory.Departed(client);
    }
    // The connection may still be inside one of its own signals: both go once that has returned.
    CServerConnection* connection = client->connection;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
            m_core.clients.erase(connection);
            connection->deleteLater();
        },
        Qt::QueuedConnection);
}

void CDevServer::onPacket(Client* client, const CMessagePacket& packet) {
    if (!client->connection->IsOpen())
        return;
    m_packets.Dispatch(client, packet);
}

void CDevServer::loggedIn(Client* client) {
    m_directory.Arrived(client);
    m_rooms.SendUnfinished({client->record.GetNickname()});
    m_mail.LoggedIn(client);
}

void CDevServer::registerChat() {
    using To = CPacketRegistry::To;
    m_packets.Routed(To::Room, ChatPacket::Shout,
                     CPacketRegistry::RightHolder(MemberRight::Shout, QStringLiteral("You may not shout.")),
                     [this](Client* client, const CMessagePacket& packet) { onShout(client, packet); });
    // A notice shows in the room as the server's own line: moderators only.
    m_packets.Routed(To::Room, ChatPacket::Notify,
                     CPacketRegistry::RightHolder(MemberRight::Notify,
                                                  QStringLiteral("You may not send notices.")),
                     [this](Client* client, const CMessagePacket& packet) { onNotify(client, packet); });
    m_packets.Routed(To::Room, CPacketRegistry::kOtherTypes, CPacketRegistry::Member(),
                     [this](Client* client, const CMessagePacket& packet) { onRoomPacket(client, packet); });
    const auto toMember = [this](Client* client, const CMessagePacket& packet) { onMemberPacket(client, packet); };
    // Stopping and letting go a member are the moderators' too.
    m_packets.Routed(To::Member, ServicePacket::Stop,
                     CPacketRegistry::RightHolder(MemberRight::Disable,
                                                  QStringLiteral("You may not stop players.")),
                     toMember);
    m_packets.Routed(To::Member, ServicePacket::Go,
                     CPacketRegistry::RightHolder(MemberRight::Enable,
                                                  QStringLiteral("You may not let players go.")),
                     toMember);
    m_packets.Routed(To::Member, CPacketRegistry::kOtherTypes, CPacketRegistry::Member(), toMember);
}

void CDevServer::onShout(Client* client, const CMessagePacket& packet) {
    relay(client, loggedIn(), packet.GetEffectiveType(), packet.GetPayload(), packet.GetDestinationName());
}

void CDevServer::onNotify(Client* client, const CMessagePacket& packet) {
    const QString payload = packet.GetPayload();
    QList<Client*> room = inRoom(client->service);
    if (m_limits.MayRelay(client, room, frameBytes(payload, QStringLiteral("."))))
        for (Client* other : room)
            systemLine(other, payload);
}

void CDevServer::onRoomPacket(Client* client, const CMessagePacket& packet) {
    relay(client, inRoom(client->service), packet.GetEffectiveType(), packet.GetPayload(),
          packet.GetDestinationName());
}

void CDevServer::onMemberPacket(Client* client, const CMessagePacket& packet) {
    const int type = packet.GetEffectiveType();
    const QString destination = packet.GetDestinationName();
    const QString payload = packet.GetPayload();
    Client* recipient = findUser(destination);
    if (!recipient) {
        // As dear as a packet that reaches him would be.
        m_limits.Refused(client, packet.GetBody().size() + 3,
                         QStringLiteral("packet %1 of %2 to %3 undeliverable: not connected")
                             .arg(type)
                             .arg(client->record.GetNickname(), destination));
        client->connection->SendRouted(
            ServicePacket::Undeliverable, QStringLiteral("."),
            QStringLiteral("Message to %1 could not be delivered").arg(destination));
        return;
    }
    if (relay(client, {recipient}, type, payload, destination))
        emit packetRelayed(client->record.GetNickname(), recipient->record.GetNickname(), type, payload);
}

bool CDevServer::relay(Client* sender, QList<Client*> recipients, int type, const QString& payload,
                       const QString& destination) {
    const QString source = sender->record.GetNickname();
    const CMessagePacketPtr packet =
        CMessagePacket::MakeRouted(type, destination, source, platform::cp1252::encode(payload));
    if (!m_limits.MayRelay(sender, recipients, packet->GetBody().size() + 3))
        return false;
    for (Client* other : recipients)
        other->connection->SendPacket(*packet);
    return true;
}
