#pragma once

#include "platform/Messages.h"

#include <QString>
#include <functional>

// How the preference pages tell the application's windows that something they show has changed:
// the registered message of that name, sent synchronously, so a receiver has done its work (or filled
// the page it was given) when the call returns. The application installs its own delivery; until then
// the message goes to every top-level widget, its descendants and the windows they own.
using PreferenceBroadcaster = std::function<void(platform::MessageId id, qintptr wParam, platform::Object* lParam)>;

// Installs the delivery (empty restores the default) -> the one it replaces.
PreferenceBroadcaster SetPreferenceBroadcaster(PreferenceBroadcaster broadcaster);

void BroadcastPreferenceMessage(const QString& messageName, qintptr wParam = 0, platform::Object* lParam = nullptr);

// The names of the messages the lobby settings send.
inline constexpr char kBgQueryChangedMessage[] = "KELDERWICK_BG_QUERY_CHANGED";
inline constexpr char kFontPropertiesChangedMessage[] = "KELDERWICK_FONT_PROPERTIES_CHANGED";
inline constexpr char kFlyoverPropertiesChangedMessage[] = "KELDERWICK_FLYOVER_PROPERTIES_CHANGED";
inline constexpr char kViewPropertiesInitMessage[] = "KELDERWICK_VIEW_PROPERTIES_INIT";
