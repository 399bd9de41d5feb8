#pragma once

#include "web/WebPageDlg.h"

// "Create New Account": the service's sign-up pages. Pages of the service's web domain stay in the
// window; once the first page has loaded, links to anywhere else open in the user's browser.
class CNewAccountBDlg : public CWebPageDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CNewAccountBDlg, CWebPageDlg)
public:
    static constexpr int kTemplateId = 319;
    static constexpr int kBrowserId = 603;

    // The window always opens at the same place (left 250, top 125, right 850, bottom 650).
    explicit CNewAccountBDlg(QWidget* parent);

    QString NewAccountAddress() const;
    void Navigate() override;
};
