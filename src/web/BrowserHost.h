#pragma once

#include "web/BrowserControl.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class CWebBrowser;
class CWebBrowser2;

// What every window that shows a page keeps and does: its browser child (created with the fallback
// to the version-1 control), the page-loaded flag, navigation without the cache, and where the
// navigations the page starts go.
//
// Links out: once the host's own page has loaded, a navigation the page starts in its main frame is
// cancelled and its address opened in the user's browser (for SendOutOfDomain only when it leaves
// the service's web domain). Until then everything stays inside, so redirects of the first load
// land in the window. Frames inside the page, reloads and history steps always stay inside; a page
// that asks for a new window always goes to the user's browser, since a pane has no second window.
class CBrowserHost : private CBrowserEvents {
public:
    enum class LinkPolicy { KeepInside, SendOut, SendOutOfDomain };

    explicit CBrowserHost(LinkPolicy policy);
    ~CBrowserHost() override;
    CBrowserHost(const CBrowserHost&) = delete;
    CBrowserHost& operator=(const CBrowserHost&) = delete;

    // Creates the browser child. When neither control can be made the user is told (the message of
    // messageKind, posted when deferMessage, else shown at once) and false is returned.
    bool CreateBrowser(QWidget* parent, int id, unsigned style, HtmlEngineMessageKind messageKind,
                       bool deferMessage, bool currentOnly = false);
    // Deletes the control and its window.
    void DestroyBrowser();

    CBrowserControl* GetControl() const { return m_control.get(); }
    // The wrapper of each kind (at most one is non-null).
    CWebBrowser2* GetBrowser2() const;
    CWebBrowser* GetBrowser() const;
    QWidget* GetWidget() const;
    bool HasBrowser() const { return m_control != nullptr; }
    // 2 for the current control, 1 for the version-1 control, 0 without a control.
    int ControlVersion() const { return m_control ? m_control->Version() : 0; }

    // Clears the page-loaded flag and navigates without reading the cache; nothing without a control.
    void Navigate(const QString& url);
    bool IsPageLoaded() const { return m_pageLoaded; }

    LinkPolicy GetLinkPolicy() const { return m_policy; }
    // The domain whose pages stay inside under SendOutOfDomain.
    void SetServiceDomain(const QString& domain) { m_domain = domain; }
    const QString& GetServiceDomain() const { return m_domain; }

    // The window's reactions. Each may be empty.
    std::function<void()> onNavigateInside;                  // a navigation goes on inside the window
    std::function<void(const QUrl& url)> onNavigateComplete; // after the page-loaded flag is set
    std::function<void(const QUrl& url)> onNavigateError;    // the page could not be had
    std::function<void()> onQuit;                            // the page asks to close the window

private:
    void OnBeforeNavigate(const BrowserNavigation& navigation, bool& cancel) override;
    void OnNavigateComplete(const QUrl& url) override;
    void OnNavigateError(const QUrl& url) override;
    void OnQuit() override;
    bool staysInside(const BrowserNavigation& navigation) const;

    LinkPolicy m_policy;
    QString m_domain;
    std::unique_ptr<CBrowserControl> m_control;
    bool m_pageLoaded = false;
};
