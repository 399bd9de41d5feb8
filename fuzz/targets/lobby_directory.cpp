// User-update records (packets 97 arrived, 98 left, 110 changed) through the session's directory of
// users: any sequence of packets leaves a directory whose every record is found under its own name.

#include "FuzzTarget.h"

#include "session/LobbyUserMap.h"
#include "session/SessionDoc.h"
#include "session/UserInfo.h"

NORVALE_FUZZ_TARGET(lobby_directory)(const uint8_t* data, size_t size) {
    static CSessionDoc* session = new CSessionDoc; // one for the process: a session is costly to make
    fuzz::Input input(data, size);
    CLobbyUserMap map(session, 4097, 4098, 4099, 4100);
    // Packets follow one another, each a selector byte and a body up to the next NUL.
    while (!input.empty()) {
        static const int types[] = {CLobbyUserMap::kUsersArrived, CLobbyUserMap::kUsersLeft,
                                    CLobbyUserMap::kUsersChanged};
        const int type = types[input.TakeByte() % 3];
        const QString body = QString::fromLatin1(input.TakeField());
        fuzz::Check(map.OnPacket(type, body) == 0, "the directory kept a packet from the others");
        int visited = 0;
        map.ForEach([&](CClientUserInfo* user) {
            ++visited;
            fuzz::Check(!user->GetNickname().isEmpty(), "a record without a nickname");
            fuzz::Check(map.FindUser(user->GetNickname()) == user, "a record not found under its nickname",
                        user->GetNickname());
            (void)user->FormatUpdateText(0xFFFFFFFFu, true);
        });
        fuzz::Check(visited == map.GetCount(), "the directory's count is wrong");
    }
}
