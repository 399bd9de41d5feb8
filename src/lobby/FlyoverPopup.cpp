#include "lobby/PlayerFlyover.h"

#include "web/MBPopupDlg.h"
#include "web/WebBrowser2.h"

#include <QPointer>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// The flyover in the match board's pop-up, which shows itself once the page has loaded.
class PopupFlyoverWindow : public CFlyoverWindow {
public:
    explicit PopupFlyoverWindow(QWidget* parent) : m_popup(new CMBPopupDlg(parent)) {
        // The page is a file of our own making (every server text escaped); its picture comes from
        // the service's web host.
        if (CWebBrowser2* browser = m_popup->Host().GetBrowser2()) {
            if (QWebEngineView* view = browser->View())
                view->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        }
    }
    ~PopupFlyoverWindow() override { delete m_popup.data(); }
    void ShowPage(const QString& address, const QRect& geometry) override {
        if (!m_popup)
            return;
        m_popup->setGeometry(geometry);
        m_popup->Navigate(address);
    }
    void HidePage() override {
        if (m_popup)
            m_popup->hide();
    }
    bool IsPageShown() const override { return m_popup && m_popup->isVisible(); }

private:
    QPointer<CMBPopupDlg> m_popup;
};

} // namespace

std::unique_ptr<CFlyoverWindow> PlayerFlyover::MakePopupWindow(QWidget* parent) {
    return std::make_unique<PopupFlyoverWindow>(parent);
}
