#pragma once

#include "DevServerCore.h"
#include "Directory.h"
#include "MatchRooms.h"
#include "PacketRegistry.h"
#include "UnfinishedMatchStore.h"

// Where the development server's members are: it moves them between the lobby and the game rooms
// (the transfer, "J", answered with the room's "S" packet), sets their activity (playing, watching,
// waiting), keeps the unfinished matches (a room all its players had entered and one left) and sends
// each player his list of them (routed 233) when it changes; a resume, a rejoin or a new match of the
// same players ends one. An empty room goes unless it holds an unfinished match.
class CGameRooms : public CDevServerPart {
public:
    CGameRooms(CDevServerCore& core, CMatchRooms& matches, CDirectory& directory)
        : CDevServerPart(core), m_matches(matches), m_directory(directory) {}

    const CUnfinishedMatchStore& Unfinished() const { return m_unfinished; }
    // The packets it answers; asked hears of every transfer text with its sender's nickname.
    void Register(CPacketRegistry& packets, std::function<void(const QString& nickname, const QString& text)> asked);
    // Whether the room holds an unfinished match: one of its players left it under way and it waits
    // for him (resumed, rejoined or replaced ends that).
    bool HoldsUnfinishedMatch(const QString& service) const;

    // The transfer text: "<room> ..." with a player's terms, a resume or a watcher's mark.
    void OnTransfer(Client* client, const QString& text);
    // The client leaves his room: a match all its players were in becomes unfinished.
    void Leave(Client* client);
    // A player ended the room's money session: a game no longer owed, it is not unfinished (the other
    // may have gone already) and nobody waits for it.
    void SessionEnded(const QString& service);
    // The room is gone once nobody is in it and it holds no unfinished match.
    void DropIdleRoom(const QString& service);
    // Packet 233 (the unfinished-match list) to each of these players who is logged in.
    void SendUnfinished(const QStringList& players);

private:
    // The players in the room wait while it holds an unfinished match, and play otherwise.
    void updatePlayersActivity(const QString& service);

    CMatchRooms& m_matches;
    CDirectory& m_directory;
    CUnfinishedMatchStore m_unfinished;
};
