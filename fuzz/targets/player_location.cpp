// Location replies (packet 184 with the player information's cookie) as the server sends them. A
// reply read names a player without a blank or an "@", always gives a location text, and one without
// a room says he is nowhere; a reply with another cookie or without a name is left alone.

#include "FuzzTarget.h"

#include "lobby/PlayerInfoDlg.h"
#include "lobby/PlayerInfoSubDoc.h"

NORVALE_FUZZ_TARGET(player_location)(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(fuzz::Bytes(data, size));

    const std::optional<CPlayerInfoSubDoc::Location> location = CPlayerInfoSubDoc::ParseLocateReply(text);
    if (!text.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0).startsWith(QLatin1String(CPlayerInfoDlg::kLocateCookie)))
        fuzz::Check(!location, "a reply read without the cookie", text);
    if (!location)
        return;
    fuzz::Check(!location->name.isEmpty() && !location->name.contains(QLatin1Char(' ')) &&
                    !location->name.contains(QLatin1Char('@')),
                "a player named with a blank or an @", location->name);
    fuzz::Check(!location->text.isEmpty(), "a location without a text", text);
    if (location->service.IsEmpty())
        fuzz::Check(location->text == QLatin1String("Unknown") || location->text == QLatin1String("Not Logged In"),
                    "a player in no room given a place", text);
    fuzz::Check(!location->service.GetText().contains(QLatin1Char(' ')), "a room with a blank", text);
}
