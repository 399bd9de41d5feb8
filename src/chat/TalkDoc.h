#pragma once

#include "frame/GameView.h"
#include "chat/ChatLog.h"
#include "platform/Document.h"
#include "session/SessionServices.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class CChatView;
class CSessionDoc;
class CTalkDlg;

// A talk: a private conversation of the user with up to four other people, with a chat log of its
// own, shown in a talk window (CTalkDlg) of a chat view above a command line. The session keeps the
// talks by their set of people and routes the lines; the talk formats what the user says, shows what
// arrives and, while the user is away, answers with an away notice at most every two minutes.
class CTalkDoc : public platform::Document,
                 public CChatLogHolder,
                 public CTalkSession,
                 public CSessionPartDocument {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CTalkDoc, platform::Document)
public:
    static constexpr int kAwayNoticeSeconds = 120;
    static constexpr char kAwayNotice[] = " is away";

    // Makes the chat log and the window with its panes. activate zero: the window that was active
    // keeps the keyboard (a talk opened by incoming text).
    CTalkDoc(CSessionDoc& session, const QStringList& people, bool activate);
    ~CTalkDoc() override;

    // Makes the session open talks as CTalkDoc windows.
    static void Attach(CSessionDoc& session);

    CChatLog* GetChatLog() const override { return m_chatLog.get(); }
    CSessionDoc* GetOwningSession() const override { return m_session.data(); }
    const QStringList& GetPeople() const { return m_people; }
    CTalkDlg* GetWindow() const;
    CChatView* GetChatView() const;

    // Gives the keyboard to the window's command line.
    void ActivateCommandLine();
    // Sends a line of the user's (said text, emote or whisper) to everybody in the talk -> false when
    // it did not go out (the session gone, the connection down): the talk then shows nothing.
    bool SendText(const QString& text, int kind);
    // A line that arrived for this talk.
    void AddIncomingText(const QString& sender, const CTalkLine& line) override;
    // The window comes up (restored, in front) and its command line takes the keyboard.
    void Activate() override;
    // Ends the talk through the session (the window's close box, Escape in an empty command line).
    void Close();
    // The window is going.
    void OnWindowDestroyed();

    // The clock of the away notices, seconds; tests set their own (null: the system clock).
    static void SetClock(std::function<qint64()> clock);

private:
    static qint64 now();

    QPointer<CSessionDoc> m_session;
    std::unique_ptr<CChatLog> m_chatLog;
    QPointer<CTalkDlg> m_window;
    QStringList m_people;
    qint64 m_lastAwayNotice = 0;
    bool m_closing = false;
};
