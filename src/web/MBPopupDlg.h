#pragma once

#include "platform/Dialog.h"
#include "web/BrowserHost.h"

// The match board's flyover: a caption-less pop-up that shows one page (the details of a player the
// mouse rests on) and comes up once that page has loaded. It never takes the keyboard focus.
class CMBPopupDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMBPopupDlg, platform::Dialog)
public:
    static constexpr int kTemplateId = 375;
    static constexpr int kBrowserId = 601;

    // Creates the window and its browser child (when no engine can run, the user is told at once).
    explicit CMBPopupDlg(QWidget* parent = nullptr);
    ~CMBPopupDlg() override;

    // Loads address (without the cache); the pop-up shows itself when the page has arrived.
    void Navigate(const QString& address);

    CBrowserHost& Host() { return m_host; }

protected:
    bool OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutBrowser();

    CBrowserHost m_host{CBrowserHost::LinkPolicy::KeepInside};
};
