#pragma once

#include "web/BrowserControl.h"

#include <QPointer>

class QWebEngineView;

// The current browser control, on Qt WebEngine: pages with scripts, forms, cookies and everything a
// page of the service's web site may use.
class CWebBrowser2 : public CBrowserControl {
    NV_DECLARE_RUNTIME_CLASS(CWebBrowser2, CBrowserControl)
public:
    static constexpr char kClassId[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";

    CWebBrowser2();
    ~CWebBrowser2() override;

    // Fails when the engine cannot run in this process: NORVALE_WEB_ENGINE=none, no GUI application,
    // or the engine's helper program is missing.
    bool Create(const QString& windowName, unsigned style, const QRect& rect, QWidget* parent,
                int id) override;
    QWidget* GetWidget() const override;
    void Navigate(const QString& url, int flags = 0, const QString& targetFrame = QString(),
                  const QByteArray& postData = QByteArray(), const QString& headers = QString()) override;
    int Version() const override { return 2; }
    QUrl CurrentUrl() const override;

    QWebEngineView* View() const;

    // Whether this process can run the engine at all (see Create).
    static bool IsEngineAvailable();

private:
    class Page;
    friend class Page;
    QPointer<QWebEngineView> m_view;
    QPointer<Page> m_page;
};

// Prepares the process for the engine; call before the application object is made. As root the
// engine's sandbox cannot start, and without a display it has no GPU: the engine is told so.
void PrepareWebEngineProcess();
// The environment part of the above, which still works after the application object exists (the
// engine reads it when the first page is made).
void PrepareWebEngineEnvironment();
