#include "net/ClientSocket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

// The end of a connection after Close(): the rest of what was written goes out, the sending side is
// shut, and whatever the server still sends is read and thrown away until it closes (no reset). It
// gives up (a reset after all) once what it has to send has not moved for the patience, whatever
// it reads meanwhile.
class CGracefulClose : public QObject {
public:
    CGracefulClose(QTcpSocket* socket, int patienceMs)
        : QObject(QCoreApplication::instance()), m_socket(socket), m_patienceMs(patienceMs) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this] { m_socket->readAll(); });
        connect(socket, &QTcpSocket::bytesWritten, this, &CGracefulClose::look);
        connect(socket, &QTcpSocket::disconnected, this, &CGracefulClose::finish);
        connect(socket, &QTcpSocket::errorOccurred, this, &CGracefulClose::finish);
        m_check.setInterval(250);
        connect(&m_check, &QTimer::timeout, this, &CGracefulClose::look);
        m_check.start();
        m_still.start();
        socket->readAll();
        look();
    }

private:
    void look() {
        const qintptr descriptor = m_socket->socketDescriptor();
        if (descriptor < 0)
            return finish();
        if (!m_shut && m_socket->bytesToWrite() == 0) {
            m_shut = true;
            ::shutdown(int(descriptor), SHUT_WR);
        }
        // What is still to go out: Qt's buffer and the system's send queue.
        int queued = 0;
        ::ioctl(int(descriptor), TIOCOUTQ, &queued);
        const qint64 unsent = m_socket->bytesToWrite() + queued;
        if (unsent != m_unsent) {
            m_unsent = unsent;
            m_still.restart();
        } else if (m_still.elapsed() >= m_patienceMs) {
            finish();
        }
    }
    void finish() {
        m_check.stop();
        m_socket->disconnect(this);
        m_socket->abort();
        deleteLater();
    }

    QTcpSocket* m_socket;
    const int m_patienceMs;
    QTimer m_check;
    QElapsedTimer m_still;
    qint64 m_unsent = -1;
    bool m_shut = false;
};

} // namespace

CClientSocket::CClientSocket(QObject* parent) : QObject(parent) {
    attach();
}

void CClientSocket::attach() {
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_peer = QStringLiteral("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
        emit connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &CClientSocket::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &CClientSocket::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CClientSocket::onError);
}

CClientSocket::~CClientSocket() {
    m_closing = true;
    closeGracefully(false);
}

void CClientSocket::closeGracefully(bool reopen) {
    m_socket->disconnect(this);
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        m_socket->abort();
        return;
    }
    new CGracefulClose(m_socket, kLingerMs);
    if (reopen)
        attach();
}

void CClientSocket::ConnectToHost(const QString& host, quint16 port) {
    m_closing = false;
    m_decoder.Reset();
    m_peer = QStringLiteral("%1:%2").arg(host).arg(port);
    m_socket->connectToHost(host, port);
}

void CClientSocket::Close() {
    m_closing = true;
    closeGracefully(true);
    m_decoder.Reset();
}

bool CClientSocket::IsConnected() const {
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

QString CClientSocket::PeerText() const {
    return m_peer;
}

bool CClientSocket::SendFrame(quint8 type, const QByteArray& body, QString* error) {
    QByteArray frame;
    if (!EncodeFrame(type, body, frame, error))
        return false;
    if (!IsConnected()) {
        if (error)
            *error = QStringLiteral("Not connected to the server.");
        return false;
    }
    m_socket->write(frame);
    return true;
}

bool CClientSocket::SendPacket(const CMessagePacket& packet, QString* error) {
    return SendFrame(packet.GetType(), packet.GetBody(), error);
}

void CClientSocket::onReadyRead() {
    m_decoder.Feed(m_socket->readAll());
    QPointer<CClientSocket> self(this);
    for (;;) {
        if (m_closing)
            return;
        quint8 type = 0;
        QByteArray body;
        const FrameDecoder::Result result = m_decoder.Next(type, body);
        if (result == FrameDecoder::NeedMore)
            return;
        if (result == FrameDecoder::Error) {
            failProtocol(m_decoder.error());
            return;
        }
        QString error;
        CMessagePacketPtr packet = CMessagePacket::FromFrame(type, std::move(body), &error);
        if (!packet) {
            failProtocol(error);
            return;
        }
        emit packetReceived(packet);
        if (!self)
            return; // a receiver ended the connection and its owner with it
    }
}

void CClientSocket::failProtocol(const QString& what) {
    m_closing = true;
    m_socket->abort();
    emit closed(QStringLiteral("protocol error (%1)").arg(what), true);
}

void CClientSocket::onDisconnected() {
    if (m_closing)
        return;
    m_closing = true;
    emit closed(QStringLiteral("the server closed the connection"), false);
}

void CClientSocket::onError(QAbstractSocket::SocketError error) {
    if (m_closing)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError)
        return; // reported by onDisconnected
    m_closing = true;
    const QString text = m_socket->errorString();
    m_socket->abort();
    emit closed(text, false);
}
