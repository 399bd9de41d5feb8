#pragma once

#include "DevServerOptions.h"
#include "ServerConnection.h"
#include "session/UserInfo.h"
#include "support/NoCaseStringMap.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>

// One connection of the development server and what the server knows of it: the member once he has
// logged in, the room he is in, and his match board's query.
struct CDevClient {
    CServerConnection* connection = nullptr;
    quint64 serial = 0;
    QElapsedTimer connected;
    QString nonce;
    QString clientVersion;
    bool loggedIn = false;
    // The rights mask he was given at his login.
    quint32 rights = 0;
    CUserInfo record;
    QString service;
    // The match board's query (packet 108), once the client has sent one.
    struct Query {
        int size = 0;
        int origin = 0;
        double centre = 0;
        quint32 statusMask = 0x8000;
        quint32 actionMask = 0x8000;
        bool self = true;
        // Whether the member is one of the players the filter asks for: each box ticked (away 0x8 and
        // ready 0x2 of the status mask, watching 0x4 and playing 0xA of the action mask) takes in the
        // members whose status word, as the match board's Status column shows it, is its own ("Away",
        // "Ready", "Watching", "Playing"); the ticked boxes are alternatives. "Any" (0x8000 in either
        // mask) or no box at all takes in everybody. His rating is not looked at.
        bool Admits(const CUserInfo& member) const;
    };
    std::optional<Query> query;
    // Waiting for the end of the turn: his changes to everybody, his view of everybody (group flags).
    bool announceQueued = false;
    bool viewQueued = false;
    // Some of it was queued while a packet of his was handled: his own doing, charged to him.
    bool ownChangeQueued = false;
};

// What the parts of the development server share: its options, its connections and the members logged
// in through them, its log, and the object its deferred work belongs to.
class CDevServerCore {
public:
    CDevServerCore(CDevServerOptions options, QObject* owner, std::function<void(const QString&)> log);

    CDevServerOptions options;
    QObject* const owner;
    std::map<CServerConnection*, std::unique_ptr<CDevClient>> clients;
    CNoCaseStringMap<CDevClient*> users; // logged in

    void Log(const QString& line) const { m_log(line); }
    QList<CDevClient*> LoggedIn() const;
    QList<CDevClient*> InRoom(const QString& service) const;
    bool AnyoneIn(const QString& service) const;
    // Whether two service names are the same room (CServiceName::IsSameService, without copies).
    static bool SameRoom(const QString& service, const QString& other);
    CDevClient* FindUser(const QString& nickname) const;
    // Whether every player of the room is in it.
    bool PlayersPresent(const QString& service) const;
    // A line from the server in the client's chat.
    static void SystemLine(CDevClient* client, const QString& text);

private:
    std::function<void(const QString&)> m_log;
};

// The base of the server's parts: the shared core under the names their code uses.
class CDevServerPart {
protected:
    using Client = CDevClient;
    using Options = CDevServerOptions;
    explicit CDevServerPart(CDevServerCore& core)
        : m_core(core), m_options(core.options), m_clients(core.clients), m_users(core.users) {}

    void log(const QString& line) const { m_core.Log(line); }
    QList<Client*> loggedIn() const { return m_core.LoggedIn(); }
    QList<Client*> inRoom(const QString& service) const { return m_core.InRoom(service); }
    bool anyoneIn(const QString& service) const { return m_core.AnyoneIn(service); }
    Client* findUser(const QString& nickname) const { return m_core.FindUser(nickname); }
    bool playersPresent(const QString& service) const { return m_core.PlayersPresent(service); }
    static void systemLine(Client* client, const QString& text) { CDevServerCore::SystemLine(client, text); }
    // The first blank-separated word of text; rest (when given) receives what follows it.
    static QString firstWord(const QString& text, QString* rest = nullptr);

    CDevServerCore& m_core;
    CDevServerOptions& m_options;
    std::map<CServerConnection*, std::unique_ptr<CDevClient>>& m_clients;
    CNoCaseStringMap<CDevClient*>& m_users;
};
