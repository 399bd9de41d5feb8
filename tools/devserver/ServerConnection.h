#pragma once

#include "net/FrameCodec.h"
#include "net/MessagePacket.h"

#include <QObject>
#include <QTcpSocket>

// The server's side of one client connection: whole frames in and out. Shared by the development
// server and the tests' fake server.
class CServerConnection : public QObject {
    Q_OBJECT
public:
    explicit CServerConnection(QTcpSocket* socket, QObject* parent = nullptr);
    ~CServerConnection() override;

    bool SendPlain(quint8 type, const QString& text);
    // A routed packet of effective type (128 or above) as the server forwards it: the source filled in.
    bool SendRouted(int type, const QString& source, const QString& text,
                    const QString& destination = QString());
    bool SendPacket(const CMessagePacket& packet);
    // Bytes exactly as given (malformed frames for tests).
    void SendRaw(const QByteArray& bytes);
    void Close();
    // Ends the connection at once, discarding what is not yet sent; closed() follows from the event loop.
    void Drop();
    bool IsOpen() const;
    // A peer that does not read what is sent to it: once more than this many bytes wait to be sent,
    // the connection is dropped (outputOverflow(), then closed()). 0: no bound.
    void SetOutputLimit(qint64 bytes) { m_outputLimit = bytes; }
    qint64 BytesToWrite() const;
    QString PeerText() const { return m_peer; }

signals:
    void packetReceived(CMessagePacketPtr packet);
    // The client closed, or sent something that is not a frame (then protocolError is set).
    void closed(bool protocolError);
    void outputOverflow(qint64 backlog);

private:
    void onReadyRead();
    bool written();

    QTcpSocket* m_socket;
    FrameDecoder m_decoder;
    QString m_peer;
    bool m_closed = false;
    qint64 m_outputLimit = 0;
};

// A nonce for the hello: 16 random bytes as hexadecimal.
QString MakeLoginNonce();
