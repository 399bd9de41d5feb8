#include "chat/ChatLog.h"

#include "platform/Document.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"

static_assert(CChatLog::kHintChatLine == CSessionDoc::kHintChatLine);

CChatLog::CChatLog(platform::Document* owner) : m_owner(owner), m_limit(kDefaultLimit) {
    m_limit = std::max(storedLimit(), int(kMinimumLimit));
}

CChatLog::~CChatLog() {
    GetSettingsStore().WriteObjectInt(this, QString::fromLatin1(kLengthName), m_limit);
}

platform::Document* CChatLog::GetOwner() const {
    return m_owner.data();
}

int CChatLog::storedLimit() const {
    return GetSettingsStore().GetObjectInt(this, QString::fromLatin1(kLengthName), kDefaultLimit);
}

void CChatLog::AddElement(const QString& name, int kind, const QString& text) {
    // One removal per addition: a log above its limit shrinks only through ReloadLimit.
    if (!m_lines.empty() && GetCount() >= keptLines())
        dropOldest();
    m_lines.push_back(std::make_unique<CLogElement>(kind, name, text));
    CLogElement* added = m_lines.back().get();
    if (!m_owner)
        return;
    ++m_announcing;
    m_owner->UpdateAllViews(nullptr, kHintChatLine, added);
    if (--m_announcing == 0)
        m_dropped.clear();
}

void CChatLog::dropOldest() {
    if (m_announcing > 0)
        m_dropped.push_back(std::move(m_lines.front()));
    m_lines.pop_front();
}

void CChatLog::RemoveAll() {
    while (!m_lines.empty())
        dropOldest();
}

void CChatLog::ReloadLimit() {
    m_limit = storedLimit();
    while (GetCount() > keptLines())
        dropOldest();
}

CChatLog* FindChatLog(platform::Document* document) {
    if (auto* session = platform::object_cast<CSessionDoc>(document))
        return dynamic_cast<CChatLog*>(session->GetChatLog());
    if (auto* holder = dynamic_cast<CChatLogHolder*>(document))
        return holder->GetChatLog();
    return nullptr;
}
