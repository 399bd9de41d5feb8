#pragma once

#include "platform/Dialog.h"

// A dialog whose fields keep what the user typed before in history lists (CHistoryEdit controls).
class CPersistentDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CPersistentDlg, platform::Dialog)
public:
    CPersistentDlg(int templateId, QWidget* parent);

    int GetTemplateId() const { return m_templateId; }

    // When the control with that id is a CHistoryEdit, exchanges value with it under the history key
    // (by convention "<class name>.<field>"); otherwise nothing.
    void ForwardToHistoryEdit(platform::DataExchange& dx, int id, QString& value, const QString& historyKey);

private:
    int m_templateId;
};
