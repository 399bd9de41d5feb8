#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

namespace testenv {

// A small HTTP/1.1 server on 127.0.0.1 for tests of code that downloads. It runs on a thread of
// its own, so a test may block in a download while the server answers. Each path gets a scripted
// reply: a status and a body, a body shorter than its announced length, or no answer at all until
// the test releases it (a hung server). Unknown paths answer 404. Connections are kept alive.
// Given a certificate and its key (PEM files), it speaks HTTPS instead.
class HttpTestServer {
public:
    struct Tls {
        QString certificateFile;
        QString keyFile;
    };

    struct Reply {
        Reply() = default;
        Reply(int status, QByteArray body) : status(status), body(std::move(body)) {}
        // A redirect to location.
        static Reply Redirect(const QByteArray& location) {
            Reply reply(302, {});
            reply.headers.append({"Location", location});
            return reply;
        }

        // A 200 reply that waits for release(path).
        static Reply Held(QByteArray body) {
            Reply reply(200, std::move(body));
            reply.hold = true;
            return reply;
        }

        // A 200 reply that sends the head and the first bytes of the body, then goes quiet until
        // release(path) sends the rest.
        static Reply Stalled(QByteArray body, qint64 sentFirst) {
            Reply reply(200, std::move(body));
            reply.stallAfter = sentFirst;
            return reply;
        }

        int status = 200;
        QByteArray body;
        // The Content-Length sent; -1 sends the body's own length. A larger value makes a short
        // body: the server sends the body and closes the connection.
        qint64 announcedLength = -1;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Keeps the request unanswered until release(path) (or for ever).
        bool hold = false;
        // When 0 or more: only this many bytes of the body go out until release(path).
        qint64 stallAfter = -1;
    };

    HttpTestServer();
    explicit HttpTestServer(const Tls& tls);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // "http://127.0.0.1:<port>" ("https://" with a certificate) and that followed by path.
    QString base() const;
    QString url(const QString& path) const;
    quint16 port() const;

    void setReply(const QString& path, const Reply& reply);
    // Answers the held requests of path with its reply as it now stands (hold no longer applies), and
    // sends the rest of the stalled bodies of path.
    void release(const QString& path);

    int requestCount(const QString& path) const;
    int totalRequests() const;
    // Blocks until path has been asked for at least count times -> false after timeoutMs.
    bool waitForRequests(const QString& path, int count, int timeoutMs = 10000) const;
    // A header of the last request of path (name compared without regard to case).
    QByteArray lastHeader(const QString& path, const QByteArray& name) const;

    // Closes the listening socket and every connection: from now on the server is down.
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> d;
    bool m_tls = false;
};

} // namespace testenv
