#include "support/MessageRecorder.h"

namespace testenv {

bool MessageRecorder::OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) {
    m_received.push_back({id, wParam, lParam});
    if (reaction)
        reaction(m_received.back());
    return true;
}

int MessageRecorder::Count(const QString& name) const { return int(Of(name).size()); }

std::vector<MessageRecorder::Received> MessageRecorder::Of(const QString& name) const {
    const platform::MessageId id = platform::RegisterMessage(name);
    std::vector<Received> result;
    for (const Received& message : m_received)
        if (message.id == id)
            result.push_back(message);
    return result;
}

} // namespace testenv
