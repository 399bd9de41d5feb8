#pragma once

#include "DevServerCore.h"
#include "PacketRegistry.h"
#include "RelationStore.h"
#include "UnfinishedMatchStore.h"

#include <functional>
#include <vector>

// The development server's lobby directory and what members see of each other in it. It keeps the
// members' friends, blinded and gagged lists, the ratings in order for the match board, and the
// changes waiting to be announced. It sends the directory packets (97 arrivals, 98 departures, 110
// changes), each member's entries with his own group flags (friend, unfinished match, on his match
// board, in his game), and tells friends of arrivals and departures (routed 206). It answers
// presence ("P"), privacy commands (58), the match board's query (108), watch requests (112) and the
// relation lists' requests (routed to ".db").
class CDirectory : public CDevServerPart {
public:
    CDirectory(CDevServerCore& core, const CUnfinishedMatchStore& unfinished)
        : CDevServerPart(core), m_unfinished(unfinished) {}

    const CRelationStore& Relations() const { return m_relations; }
    // charge takes the bytes the server sent others on a member's behalf: the announcements of the
    // changes he made himself.
    using Charge = std::function<void(Client* member, qint64 bytes)>;
    void Register(CPacketRegistry& packets, Charge charge);

    // A member logged in: he learns of everybody, everybody of him, and his friends that he came.
    void Arrived(Client* client);
    // A member left (already out of the logged-in users): everybody learns of it, his friends too.
    void Departed(Client* client);
    // Directory packet type about those users to each of to, with the fields of mask (0: all fields for
    // arrivals and departures, the changed ones for 110; kGroupFlagsOnly: none) -> the bytes of each
    // user's entries, all readers together.
    static constexpr quint32 kGroupFlagsOnly = 0xFFFFFFFFu;
    std::vector<qint64> SendDirectory(int type, const QList<Client*>& about, const QList<Client*>& to,
                                      quint32 mask = 0);
    // The member's changed fields go to everybody now.
    void AnnounceChange(Client* client);
    // The change goes out once the current turn is over, with the others' changes of the turn: a
    // member who toggles a state (his presence, his room) many times in one turn costs the others one
    // entry.
    void AnnounceSoon(Client* client);
    // The member's own view of everybody (their group flags, 110) goes to him once the current turn
    // is over, however often it changed in the turn.
    void SendViewSoon(Client* client);

    void OnPresence(Client* client, const QString& text);
    // Packet 58: "PRIVATE" or "PUBLIC", the member's match privacy.
    void OnCommand(Client* client, const QString& text);
    // Packet 108: the reader's match-board query; the users it takes in carry group flag 0x4 in his
    // directory from now on.
    void OnBoardQuery(Client* client, const QString& text);
    // Packet 112: "<cookie> <nicknames>", answered with routed 184 and where each of them is.
    void OnWatchRequest(Client* client, const QString& text);
    void OnRelationRequest(Client* client, int type, const QString& text);

private:
    void queue(Client* client);
    void announceQueued();
    static constexpr int kAnnouncementsPerTurn = 32;
    bool onBoardOf(const Client* reader, const Client* user) const;
    // The logged-in users other than user and reader rated nearer to centre than distance, counted
    // in the ratings kept in order (rebuilt after logins and departures).
    int ratedCloser(double centre, double distance, const Client* user, const Client* reader) const;
    static constexpr int kBoardGroup = 0x4;
    // Group flag 0x1: the user is in the reader's game room.
    bool inGameOf(const Client* reader, const Client* user) const;
    static constexpr int kInGameGroup = 0x1;
    // Routed 206 to every member who counts client among his friends: "<member> <sign> <client>".
    void tellFriendsOf(const Client* client, QChar sign);

    const CUnfinishedMatchStore& m_unfinished;
    // The ratings of m_users in order, for the match board; empty: to be rebuilt. Cleared at every
    // login and departure: whatever changes a logged-in member's rating must clear it too.
    mutable std::vector<float> m_ratings;
    std::vector<CServerConnection*> m_announcing; // changes to go out at the end of the turn
    CRelationStore m_relations;
    Charge m_charge;
};
