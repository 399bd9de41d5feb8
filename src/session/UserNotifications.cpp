#include "session/UserNotifications.h"

#include "platform/Win32Codes.h"
#include "session/LobbyUserMap.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "support/dialogs/DeferredMessageBox.h"

namespace UserNotification {

namespace {

struct EventInfo {
    const char* valueName;
    int defaultChoice;
    const char* text;
};

const EventInfo kEvents[kEventCount] = {
    {"Affinity Arrival", kChatLog, "Your friend %1 has arrived."},
    {"Affinity Departure", kChatLog, "Your friend %1 has left."},
    {"Opponent Leaves Game", kChatLog, "%1 has left the game."},
    {"Watcher Arrival", kChatLog, "%1 is now watching the game."},
    {"Watcher Departure", kChatLog, "%1 has stopped watching the game."},
    {"Interrupt Arrival", kChatLog, "%1, with whom you have an unfinished match, has arrived."},
    {"Interrupt Departure", kNone, "%1, with whom you have an unfinished match, has left."},
};

// The match room the user is in, or an empty name in the lobby.
CServiceName CurrentRoom(const CSessionDoc& session) {
    const CServiceName& service = session.GetServiceName();
    if (service.CountParts() < 2 || service.GetText() == session.GetLobbyServiceName())
        return CServiceName();
    return service;
}

bool InRoom(const CServiceName& room, const QString& location) {
    return !room.IsEmpty() && !location.isEmpty() && CServiceName(location).IsSameService(room);
}

bool IsSelf(const CSessionDoc& session, const CClientUserInfo& user) {
    return SameNickname(user.GetNickname(), session.GetNickname());
}

// The events of one player who comes into or goes out of the user's room.
void RoomChange(CSessionDoc& session, const CServiceName& room, const QString& nickname, bool arrived) {
    if (room.HasPart(nickname)) {
        if (!arrived)
            Notify(session, kOpponentLeavesGame, nickname);
        return;
    }
    Notify(session, arrived ? kWatcherArrival : kWatcherDeparture, nickname);
}

} // namespace

const char* ValueName(Event event) {
    return kEvents[event].valueName;
}

int DefaultChoice(Event event) {
    return kEvents[event].defaultChoice;
}

int ReadChoice(Event event) {
    const int value = GetSettingsStore().GetIntEx(QStringLiteral("General Preferences"),
                                                  QString::fromLatin1(kEvents[event].valueName),
                                                  kEvents[event].defaultChoice);
    return value >= kChatLog && value <= kNone ? value : kEvents[event].defaultChoice;
}

QString Text(Event event, const QString& nickname) {
    return QString::fromLatin1(kEvents[event].text).arg(nickname);
}

namespace {

void Tell(CSessionDoc& session, Event event, const QString& text) {
    switch (ReadChoice(event)) {
    case kChatLog:
        session.AddChatLine(QString(), text, ChatKind::System);
        break;
    case kMessageBox:
        PostDeferredMessageBox(text, platform::MB_OK | platform::MB_ICONINFORMATION);
        break;
    default:
        break;
    }
}

} // namespace

void Notify(CSessionDoc& session, Event event, const QString& nickname) {
    if (event < 0 || event >= kEventCount || nickname.isEmpty())
        return;
    Tell(session, event, Text(event, nickname));
}

QString AlreadyThereText(const QString& nickname, bool waitingInRoom) {
    return waitingInRoom ? QStringLiteral("%1 is waiting for you in your unfinished match.").arg(nickname)
                         : QStringLiteral("%1, with whom you have an unfinished match, is logged on.").arg(nickname);
}

void UserArrived(CSessionDoc& session, const CClientUserInfo& user) {
    if (IsSelf(session, user))
        return;
    const QString nickname = user.GetNickname();
    if (user.GetGroupFlags() & UserGroup::Friend)
        Notify(session, kAffinityArrival, nickname);
    if (user.GetGroupFlags() & UserGroup::UnfinishedMatch)
        Notify(session, kInterruptArrival, nickname);
    const CServiceName room = CurrentRoom(session);
    if (InRoom(room, user.GetLocation()))
        RoomChange(session, room, nickname, true);
}

void AlreadyThere(CSessionDoc& session, const CClientUserInfo& user) {
    if (IsSelf(session, user) || !(user.GetGroupFlags() & UserGroup::UnfinishedMatch))
        return;
    // He did not arrive: the user did. Most often he stayed in the room of their match.
    const CServiceName location(user.GetLocation());
    const bool inTheirRoom = location.HasPart(user.GetNickname()) && location.HasPart(session.GetNickname());
    Tell(session, kInterruptArrival, AlreadyThereText(user.GetNickname(), inTheirRoom));
}

void UserLeft(CSessionDoc& session, const CClientUserInfo& user) {
    if (IsSelf(session, user))
        return;
    const QString nickname = user.GetNickname();
    const CServiceName room = CurrentRoom(session);
    if (InRoom(room, user.GetLocation()))
        RoomChange(session, room, nickname, false);
    if (user.GetGroupFlags() & UserGroup::Friend)
        Notify(session, kAffinityDeparture, nickname);
    if (user.GetGroupFlags() & UserGroup::UnfinishedMatch)
        Notify(session, kInterruptDeparture, nickname);
}

void UserMoved(CSessionDoc& session, const CClientUserInfo& user, const QString& oldLocation) {
    if (IsSelf(session, user))
        return;
    const CServiceName room = CurrentRoom(session);
    const bool was = InRoom(room, oldLocation);
    const bool is = InRoom(room, user.GetLocation());
    if (was != is)
        RoomChange(session, room, user.GetNickname(), is);
}

} // namespace UserNotification
