#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

class QTcpSocket;

// The development server's web site: the news, help, advert and sign-up pages of the service, from
// res/html (and the players' picture), over plain HTTP on the loopback. GET and HEAD only; every answer
// closes its connection.
class CDevWebServer : public QObject {
    Q_OBJECT
public:
    explicit CDevWebServer(QObject* parent = nullptr);
    ~CDevWebServer() override;

    bool Listen(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 Port() const { return m_server.serverPort(); }
    // "http://<address>:<port>", the host the service settings point at.
    QString BaseAddress() const;

    // The page file (below res/) that answers a path, empty for none.
    static QString PageFor(const QString& path);

    // Where the player-information pages live: "<players>profile/<nickname>/?...", the other kinds of
    // page likewise; "<leagues><nickname>/?..." and "<tallybank><nickname>/?...".
    static constexpr char kPlayerPagesPath[] = "/client/players/";
    static constexpr char kLeaguesPath[] = "/client/leagues/";
    static constexpr char kLegendPath[] = "/client/legend/";
    static constexpr char kTallybankPath[] = "/client/tallybank/";
    // The generated page about a player for a request target (path and query), empty when the target
    // is no player-information address.
    static QByteArray PlayerPageFor(const QString& target);

signals:
    void logLine(const QString& line);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& body,
                bool withBody, const QByteArray& contentType = "text/html; charset=utf-8");

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_requests;
};
