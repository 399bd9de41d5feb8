#pragma once

#include "net/ClientSocket.h"
#include "net/LoginPackets.h"
#include "net/ServicePackets.h"
#include "net/StateTable.h"
#include "net/SysLog.h"

#include <QObject>
#include <QString>

// The chat kinds of the chat log, as far as the connection sends and filters them.
namespace ChatKind {
constexpr int Said = 0;
constexpr int Tell = 1;
constexpr int SentTell = 2;
constexpr int System = 3;
constexpr int Emote = 4;
constexpr int Yell = 5;
constexpr int Shout = 6;
constexpr int Whisper = 7;
} // namespace ChatKind

// The client's side of the server connection: the socket, the login exchange and the state tables,
// then every packet of the session handed to its listener. Lives on the GUI thread; must not be
// destroyed from inside a listener call (close it, and delete it later).
class CClientNode : public QObject {
    Q_OBJECT
public:
    static constexpr char kClassName[] = "CClientNode";

    // What the owner of the connection (the session) hears. Calls may throw: the dispatch logs it and
    // goes on.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void OnLoginAccepted(const CLoginAcceptedPacket& accepted) = 0;
        virtual void OnLoginRefused(const CLoginRefusedPacket& refusal) = 0;
        // A packet after the login.
        virtual void OnNodePacket(const CMessagePacket& packet) = 0;
        // The connection ended; protocolError when the server sent something malformed.
        virtual void OnNodeClosed(const QString& reason, bool protocolError) = 0;
    };

    struct LoginRequest {
        QString host;
        quint16 port = 0;
        QString nickname;
        QString password;
        QString clientVersionText; // "1000 Norvale for Linux"
    };

    enum class Phase { Idle, Connecting, WaitHello, WaitLogin, Session, Closed };

    explicit CClientNode(Listener* listener, QObject* parent = nullptr);
    ~CClientNode() override;

    // Starts connecting and logs in once the server says hello.
    void Connect(const LoginRequest& request);
    // Ends the connection without a report to the listener.
    void Disconnect();
    Phase GetPhase() const { return m_phase; }
    bool IsLoggedIn() const { return m_phase == Phase::Session; }

    // Sends one packet: types below 128 go plain and must have no target; 128 and above are routed
    // to the target ("" is the current room's server side: ".", ".db", ".rt", "&" or a nickname;
    // an empty target routes to "."). -> false with error set when nothing was sent.
    bool Send(int type, const QByteArray& body, const QString& target, QString* error = nullptr);
    bool SendText(int type, const QString& text, const QString& target, QString* error = nullptr);

    // Said text, tells, emotes, whispers and shouts as their routed chat packets.
    bool SendChat(const QString& text, int kind, const QString& recipient);

    // Whether a shout from sender is to be shown: while "Ignore Shouts" (section "CClientNode") is on,
    // only the user's own shouts are.
    static bool IsShoutShown(const QString& sender, const QString& ownNickname);

    // The temporary (peer) connection of the current match: a name while there is one.
    void SetTemporaryConnection(const QString& name) { m_temporaryConnection = name; }
    // Drops it and logs what happened.
    void RemoveTemporaryConnection();
    bool HasTemporaryConnection() const { return !m_temporaryConnection.isEmpty(); }

    CSysLog& Log() { return m_log; }
    QString PeerText() const { return m_socket->PeerText(); }

private:
    void buildTables();
    void onPacket(const CMessagePacketPtr& packet);
    void onClosed(const QString& reason, bool protocolError);
    void onHello(const CMessagePacket* packet);
    void onAccepted(const CMessagePacket* packet);
    void onRefused(const CMessagePacket* packet);
    void protocolError(const QString& what);

    Listener* m_listener;
    CClientSocket* m_socket;
    CSysLog m_log;
    CStateMan m_stateMan{QString::fromLatin1(kClassName)};
    CStateTable m_waitHello{QStringLiteral("WaitHello")};
    CStateTable m_waitLogin{QStringLiteral("WaitLogin")};
    CStateTable m_session{QStringLiteral("Session")};
    CStateTable m_closed{QStringLiteral("Closed")};
    LoginRequest m_request;
    Phase m_phase = Phase::Idle;
    QString m_temporaryConnection;
};
