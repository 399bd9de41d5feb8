#include "ServerConnection.h"

#include "platform/Cp1252.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

CServerConnection::CServerConnection(QTcpSocket* socket, QObject* parent)
    : QObject(parent), m_socket(socket) {
    m_socket->setParent(this);
    // What a peer sends beyond this waits in the kernel until the frames before it are handled.
    m_socket->setReadBufferSize(kReadAhead);
    m_peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    connect(m_socket, &QTcpSocket::readyRead, this, &CServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_closed)
            return;
        closing();
        emit closed(false);
    });
}

CServerConnection::~CServerConnection() {
    closing();
    m_socket->disconnect(this);
    m_socket->abort();
}

bool CServerConnection::SendPlain(quint8 type, const QString& text) {
    QByteArray frame;
    if (m_closed || !EncodeFrame(type, platform::cp1252::encode(text), frame))
        return false;
    m_socket->write(frame);
    m_queued += frame.size();
    return written();
}

bool CServerConnection::SendRouted(int type, const QString& source, const QString& text,
                                   const QString& destination) {
    return SendPacket(*CMessagePacket::MakeRouted(type, destination, source, platform::cp1252::encode(text)));
}

bool CServerConnection::SendPacket(const CMessagePacket& packet) {
    QByteArray frame;
    if (m_closed || !EncodeFrame(packet.GetType(), packet.GetBody(), frame))
        return false;
    m_socket->write(frame);
    m_queued += frame.size();
    return written();
}

void CServerConnection::SendRaw(const QByteArray& bytes) {
    if (!m_closed) {
        m_socket->write(bytes);
        m_queued += bytes.size();
        written();
    }
}

bool CServerConnection::written() {
    if (m_outputLimit <= 0 || m_socket->bytesToWrite() <= m_outputLimit)
        return true;
    // What the kernel takes now is not backlog; what is left is judged once the peer could read.
    m_socket->flush();
    const qint64 backlog = m_socket->bytesToWrite();
    if (backlog > m_outputLimit * kHardOutputFactor) {
        emit outputOverflow(backlog);
        Drop();
        return false;
    }
    if (backlog > m_outputLimit && !m_backlogQueued) {
        m_backlogQueued = true;
        QTimer::singleShot(0, this, &CServerConnection::judgeBacklog);
    }
    return true;
}

void CServerConnection::judgeBacklog() {
    m_backlogQueued = false;
    if (m_closed)
        return;
    m_socket->flush();
    const qint64 backlog = m_socket->bytesToWrite();
    if (backlog <= m_outputLimit)
        return;
    emit outputOverflow(backlog);
    Drop();
}

qint64 CServerConnection::BytesToWrite() const { return m_socket->bytesToWrite(); }

qint64 CServerConnection::BytesSent() const {
    return m_closed ? m_sentAtClose : m_queued - m_socket->bytesToWrite();
}

void CServerConnection::closing() {
    if (!m_closed)
        m_sentAtClose = m_queued - m_socket->bytesToWrite();
    m_closed = true;
}

void CServerConnection::Drop() {
    if (m_closed)
        return;
    closing();
    m_socket->abort();
    // The caller may be walking its connections: it hears of the end once it has returned.
    QMetaObject::invokeMethod(this, [this] { emit closed(false); }, Qt::QueuedConnection);
}

void CServerConnection::Close() {
    if (m_closed)
        return;
    m_socket->flush();
    m_socket->disconnectFromHost();
}

bool CServerConnection::IsOpen() const {
    return !m_closed && m_socket->state() == QAbstractSocket::ConnectedState;
}

void CServerConnection::onReadyRead() {
    // While frames of an earlier read wait for their turn, the socket keeps what came since.
    if (!m_framesQueued)
        handleFrames();
}

void CServerConnection::handleFrames() {
    m_framesQueued = false;
    if (m_closed)
        return;
    if (m_decoder.buffered() < kReadAhead)
        m_decoder.Feed(m_socket->readAll());
    QPointer<CServerConnection> self(this);
    for (int handled = 0; self && !m_closed; ++handled) {
        if (m_framesPerTurn > 0 && handled == m_framesPerTurn) {
            m_framesQueued = true;
            QTimer::singleShot(0, this, &CServerConnection::handleFrames);
            return;
        }
        quint8 type = 0;
        QByteArray body;
        const FrameDecoder::Result result = m_decoder.Next(type, body);
        if (result == FrameDecoder::NeedMore) {
            if (m_socket->bytesAvailable() == 0)
                return;
            m_decoder.Feed(m_socket->readAll()); // the rest of a frame larger than the read-ahead
            --handled;
            continue;
        }
        CMessagePacketPtr packet =
            result == FrameDecoder::Frame ? CMessagePacket::FromFrame(type, std::move(body)) : nullptr;
        if (!packet) {
            closing();
            m_socket->abort();
            emit closed(true);
            return;
        }
        emit packetReceived(packet);
    }
}

QString MakeLoginNonce() {
    QByteArray bytes(16, '\0');
    for (char& b : bytes)
        b = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(bytes.toHex());
}
