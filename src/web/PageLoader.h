#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

#include <QNetworkReply>

class QNetworkAccessManager;

// Fetches the pages and pictures of the version-1 browser control on the GUI thread: http and https
// through Qt's network access, local files from disk, "about:blank" as an empty page. Every answer is
// bounded in size; anything else is refused.
class CPageLoader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxResourceBytes = 4 * 1024 * 1024;
    static constexpr int kMaxRedirects = 10;

    struct Request {
        QUrl url;
        bool noCache = false;
        QByteArray postData;                          // non-empty: a POST
        QList<QPair<QByteArray, QByteArray>> headers; // extra request headers
    };

    struct Result {
        QUrl url;           // where the body came from (after redirects)
        bool ok = false;    // a body arrived (whatever the HTTP status)
        int httpStatus = 0; // 0 for local files and failures
        QByteArray contentType;
        QByteArray body;
        QString error; // why it failed
    };

    // Asked before each redirect of a page load is followed: false stops the load (it then ends
    // without a result).
    using RedirectHook = std::function<bool(const QUrl& target)>;
    using ResourceCallback = std::function<void(const Result& result)>;

    explicit CPageLoader(QObject* parent = nullptr);
    ~CPageLoader() override;

    // Starts loading a page; a page load still running is dropped. The result comes through
    // pageLoaded, always later (never inside this call).
    void LoadPage(const Request& request, RedirectHook redirectHook = {});
    void AbortPage();
    bool IsLoadingPage() const { return m_pageReply || m_localPending; }

    // Fetches a picture or another resource of the page (redirects followed within http and https).
    // The callback runs later, unless the loader is destroyed first.
    void FetchResource(const QUrl& url, ResourceCallback callback);
    // Drops every resource fetch still running.
    void AbortResources();

    // The schemes a page may come from.
    static bool IsLoadableScheme(const QUrl& url);

signals:
    void pageLoaded(const CPageLoader::Result& result);

private:
    void startPageRequest(const Request& request, int redirects);
    void finishPage(QNetworkReply* reply, const Request& request, int redirects);
    void deliverLocal(const QUrl& url);
    static Result ReadLocal(const QUrl& url, qint64 maxBytes);

    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_pageReply;
    RedirectHook m_redirectHook;
    bool m_localPending = false;
    quint64 m_pageSerial = 0;
    QList<QPointer<QNetworkReply>> m_resourceReplies;
};
