#pragma once

#include "session/PacketTarget.h"
#include "web/WebPageDlg.h"

#include <QDate>
#include <QPointer>

#include <functional>
#include <memory>

class CMOTDSubDocument;
class QTimer;

// "News": the service's message of the day. Once its page has loaded, links open in the user's browser.
class CMessOfTheDayBDlg : public CWebPageDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMessOfTheDayBDlg, CWebPageDlg)
public:
    static constexpr int kTemplateId = 320;
    static constexpr int kBrowserId = 604;

    // takeFocus false: the window comes up without taking the keyboard from what the user is doing
    // (the news that opens by itself after an entry).
    CMessOfTheDayBDlg(CMOTDSubDocument* owner, QWidget* parent, bool takeFocus = true);

    // The "urlNews" setting of the service, else the game's news address; with the user's nickname
    // as "user_id" when he has one.
    QString NewsAddress() const;
    void Navigate() override;

private:
    CMOTDSubDocument* m_owner; // outlives the dialog (it deletes the dialog when it goes)
};

// The session's news: shown once a day, 6.5 seconds after a service has been entered, and whenever
// the user asks for it ("&View > &News").
class CMOTDSubDocument : public CSubDocument {
    NV_DECLARE_RUNTIME_CLASS(CMOTDSubDocument, CSubDocument)
public:
    static constexpr int kCmdViewNews = 32992;
    static constexpr int kNewsDelayMs = 6500;

    // The last one made is the process's news sub-document.
    explicit CMOTDSubDocument(CSessionDoc* session);
    ~CMOTDSubDocument() override;

    static CMOTDSubDocument* GetNewsSubDocument();
    // The session's news sub-document, made (and kept by the session) when it has none.
    static CMOTDSubDocument* Attach(CSessionDoc& session);

    // A service has been entered: on the first entry of a new day the news comes up a little later.
    // The day is written as "LastMOTDdate" whether or not it was new.
    void CheckNewsOnEntry();
    // Shows the news window (made on first use) and loads the news; only for the process's news
    // sub-document.
    // byUser false (the news that comes up after an entry): shown without taking the keyboard.
    void ShowNews(bool byUser = true);
    bool OnCommand(int id) override;

    bool IsShownToday() const { return m_shownToday; }
    bool IsNewsTimerPending() const;
    // The delay after an entry is over (the timer's own handler; tests call it to skip the wait).
    void OnNewsTimer();
    CMessOfTheDayBDlg* GetDialog() const { return m_dialog.data(); }

    // Today's local date; tests set their own (empty restores the clock).
    using DateSource = std::function<QDate()>;
    static void SetDateSource(DateSource source);
    // The delay after an entry for sub-documents made from now on (tests shorten it).
    static void SetNewsDelay(int milliseconds);

private:
    QPointer<CMessOfTheDayBDlg> m_dialog;
    bool m_shownToday = false;
    std::unique_ptr<QTimer> m_timer; // dies with the sub-document, so it never calls into a gone one
    std::unique_ptr<QObject> m_connections;
};
