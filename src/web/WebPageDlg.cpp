#include "web/WebPageDlg.h"

#include "platform/Win32Codes.h"
#include "support/SettingsStore.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

namespace {
constexpr int kMargin = 3;
}

CWebPageDlg::CWebPageDlg(int templateId, QWidget* parent, CBrowserHost::LinkPolicy policy, int browserId,
                         PageLayout layout, HtmlEngineMessageKind messageKind, bool takeFocus)
    : CStickyDialog(templateId, parent, takeFocus), m_browserId(browserId), m_layout(layout), m_messageKind(messageKind),
      m_host(policy), m_closeButton(new QPushButton(QStringLiteral("Close"), this)),
      m_statusControl(new QLabel(this)), m_status(m_statusControl) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);
    SetItemId(m_closeButton, platform::IDCANCEL);
    m_closeButton->setAutoDefault(false);
    SetItemId(m_statusControl, kStatusId);
    m_statusControl->setTextFormat(Qt::PlainText);
    m_statusControl->setFixedHeight(m_statusControl->sizeHint().height());
    m_closeButton->resize(m_closeButton->sizeHint());
    resize(640, 480);

    m_host.onNavigateInside = [this] { m_status.Show(); };
    m_host.onNavigateComplete = [this](const QUrl&) { m_status.Done(); };
    m_host.onQuit = [this] { OnCancel(); };
}

CWebPageDlg::~CWebPageDlg() {
    m_status.Kill();
    m_host.DestroyBrowser();
}

bool CWebPageDlg::OnInitDialog() {
    const bool focus = CStickyDialog::OnInitDialog();
    m_host.CreateBrowser(this, m_browserId, WS_CHILD | WS_VISIBLE, m_messageKind, true);
    m_layoutReady = true;
    LayoutControls();
    m_skipFirstSize = true;
    Navigate();
    return focus;
}

void CWebPageDlg::OnCancel() {
    m_status.Kill();
    CStickyDialog::OnCancel();
    m_host.DestroyBrowser();
    deleteLater();
}

void CWebPageDlg::NavigateTo(const QString& address, const QString& statusText) {
    if (address.isEmpty() || !m_host.HasBrowser())
        return;
    m_status.SetStatusText(statusText);
    m_host.Navigate(address);
    m_status.Show();
}

void CWebPageDlg::LayoutControls() {
    if (!m_layoutReady)
        return;
    const QRect client = rect();
    const QSize buttonSize = m_closeButton->size();
    const QRect button(client.right() + 1 - kMargin - buttonSize.width(),
                       client.bottom() + 1 - kMargin - buttonSize.height(), buttonSize.width(),
                       buttonSize.height());
    m_closeButton->setGeometry(button);
    const int statusHeight = m_statusControl->height();
    QRect page;
    if (m_layout == PageLayout::StatusUnderPage) {
        const QRect status(kMargin, client.bottom() + 1 - kMargin - statusHeight, button.left() - 2 * kMargin,
                           statusHeight);
        m_statusControl->setGeometry(status);
        page = QRect(0, 0, client.width(), status.top() - kMargin);
    } else {
        const QRect status(kMargin, button.top() + (button.height() - statusHeight) / 2,
                           button.left() - 9 - kMargin, statusHeight);
        m_statusControl->setGeometry(status);
        page = QRect(kMargin, kMargin, client.width() - 2 * kMargin, button.top() - 2 * kMargin);
    }
    if (QWidget* browser = m_host.GetWidget()) {
        browser->setGeometry(page);
        if (!browser->isVisible())
            browser->show();
    }
}

void CWebPageDlg::resizeEvent(QResizeEvent* event) {
    CStickyDialog::resizeEvent(event);
    LayoutControls();
    // The first size is the window's own making; later ones are the user's and are kept like a move.
    if (m_skipFirstSize) {
        m_skipFirstSize = false;
        return;
    }
    if (isVisible())
        GetSettingsStore().WriteObjectRect(this, QStringLiteral("Dialog Rect"), CurrentStoredRect());
}
