#include "chat/TalkDoc.h"

#include "chat/ChatView.h"
#include "chat/LogElement.h"
#include "chat/TalkDlg.h"
#include "session/SessionDoc.h"
#include "support/MainWindow.h"
#include "support/SoundSettings.h"
#include "support/Utilities.h"

#include <QDateTime>

namespace {

std::function<qint64()>& clockFunction() {
    static std::function<qint64()> clock;
    return clock;
}

} // namespace

CTalkDoc::CTalkDoc(CSessionDoc& session, const QStringList& people, bool activate)
    : m_session(&session), m_chatLog(std::make_unique<CChatLog>(this)), m_people(people) {
    m_window = new CTalkDlg(this, m_people, activate, GetMainWindow());
    PlayEventSound(CSoundSettings::kOpenTalk);
}

CTalkDoc::~CTalkDoc() {
    if (CTalkDlg* window = m_window.data()) {
        m_window = nullptr;
        window->DetachDocument();
        delete window;
    }
    m_chatLog.reset();
    m_people.clear();
}

void CTalkDoc::Attach(CSessionDoc& session) {
    session.SetTalkFactory([](CSessionDoc& owner, const QStringList& people, bool activate) {
        return std::make_unique<CTalkDoc>(owner, people, activate);
    });
}

CTalkDlg* CTalkDoc::GetWindow() const {
    return m_window.data();
}

CChatView* CTalkDoc::GetChatView() const {
    return m_window ? m_window->GetChatView() : nullptr;
}

void CTalkDoc::ActivateCommandLine() {
    if (m_window)
        m_window->ActivateCommandLine(true);
}

void CTalkDoc::Activate() {
    if (!m_window)
        return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    ActivateCommandLine();
}

bool CTalkDoc::SendText(const QString& text, int kind) {
    CSessionDoc* session = m_session.data();
    if (!session || text.isEmpty())
        return false;
    const CLogElement line(kind, session->GetNickname(), text);
    return session->SendTalkLine(m_people, CTalkLine{line.Format(), kind, text});
}

void CTalkDoc::AddIncomingText(const QString& sender, const CTalkLine& line) {
    CSessionDoc* session = m_session.data();
    if (!session)
        return;
    if (line.kind >= 0)
        m_chatLog->AddElement(sender, line.kind, line.text);
    else if (!line.display.isEmpty())
        m_chatLog->AddElement(QString(), ChatKind::System, line.display); // shown as its sender wrote it
    const bool fromOther = !SameNickname(sender, session->GetNickname());
    if (!fromOther)
        return;
    PlayEventSound(CSoundSettings::kTalkMessages);
    if (!session->IsAway())
        return;
    const qint64 time = now();
    if (m_lastAwayNotice != 0 && time - m_lastAwayNotice <= kAwayNoticeSeconds)
        return;
    m_lastAwayNotice = time;
    SendText(QString::fromLatin1(kAwayNotice), ChatKind::Emote);
}

void CTalkDoc::Close() {
    if (m_closing)
        return;
    m_closing = true;
    PlayEventSound(CSoundSettings::kCloseTalk);
    if (CSessionDoc* session = m_session.data())
        session->OpenTalk(nullptr, m_people); // the session ends the talk and destroys this document
}

void CTalkDoc::OnWindowDestroyed() {
    m_window = nullptr;
}

void CTalkDoc::SetClock(std::function<qint64()> clock) {
    clockFunction() = std::move(clock);
}

qint64 CTalkDoc::now() {
    const auto& clock = clockFunction();
    return clock ? clock() : QDateTime::currentSecsSinceEpoch();
}
