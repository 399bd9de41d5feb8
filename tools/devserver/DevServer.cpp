#include "DevServer.h"

#include "board/BgClientView.h"
#include "mail/MailPackets.h"
#include "net/ClientNode.h"
#include "platform/Cp1252.h"

CDevServer::CDevServer(Options options, QObject* parent)
    : QObject(parent), m_core(std::move(options), this, [this](const QString& line) { log(line); }),
      m_limits(m_core, m_server, [this] { onNewConnection(); }), m_accounts(m_core),
      m_mail(m_core, m_accounts), m_enquiries(m_core),
      m_rooms(m_core, m_matches, m_directory), m_directory(m_core, m_rooms.Unfinished()),
      m_matches(m_core, m_directory) {
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
    const int type = packet.GetEffectiveType();
    if (!client->connection->IsOpen())
        return;
    if (!client->loggedIn) {
        if (type == LoginPacketType::Identification)
            client->clientVersion = ParseQuotedText(packet.GetPayload()).value_or(QString());
        else if (type == LoginPacketType::Login)
            onLogin(client, packet.GetPayload());
        else
            client->connection->Close();
        return;
    }
    if (packet.IsRouted())
        onRouted(client, packet);
    else
        onPlain(client, type, packet.GetPayload());
}

void CDevServer::onLogin(Client* client, const QString& text) {
    if (!m_accounts.LogIn(client, text))
        return;
    m_directory.Arrived(client);
    m_rooms.SendUnfinished({client->record.GetNickname()});
    m_mail.LoggedIn(client);
}

void CDevServer::onRouted(Client* client, const CMessagePacket& packet) {
    const int type = packet.GetEffectiveType();
    const QString destination = packet.GetDestinationName();
    const QString sender = client->record.GetNickname();
    const QString payload = packet.GetPayload();
    if (destination == QLatin1String("&")) {
        if (type == ChatPacket::Shout) {
            if (!(m_core.options.rightsMask & 0x10000u))
                return systemLine(client, QStringLiteral("You may not shout."));
            relay(client, loggedIn(), type, payload, destination);
            return;
        }
        if (type == ChatPacket::Notify) {
            QList<Client*> room = inRoom(client->service);
            if (m_limits.MayRelay(client, room, frameBytes(payload, QStringLiteral("."))))
                for (Client* other : room)
                    systemLine(other, payload);
            return;
        }
        // Moves go to the referee, whatever the room holds; nobody refuses a move but the server.
        if (type == 217)
            return m_matches.OnMatchMove(client, payload);
        if (type == kMoveRefused) {
            log(QStringLiteral("refusal of %1 to the room dropped: %2").arg(sender, payload.left(80)));
            return;
        }
        relay(client, inRoom(client->service), type, payload, destination);
        return;
    }
    if (destination == QLatin1String(".")) {
        if (type == CBgClientView::kBearOffRequest)
            return m_enquiries.OnBearOffRequest(client, payload);
        if (type == 182) // client version query
            m_accounts.OnVersionQuery(client, payload);
        else if (type == 208) // kick: "<nickname> <reason>"
            m_accounts.OnKick(client, payload);
        return;
    }
    if (destination == QLatin1String(".db")) {
        if (type == 251 && m_accounts.OnAccountRequest(client, payload))
            return;
        m_directory.OnRelationRequest(client, type, payload);
        return;
    }
    if (destination == QLatin1String(".rt")) {
        if (type == 239)
            client->connection->SendRouted(240, QStringLiteral(".rt"), m_accounts.RankingReply(payload));
        return;
    }
    if (destination.startsWith(QLatin1Char('.')))
        return;
    // Moves count only through the room's referee: none goes from one member to another.
    if (type == 217 || type == kMoveRefused) {
        log(QStringLiteral("move of %1 routed to %2 dropped: %3").arg(sender, destination, payload.left(80)));
        return;
    }
    Client* recipient = findUser(destination);
    if (!recipient) {
        client->connection->SendRouted(
            215, QStringLiteral("."),
            QStringLiteral("Message to %1 could not be delivered").arg(destination));
        return;
    }
    if (relay(client, {recipient}, type, payload, destination))
        emit packetRelayed(sender, recipient->record.GetNickname(), type, payload);
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

void CDevServer::onPlain(Client* client, int type, const QString& text) {
    switch (type) {
    case LoginPacketType::Transfer:
        onTransfer(client, ParseQuotedText(text).value_or(QString()));
        return;
    case LoginPacketType::Presence:
        m_directory.OnPresence(client, text);
        return;
    case 77: // league information of an invitation
        m_enquiries.OnLeagueInfoRequest(client, text);
        return;
    case 58:
        m_directory.OnCommand(client, text);
        return;
    case kContinueAnswer:
        if (m_matches.OnContinueSession(client, text))
            m_rooms.SessionEnded(client->service);
        return;
    case 91: // rating estimates of an invitation
        m_enquiries.OnRatingRequest(client, text);
        return;
    case MailPacket::kType:
        m_mail.OnMail(client, text);
        return;
    case 108: // the match board's query
        m_directory.OnBoardQuery(client, text);
        return;
    case 112: // watch request: "<cookie> <nicknames>"
        m_directory.OnWatchRequest(client, text);
        return;
    default:
        log(QStringLiteral("packet %1 from %2 ignored").arg(type).arg(client->record.GetNickname()));
        return;
    }
}

void CDevServer::onTransfer(Client* client, const QString& text) {
    emit transferAsked(client->record.GetNickname(), text);
    m_rooms.OnTransfer(client, text);
}
