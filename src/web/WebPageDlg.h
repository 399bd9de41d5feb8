#pragma once

#include "support/dialogs/StickyDialog.h"
#include "web/BrowserHost.h"
#include "web/BrowserStatusLine.h"

class QLabel;
class QPushButton;

// A window that shows one page of the service's web site: the page over a status line and a "Close"
// button. The status line counts the seconds of loading in dots and reads " Done" when the page has
// arrived. Close, Escape or the page asking to close end the window, which then deletes itself.
class CWebPageDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CWebPageDlg, CStickyDialog)
public:
    static constexpr int kStatusId = 1377;

    // Where the status line goes.
    enum class PageLayout {
        StatusUnderPage, // the page from the window's corner; the status line beside the button
        FramedPage,      // the page with a 3-pixel margin; the status line centred on the button
    };

    CWebPageDlg(int templateId, QWidget* parent, CBrowserHost::LinkPolicy policy, int browserId,
                PageLayout layout, HtmlEngineMessageKind messageKind = HtmlEngineMessageKind::Dialog,
                bool takeFocus = true);
    ~CWebPageDlg() override;

    bool OnInitDialog() override;
    // Ends the window: the timer stops, the browser goes, the object deletes itself once control
    // returns to the event loop.
    void OnCancel() override;

    CBrowserHost& Host() { return m_host; }
    const CBrowserHost& Host() const { return m_host; }
    CBrowserStatusLine& StatusLine() { return m_status; }
    QLabel* StatusControl() const { return m_statusControl; }
    QPushButton* CloseButton() const { return m_closeButton; }

    // Loads the window's page (from OnInitDialog, and again when asked).
    virtual void Navigate() = 0;

protected:
    // Sets the status text, clears the page-loaded flag, navigates without the cache and shows the
    // status line; nothing without an address or a browser.
    void NavigateTo(const QString& address, const QString& statusText);
    void LayoutControls();
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_browserId;
    PageLayout m_layout;
    HtmlEngineMessageKind m_messageKind;
    CBrowserHost m_host;
    QPushButton* m_closeButton;
    QLabel* m_statusControl;
    CBrowserStatusLine m_status;
    bool m_skipFirstSize = true;
    bool m_layoutReady = false;
};
