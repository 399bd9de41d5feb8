#include "DevWebServer.h"

#include "game/ClientGameFactory.h"
#include "platform/Paths.h"
#include "support/Utilities.h"
#include "web/WebAddress.h"

#include <QFile>
#include <QTcpSocket>

namespace {

// A request head larger than this is no request of a client of ours.
constexpr qsizetype kMaxRequestHead = 16 * 1024;

QByteArray ErrorPage(int status, const QByteArray& reason) {
    return "<html><body><h3>" + QByteArray::number(status) + ' ' + reason + "</h3></body></html>";
}

} // namespace

CDevWebServer::CDevWebServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &CDevWebServer::onConnection);
}

CDevWebServer::~CDevWebServer() = default;

bool CDevWebServer::Listen(const QHostAddress& address, quint16 port, QString* error) {
    if (m_server.listen(address, port))
        return true;
    if (error)
        *error = m_server.errorString();
    return false;
}

QString CDevWebServer::BaseAddress() const {
    QHostAddress address = m_server.serverAddress();
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 || address.isNull())
        address = QHostAddress::LocalHost;
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("http://%1:%2").arg(host).arg(Port());
}

QString CDevWebServer::PageFor(const QString& path) {
    const CClientGameFactory& game = CClientGameFactory::GetFactory();
    if (path == QLatin1String(kNewsPath) || path == game.GetNewsAddress(QString()))
        return QStringLiteral("html/news.html");
    if (path == QLatin1String(kHelpPath) || path == game.GetHelpAddress(QString()))
        return QStringLiteral("html/help.html");
    if (path == QLatin1String(kAdvertPath))
        return QStringLiteral("html/advert.html");
    if (path == QLatin1String(kNewAccountPath))
        return QStringLiteral("html/newaccount.html");
    if (path == QLatin1String("/web/apps/client/newaccount/welcome.asp"))
        return QStringLiteral("html/welcome.html");
    // Every player has the same picture here.
    static const QString picture = QStringLiteral("/client/user-picture/");
    if (path.startsWith(picture)) {
        QString nickname = path.mid(picture.size());
        if (nickname.endsWith(QLatin1Char('/')))
            nickname.chop(1);
        if (IsValidUserName(nickname))
            return QStringLiteral("bitmaps/user-picture.png");
    }
    // The invitation dialog's page of a player ("<name>/") and the picture it shows ("<name>/picture.png").
    static const QString invitation = QStringLiteral("/client/invitation-picture/");
    if (path.startsWith(invitation)) {
        const QStringList pieces = path.mid(invitation.size()).split(QLatin1Char('/'));
        if (pieces.size() == 2 && IsValidUserName(pieces.at(0))) {
            if (pieces.at(1).isEmpty())
                return QStringLiteral("html/invitation-picture.html");
            if (pieces.at(1) == QLatin1String("picture.png"))
                return QStringLiteral("bitmaps/user-picture.png");
        }
    }
    return {};
}

void CDevWebServer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_requests.remove(socket);
            socket->deleteLater();
        });
    }
}

void CDevWebServer::onReadable(QTcpSocket* socket) {
    QByteArray& request = m_requests[socket];
    request += socket->readAll();
    const qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0) {
        if (request.size() > kMaxRequestHead)
            answer(socket, 400, "Bad Request", ErrorPage(400, "Bad Request"), true);
        return;
    }
    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray method = line.value(0);
    const QString target = QString::fromLatin1(line.value(1));
    socket->disconnect(this, nullptr);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_requests.remove(socket);
        socket->deleteLater();
    });
    if (line.size() != 3 || !target.startsWith(QLatin1Char('/'))) {
        answer(socket, 400, "Bad Request", ErrorPage(400, "Bad Request"), true);
        return;
    }
    if (method != "GET" && method != "HEAD") {
        answer(socket, 405, "Method Not Allowed", ErrorPage(405, "Method Not Allowed"), true);
        return;
    }
    const QString path = target.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    const QString page = PageFor(path);
    QFile file(page.isEmpty() ? QString() : platform::FindResourceFile(page));
    if (page.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        emit logLine(QStringLiteral("web: %1 %2 -> 404").arg(QString::fromLatin1(method), target));
        answer(socket, 404, "Not Found", ErrorPage(404, "Not Found"), method == "GET");
        return;
    }
    emit logLine(QStringLiteral("web: %1 %2").arg(QString::fromLatin1(method), target));
    answer(socket, 200, "OK", file.readAll(), method == "GET",
           page.endsWith(QLatin1String(".png")) ? "image/png" : "text/html; charset=utf-8");
}

void CDevWebServer::answer(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& body,
                           bool withBody, const QByteArray& contentType) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";
    if (withBody)
        out += body;
    socket->write(out);
    socket->disconnectFromHost();
    m_requests.remove(socket);
}
