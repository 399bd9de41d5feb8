#include "web/WebBrowser.h"

#include "platform/Cp1252.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QStringDecoder>
#include <QTextBrowser>

#include <cctype>

namespace {

// A page asks for at most this many pictures; a picture may be at most this large on each side.
constexpr int kMaxPicturesPerPage = 200;
constexpr int kMaxPictureSide = 4096;

QByteArray CharsetOf(const QByteArray& contentType) {
    const QByteArray lower = contentType.toLower();
    const qsizetype at = lower.indexOf("charset=");
    if (at < 0)
        return {};
    QByteArray value = lower.mid(at + 8).trimmed();
    if (value.startsWith('"') || value.startsWith('\''))
        value = value.mid(1);
    qsizetype end = 0;
    while (end < value.size() && (std::isalnum(static_cast<unsigned char>(value[end])) || value[end] == '-' ||
                                  value[end] == '_' || value[end] == ':' || value[end] == '.'))
        ++end;
    return value.left(end);
}

// The charset a page names in its head (<meta charset=...> or the http-equiv form).
QByteArray MetaCharset(const QByteArray& body) {
    const QByteArray head = body.left(2048).toLower();
    qsizetype from = 0;
    while (true) {
        const qsizetype meta = head.indexOf("<meta", from);
        if (meta < 0)
            return {};
        const qsizetype close = head.indexOf('>', meta);
        const QByteArray tag = head.mid(meta, close < 0 ? -1 : close - meta);
        const QByteArray charset = CharsetOf(tag);
        if (!charset.isEmpty())
            return charset;
        if (close < 0)
            return {};
        from = close;
    }
}

bool IsHtmlType(const QByteArray& contentType) {
    const QByteArray type = contentType.toLower();
    return type.isEmpty() || type.startsWith("text/html") || type.startsWith("application/xhtml");
}

QString EscapedErrorPage(const QUrl& url, const QString& error) {
    return QStringLiteral("<html><body><h3>The page cannot be shown.</h3><p>%1</p><p>%2</p></body></html>")
        .arg(url.toDisplayString().toHtmlEscaped(), error.toHtmlEscaped());
}

QImage DecodePicture(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return {};
    return reader.read();
}

} // namespace

// The viewer asks its control for the page's pictures, which the control fetches on the side.
class CWebBrowser::Viewer : public QTextBrowser {
public:
    Viewer(CWebBrowser& owner, QWidget* parent) : QTextBrowser(parent), m_owner(&owner) {
        setOpenLinks(false);
        setOpenExternalLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
            if (m_owner)
                m_owner->onLinkClicked(link);
        });
    }

    void Detach() { m_owner = nullptr; }

    QHash<QUrl, QImage> pictures;
    QSet<QUrl> requested;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource && m_owner)
            return m_owner->pictureFor(name);
        return {};
    }

private:
    CWebBrowser* m_owner;
};

CWebBrowser::CWebBrowser() = default;

CWebBrowser::~CWebBrowser() {
    if (!m_viewer)
        return;
    m_viewer->Detach();
    delete m_viewer.data();
}

bool CWebBrowser::Create(const QString& windowName, unsigned style, const QRect& rect, QWidget* parent,
                         int id) {
    if (m_viewer)
        return false;
    auto* viewer = new Viewer(*this, parent);
    PlaceBrowserWindow(viewer, windowName, style, rect, id);
    m_loader = new CPageLoader(viewer);
    QObject::connect(m_loader, &CPageLoader::pageLoaded, viewer,
                     [this](const CPageLoader::Result& result) { showResult(result); });
    m_viewer = viewer;
    return true;
}

QWidget* CWebBrowser::GetWidget() const {
    return m_viewer.data();
}

QTextBrowser* CWebBrowser::Browser() const {
    return m_viewer.data();
}

void CWebBrowser::Navigate(const QString& url, int flags, const QString& targetFrame,
                           const QByteArray& postData, const QString& headers) {
    (void)targetFrame; // the viewer has no frames
    if (!m_viewer)
        return;
    const QUrl target(url);
    if (FireBeforeNavigate({target, BrowserNavigation::Host, true}))
        return;
    startLoad(target, flags, postData, headers);
}

