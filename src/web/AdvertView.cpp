#include "web/AdvertView.h"

#include "support/ApplicationTimer.h"
#include "web/WebAddress.h"

#include <QResizeEvent>
#include <QStyle>

namespace {

// A setting read as a decimal number the way the server writes them: leading blanks, an optional
// sign and digits; anything else (or nothing) reads as 0.
int DecimalSetting(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    if (end < trimmed.size() && (trimmed[end] == QLatin1Char('-') || trimmed[end] == QLatin1Char('+')))
        ++end;
    while (end < trimmed.size() && trimmed[end].isDigit() && end < 10)
        ++end;
    bool ok = false;
    const int value = trimmed.left(end).toInt(&ok);
    return ok ? value : 0;
}

} // namespace

CAdvertView::CAdvertView(QWidget* parent) : CGameView(parent) {
    setMinimumHeight(16);
    setMaximumHeight(kMaxHeight);
}

CAdvertView::~CAdvertView() {
    KillApplicationTimer(&m_refreshTimer);
    m_host.DestroyBrowser();
}

int CAdvertView::OnCreate() {
    if (CGameView::OnCreate() < 0)
        return -1;
    m_keepScrollBars = DecimalSetting(GetServiceSetting(QStringLiteral("scrll"))) != 0;
    if (m_host.CreateBrowser(this, kBrowserId, WS_VISIBLE, HtmlEngineMessageKind::Advert, true))
        layoutBrowser();
    m_refreshSeconds = DecimalSetting(GetServiceSetting(QStringLiteral("timer")));
    if (m_refreshSeconds >= 1)
        armRefresh();
    Navigate();
    return 0;
}

QString CAdvertView::AdvertAddress() const {
    const QString address = GetServiceSetting(QStringLiteral("http"));
    return address.isEmpty() ? ServiceWebAddress(QString::fromLatin1(kAdvertPath)) : address;
}

void CAdvertView::Navigate() {
    m_host.Navigate(AdvertAddress());
}

bool CAdvertView::IsRefreshPending() const {
    return m_refreshTimer != 0 && CApplicationTimer::Instance().IsPending(m_refreshTimer);
}

void CAdvertView::armRefresh() {
    KillApplicationTimer(&m_refreshTimer);
    m_refreshTimer = SetApplicationTimer(m_refreshSeconds, this, [](QObject* owner, int, void*) {
        auto* pane = qobject_cast<CAdvertView*>(owner);
        if (!pane)
            return;
        pane->m_refreshTimer = 0;
        pane->Navigate();
        if (pane->m_refreshSeconds >= 1)
            pane->armRefresh();
    });
}

void CAdvertView::resizeEvent(QResizeEvent* event) {
    CGameView::resizeEvent(event);
    layoutBrowser();
}

// The control reaches 2 pixels past the pane on every side, hiding its border, and past its scroll
// bars unless the service wants them seen.
void CAdvertView::layoutBrowser() {
    QWidget* browser = m_host.GetWidget();
    if (!browser)
        return;
    int cx = width();
    int cy = height();
    if (!m_keepScrollBars) {
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        cx += bar;
        cy += bar;
    }
    browser->setGeometry(-2, -2, cx + 4, cy + 4);
    browser->update();
}
