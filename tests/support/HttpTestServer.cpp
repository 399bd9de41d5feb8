#include "support/HttpTestServer.h"

#include <QHash>
#include <QMetaObject>
#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace testenv {

namespace {

QByteArray ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

class HttpTestServer::Impl : public QObject {
public:
    struct Request {
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
    };

    explicit Impl(const std::optional<Tls>& tls) : m_tls(tls) {
        moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(this, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }

    ~Impl() override {
        QMetaObject::invokeMethod(this, [this] { shutDown(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    quint16 port() const { return m_port; }

    void setReply(const QString& path, const Reply& reply) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_replies.insert(path.toUtf8(), reply);
    }

    void release(const QString& path) {
        const QByteArray key = path.toUtf8();
        QMetaObject::invokeMethod(this, [this, key] { releaseHeld(key); }, Qt::BlockingQueuedConnection);
    }

    void stop() {
        QMetaObject::invokeMethod(this, [this] { shutDown(); }, Qt::BlockingQueuedConnection);
    }

    int requestCount(const QString& path) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_counts.value(path.toUtf8());
    }

    int totalRequests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_total;
    }

    bool waitForRequests(const QString& path, int count, int timeoutMs) const {
        const QByteArray key = path.toUtf8();
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_counts.value(key) >= count; });
    }

    QByteArray lastHeader(const QString& path, const QByteArray& name) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lastHeaders.value(path.toUtf8()).value(name.toLower());
    }

private:
    void listen() {
        if (m_tls) {
            auto* server = new QSslServer(this);
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(readCertificate(m_tls->certificateFile));
            configuration.setPrivateKey(readKey(m_tls->keyFile));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone); // clients show no certificate
            server->setSslConfiguration(configuration);
            // A connection becomes pending once its handshake is over.
            connect(server, &QTcpServer::pendingConnectionAvailable, this, [this] { acceptPending(); });
            m_server = server;
        } else {
            m_server = new QTcpServer(this);
        }
        m_server->listen(QHostAddress::LocalHost, 0);
        m_port = m_server->serverPort();
        connect(m_server, &QTcpServer::newConnection, this, [this] { acceptPending(); });
    }

    void acceptPending() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            m_sockets.append(socket);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
            if (socket->bytesAvailable() > 0)
                serve(socket);
        }
    }

    static QSslCertificate readCertificate(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QSslCertificate(&file, QSsl::Pem) : QSslCertificate();
    }

    static QSslKey readKey(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray pem = file.readAll();
        QSslKey key(pem, QSsl::Ec, QSsl::Pem);
        return key.isNull() ? QSslKey(pem, QSsl::Rsa, QSsl::Pem) : key;
    }

    void shutDown() {
        if (m_server) {
            m_server->close();
            delete m_server;
            m_server = nullptr;
        }
        for (const QPointer<QTcpSocket>& socket : m_sockets) {
            if (socket) {
                socket->abort();
                delete socket.data();
            }
        }
        m_sockets.clear();
        m_buffers.clear();
        m_held.clear();
    }

    // Takes every complete request out of the socket's buffer; a held request stops the reading,
    // as a real server answers the requests of one connection in order.
    void serve(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (const Held& held : m_held) {
            if (held.socket == socket)
                return;
        }
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            const QList<QByteArray> lines = head.split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            Request request;
            request.path = requestLine.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            Reply reply;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_counts[request.path];
                ++m_total;
                m_lastHeaders.insert(request.path, request.headers);
                reply = m_replies.value(request.path, Reply(404, "not here"));
            }
            m_arrived.notify_all();
            if (reply.hold) {
                m_held.append({QPointer<QTcpSocket>(socket), request.path, {}, false});
                return;
            }
            if (reply.stallAfter >= 0 && reply.stallAfter < reply.body.size()) {
                Reply first = reply;
                first.body = reply.body.left(reply.stallAfter);
                write(socket, first, reply.body.size());
                m_held.append({QPointer<QTcpSocket>(socket), request.path, reply.body.mid(reply.stallAfter), true});
                return;
            }
            if (!answer(socket, reply))
                return;
        }
    }

    // The head (announcing length) and the reply's body.
    static void write(QTcpSocket* socket, const Reply& reply, qint64 length) {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + ReasonPhrase(reply.status) + "\r\n";
        out += "Content-Length: " + QByteArray::number(length) + "\r\n";
        for (const auto& header : reply.headers)
            out += header.first + ": " + header.second + "\r\n";
        out += "\r\n" + reply.body;
        socket->write(out);
        socket->flush();
    }

    // -> false when the connection was closed.
    bool answer(QTcpSocket* socket, const Reply& reply) {
        const qint64 length = reply.announcedLength >= 0 ? reply.announcedLength : reply.body.size();
        write(socket, reply, length);
        if (length > reply.body.size()) {
            socket->disconnectFromHost();
            return false;
        }
        return true;
    }

    void releaseHeld(const QByteArray& path) {
        Reply reply;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            reply = m_replies.value(path);
        }
        reply.hold = false;
        reply.stallAfter = -1;
        QList<Held> released;
        for (qsizetype i = 0; i < m_held.size();) {
            if (m_held[i].path == path) {
                released.append(m_held[i]);
                m_held.removeAt(i);
            } else {
                ++i;
            }
        }
        for (const Held& held : released) {
            if (!held.socket)
                continue;
            if (held.partial) {
                held.socket->write(held.rest);
                held.socket->flush();
            } else if (!answer(held.socket, reply)) {
                continue;
            }
            serve(held.socket); // requests that queued up behind the held one
        }
    }

    // A request whose answer waits: all of it, or the rest of a body that was partly sent.
    struct Held {
        QPointer<QTcpSocket> socket;
        QByteArray path;
        QByteArray rest;
        bool partial = false;
    };

    std::optional<Tls> m_tls;
    QThread m_thread;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    QList<QPointer<QTcpSocket>> m_sockets;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Held> m_held;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    QHash<QByteArray, Reply> m_replies;
    QHash<QByteArray, int> m_counts;
    QHash<QByteArray, QHash<QByteArray, QByteArray>> m_lastHeaders;
    int m_total = 0;
};

namespace {

// Loopback is never reached through a proxy, whatever the machine's environment says. Set once,
// before any transfer thread of the tests reads the environment.
void BypassProxies() {
    static std::once_flag once;
    std::call_once(once, [] {
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    });
}

} // namespace

HttpTestServer::HttpTestServer() {
    BypassProxies();
    d = std::make_unique<Impl>(std::nullopt);
}

HttpTestServer::HttpTestServer(const Tls& tls) : m_tls(true) {
    BypassProxies();
    d = std::make_unique<Impl>(tls);
}

HttpTestServer::~HttpTestServer() = default;

quint16 HttpTestServer::port() const { return d->port(); }
QString HttpTestServer::base() const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? "https" : "http").arg(d->port());
}
QString HttpTestServer::url(const QString& path) const { return base() + path; }
void HttpTestServer::setReply(const QString& path, const Reply& reply) { d->setReply(path, reply); }
void HttpTestServer::release(const QString& path) { d->release(path); }
int HttpTestServer::requestCount(const QString& path) const { return d->requestCount(path); }
int HttpTestServer::totalRequests() const { return d->totalRequests(); }
bool HttpTestServer::waitForRequests(const QString& path, int count, int timeoutMs) const {
    return d->waitForRequests(path, count, timeoutMs);
}
QByteArray HttpTestServer::lastHeader(const QString& path, const QByteArray& name) const {
    return d->lastHeader(path, name);
}
void HttpTestServer::stop() { d->stop(); }

} // namespace testenv
