#include "web/PageLoader.h"

#include "platform/PostCall.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

bool IsHttp(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Aborts a reply whose body grows past maxBytes; the reply then finishes with an error.
void BoundReply(QNetworkReply* reply, qint64 maxBytes) {
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, maxBytes](qint64 received, qint64) {
                         if (received > maxBytes)
                             reply->abort();
                     });
}

CPageLoader::Result ResultOf(QNetworkReply* reply, qint64 maxBytes) {
    CPageLoader::Result result;
    result.url = reply->url();
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    const QByteArray body = reply->readAll();
    if (reply->error() == QNetworkReply::OperationCanceledError || body.size() > maxBytes) {
        result.error = QStringLiteral("The page is too large.");
        return result;
    }
    // An HTTP error status still has a page to show; only a transfer that failed has none.
    if (reply->error() != QNetworkReply::NoError && result.httpStatus == 0) {
        result.error = reply->errorString();
        return result;
    }
    result.body = body;
    result.ok = true;
    return result;
}

} // namespace

CPageLoader::CPageLoader(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

CPageLoader::~CPageLoader() {
    AbortPage();
    AbortResources();
}

bool CPageLoader::IsLoadableScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return IsHttp(url) || scheme == QLatin1String("file") || url.toString() == QLatin1String("about:blank");
}

void CPageLoader::LoadPage(const Request& request, RedirectHook redirectHook) {
    AbortPage();
    m_redirectHook = std::move(redirectHook);
    if (IsHttp(request.url)) {
        startPageRequest(request, 0);
        return;
    }
    // Local pages, and refusals, arrive the same way as network pages: later.
    m_localPending = true;
    const quint64 serial = ++m_pageSerial;
    const QUrl url = request.url;
    platform::PostCall(this, [this, serial, url] {
        if (serial == m_pageSerial && m_localPending)
            deliverLocal(url);
    });
}

void CPageLoader::deliverLocal(const QUrl& url) {
    m_localPending = false;
    Result result;
    if (url.toString() == QLatin1String("about:blank")) {
        result.url = url;
        result.ok = true;
        result.contentType = "text/html";
    } else if (url.isLocalFile()) {
        result = ReadLocal(url, kMaxPageBytes);
    } else {
        result.url = url;
        result.error = QStringLiteral("Addresses of this kind cannot be shown here.");
    }
    emit pageLoaded(result);
}

CPageLoader::Result CPageLoader::ReadLocal(const QUrl& url, qint64 maxBytes) {
    Result result;
    result.url = url;
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > maxBytes) {
        result.error = QStringLiteral("The page is too large.");
        return result;
    }
    result.body = file.readAll();
    const QString suffix = url.fileName().section(QLatin1Char('.'), -1).toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html"))
        result.contentType = "text/html";
    else if (suffix == QLatin1String("txt"))
        result.contentType = "text/plain";
    result.ok = true;
    return result;
}

void CPageLoader::startPageRequest(const Request& request, int redirects) {
    QNetworkRequest networkRequest(request.url);
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    if (request.noCache) {
        networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                    QNetworkRequest::AlwaysNetwork);
        networkRequest.setRawHeader("Cache-Control", "no-cache");
        networkRequest.setRawHeader("Pragma", "no-cache");
    }
    for (const auto& header : request.headers)
        networkRequest.setRawHeader(header.first, header.second);
    QNetworkReply* reply = request.postData.isEmpty() ? m_network->get(networkRequest)
                                                      : m_network->post(networkRequest, request.postData);
    BoundReply(reply, kMaxPageBytes);
    m_pageReply = reply;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, request, redirects] { finishPage(reply, request, redirects); });
}

void CPageLoader::finishPage(QNetworkReply* reply, const Request& request, int redirects) {
    reply->deleteLater();
    if (reply != m_pageReply)
        return;
    m_pageReply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (status >= 300 && status < 400 && location.isValid() && !location.isEmpty()) {
        const QUrl target = reply->url().resolved(location);
        Result failure;
        failure.url = target;
        if (!IsHttp(target))
            failure.error = QStringLiteral("The page redirects to an address that cannot be shown here.");
        else if (redirects >= kMaxRedirects)
            failure.error = QStringLiteral("The page redirects too often.");
        if (!failure.error.isEmpty()) {
            emit pageLoaded(failure);
            return;
        }
        if (m_redirectHook && !m_redirectHook(target))
            return;
        Request next = request;
        next.url = target;
        // A POST answered with a redirect is followed by a GET, as browsers do (303, and 302 in practice).
        if (status != 307 && status != 308)
            next.postData.clear();
        startPageRequest(next, redirects + 1);
        return;
    }
    emit pageLoaded(ResultOf(reply, kMaxPageBytes));
}

void CPageLoader::AbortPage() {
    ++m_pageSerial;
    m_localPending = false;
    if (QNetworkReply* reply = m_pageReply.data()) {
        m_pageReply = nullptr;
        reply->abort();
        reply->deleteLater();
    }
}

void CPageLoader::FetchResource(const QUrl& url, ResourceCallback callback) {
    if (url.isLocalFile()) {
        platform::PostCall(
            this, [url, callback = std::move(callback)] { callback(ReadLocal(url, kMaxResourceBytes)); });
        return;
    }
    if (!IsHttp(url))
        return;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_network->get(request);
    BoundReply(reply, kMaxResourceBytes);
    m_resourceReplies.append(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, callback = std::move(callback)] {
        reply->deleteLater();
        m_resourceReplies.removeAll(reply);
        callback(ResultOf(reply, kMaxResourceBytes));
    });
}

void CPageLoader::AbortResources() {
    const auto replies = std::exchange(m_resourceReplies, {});
    for (const QPointer<QNetworkReply>& reply : replies) {
        if (!reply)
            continue;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}
