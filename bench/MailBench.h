#pragma once

// What the mail benchmarks share: turning the event loop until something is done, and "bob" logged in
// to a development server.
#include "session/SessionDoc.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

inline bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Logs the session in as bob -> false when the server has not let him in within five seconds.
inline bool logInBob(CSessionDoc& session, quint16 port) {
    bool in = false;
    const auto accepted = QObject::connect(&session, &CSessionDoc::loginAccepted, [&in] { in = true; });
    session.Connect(CClientNode::LoginRequest{QStringLiteral("127.0.0.1"), port, QStringLiteral("bob"),
                                              QStringLiteral("x"), QStringLiteral("1000 Norvale for Linux")});
    const bool loggedIn = waitUntil([&] { return in; }, 5000);
    QObject::disconnect(accepted);
    return loggedIn;
}
