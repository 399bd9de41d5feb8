#include "web/HelpBDlg.h"

#include "game/ClientGameFactory.h"
#include "session/SessionDoc.h"
#include "web/WebAddress.h"

CHelpBDlg::CHelpBDlg(CSessionDoc* owner, QWidget* parent)
    : CWebPageDlg(kTemplateId, parent, CBrowserHost::LinkPolicy::KeepInside, kBrowserId,
                  PageLayout::StatusUnderPage),
      m_owner(owner) {
    setWindowTitle(QStringLiteral("Help"));
}

QString CHelpBDlg::HelpAddress() const {
    const QString address = m_owner ? m_owner->GetLobbySetting(QStringLiteral("urlHelp")) : QString();
    return address.isEmpty() ? CClientGameFactory::GetFactory().GetHelpAddress(ServiceWebHost()) : address;
}

void CHelpBDlg::Navigate() {
    NavigateTo(HelpAddress(), QStringLiteral("Retrieving information "));
}
