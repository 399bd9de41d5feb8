#include "prefs/PreferenceBroadcast.h"

#include <QApplication>
#include <utility>

namespace {

PreferenceBroadcaster& installed() {
    static PreferenceBroadcaster broadcaster;
    return broadcaster;
}

} // namespace

PreferenceBroadcaster SetPreferenceBroadcaster(PreferenceBroadcaster broadcaster) {
    return std::exchange(installed(), std::move(broadcaster));
}

void BroadcastPreferenceMessage(const QString& messageName, qintptr wParam, platform::Object* lParam) {
    const platform::MessageId id = platform::RegisterMessage(messageName);
    // A copy: a receiver may install another delivery while this one runs.
    if (const PreferenceBroadcaster broadcaster = installed())
        broadcaster(id, wParam, lParam);
    else
        platform::BroadcastMessage(QApplication::topLevelWidgets(), id, wParam, lParam);
}
