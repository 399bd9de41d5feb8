#pragma once

#include "platform/Object.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QWidget;

// Window styles a host passes when it creates its browser child.
constexpr unsigned WS_CHILD = 0x40000000u;
constexpr unsigned WS_VISIBLE = 0x10000000u;

// Navigate flag: do not read the page from the cache (every host passes it).
constexpr int navNoReadFromCache = 4;

// Event ids of the browser control, version 1 and version 2.
constexpr int DISPID_BEFORENAVIGATE = 100;
constexpr int DISPID_NAVIGATECOMPLETE = 101;
constexpr int DISPID_QUIT = 103;
constexpr int DISPID_BEFORENAVIGATE2 = 250;
constexpr int DISPID_NAVIGATECOMPLETE2 = 252;
constexpr int DISPID_ONQUIT = 253;

// A navigation the control is about to make, as its host sees it in BeforeNavigate.
struct BrowserNavigation {
    enum Kind {
        Host,        // the host's own Navigate (or a typed address)
        LinkClicked, // a link, or a script that sets the page's location
        FormSubmitted,
        Redirect, // the server answered with a redirect
        Reload,
        BackForward,
        NewWindow, // the page asks for a window of its own (target "_blank", window.open)
        Other,
    };
    QUrl url;
    Kind kind = Other;
    bool mainFrame = true;
};

// What a browser control tells its host.
class CBrowserEvents {
public:
    virtual ~CBrowserEvents() = default;
    // BeforeNavigate (100) and BeforeNavigate2 (250): set cancel to stop the navigation.
    virtual void OnBeforeNavigate(const BrowserNavigation& navigation, bool& cancel) = 0;
    // NavigateComplete (101) and NavigateComplete2 (252): a page has arrived and is shown (an error
    // page counts: the navigation is over). A navigation the host cancelled never completes.
    virtual void OnNavigateComplete(const QUrl& url) = 0;
    // NavigateError (271): the page could not be had (no answer, an HTTP error, content that cannot be
    // shown); the engine's error page follows, then NavigateComplete.
    virtual void OnNavigateError(const QUrl& url) { (void)url; }
    // Quit (103) and OnQuit (253): the page asks to close its window.
    virtual void OnQuit() = 0;
};

// The browser control a window embeds: the current engine (CWebBrowser2) or the version-1 engine
// (CWebBrowser), created by class id. Tests put a fake of their own behind the same interface.
class CBrowserControl : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CBrowserControl, platform::Object)
public:
    ~CBrowserControl() override;

    // Creates the control's window as a child of parent under the control id (its object name
    // becomes the number) -> false when the engine cannot run here; the object is then unusable.
    virtual bool Create(const QString& windowName, unsigned style, const QRect& rect, QWidget* parent,
                        int id) = 0;
    // The control's window (null before Create succeeded, and after the window was destroyed).
    virtual QWidget* GetWidget() const = 0;
    // Starts loading url. flags: navNoReadFromCache; targetFrame, postData and headers may be empty.
    virtual void Navigate(const QString& url, int flags = 0, const QString& targetFrame = QString(),
                          const QByteArray& postData = QByteArray(), const QString& headers = QString()) = 0;
    // 2 for the current control, 1 for the version-1 control.
    virtual int Version() const = 0;
    // The address of the page shown (empty before the first page).
    virtual QUrl CurrentUrl() const = 0;

    void SetEvents(CBrowserEvents* events) { m_events = events; }
    CBrowserEvents* Events() const { return m_events; }

protected:
    // Helpers for the engines: the host's answers, safe when no host listens.
    bool FireBeforeNavigate(const BrowserNavigation& navigation); // -> true when cancelled
    void FireNavigateComplete(const QUrl& url);
    void FireNavigateError(const QUrl& url);
    void FireQuit();

private:
    CBrowserEvents* m_events = nullptr;
};

// Helpers of the engines.
// Puts a control's new window in place: id as its object name, the window name, rect, WS_VISIBLE.
void PlaceBrowserWindow(QWidget* window, const QString& windowName, unsigned style, const QRect& rect,
                        int id);
// Navigate's headers ("Name: value" lines, CR LF or LF between them) -> name and value pairs; lines
// without a name are dropped.
QList<QPair<QByteArray, QByteArray>> ParseRequestHeaders(const QString& headers);

// Makes an unconnected control for a class id: CWebBrowser2::kClassId, CWebBrowser::kClassId.
// Null for an unknown id.
using BrowserControlFactory = std::function<std::unique_ptr<CBrowserControl>(const QString& classId)>;
// Installs the factory the hosts use (tests install fakes); an empty one restores the real engines.
void SetBrowserControlFactory(BrowserControlFactory factory);
std::unique_ptr<CBrowserControl> MakeBrowserControl(const QString& classId);

// The placeholder rectangle a host creates its control with before its first layout.
QRect BrowserPlaceholderRect();

// Creates a host's browser child: the current control, else (unless currentOnly) the version-1
// control, each with the same arguments -> null when neither can run here (the caller tells the user).
std::unique_ptr<CBrowserControl>
CreateBrowserChild(QWidget* parent, int id, unsigned style = WS_CHILD | WS_VISIBLE, bool currentOnly = false);

// Who tells the user that no html engine could be made.
enum class HtmlEngineMessageKind {
    Dialog,     // help, news, new account, match-board pop-up
    PlayerInfo, // the player information dialog (asks for a later engine)
    Advert,     // the advert pane (without the first sentence)
};
// The four-piece message shown when neither control can be created.
QString HtmlEngineMessageText(HtmlEngineMessageKind kind);
// Where the message sends the user for the engine.
QString HtmlEngineDownloadAddress();
// Shows the message as an exclamation box: deferred (after the current message) or at once.
void ShowHtmlEngineMessage(HtmlEngineMessageKind kind, bool deferred, QWidget* parent = nullptr);
