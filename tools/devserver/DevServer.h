#pragma once

#include "ServerConnection.h"
#include "net/LoginPackets.h"
#include "session/UserInfo.h"
#include "support/NoCaseStringMap.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <map>
#include <memory>

// A small loopback service for running clients by hand: logs in any valid nickname, keeps the lobby
// directory (packets 97, 98, 110) of the connected users, relays room chat, routes packets between
// clients, answers watch requests and moves users between the lobby and game rooms.
class CDevServer : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString serverName = QStringLiteral("Norvale development server");
        QString lobbyService = QStringLiteral(".mb");
        quint32 rightsMask = 0x10001; // propositions and shouts
        quint32 accountFlags = 1;     // mail allowed
        QString webHost{};            // the service's web pages ("http://127.0.0.1:4115"); empty: none
        int advertRefreshSeconds = 120;
        QString password;             // empty: any password is accepted
    };

    explicit CDevServer(Options options, QObject* parent = nullptr);
    ~CDevServer() override;

    bool Listen(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 Port() const { return m_server.serverPort(); }
    int UserCount() const { return int(m_users.GetCount()); }

signals:
    void logLine(const QString& line);

private:
    struct Client;

    void onNewConnection();
    void onPacket(Client* client, const CMessagePacket& packet);
    void onLogin(Client* client, const QString& text);
    void onRouted(Client* client, const CMessagePacket& packet);
    void onPlain(Client* client, int type, const QString& text);
    void onTransfer(Client* client, const QString& text);
    void onCommand(Client* client, const QString& text);
    void onClosed(Client* client);
    void sendDirectory(int type, const QList<Client*>& about, const QList<Client*>& to);
    void announceChange(Client* client);
    void systemLine(Client* client, const QString& text);
    QList<Client*> loggedIn() const;
    QList<Client*> inRoom(const QString& service) const;
    Client* findUser(const QString& nickname) const;
    void log(const QString& line) { emit logLine(line); }
    // The settings of the lobby service: limits, and the addresses of the web pages when there are any.
    CServiceSettings lobbySettings() const;

    Options m_options;
    QTcpServer m_server;
    std::map<CServerConnection*, std::unique_ptr<Client>> m_clients;
    CNoCaseStringMap<Client*> m_users; // logged in
};
