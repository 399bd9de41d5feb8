#pragma once

#include <QString>

// What a game document needs of the session it belongs to. The session implements it; tests use a
// small fake. Routed types (128 and above) go to the target: "&" the room, a nickname, "." the server.
class CGameSessionLink {
public:
    virtual ~CGameSessionLink() = default;

    virtual bool Send(int type, const QString& text, const QString& target) = 0;
    // The user's own nickname; empty before login.
    virtual QString GetNickname() const = 0;
    // The service (room) the session is in, ".gb.Ann.Bob" for a match.
    virtual QString GetServiceName() const = 0;
    virtual bool IsConnected() const = 0;
    // The sender of the packet being handled now, for routed packets.
    virtual QString CurrentPacketSource() const { return QString(); }
    // Where the packet being handled now was routed to: "&" for the room, else a nickname.
    virtual QString CurrentPacketDestination() const { return QString(); }
    // Drops the temporary (peer) connection of the game.
    virtual void RemoveTemporaryConnection() {}
    // A line of the system (chat-line kind 3, no sender) in the session's chat.
    virtual void AddSystemChatLine(const QString& text) { (void)text; }
    // A finished match offers to play again: the room name and the local side (0 or 1).
    virtual void OpenInvitationFromGame(const QString& serviceName, int localSide) {
        (void)serviceName;
        (void)localSide;
    }
};
