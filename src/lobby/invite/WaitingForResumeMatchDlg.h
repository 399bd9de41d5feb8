#pragma once

#include "platform/Dialog.h"
#include "session/ServiceName.h"

// "Resume Match": shown modally while this user waits for the other players to answer a request to
// resume an unfinished match. Ends with IDOK when they agreed, IDNO when the request was refused or
// could not be delivered, IDCANCEL when the user gave up.
class CWaitingForResumeMatchDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CWaitingForResumeMatchDlg, platform::Dialog)
public:
    static constexpr int kTemplateId = 232;

    CWaitingForResumeMatchDlg(const CServiceName& serviceName, QWidget* parent = nullptr);

    const CServiceName& GetServiceName() const { return m_serviceName; }
    // Packets 70 and 246 while the dialog is up -> nonzero when consumed.
    int OnPacket(int type, const QString& text);

private:
    CServiceName m_serviceName;
};
