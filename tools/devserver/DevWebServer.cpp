#include "DevWebServer.h"

#include "game/ClientGameFactory.h"
#include "platform/Paths.h"
#include "support/Utilities.h"
#include "web/WebAddress.h"

#include <QFile>
#include <QTcpSocket>
#include <QUrl>

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
    if (path == QLatin1String(kLegendPath))
        return QStringLiteral("html/legend.html");
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

namespace {

// A value of a form-encoded query: '+' is a blank, %XX a byte of UTF-8.
QString FormDecoded(const QString& value) {
    return QUrl::fromPercentEncoding(QString(value).replace(QLatin1Char('+'), QLatin1Char(' ')).toUtf8());
}

QString QueryValue(const QString& query, const QString& name) {
    for (const QString& item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        if (item.section(QLatin1Char('='), 0, 0) == name)
            return FormDecoded(item.section(QLatin1Char('='), 1));
    }
    return {};
}

struct PlayerPageKind {
    const char* base;
    const char* kind; // the path element before the nickname; empty: the nickname comes first
    const char* title;
};

const PlayerPageKind kPlayerPageKinds[] = {
    {CDevWebServer::kPlayerPagesPath, "profile", "Personal Information"},
    {CDevWebServer::kPlayerPagesPath, "info-picture", "Picture"},
    {CDevWebServer::kPlayerPagesPath, "finished", "Finished Matches"},
    {CDevWebServer::kPlayerPagesPath, "unfinished", "Unfinished Matches"},
    {CDevWebServer::kPlayerPagesPath, "unlimited", "Unlimited Matches"},
    {CDevWebServer::kPlayerPagesPath, "statistics", "Statistics"},
    {CDevWebServer::kPlayerPagesPath, "edit-profile", "Update Personal Information"},
    {CDevWebServer::kLeaguesPath, "", "Leagues"},
    {CDevWebServer::kTallybankPath, "", "Tallybank Account"},
};

} // namespace

QByteArray CDevWebServer::PlayerPageFor(const QString& target) {
    const QString path = target.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    const QString query = target.section(QLatin1Char('?'), 1).section(QLatin1Char('#'), 0, 0);
    for (const PlayerPageKind& page : kPlayerPageKinds) {
        QString prefix = QString::fromLatin1(page.base);
        if (*page.kind)
            prefix += QString::fromLatin1(page.kind) + QLatin1Char('/');
        if (!path.startsWith(prefix))
            continue;
        QString nickname = path.mid(prefix.size());
        if (nickname.endsWith(QLatin1Char('/')))
            nickname.chop(1);
        if (!IsValidUserName(nickname))
            return {};
        const QString viewer = QueryValue(query, QStringLiteral("name"));
        QString body = QStringLiteral("<h1>%1</h1>\n<p class=\"who\">%2</p>\n")
                           .arg(QString::fromLatin1(page.title).toHtmlEscaped(), nickname);
        if (qstrcmp(page.kind, "profile") == 0)
            body += QStringLiteral("<p>Location: <b>%1</b></p>\n")
                        .arg(QueryValue(query, QStringLiteral("location")).toHtmlEscaped());
        else if (qstrcmp(page.kind, "info-picture") == 0)
            body += QStringLiteral("<p><img src=\"/client/user-picture/%1/\" alt=\"%1\"></p>\n").arg(nickname);
        else
            body += QStringLiteral("<p>The development server keeps no records for this page.</p>\n");
        if (!viewer.isEmpty())
            body += QStringLiteral("<p class=\"viewer\">Viewed by %1.</p>\n").arg(viewer.toHtmlEscaped());
        return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1 - %2</title>"
                              "<style>body { font-family: \"DejaVu Sans\", sans-serif; font-size: 10pt; "
                              "margin: 12px; } h1 { font-size: 14pt; } .who { font-size: 12pt; }</style>"
                              "</head><body>\n%3</body></html>\n")
            .arg(QString::fromLatin1(page.title).toHtmlEscaped(), nickname, body)
            .toUtf8();
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
    const QByteArray playerPage = PlayerPageFor(target);
    if (!playerPage.isEmpty()) {
        emit logLine(QStringLiteral("web: %1 %2").arg(QString::fromLatin1(method), target));
        answer(socket, 200, "OK", playerPage, method == "GET");
        return;
    }
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
