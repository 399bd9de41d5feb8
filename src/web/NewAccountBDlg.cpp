#include "web/NewAccountBDlg.h"

#include "support/SettingsStore.h"
#include "web/WebAddress.h"

#include <QDateTime>

CNewAccountBDlg::CNewAccountBDlg(QWidget* parent)
    : CWebPageDlg(kTemplateId, parent, CBrowserHost::LinkPolicy::SendOutOfDomain, kBrowserId,
                  PageLayout::FramedPage) {
    setWindowTitle(QStringLiteral("Create New Account"));
    GetSettingsStore().WriteObjectRect(this, QStringLiteral("Dialog Rect"),
                                       platform::Rect{250, 125, 850, 650});
    Host().SetServiceDomain(ServiceWebDomain());
}

QString CNewAccountBDlg::NewAccountAddress() const {
    QString address = ServiceWebAddress(QString::fromLatin1(kNewAccountPath));
    // The version-1 control may serve the page from its cache; a time stamp makes each address new.
    if (Host().ControlVersion() == 1)
        address =
            AppendQueryWord(address, QDateTime::currentDateTime().toString(QStringLiteral("MM/dd/yyHHmmss")));
    return address;
}

void CNewAccountBDlg::Navigate() {
    NavigateTo(NewAccountAddress(), QStringLiteral("Accessing "));
}
