#pragma once

#include <QString>

class CSessionDoc;
class CClientUserInfo;

// The events of other players the user can be told of (the "Notification" page of the preferences,
// section "General Preferences"), and the telling: a system line in the chat log, a message box, or
// nothing, as the user chose for each.
namespace UserNotification {

enum Event {
    kAffinityArrival,
    kAffinityDeparture,
    kOpponentLeavesGame,
    kWatcherArrival,
    kWatcherDeparture,
    kInterruptArrival,
    kInterruptDeparture,
    kEventCount
};
enum Choice { kChatLog = 0, kMessageBox = 1, kNone = 2 };

const char* ValueName(Event event);
int DefaultChoice(Event event);
// The stored choice; a value other than 0, 1 or 2 gives the default.
int ReadChoice(Event event);
// What the user is told of the player.
QString Text(Event event, const QString& nickname);

// Tells the user of the event as he chose. Whoever learns that the opponent has left the game (the
// directory, or the room after a dropped connection) calls this with kOpponentLeavesGame.
void Notify(CSessionDoc& session, Event event, const QString& nickname);

// The directory's changes, read for the events above: a player arrived (not in the first list after
// login or a room change), left, or moved from one service to another.
void UserArrived(CSessionDoc& session, const CClientUserInfo& user);
// A player in the first list after login: the opponent of an unfinished match who is there already is
// told of as "Interrupt Arrival" says, in words of the user's return (AlreadyThereText).
void AlreadyThere(CSessionDoc& session, const CClientUserInfo& user);
// What the user who logs in is told of that opponent; waitingInRoom: he is in the room of a match of
// the two.
QString AlreadyThereText(const QString& nickname, bool waitingInRoom);
void UserLeft(CSessionDoc& session, const CClientUserInfo& user);
void UserMoved(CSessionDoc& session, const CClientUserInfo& user, const QString& oldLocation);

} // namespace UserNotification
