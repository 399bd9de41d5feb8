#pragma once

#include "web/BrowserControl.h"
#include "web/PageLoader.h"

#include <QPointer>

class QTextBrowser;

// The version-1 browser control: a rich-text viewer with a loader of its own. It shows the HTML
// subset of Qt's text documents with their pictures, without scripts; it is the fallback where the
// current engine cannot run.
class CWebBrowser : public CBrowserControl {
    NV_DECLARE_RUNTIME_CLASS(CWebBrowser, CBrowserControl)
public:
    static constexpr char kClassId[] = "{EAB22AC3-30C1-11CF-A7EB-0000C05BAE0B}";

    CWebBrowser();
    ~CWebBrowser() override;

    bool Create(const QString& windowName, unsigned style, const QRect& rect, QWidget* parent,
                int id) override;
    QWidget* GetWidget() const override;
    void Navigate(const QString& url, int flags = 0, const QString& targetFrame = QString(),
                  const QByteArray& postData = QByteArray(), const QString& headers = QString()) override;
    int Version() const override { return 1; }
    QUrl CurrentUrl() const override { return m_currentUrl; }

    QTextBrowser* Browser() const;
    // Pictures of the current page still on their way.
    int PendingPictures() const { return m_pendingPictures; }

    // The text of a page body as the page says it is encoded (HTTP header, then the page's own
    // meta tag); Windows-1252 for the Latin-1 family, UTF-8 when nothing is said.
    static QString DecodePage(const QByteArray& body, const QByteArray& contentType);

private:
    class Viewer;
    friend class Viewer;

    void startLoad(const QUrl& url, int flags, const QByteArray& postData, const QString& headers);
    void onLinkClicked(const QUrl& link);
    void showResult(const CPageLoader::Result& result);
    QVariant pictureFor(const QUrl& url);

    QPointer<Viewer> m_viewer;
    CPageLoader* m_loader = nullptr; // a child of the viewer
    QUrl m_currentUrl;
    QUrl m_loadingUrl;
    quint64 m_pageSerial = 0;
    int m_requestedPictures = 0;
    int m_pendingPictures = 0;
};
