#pragma once

#include "Accounts.h"
#include "ConnectionLimits.h"
#include "DevServerCore.h"
#include "Directory.h"
#include "GameRooms.h"
#include "EnquiryDesk.h"
#include "MailOffice.h"
#include "MatchRooms.h"
#include "ServerConnection.h"
#include "net/LoginPackets.h"
#include "session/UserInfo.h"
#include "support/NoCaseStringMap.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <map>
#include <memory>

// A small loopback service for running clients by hand: logs in any valid nickname, keeps the lobby
// directory (packets 97, 98, 110) of the connected users, relays room chat, routes packets between
// clients, answers watch requests, client-version queries and invitations' rating estimates, moves
// users between the lobby and game rooms, sets a backgammon room's match up once both players came
// with the same terms (again for each match they play again), referees it (dice, turns, sequence
// numbers, every move answered to its sender, the lobby's scores, the match so far for newcomers),
// and drops moves routed from one member to another, answers bear-off questions
// and keeps every member's friends, blinded and gagged lists
// and the unfinished matches (rooms that all their players had entered and one left) for as long as
// it runs. It carries mail between members: a message waits for its recipient, who is told how many
// wait (at login and as they come) and is handed them when his client asks; the sender learns that it
// was taken (or refused for a name of nobody who has logged in) and when every recipient has it. It ranks the members who
// logged in since it started by their rating (ties by experience, then nickname) and answers ranking
// requests from that list.
class CDevServer : public QObject {
    Q_OBJECT
public:
    using Options = CDevServerOptions;
    // The rules of a room whose transfer names none: a one-point match.
    static CBGRuleOptions DefaultMatchRules() { return CMatchRooms::DefaultMatchRules(); }
    // The rules a room starts a match from for the terms a player came with: the default match for
    // none, a backgammon match, or a proposition whose position can be played to a game's end. Empty,
    // with the reason in *fault, for terms that start nothing.
    static QString RoomRulesOf(const QString& terms, QString* fault = nullptr) {
        return CMatchRooms::RoomRulesOf(terms, fault);
    }
    // The referee of a backgammon room's current match, null when there is none (yet).
    const CMatchReferee* FindMatch(const QString& service) const { return m_matches.FindMatch(service); }
    // The number of the room's current match (1 for the first), 0 when none was set up yet.
    int MatchNumber(const QString& service) const { return m_matches.MatchNumber(service); }
    // Whether the room holds an unfinished match: one of its players left it under way and it waits
    // for him (resumed, rejoined or replaced ends that).
    bool HoldsUnfinishedMatch(const QString& service) const { return m_rooms.HoldsUnfinishedMatch(service); }
    // The room's setting that names its current match; a new number means a new match.
    static constexpr const auto& kMatchSetting = CMatchRooms::kMatchSetting;
    // The state of a room's money session, for tests: waiting for the players' answers, and the limit.
    bool IsAwaitingContinuation(const QString& service) const { return m_matches.IsAwaitingContinuation(service); }
    int MoneyLimit(const QString& service) const { return m_matches.MoneyLimit(service); }
    // Plain packets of a money session: the server's offer and a player's answer.
    static constexpr int kContinueAnswer = CMatchRooms::kContinueAnswer;
    static constexpr int kContinueOffer = CMatchRooms::kContinueOffer;
    // Routed from "." to a player whose move the referee refused: "<sequence> <reason>".
    static constexpr int kMoveRefused = CMatchRooms::kMoveRefused;

    explicit CDevServer(Options options, QObject* parent = nullptr);
    ~CDevServer() override;

    bool Listen(const QHostAddress& address, quint16 port, QString* error = nullptr);
    quint16 Port() const { return m_server.serverPort(); }
    int UserCount() const { return int(m_users.GetCount()); }
    int ConnectionCount() const { return int(m_clients.size()); }
    bool IsAccepting() const { return m_limits.IsAccepting(); }
    // Game rooms the server keeps: those with somebody in them or an unfinished match.
    int RoomCount() const { return m_matches.Count(); }
    const CRelationStore& Relations() const { return m_directory.Relations(); }

signals:
    void logLine(const QString& line);
    // A routed packet went from one member to another.
    void packetRelayed(const QString& from, const QString& to, int type, const QString& payload);
    // A member asked to enter a service with this transfer text.
    void transferAsked(const QString& nickname, const QString& transferText);

private:
    using Client = CDevClient;

    void onNewConnection();
    void onPacket(Client* client, const CMessagePacket& packet);
    // Login ("L"): once the member is in, he learns of everybody, everybody of him, and he is
    // handed his unfinished matches, receipts and the count of his waiting letters.
    void onLogin(Client* client, const QString& text);
    void onRouted(Client* client, const CMessagePacket& packet);
    void onPlain(Client* client, int type, const QString& text);
    void onTransfer(Client* client, const QString& text);
    void onClosed(Client* client);
    static void systemLine(Client* client, const QString& text) { CDevServerCore::SystemLine(client, text); }
    QList<Client*> loggedIn() const { return m_core.LoggedIn(); }
    QList<Client*> inRoom(const QString& service) const { return m_core.InRoom(service); }
    Client* findUser(const QString& nickname) const { return m_core.FindUser(nickname); }
    bool playersPresent(const QString& service) const { return m_core.PlayersPresent(service); }
    void log(const QString& line) { emit logLine(line); }
    CServiceSettings lobbySettings() const { return LobbySettings(m_options); }

    CDevServerCore m_core;
    Options& m_options;
    QTcpServer m_server;
    std::map<CServerConnection*, std::unique_ptr<Client>>& m_clients;
    CNoCaseStringMap<Client*>& m_users;
    CConnectionLimits m_limits;
    CAccounts m_accounts;
    CMailOffice m_mail;
    CEnquiryDesk m_enquiries;
    // The parts hold references to each other, taken (not used) before the later ones are made.
    CGameRooms m_rooms;
    CDirectory m_directory;
    CMatchRooms m_matches;
    quint64 m_lastSerial = 0;
};
