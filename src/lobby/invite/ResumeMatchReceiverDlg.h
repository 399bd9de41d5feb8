#pragma once

#include "support/dialogs/StickyDialog.h"

class CInvitationManager;

// "Resume Match" (modeless): another player asks this user to resume their unfinished match.
// "&Resume" tells him yes and has the manager resume the match; "&No Thanks" (and Escape, the close
// box) tells him no and has the manager drop the dialog.
class CResumeMatchReceiverDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CResumeMatchReceiverDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 233;
    static constexpr int kIdResume = 1068;
    static constexpr int kIdNoThanks = 1069;
    static constexpr int kIdAsking = 1070;
    static constexpr int kIdGame = 1071;
    static constexpr int kIdScore = 1072;

    CResumeMatchReceiverDlg(CInvitationManager* manager, const QString& sender, const QString& displayName,
                            const QString& score, const QString& serviceName, const QString& entry,
                            QWidget* parent);

    // Shows the dialog (without taking the focus from what the user is typing).
    bool Create();

    const QString& GetSender() const { return m_sender; }
    const QString& GetServiceNameText() const { return m_serviceName; }
    const QString& GetEntry() const { return m_entry; }

    void OnResume();
    // Packet 246 "N" to the sender; the manager forgets the dialog.
    void OnNoThanks();
    void OnCancel() override { OnNoThanks(); }

private:
    CInvitationManager* m_manager;
    QString m_sender;
    QString m_serviceName;
    QString m_entry;
    bool m_answered = false;
};
