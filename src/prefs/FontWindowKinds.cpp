#include "prefs/FontWindowKinds.h"

#include "game/ClientGameFactory.h"

FontWindowKindInfo GetFontWindowKind(int index) {
    const CClientGameFactory& game = CClientGameFactory::GetFactory();
    switch (index) {
    case kFontKindMatchLog: return {game.GetMatchLogViewClass(), "Match Log", false, true};
    case kFontKindPlayerList: return {QStringLiteral("CPlayerListView"), "Watcher Lists", true, true};
    case kFontKindMatchBoard: return {game.GetMatchBoardViewClass(), "Lobby", true, true};
    case kFontKindAnnotation: return {QStringLiteral("CAnnotationView"), "Annotation View", false, true};
    case kFontKindFriends: return {QStringLiteral("CAffinityListView"), "Friends", true, true};
    case kFontKindGagged: return {QStringLiteral("CGagListView"), "Gagged Players", true, true};
    case kFontKindBlinded: return {QStringLiteral("CBlindListView"), "Blinded Players", true, true};
    case kFontKindMail: return {QStringLiteral("CMsgDisplayEditWnd"), "Quorl Messages", false, false};
    default: return {QStringLiteral("CChatView"), "Chat View", false, true};
    }
}
