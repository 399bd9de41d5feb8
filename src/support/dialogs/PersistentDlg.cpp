#include "support/dialogs/PersistentDlg.h"

#include "support/controls/HistoryEdit.h"

CPersistentDlg::CPersistentDlg(int templateId, QWidget* parent) : platform::Dialog(parent), m_templateId(templateId) {}

void CPersistentDlg::ForwardToHistoryEdit(platform::DataExchange& dx, int id, QString& value,
                                          const QString& historyKey) {
    if (auto* edit = ItemAs<CHistoryEdit>(id))
        edit->ExchangeWithHistory(dx, value, historyKey);
}
