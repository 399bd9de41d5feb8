#include "net/ClientSocket.h"

CClientSocket::CClientSocket(QObject* parent) : QObject(parent), m_socket(new QTcpSocket(this)) {
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
    m_socket->disconnect(this);
    m_socket->abort();
}

void CClientSocket::ConnectToHost(const QString& host, quint16 port) {
    m_closing = false;
    m_decoder.Reset();
    m_peer = QStringLiteral("%1:%2").arg(host).arg(port);
    m_socket->connectToHost(host, port);
}

void CClientSocket::Close() {
    m_closing = true;
    m_socket->abort();
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
