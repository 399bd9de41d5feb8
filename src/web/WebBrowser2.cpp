#include "web/WebBrowser2.h"

#include "platform/PostCall.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

namespace {

BrowserNavigation::Kind KindOf(QWebEnginePage::NavigationType type) {
    switch (type) {
    case QWebEnginePage::NavigationTypeLinkClicked:
        return BrowserNavigation::LinkClicked;
    case QWebEnginePage::NavigationTypeTyped:
        return BrowserNavigation::Host;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return BrowserNavigation::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward:
        return BrowserNavigation::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return BrowserNavigation::Reload;
    case QWebEnginePage::NavigationTypeRedirect:
        return BrowserNavigation::Redirect;
    default:
        return BrowserNavigation::Other;
    }
}

void AppendChromiumFlag(QByteArray& flags, const QByteArray& flag) {
    if (flags.split(' ').contains(flag))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    flags += flag;
}

} // namespace

// The control's page: its navigation requests are the host's BeforeNavigate2, its finished loads
// NavigateComplete2, its close requests OnQuit.
class CWebBrowser2::Page : public QWebEnginePage {
public:
    Page(CWebBrowser2& owner, QObject* parent) : QWebEnginePage(parent), m_owner(&owner) {
        connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            // A navigation the host refused ends as "stopped": it never completes, so the host's
            // page stays the loaded one. A failure shows the engine's error page and ends the load.
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                fire([url = info.url()](CWebBrowser2& owner) { owner.FireNavigateError(url); });
            if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                fire([url = info.url()](CWebBrowser2& owner) { owner.FireNavigateComplete(url); });
        });
        // The host may close its window in answer, which destroys this page: never inside its own signal.
        connect(this, &QWebEnginePage::windowCloseRequested, this, [this] {
            platform::PostCall(this, [this] { fire([](CWebBrowser2& owner) { owner.FireQuit(); }); });
        });
    }

    void Detach() { m_owner = nullptr; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (!m_owner)
            return false;
        BrowserNavigation navigation{url, KindOf(type), isMainFrame};
        return !m_owner->FireBeforeNavigate(navigation);
    }

    // A page that wants a window of its own gets a page that only learns the address: the host
    // decides where it goes (normally the user's browser); when the host lets it go on, it loads here.
    QWebEnginePage* createWindow(WebWindowType) override {
        auto* catcher = new NewWindowCatcher(this);
        return catcher;
    }

private:
    class NewWindowCatcher : public QWebEnginePage {
    public:
        explicit NewWindowCatcher(Page* opener)
            : QWebEnginePage(opener->profile(), opener), m_opener(opener) {}

    protected:
        bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
            if (m_done)
                return false;
            m_done = true;
            Page* opener = m_opener;
            platform::PostCall(opener, [opener, url] {
                opener->fire([url](CWebBrowser2& owner) {
                    BrowserNavigation navigation{url, BrowserNavigation::NewWindow, true};
                    if (!owner.FireBeforeNavigate(navigation) && owner.m_view)
                        owner.m_view->load(url);
                });
            });
            deleteLater();
            return false;
        }

    private:
        Page* m_opener;
        bool m_done = false;
    };

    template <class Fn> void fire(Fn&& fn) {
        if (m_owner)
            fn(*m_owner);
    }

    CWebBrowser2* m_owner;
};

CWebBrowser2::CWebBrowser2() = default;

CWebBrowser2::~CWebBrowser2() {
    if (!m_view)
        return;
    if (m_page)
        m_page->Detach();
    delete m_view.data();
}

bool CWebBrowser2::IsEngineAvailable() {
    if (qEnvironmentVariable("NORVALE_WEB_ENGINE").compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return false;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    QString helper = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (helper.isEmpty())
        helper =
            QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess");
    const QFileInfo info(helper);
    return info.isFile() && info.isExecutable();
}

bool CWebBrowser2::Create(const QString& windowName, unsigned style, const QRect& rect, QWidget* parent,
                          int id) {
    if (m_view || !IsEngineAvailable())
        return false;
    PrepareWebEngineEnvironment();
    auto* view = new QWebEngineView(parent);
    m_page = new Page(*this, view);
    view->setPage(m_page);
    PlaceBrowserWindow(view, windowName, style, rect, id);
    m_view = view;
    return true;
}

QWidget* CWebBrowser2::GetWidget() const {
    return m_view.data();
}

QWebEngineView* CWebBrowser2::View() const {
    return m_view.data();
}

void CWebBrowser2::Navigate(const QString& url, int flags, const QString& targetFrame,
                            const QByteArray& postData, const QString& headers) {
    (void)targetFrame; // the control shows one frame set; a named target is the page's own business
    if (!m_view)
        return;
    QWebEngineHttpRequest request{QUrl(url)};
    if (flags & navNoReadFromCache) {
        request.setHeader("Cache-Control", "no-cache");
        request.setHeader("Pragma", "no-cache");
    }
    for (const auto& [name, value] : ParseRequestHeaders(headers))
        request.setHeader(name, value);
    if (!postData.isEmpty()) {
        request.setMethod(QWebEngineHttpRequest::Post);
        request.setPostData(postData);
    }
    m_view->load(request);
}

QUrl CWebBrowser2::CurrentUrl() const {
    return m_view ? m_view->url() : QUrl();
}

void PrepareWebEngineEnvironment() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArray before = flags;
    if (::geteuid() == 0)
        AppendChromiumFlag(flags, "--no-sandbox");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        AppendChromiumFlag(flags, "--disable-gpu");
    if (flags != before)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

void PrepareWebEngineProcess() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    PrepareWebEngineEnvironment();
}
