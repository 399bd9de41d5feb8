#pragma once

#include "platform/Messages.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace testenv {

// A hidden top-level window that takes every registered message broadcast to the application's
// windows and records it, so a test can count what a change announced. An optional reaction runs
// for each message while it is delivered (a receiver that fills the page it was given, say).
class MessageRecorder : public QWidget, public platform::MessageTarget {
public:
    struct Received {
        platform::MessageId id;
        qintptr wParam;
        platform::Object* lParam;
    };

    MessageRecorder() = default;

    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // How many messages of that name arrived.
    int Count(const QString& name) const;
    // The messages of that name, in order of arrival.
    std::vector<Received> Of(const QString& name) const;
    void Clear() { m_received.clear(); }

    std::function<void(const Received&)> reaction;

private:
    std::vector<Received> m_received;
};

} // namespace testenv
