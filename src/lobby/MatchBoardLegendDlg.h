#pragma once

#include "web/WebPageDlg.h"

#include <QPointer>

class CSessionDoc;

// "Lobby Legend": the service's page that explains the match board's symbols and colours, from the
// server setting "urlLegend" (only http and https addresses are opened). It keeps its place like the
// other sticky windows; Close or Escape end it and it deletes itself, whoever opened it.
class CMatchBoardLegendDlg : public CWebPageDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchBoardLegendDlg, CWebPageDlg)
public:
    static constexpr int kTemplateId = 356;
    static constexpr int kBrowserId = 601;
    static constexpr char kSettingName[] = "urlLegend";

    // settings: the session whose service settings name the page; parent: the match board.
    CMatchBoardLegendDlg(CSessionDoc* settings, QWidget* parent);

    // The address to open: the setting when it is an http or https address, else empty.
    QString LegendAddress() const;
    static QString AcceptedAddress(const QString& setting);
    void Navigate() override;

private:
    QPointer<CSessionDoc> m_settings;
};