void CWebBrowser::startLoad(const QUrl& url, int flags, const QByteArray& postData, const QString& headers) {
    CPageLoader::Request request;
    request.url = url;
    request.noCache = (flags & navNoReadFromCache) != 0;
    request.postData = postData;
    request.headers = ParseRequestHeaders(headers);
    m_loadingUrl = url;
    m_loader->LoadPage(request, [this](const QUrl& target) {
        return !FireBeforeNavigate({target, BrowserNavigation::Redirect, true});
    });
}

void CWebBrowser::onLinkClicked(const QUrl& link) {
    const QUrl target = m_currentUrl.resolved(link);
    // A jump inside the page shown is no navigation.
    if (target.hasFragment() &&
        target.adjusted(QUrl::RemoveFragment) == m_currentUrl.adjusted(QUrl::RemoveFragment)) {
        m_viewer->scrollToAnchor(target.fragment());
        return;
    }
    if (FireBeforeNavigate({target, BrowserNavigation::LinkClicked, true}))
        return;
    startLoad(target, 0, QByteArray(), QString());
}

void CWebBrowser::showResult(const CPageLoader::Result& result) {
    if (!m_viewer)
        return;
    m_loader->AbortResources();
    ++m_pageSerial;
    m_requestedPictures = 0;
    m_pendingPictures = 0;
    m_viewer->pictures.clear();
    m_viewer->requested.clear();
    m_currentUrl = result.url.isEmpty() ? m_loadingUrl : result.url;
    m_viewer->document()->setBaseUrl(m_currentUrl);

    bool failed = !result.ok || result.httpStatus >= 400; // an HTTP error still shows the server's page
    if (!result.ok) {
        m_viewer->setHtml(EscapedErrorPage(m_currentUrl, result.error));
    } else if (result.contentType.toLower().startsWith("text/plain")) {
        m_viewer->setPlainText(DecodePage(result.body, result.contentType));
    } else if (result.contentType.toLower().startsWith("image/")) {
        const QImage picture = DecodePicture(result.body);
        m_viewer->pictures.insert(m_currentUrl, picture);
        failed = picture.isNull();
        m_viewer->setHtml(
            failed ? EscapedErrorPage(m_currentUrl, QStringLiteral("The picture cannot be read."))
                   : QStringLiteral("<img src=\"%1\">").arg(m_currentUrl.toString().toHtmlEscaped()));
    } else if (IsHtmlType(result.contentType)) {
        m_viewer->setHtml(DecodePage(result.body, result.contentType));
    } else {
        failed = true;
        m_viewer->setHtml(
            EscapedErrorPage(m_currentUrl, QStringLiteral("Pages of this kind cannot be shown here.")));
    }
    if (failed)
        FireNavigateError(m_currentUrl);
    FireNavigateComplete(m_currentUrl);
}

QVariant CWebBrowser::pictureFor(const QUrl& name) {
    const QUrl url = m_currentUrl.resolved(name);
    const auto found = m_viewer->pictures.constFind(url);
    if (found != m_viewer->pictures.constEnd())
        return found->isNull() ? QVariant() : QVariant(*found);
    if (m_viewer->requested.contains(url) || m_requestedPictures >= kMaxPicturesPerPage)
        return {};
    m_viewer->requested.insert(url);
    ++m_requestedPictures;
    ++m_pendingPictures;
    const quint64 serial = m_pageSerial;
    m_loader->FetchResource(url, [this, serial, url](const CPageLoader::Result& result) {
        if (!m_viewer || serial != m_pageSerial)
            return;
        --m_pendingPictures;
        const QImage picture = result.ok ? DecodePicture(result.body) : QImage();
        m_viewer->pictures.insert(url, picture);
        if (picture.isNull())
            return;
        QTextDocument* document = m_viewer->document();
        document->addResource(QTextDocument::ImageResource, url, picture);
        // The picture's size changes the layout of the text around it.
        document->markContentsDirty(0, document->characterCount());
    });
    return {};
}

QString CWebBrowser::DecodePage(const QByteArray& body, const QByteArray& contentType) {
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.mid(3));
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringConverter::Utf16);
        return decoder.decode(body);
    }
    QByteArray charset = CharsetOf(contentType);
    if (charset.isEmpty())
        charset = MetaCharset(body);
    static const QList<QByteArray> kLatin = {"iso-8859-1", "iso8859-1", "latin1", "latin-1",
                                             "l1",         "us-ascii",  "ascii",  "windows-1252",
                                             "cp1252",     "x-cp1252"};
    if (kLatin.contains(charset))
        return platform::cp1252::decode(body);
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}
