#pragma once

#include "web/WebPageDlg.h"

#include <QPointer>

class CSessionDoc;

// "Help": the game's help pages. Every link stays in the window.
class CHelpBDlg : public CWebPageDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CHelpBDlg, CWebPageDlg)
public:
    static constexpr int kTemplateId = 374;
    static constexpr int kBrowserId = 601;

    // owner: the session whose service settings name the help address (may be null: the game's own
    // help address is used).
    CHelpBDlg(CSessionDoc* owner, QWidget* parent);

    // The "urlHelp" setting of the service, else the game's help address.
    QString HelpAddress() const;
    void Navigate() override;

private:
    QPointer<CSessionDoc> m_owner;
};
