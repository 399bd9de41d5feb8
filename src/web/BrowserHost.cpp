#include "web/BrowserHost.h"

#include "web/BrowserLauncher.h"
#include "web/WebAddress.h"
#include "web/WebBrowser.h"
#include "web/WebBrowser2.h"

CBrowserHost::CBrowserHost(LinkPolicy policy) : m_policy(policy) {}

CBrowserHost::~CBrowserHost() {
    DestroyBrowser();
}

bool CBrowserHost::CreateBrowser(QWidget* parent, int id, unsigned style, HtmlEngineMessageKind messageKind,
                                 bool deferMessage, bool currentOnly) {
    DestroyBrowser();
    m_control = CreateBrowserChild(parent, id, style, currentOnly);
    if (!m_control) {
        ShowHtmlEngineMessage(messageKind, deferMessage, parent);
        return false;
    }
    m_control->SetEvents(this);
    return true;
}

void CBrowserHost::DestroyBrowser() {
    if (!m_control)
        return;
    m_control->SetEvents(nullptr);
    m_control.reset();
}

CWebBrowser2* CBrowserHost::GetBrowser2() const {
    return platform::object_cast<CWebBrowser2>(m_control.get());
}

CWebBrowser* CBrowserHost::GetBrowser() const {
    return platform::object_cast<CWebBrowser>(m_control.get());
}

QWidget* CBrowserHost::GetWidget() const {
    return m_control ? m_control->GetWidget() : nullptr;
}

void CBrowserHost::Navigate(const QString& url) {
    m_pageLoaded = false;
    if (m_control)
        m_control->Navigate(url, navNoReadFromCache);
}

bool CBrowserHost::staysInside(const BrowserNavigation& navigation) const {
    if (!m_pageLoaded)
        return true;
    switch (navigation.kind) {
    case BrowserNavigation::Host:
    case BrowserNavigation::Reload:
    case BrowserNavigation::BackForward:
        return true;
    default:
        break;
    }
    return m_policy == LinkPolicy::SendOutOfDomain && IsAddressInDomain(navigation.url, m_domain);
}

void CBrowserHost::OnBeforeNavigate(const BrowserNavigation& navigation, bool& cancel) {
    if (navigation.kind == BrowserNavigation::NewWindow) {
        cancel = true;
        OpenInExternalBrowser(navigation.url.toString(QUrl::FullyEncoded));
        return;
    }
    // Frames inside the page are the page's own business.
    if (m_policy == LinkPolicy::KeepInside || !navigation.mainFrame)
        return;
    if (staysInside(navigation)) {
        if (onNavigateInside)
            onNavigateInside();
        return;
    }
    cancel = true;
    OpenInExternalBrowser(navigation.url.toString(QUrl::FullyEncoded));
}

void CBrowserHost::OnNavigateComplete(const QUrl& url) {
    m_pageLoaded = true;
    if (onNavigateComplete)
        onNavigateComplete(url);
}

void CBrowserHost::OnNavigateError(const QUrl& url) {
    if (onNavigateError)
        onNavigateError(url);
}

void CBrowserHost::OnQuit() {
    if (onQuit)
        onQuit();
}
