#pragma once

#include "frame/GameView.h"
#include "web/BrowserHost.h"

// The advert pane of a service window: one page of the service (setting "http"), refreshed every
// "timer" seconds when that is 1 or more. Once a page has loaded, its links open in the user's browser.
// Unless the setting "scrll" asks for them, the page's scroll bars lie outside the pane.
class CAdvertView : public CGameView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CAdvertView, CGameView)
public:
    static constexpr int kBrowserId = 301;
    static constexpr char kPaneTag[] = "Advert";
    // A banner's height, and what the pane may grow to.
    static constexpr int kIdealHeight = 64;
    static constexpr int kMaxHeight = 120;

    explicit CAdvertView(QWidget* parent = nullptr);
    ~CAdvertView() override;

    int OnCreate() override;

    // The "http" setting, else the built-in advert address.
    QString AdvertAddress() const;
    void Navigate();

    bool KeepsScrollBars() const { return m_keepScrollBars; }
    int RefreshSeconds() const { return m_refreshSeconds; }
    bool IsRefreshPending() const;
    CBrowserHost& Host() { return m_host; }

    QSize sizeHint() const override { return QSize(468, kIdealHeight); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void armRefresh();
    void layoutBrowser();

    CBrowserHost m_host{CBrowserHost::LinkPolicy::SendOut};
    bool m_keepScrollBars = false;
    int m_refreshSeconds = 0;
    int m_refreshTimer = 0;
};
