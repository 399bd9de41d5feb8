#include "web/BrowserControl.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/dialogs/DeferredMessageBox.h"
#include "web/WebBrowser.h"
#include "web/WebBrowser2.h"

#include <QWidget>

namespace {

BrowserControlFactory& InstalledFactory() {
    static BrowserControlFactory factory;
    return factory;
}

std::unique_ptr<CBrowserControl> MakeRealControl(const QString& classId) {
    if (classId.compare(QLatin1String(CWebBrowser2::kClassId), Qt::CaseInsensitive) == 0)
        return std::make_unique<CWebBrowser2>();
    if (classId.compare(QLatin1String(CWebBrowser::kClassId), Qt::CaseInsensitive) == 0)
        return std::make_unique<CWebBrowser>();
    return nullptr;
}

std::unique_ptr<CBrowserControl> TryCreate(const QString& classId, QWidget* parent, int id, unsigned style) {
    std::unique_ptr<CBrowserControl> control = MakeBrowserControl(classId);
    if (control && control->Create(QString(), style, BrowserPlaceholderRect(), parent, id))
        return control;
    return nullptr;
}

} // namespace

CBrowserControl::~CBrowserControl() = default;

bool CBrowserControl::FireBeforeNavigate(const BrowserNavigation& navigation) {
    bool cancel = false;
    if (m_events)
        m_events->OnBeforeNavigate(navigation, cancel);
    return cancel;
}

void CBrowserControl::FireNavigateComplete(const QUrl& url) {
    if (m_events)
        m_events->OnNavigateComplete(url);
}

void CBrowserControl::FireNavigateError(const QUrl& url) {
    if (m_events)
        m_events->OnNavigateError(url);
}

void CBrowserControl::FireQuit() {
    if (m_events)
        m_events->OnQuit();
}

void SetBrowserControlFactory(BrowserControlFactory factory) {
    InstalledFactory() = std::move(factory);
}

std::unique_ptr<CBrowserControl> MakeBrowserControl(const QString& classId) {
    if (InstalledFactory())
        return InstalledFactory()(classId);
    return MakeRealControl(classId);
}

void PlaceBrowserWindow(QWidget* window, const QString& windowName, unsigned style, const QRect& rect,
                        int id) {
    window->setObjectName(QString::number(id));
    if (!windowName.isEmpty())
        window->setWindowTitle(windowName);
    window->setGeometry(rect);
    window->setVisible((style & WS_VISIBLE) != 0);
}

QList<QPair<QByteArray, QByteArray>> ParseRequestHeaders(const QString& headers) {
    QList<QPair<QByteArray, QByteArray>> parsed;
    for (const QString& line : headers.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        const QByteArray name = line.left(colon).trimmed().toLatin1();
        if (colon > 0 && !name.isEmpty())
            parsed.append({name, line.mid(colon + 1).trimmed().toLatin1()});
    }
    return parsed;
}

QRect BrowserPlaceholderRect() {
    return QRect(0, 0, 100, 100);
}

std::unique_ptr<CBrowserControl> CreateBrowserChild(QWidget* parent, int id, unsigned style,
                                                    bool currentOnly) {
    if (auto control = TryCreate(QLatin1String(CWebBrowser2::kClassId), parent, id, style))
        return control;
    if (currentOnly)
        return nullptr;
    return TryCreate(QLatin1String(CWebBrowser::kClassId), parent, id, style);
}

QString HtmlEngineDownloadAddress() {
    return QStringLiteral("https://packages.debian.org/stable/libqt6webenginewidgets6");
}

QString HtmlEngineMessageText(HtmlEngineMessageKind kind) {
    QString text;
    switch (kind) {
    case HtmlEngineMessageKind::Advert:
        text = QStringLiteral("This software requires an html engine from Qt WebEngine version 6 or "
                              "greater.  ");
        break;
    case HtmlEngineMessageKind::PlayerInfo:
    case HtmlEngineMessageKind::Dialog:
        text = QStringLiteral("The required html engine is not installed on this machine.  "
                              "This version of the software requires an html engine from Qt WebEngine "
                              "version 6 or greater.  ");
        break;
    }
    text += QStringLiteral("This can be obtained at:\r\n\r\n") + HtmlEngineDownloadAddress() +
            QStringLiteral("\r\n\r\n");
    text +=
        QStringLiteral("This will not interfere with normal operation of your regular browser.  Please visit "
                       "our download site for more details.");
    return text;
}

void ShowHtmlEngineMessage(HtmlEngineMessageKind kind, bool deferred, QWidget* parent) {
    const QString text = HtmlEngineMessageText(kind);
    const unsigned type = platform::MB_OK | platform::MB_ICONEXCLAMATION;
    if (deferred)
        PostDeferredMessageBox(text, type);
    else
        platform::ui().MessageBox(parent, text, QString(), type);
}
