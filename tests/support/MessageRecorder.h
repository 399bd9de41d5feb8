#pragma once

#include "platform/Messages.h"

#include <QString>
#include <QWidget>
#include <vector>

namespace testenv {

// A top-level window that records the registered messages it receives, by name.
class MessageRecorder : public QWidget, public platform::MessageTarget {
public:
    struct Received {
        QString name;
        qintptr wParam;
        platform::Object* lParam;
    };

    // Records only the messages of these names.
    explicit MessageRecorder(const QStringList& names) {
        for (const QString& name : names)
            m_names.emplace_back(platform::RegisterMessage(name), name);
    }

    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override {
        for (const auto& [known, name] : m_names)
            if (known == id) {
                received.push_back({name, wParam, lParam});
                return true;
            }
        return false;
    }

    int Count(const QString& name) const {
        int count = 0;
        for (const Received& message : received)
            count += message.name == name ? 1 : 0;
        return count;
    }

    std::vector<Received> received;

private:
    std::vector<std::pair<platform::MessageId, QString>> m_names;
};

} // namespace testenv
