#pragma once

#include <QMetaObject>
#include <QObject>
#include <utility>

namespace platform {

// Runs fn later on the thread of guard (the GUI thread for widgets and documents). When guard is
// destroyed before the call runs, the call is dropped; the function object and whatever it captured
// are freed either way. Safe to call from any thread.
template <class Fn> void PostCall(QObject* guard, Fn&& fn) {
    if (!guard)
        return;
    QMetaObject::invokeMethod(guard, std::forward<Fn>(fn), Qt::QueuedConnection);
}

} // namespace platform
