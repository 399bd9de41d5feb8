#include "net/ClientNode.h"

#include "platform/Cp1252.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"

CClientNode::CClientNode(Listener* listener, QObject* parent)
    : QObject(parent), m_listener(listener), m_socket(new CClientSocket(this)) {
    buildTables();
    m_stateMan.SetLog([this](const QString& line) { m_log.Write(CSysLog::Errors, line); });
    connect(m_socket, &CClientSocket::connected, this, [this] {
        m_phase = Phase::WaitHello;
        m_stateMan.SetTable(&m_waitHello);
        m_log.Write(CSysLog::Events, QStringLiteral("Connected to %1").arg(m_socket->PeerText()));
    });
    connect(m_socket, &CClientSocket::packetReceived, this, &CClientNode::onPacket);
    connect(m_socket, &CClientSocket::closed, this, &CClientNode::onClosed);
}

CClientNode::~CClientNode() = default;

void CClientNode::buildTables() {
    m_waitHello.On(
        LoginPacketType::Hello, [this](const CMessagePacket* p) { onHello(p); }, &m_waitLogin);
    m_waitHello.On(CStateTable::kAnyMessage, [this](const CMessagePacket*) {
        protocolError(QStringLiteral("expected the server's hello"));
    });
    m_waitLogin.On(LoginPacketType::Accepted, [this](const CMessagePacket* p) { onAccepted(p); });
    m_waitLogin.On(LoginPacketType::Refused, [this](const CMessagePacket* p) { onRefused(p); });
    m_waitLogin.On(CStateTable::kAnyMessage, [this](const CMessagePacket*) {
        protocolError(QStringLiteral("expected the login answer"));
    });
    m_session.On(CStateTable::kAnyMessage, [this](const CMessagePacket* p) {
        if (p && m_listener)
            m_listener->OnNodePacket(*p);
    });
    // Nothing arrives in m_closed: its empty table logs whatever still comes as illegal.
}

void CClientNode::Connect(const LoginRequest& request) {
    m_request = request;
    m_phase = Phase::Connecting;
    m_stateMan.SetTable(&m_waitHello);
    m_log.Write(CSysLog::Events, QStringLiteral("Connecting to %1:%2 as %3")
                                     .arg(request.host)
                                     .arg(request.port)
                                     .arg(request.nickname));
    m_socket->ConnectToHost(request.host, request.port);
}

void CClientNode::Disconnect() {
    if (m_phase == Phase::Idle || m_phase == Phase::Closed)
        return;
    m_phase = Phase::Closed;
    m_stateMan.SetTable(&m_closed);
    m_socket->Close();
    m_log.Write(CSysLog::Events, QStringLiteral("Disconnected"));
}

void CClientNode::onPacket(const CMessagePacketPtr& packet) {
    m_log.Write(
        CSysLog::Packets,
        QStringLiteral("<- %1 %2").arg(packet->GetEffectiveType()).arg(packet->GetPayload().left(120)));
    m_stateMan.Dispatch(packet->GetEffectiveType(), packet.get(), m_socket->PeerText());
}

void CClientNode::onClosed(const QString& reason, bool protocolError) {
    const Phase before = m_phase;
    m_phase = Phase::Closed;
    m_stateMan.SetTable(&m_closed);
    m_log.Write(protocolError ? CSysLog::Errors : CSysLog::Events,
                QStringLiteral("Connection closed: %1").arg(reason));
    if (before == Phase::Closed || !m_listener)
        return;
    try {
        m_listener->OnNodeClosed(reason, protocolError);
    } catch (...) {
        m_log.Write(CSysLog::Errors,
                    CStateMan::ExceptionText(QString::fromLatin1(kClassName), kSocketClosed, nullptr));
    }
}

void CClientNode::protocolError(const QString& what) {
    if (m_phase == Phase::Closed)
        return;
    m_socket->Close();
    onClosed(QStringLiteral("protocol error (%1)").arg(what), true);
}

void CClientNode::onHello(const CMessagePacket* packet) {
    const auto hello = CServerHello::Parse(packet->GetPayload());
    if (!hello) {
        protocolError(QStringLiteral("a malformed hello"));
        return;
    }
    if (hello->protocolVersion != kProtocolVersion) {
        protocolError(QStringLiteral("the server speaks protocol version %1").arg(hello->protocolVersion));
        return;
    }
    m_phase = Phase::WaitLogin;
    SendText(LoginPacketType::Identification, FormatQuotedText(m_request.clientVersionText), QString());
    CSecureLoginPacket login;
    login.nickname = m_request.nickname;
    login.digest = CSecureLoginPacket::ComputeDigest(hello->nonce, m_request.password);
    m_request.password.clear(); // not needed any more, and not kept
    SendText(LoginPacketType::Login, login.Format(), QString());
}

