#pragma once

#include "chat/LogElement.h"
#include "platform/Object.h"
#include "session/SessionServices.h"

#include <QPointer>

#include <deque>
#include <memory>
#include <vector>

namespace platform {
class Document;
}

// The bounded, ordered list of chat lines of one document (the session's lobby and game chat, or one
// talk). Each new line is announced to the document's views with hint 4111 and the line as the hint
// object; the chat views draw from the list.
class CChatLog : public platform::Object, public CChatSink {
    NV_DECLARE_RUNTIME_CLASS(CChatLog, platform::Object)
public:
    static constexpr int kHintChatLine = 4111;
    static constexpr char kLengthName[] = "Chat View Length";
    static constexpr int kDefaultLimit = 300;
    static constexpr int kMinimumLimit = 20;

    // The limit is the stored "Chat View Length", raised to 20 when it is lower.
    explicit CChatLog(platform::Document* owner);
    // Writes the limit back.
    ~CChatLog() override;

    CChatLog(const CChatLog&) = delete;
    CChatLog& operator=(const CChatLog&) = delete;

    // Appends a line, dropping the oldest one when the log is full, and tells the owner's views.
    void AddElement(const QString& name, int kind, const QString& text) override;
    void RemoveAll();
    void Clear() override { RemoveAll(); }
    // Reads the stored limit again, as it stands, and drops the oldest lines beyond it.
    void ReloadLimit();

    int GetLimit() const { return m_limit; }
    int GetCount() const { return int(m_lines.size()); }
    // Oldest first.
    const std::deque<std::unique_ptr<CLogElement>>& Lines() const { return m_lines; }
    platform::Document* GetOwner() const;

private:
    // A limit of 0 or less keeps the newest line only.
    int keptLines() const { return m_limit > 0 ? m_limit : 1; }
    int storedLimit() const;
    // Takes the oldest line off; while views are being told about a line, lines taken off live on
    // until the telling is over, so no view is left holding a deleted hint object.
    void dropOldest();

    QPointer<platform::Document> m_owner;
    int m_limit;
    std::deque<std::unique_ptr<CLogElement>> m_lines;
    int m_announcing = 0;
    std::vector<std::unique_ptr<CLogElement>> m_dropped;
};

// A document whose chat log is its own (a talk document); chat views of such a document draw from it.
class CChatLogHolder {
public:
    virtual ~CChatLogHolder() = default;
    virtual CChatLog* GetChatLog() const = 0;
};

// The chat log a document's chat views show: the session's, or the holder's; null when there is none.
CChatLog* FindChatLog(platform::Document* document);
