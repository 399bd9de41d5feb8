#pragma once

#include <QString>

#include <optional>

// The relation lists (gagged, friends, blinded) as the database service keeps them. Every request goes
// routed to ".db" as "~ <own nickname> <text>", the text being "=" (send me the whole list) or a sign
// ("+" add, "-" remove) followed by blank-separated nicknames. The service answers each request with the
// whole list, routed from ".db".
namespace RelationPacket {

enum class List { Gag, Friends, Blind };
constexpr List kAllLists[] = {List::Gag, List::Friends, List::Blind};

constexpr int GagRequest = 173;
constexpr int FriendsRequest = 199;
constexpr int BlindRequest = 226;
constexpr int GagList = 189;
constexpr int FriendsList = 202;
constexpr int BlindList = 235;

struct Types {
    int request;
    int list;
};
// Indexed by List.
constexpr Types kTypes[] = {{GagRequest, GagList}, {FriendsRequest, FriendsList}, {BlindRequest, BlindList}};

constexpr int RequestType(List list) {
    return kTypes[int(list)].request;
}
constexpr int ListType(List list) {
    return kTypes[int(list)].list;
}
// The list whose request, or whose list, is this packet type.
inline std::optional<List> ListOfRequest(int type) {
    for (List list : kAllLists) {
        if (RequestType(list) == type)
            return list;
    }
    return std::nullopt;
}
inline std::optional<List> ListOfList(int type) {
    for (List list : kAllLists) {
        if (ListType(list) == type)
            return list;
    }
    return std::nullopt;
}

// The body of a request for the user's list.
inline QString FormatRequest(const QString& ownNickname, const QString& text) {
    return QStringLiteral("~ ") + ownNickname + QLatin1Char(' ') + text;
}

} // namespace RelationPacket
