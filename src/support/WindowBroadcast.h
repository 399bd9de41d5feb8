#pragma once

#include "platform/Messages.h"

#include <functional>

// Registered messages for "every window of the application": the preference pages tell the text
// windows that fonts, colours or view options changed. The application installs its own delivery
// (the main window, its descendants, the windows it owns and the extra broadcast window); until
// then the message goes to every top-level widget and its descendants.
using WindowBroadcaster = std::function<void(platform::MessageId id, qintptr wParam, platform::Object* lParam)>;

// Installs the delivery (empty restores the default) -> the one it replaces (empty for the default).
WindowBroadcaster SetWindowBroadcaster(WindowBroadcaster broadcaster);

// Sends the registered message of that name to the application's windows, synchronously.
void BroadcastToApplicationWindows(const QString& messageName, qintptr wParam = 0, platform::Object* lParam = nullptr);

// Sends the registered message of that name to every descendant of the main window, synchronously;
// windows of their own (a dialog, a sheet and its preview boards) are not reached. Nothing happens
// while there is no main window.
void SendToMainWindowDescendants(const QString& messageName, qintptr wParam = 0, platform::Object* lParam = nullptr);
