#pragma once

#include "Accounts.h"
#include "ConnectionLimits.h"
#include "DevServerCore.h"
#include "Directory.h"
#include "EnquiryDesk.h"
#include "GameRooms.h"
#include "MailOffice.h"
#include "MatchRooms.h"
#include "PacketRegistry.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

// A small loopback service for running clients by hand. It logs in any valid nickname, keeps the
// lobby directory, relays chat (shouts, room chat and notices, packets routed from one member to
// another, never a move), moves members between the lobby and game rooms, sets up and referees the
// backgammon rooms' matches, keeps the unfinished matches, carries mail between members and answers
// rankings and the questions of invitations, for as long as it runs.
//
// It is made of parts, each in its own files with the state it keeps (docs/architecture.md lists
// them); each registers the packets it answers, with who may send each (CPacketRegistry). This class
// holds the connections and the wiring, and relays the chat itself.
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
    int UserCount() const { return int(m_core.users.GetCount()); }
    int ConnectionCount() const { return int(m_core.clients.size()); }
    // The bytes that wait in the server for the member's connection, -1 when he is not logged in.
    qint64 OutputWaitingFor(const QString& nickname) const {
        const Client* member = m_core.FindUser(nickname);
        return member ? member->connection->BytesToWrite() : -1;
    }
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
    // The chat this class relays itself: shouts, notices, the room's other packets, and packets routed
    // to a member.
    void registerChat();
    // Once a member is in, he learns of everybody, everybody of him, and he is handed his unfinished
    // matches, receipts and the count of his waiting letters.
    void loggedIn(Client* client);
    void onShout(Client* client, const CMessagePacket& packet);
    void onNotify(Client* client, const CMessagePacket& packet);
    void onRoomPacket(Client* client, const CMessagePacket& packet);
    void onMemberPacket(Client* client, const CMessagePacket& packet);
    // The sender's packet to each recipient, once his allowance covers all the copies (false: it
    // waits, or it was refused; CConnectionLimits::MayRelay).
    bool relay(Client* sender, QList<Client*> recipients, int type, const QString& payload,
               const QString& destination);
    // About one frame of a routed packet.
    static qint64 frameBytes(const QString& payload, const QString& names) {
        return qint64(payload.size() + names.size() + 16);
    }
    void onClosed(Client* client);
    static void systemLine(Client* client, const QString& text) { CDevServerCore::SystemLine(client, text); }
    QList<Client*> loggedIn() const { return m_core.LoggedIn(); }
    QList<Client*> inRoom(const QString& service) const { return m_core.InRoom(service); }
    Client* findUser(const QString& nickname) const { return m_core.FindUser(nickname); }
    void log(const QString& line) { emit logLine(line); }

    CDevServerCore m_core;
    QTcpServer m_server;
    CConnectionLimits m_limits;
    CAccounts m_accounts;
    CMailOffice m_mail;
    CEnquiryDesk m_enquiries;
    // The parts hold references to each other, taken (not used) before the later ones are made.
    CGameRooms m_rooms;
    CDirectory m_directory;
    CMatchRooms m_matches;
    CPacketRegistry m_packets;
    quint64 m_lastSerial = 0;
};
