#include "support/WindowBroadcast.h"

#include "support/MainWindow.h"

#include <QApplication>

namespace {

WindowBroadcaster& installed() {
    static WindowBroadcaster broadcaster;
    return broadcaster;
}

} // namespace

WindowBroadcaster SetWindowBroadcaster(WindowBroadcaster broadcaster) {
    return std::exchange(installed(), std::move(broadcaster));
}

void BroadcastToApplicationWindows(const QString& messageName, qintptr wParam, platform::Object* lParam) {
    const platform::MessageId id = platform::RegisterMessage(messageName);
    // A copy: a receiver may install another delivery meanwhile.
    if (const WindowBroadcaster broadcaster = installed())
        broadcaster(id, wParam, lParam);
    else
        platform::BroadcastMessage(QApplication::topLevelWidgets(), id, wParam, lParam);
}

void SendToMainWindowDescendants(const QString& messageName, qintptr wParam, platform::Object* lParam) {
    if (QWidget* main = GetMainWindow())
        platform::SendMessageToDescendants(main, platform::RegisterMessage(messageName), wParam, lParam);
}
