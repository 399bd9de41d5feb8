#pragma once

#include "net/FrameCodec.h"
#include "net/MessagePacket.h"

#include <QObject>
#include <QTcpSocket>

class QTimer;

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
    // Ends the connection at once (a reset), discarding what is not yet sent; closed() follows from
    // the event loop.
    void Drop();
    // Whether frames from the peer are still taken: connected, or closed by the peer with frames it
    // sent before still to be handled (nothing is sent to it then).
    bool IsOpen() const;
    // The peer has closed: what is handled now is what it sent before.
    bool IsPeerGone() const { return m_peerGone; }
    // Once more than this many bytes wait in the server for the peer, read or not, the connection is
    // dropped at once (outputOverflow(), then closed()). 0: no bound. Whether a peer reads at all is
    // judged by its owner, from BytesDrained().
    void SetHardOutputLimit(qint64 bytes) { m_hardOutputLimit = bytes; }
    qint64 BytesToWrite() const;
    // Hands the system what it takes now of the unsent output.
    void Flush();
    // Of all the bytes written to the peer, those the system has taken from the server (sent, or
    // in the system's own buffers).
    qint64 BytesTaken() const { return m_written - BytesToWrite(); }
    // Of all the bytes written to the peer, those that have left the system's send queue too: what the
    // peer's side has taken. It grows as the peer reads, however slowly, even while the system takes
    // nothing more from the server.
    qint64 BytesDrained() const;
    // Bytes handed to the connection in all, and how many of them went out to the network (once it
    // has closed: as far as was known at the close). A frame is out once BytesSent() reaches what
    // BytesQueued() said right after it was sent.
    qint64 BytesQueued() const { return m_written; }
    qint64 BytesSent() const { return m_sentAtClose >= 0 ? m_sentAtClose : BytesTaken(); }
    QString PeerText() const { return m_peer; }
    // Frames handled in one turn of the event loop (0: all that came): what one peer sends cannot keep
    // the server from the others; the rest waits for the next turn, and the socket is read no further
    // than kReadAhead bytes ahead meanwhile.
    void SetFramesPerTurn(int frames) { m_framesPerTurn = frames; }
    // No frame of the peer's is handled for the next ms milliseconds (a hold already longer stays):
    // the socket is read no further than kReadAhead bytes ahead meanwhile, so the peer's sending
    // waits. The frames are handled once the hold ends, even if the peer closed meanwhile.
    void Hold(int ms);
    bool IsHeld() const;
    // Whether a packet of this connection is being handled now (packetReceived).
    bool IsHandling() const { return m_handling != nullptr; }
    // Only while a packet of this connection is being handled (packetReceived): it is put back, and
    // handled again once a hold of ms milliseconds is over, before the frames after it.
    void Defer(int ms);
    static constexpr qint64 kReadAhead = 64 * 1024;

signals:
    void packetReceived(CMessagePacketPtr packet);
    // The client closed (after every frame it sent is handled), or sent something that is not a
    // frame (then protocolError is set).
    void closed(bool protocolError);
    void outputOverflow(qint64 backlog);
    // A write left more than kReadAhead bytes waiting for the peer.
    void outputWaiting(qint64 backlog);

private:
    void onReadyRead();
    void onDisconnected();
    // Handles up to m_framesPerTurn frames, then comes back in the next turn while more wait.
    void handleFrames();
    // Hands m_handling to the receivers.
    void emitHandling();
    bool written(qint64 bytes);

    QTcpSocket* m_socket;
    FrameDecoder m_decoder;
    QString m_peer;
    bool m_closed = false;
    // The server closed it (Close()): nothing more is taken from the peer.
    bool m_closing = false;
    // The peer closed; its frames are being handled.
    bool m_peerGone = false;
    qint64 m_hardOutputLimit = 0;
    int m_framesPerTurn = 0;
    bool m_framesQueued = false;
    qint64 m_written = 0;
    // The packet being handled, and one put back by Defer().
    CMessagePacketPtr m_handling;
    CMessagePacketPtr m_deferred;
    // BytesSent() as it stood when the connection began to close; -1 while it is open.
    qint64 m_sentAtClose = -1;
    void noteClose() {
        if (m_sentAtClose < 0)
            m_sentAtClose = BytesTaken();
    }
    QTimer* m_holdTimer = nullptr;
};

// A nonce for the hello: 16 random bytes as hexadecimal.
QString MakeLoginNonce();
