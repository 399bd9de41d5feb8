#pragma once

#include "net/FrameCodec.h"
#include "net/MessagePacket.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

// The client's connection to the server on a QTcpSocket: whole frames in and out, on the GUI thread.
// Incoming frames are turned into packets; a malformed frame closes the connection with a protocol
// error. Never deleted from inside its own signals (use deleteLater).
class CClientSocket : public QObject {
    Q_OBJECT
public:
    explicit CClientSocket(QObject* parent = nullptr);
    ~CClientSocket() override;

    void ConnectToHost(const QString& host, quint16 port);
    // Closes without a report (no closed() signal). A connection that is up ends gracefully, never
    // with a reset: what was sent goes out whole, then the sending side shuts, and what the server
    // still sends is read and thrown away until it closes too (or what is left to send has not moved
    // for kLingerMs). A reset would lose what the system had not yet passed on to the server.
    void Close();
    static constexpr int kLingerMs = 10000;
    bool IsConnected() const;
    // "host:port" of the other end, for the log.
    QString PeerText() const;

    // Frames and sends one packet -> false (error set, nothing sent) when the body cannot be framed or
    // the socket is not connected.
    bool SendFrame(quint8 type, const QByteArray& body, QString* error = nullptr);
    bool SendPacket(const CMessagePacket& packet, QString* error = nullptr);

signals:
    void connected();
    void packetReceived(CMessagePacketPtr packet);
    // The connection ended: by the peer, by a failure, or by a protocol error (protocolError set).
    void closed(const QString& reason, bool protocolError);

private:
    // A new socket, its signals connected.
    void attach();
    // Hands the socket, when it is connected, to a closing that goes on by itself; reopen: a new
    // socket takes its place.
    void closeGracefully(bool reopen);
    void onReadyRead();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void failProtocol(const QString& what);

    QTcpSocket* m_socket;
    FrameDecoder m_decoder;
    QString m_peer;
    bool m_closing = false;
};
