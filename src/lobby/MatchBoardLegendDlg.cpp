#include "lobby/MatchBoardLegendDlg.h"

#include "session/SessionDoc.h"

#include <QUrl>

CMatchBoardLegendDlg::CMatchBoardLegendDlg(CSessionDoc* settings, QWidget* parent)
    : CWebPageDlg(kTemplateId, parent, CBrowserHost::LinkPolicy::KeepInside, kBrowserId,
                  PageLayout::StatusUnderPage),
      m_settings(settings) {
    setWindowTitle(QStringLiteral("Lobby Legend"));
}

QString CMatchBoardLegendDlg::LegendAddress() const {
    return AcceptedAddress(m_settings ? m_settings->GetServiceSetting(QString::fromLatin1(kSettingName)) : QString());
}

QString CMatchBoardLegendDlg::AcceptedAddress(const QString& text) {
    const QString setting = text.trimmed();
    const QUrl url(setting, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    return setting;
}

void CMatchBoardLegendDlg::Navigate() {
    NavigateTo(LegendAddress(), QStringLiteral("Retrieving information "));
}
