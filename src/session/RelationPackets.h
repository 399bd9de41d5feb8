#pragma once

#include <QString>

// The relation lists (gagged, friends, blinded) as the database service keeps them. Every request goes
// routed to ".db" as "~ <own nickname> <text>", the text being "=" (send me the whole list) or a sign
// ("+" add, "-" remove) followed by blank-separated nicknames. The service answers each request with the
// whole list, routed from ".db".
namespace RelationPacket {
constexpr int GagRequest = 173;
constexpr int FriendsRequest = 199;
constexpr int BlindRequest = 226;
constexpr int GagList = 189;
constexpr int FriendsList = 202;
constexpr int BlindList = 235;

// The body of a request for the user's list.
inline QString FormatRequest(const QString& ownNickname, const QString& text) {
    return QStringLiteral("~ ") + ownNickname + QLatin1Char(' ') + text;
}
} // namespace RelationPacket
