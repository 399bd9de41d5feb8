#include "ServerConnection.h"

#include "platform/Cp1252.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include <sys/ioctl.h>
#include <sys/socket.h>

CServerConnection::CServerConnection(QTcpSocket* socket, QObject* parent)
    : QObject(parent), m_socket(socket) {
    m_socket->setParent(this);
    // What a peer sends beyond this waits in the kernel until the frames before it are handled.
    m_socket->setReadBufferSize(kReadAhead);
    m_peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    m_holdTimer = new QTimer(this);
    m_holdTimer->setSingleShot(true);
    connect(m_holdTimer, &QTimer::timeout, this, [this] {
        if (!m_framesQueued)
            handleFrames();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &CServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &CServerConnection::onDisconnected);
}

CServerConnection::~CServerConnection() {
    noteClose();
    m_closed = true;
    m_socket->disconnect(this);
    m_socket->abort();
}

bool CServerConnection::SendPlain(quint8 type, const QString& text) {
    QByteArray frame;
    if (m_closed || m_peerGone || m_closing || !EncodeFrame(type, platform::cp1252::encode(text), frame))
        return false;
    m_socket->write(frame);
    return written(frame.size());
}

bool CServerConnection::SendRouted(int type, const QString& source, const QString& text,
                                   const QString& destination) {
    return SendPacket(*CMessagePacket::MakeRouted(type, destination, source, platform::cp1252::encode(text)));
}

bool CServerConnection::SendPacket(const CMessagePacket& packet) {
    QByteArray frame;
    if (m_closed || m_peerGone || m_closing || !EncodeFrame(packet.GetType(), packet.GetBody(), frame))
        return false;
    m_socket->write(frame);
    return written(frame.size());
}

void CServerConnection::SendRaw(const QByteArray& bytes) {
    if (!m_closed && !m_peerGone && !m_closing) {
        m_socket->write(bytes);
        written(bytes.size());
    }
}

bool CServerConnection::written(qint64 bytes) {
    m_written += bytes;
    qint64 backlog = m_socket->bytesToWrite();
    if (m_hardOutputLimit > 0 && backlog > m_hardOutputLimit) {
        // What the kernel takes now is not backlog.
        m_socket->flush();
        backlog = m_socket->bytesToWrite();
        if (backlog > m_hardOutputLimit) {
            emit outputOverflow(backlog);
            Drop();
            return false;
        }
    }
    if (backlog > kReadAhead)
        emit outputWaiting(backlog);
    return true;
}

qint64 CServerConnection::BytesToWrite() const { return m_socket->bytesToWrite(); }

qint64 CServerConnection::BytesDrained() const {
    const qintptr descriptor = m_socket->socketDescriptor();
    int queued = 0;
    if (m_closed || descriptor < 0 || ::ioctl(int(descriptor), TIOCOUTQ, &queued) != 0)
        queued = 0;
    return BytesTaken() - queued;
}

void CServerConnection::Flush() {
    if (!m_closed)
        m_socket->flush();
}

void CServerConnection::Drop() {
    if (m_closed)
        return;
    noteClose();
    m_closed = true;
    // Reset, so that what the system still holds for the peer goes at once too.
    const qintptr descriptor = m_socket->socketDescriptor();
    if (descriptor >= 0) {
        const linger reset{1, 0};
        ::setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    m_socket->abort();
    // The caller may be walking its connections: it hears of the end once it has returned.
    QMetaObject::invokeMethod(this, [this] { emit closed(false); }, Qt::QueuedConnection);
}

void CServerConnection::Close() {
    if (m_closed || m_closing)
        return;
    m_closing = true;
    if (m_peerGone) {
        // Nothing more is taken of what the peer sent before it closed.
        m_closed = true;
        QMetaObject::invokeMethod(this, [this] { emit closed(false); }, Qt::QueuedConnection);
        return;
    }
    m_socket->flush();
    m_socket->disconnectFromHost();
}

bool CServerConnection::IsOpen() const {
    return !m_closed && !m_closing && (m_peerGone || m_socket->state() == QAbstractSocket::ConnectedState);
}

void CServerConnection::Hold(int ms) {
    if (m_closed || ms <= 0 || m_holdTimer->remainingTime() >= ms)
        return;
    m_holdTimer->start(ms);
}

bool CServerConnection::IsHeld() const { return m_holdTimer->isActive(); }

void CServerConnection::Defer(int ms) {
    if (!m_handling || m_closed)
        return;
    m_deferred = m_handling;
    Hold(qMax(1, ms));
}

void CServerConnection::onDisconnected() {
    if (m_closed || m_peerGone)
        return;
    noteClose();
    if (!m_closing) {
        // The frames the peer sent before it closed are handled first, in their turns.
        m_peerGone = true;
        if (!m_framesQueued && !IsHeld())
            handleFrames();
        return;
    }
    m_closed = true;
    emit closed(false);
}

void CServerConnection::onReadyRead() {
    // While frames of an earlier read wait for their turn, the socket keeps what came since.
    if (!m_framesQueued && !IsHeld())
        handleFrames();
}

void CServerConnection::handleFrames() {
    m_framesQueued = false;
    if (m_closed || m_closing || IsHeld())
        return;
    if (m_decoder.buffered() < kReadAhead && m_socket->isOpen())
        m_decoder.Feed(m_socket->readAll());
    QPointer<CServerConnection> self(this);
    for (int handled = 0; self && !m_closed && !m_closing; ++handled) {
        if (IsHeld())
            return; // the hold's end comes back
        if (m_framesPerTurn > 0 && handled == m_framesPerTurn) {
            m_framesQueued = true;
            QTimer::singleShot(0, this, &CServerConnection::handleFrames);
            return;
        }
        if (m_deferred) {
            m_handling = std::move(m_deferred);
            m_deferred.reset();
            emitHandling();
            continue;
        }
        quint8 type = 0;
        QByteArray body;
        const FrameDecoder::Result result = m_decoder.Next(type, body);
        if (result == FrameDecoder::NeedMore) {
            if (m_socket->bytesAvailable() == 0) {
                if (m_peerGone) {
                    // All it sent is handled (an unfinished frame at the end is not a frame).
                    m_closed = true;
                    emit closed(false);
                }
                return;
            }
            m_decoder.Feed(m_socket->readAll()); // the rest of a frame larger than the read-ahead
            --handled;
            continue;
        }
        CMessagePacketPtr packet =
            result == FrameDecoder::Frame ? CMessagePacket::FromFrame(type, std::move(body)) : nullptr;
        if (!packet) {
            noteClose();
            m_closed = true;
            m_socket->abort();
            emit closed(true);
            return;
        }
        m_handling = std::move(packet);
        emitHandling();
    }
}

void CServerConnection::emitHandling() {
    QPointer<CServerConnection> self(this);
    const CMessagePacketPtr packet = m_handling;
    emit packetReceived(packet);
    if (self)
        m_handling.reset();
}

QString MakeLoginNonce() {
    QByteArray bytes(16, '\0');
    for (char& b : bytes)
        b = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(bytes.toHex());
}
