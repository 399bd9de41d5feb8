#include "web/MBPopupDlg.h"

#include <QStyle>

CMBPopupDlg::CMBPopupDlg(QWidget* parent) : platform::Dialog(parent) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_host.onNavigateComplete = [this](const QUrl&) { show(); };
    EnsureInitialized();
}

CMBPopupDlg::~CMBPopupDlg() {
    m_host.DestroyBrowser();
}

bool CMBPopupDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    if (m_host.CreateBrowser(this, kBrowserId, WS_CHILD | WS_VISIBLE, HtmlEngineMessageKind::Dialog, false))
        layoutBrowser();
    return true;
}

void CMBPopupDlg::Navigate(const QString& address) {
    m_host.Navigate(address);
}

void CMBPopupDlg::resizeEvent(QResizeEvent* event) {
    platform::Dialog::resizeEvent(event);
    layoutBrowser();
}

// The control reaches past the window on every side and past its vertical scroll bar on the right, so
// neither its border nor that bar shows.
void CMBPopupDlg::layoutBrowser() {
    QWidget* browser = m_host.GetWidget();
    if (!browser)
        return;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    browser->setGeometry(-2, -2, width() + scrollBar + 4, height() + 4);
}