void CClientNode::onAccepted(const CMessagePacket* packet) {
    const auto accepted = CLoginAcceptedPacket::Parse(packet->GetPayload());
    if (!accepted) {
        protocolError(QStringLiteral("a malformed login acceptance"));
        return;
    }
    m_phase = Phase::Session;
    m_stateMan.SetTable(&m_session);
    m_log.Write(CSysLog::Events, QStringLiteral("Logged in as %1").arg(m_request.nickname));
    if (m_listener)
        m_listener->OnLoginAccepted(*accepted);
}

void CClientNode::onRefused(const CMessagePacket* packet) {
    CLoginRefusedPacket refusal;
    if (const auto parsed = CLoginRefusedPacket::Parse(packet->GetPayload()))
        refusal = *parsed;
    else
        refusal.reason = packet->GetPayload();
    m_phase = Phase::Closed;
    m_stateMan.SetTable(&m_closed);
    m_socket->Close();
    m_log.Write(CSysLog::Events, QStringLiteral("Login refused: %1").arg(refusal.reason));
    if (m_listener)
        m_listener->OnLoginRefused(refusal);
}

bool CClientNode::Send(int type, const QByteArray& body, const QString& target, QString* error) {
    if (type < 0 || type > 0xFF) {
        if (error)
            *error = QStringLiteral("Packet type %1 cannot be sent.").arg(type);
        return false;
    }
    bool ok = false;
    if (type < 0x80) {
        Q_ASSERT_X(target.isEmpty(), "CClientNode::Send", "a plain packet has no target");
        if (!target.isEmpty()) {
            if (error)
                *error = QStringLiteral("Packet type %1 cannot be sent to %2.").arg(type).arg(target);
            return false;
        }
        ok = m_socket->SendFrame(quint8(type), body, error);
    } else {
        const QString destination = target.isEmpty() ? QStringLiteral(".") : target;
        ok = m_socket->SendFrame(CMessagePacket::kRoutedType,
                                 CMessagePacket::RoutedBody(type, destination, QString(), body), error);
    }
    if (ok)
        m_log.Write(
            CSysLog::Packets,
            QStringLiteral("-> %1 %2 %3").arg(type).arg(target, platform::cp1252::decode(body.left(120))));
    else if (error)
        m_log.Write(CSysLog::Errors, QStringLiteral("Packet %1 not sent: %2").arg(type).arg(*error));
    return ok;
}

bool CClientNode::SendText(int type, const QString& text, const QString& target, QString* error) {
    return Send(type, platform::cp1252::encode(text), target, error);
}

bool CClientNode::SendChat(const QString& text, int kind, const QString& recipient) {
    switch (kind) {
    case ChatKind::Said:
        return SendText(ChatPacket::Said, text, QStringLiteral("&"));
    case ChatKind::Tell:
        if (recipient.isEmpty())
            return false;
        return SendText(ChatPacket::Tell, text, recipient);
    case ChatKind::Emote:
        return SendText(ChatPacket::Emote, text, QStringLiteral("&"));
    case ChatKind::Whisper:
        return SendText(ChatPacket::Whisper, text, QStringLiteral("&"));
    case ChatKind::Shout:
        return SendText(ChatPacket::Shout, text, QStringLiteral("&"));
    default:
        return false;
    }
}

bool CClientNode::IsShoutShown(const QString& sender, const QString& ownNickname) {
    if (!sender.isEmpty() && SameNickname(sender, ownNickname))
        return true;
    return !GetSettingsStore().GetBool(QString::fromLatin1(kClassName), QStringLiteral("Ignore Shouts"),
                                       false);
}

void CClientNode::RemoveTemporaryConnection() {
    const QString who = m_request.nickname;
    if (m_temporaryConnection.isEmpty()) {
        m_log.Write(CSysLog::Events, QStringLiteral("%1 did not have a temporary connection.").arg(who));
        return;
    }
    m_temporaryConnection.clear();
    m_log.Write(CSysLog::Events, QStringLiteral("%1 removed temporary connection.").arg(who));
}
