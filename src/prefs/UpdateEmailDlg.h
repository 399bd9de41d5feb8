#pragma once

#include "platform/Dialog.h"

#include <QPointer>

class CSessionDoc;

// The change of the account's confidential e-mail address. Modeless and owned by the session: it
// sends the request, stays open until the service answers (packet 192, or a refusal as packet 70),
// and deletes itself when it closes. A session has at most one open.
class CUpdateEmailDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CUpdateEmailDlg, platform::Dialog)
public:
    static constexpr int kTemplateId = 267;
    static constexpr int kIdAddress = 1052;
    static constexpr int kPacketRefused = 70;
    static constexpr int kPacketAnswer = 192;
    static constexpr int kMaxAddressLength = 254;

    static constexpr char kNoAddress[] = "You have not provided an email address.";
    static constexpr char kBadAddress[] = "Please enter a valid email address, such as name@example.com.";
    static constexpr char kSubmitted[] = "Your email change request has been submitted.\n\nYou will receive an email "
                                         "message soon to\nconfirm the change and complete the process.";
    static constexpr char kFailed[] = "Your email address could not be updated.\n\nPlease try again later.";

    // first is sent with the request; second is kept for the session.
    CUpdateEmailDlg(CSessionDoc* session, const QString& first, const QString& second, QWidget* parent);
    ~CUpdateEmailDlg() override;

    // Shows the session's dialog, making it when none is open -> the dialog (null without a session).
    static CUpdateEmailDlg* Open(CSessionDoc* session, const QString& first, const QString& second,
                                 QWidget* parent);
    // The session's open dialog, null when none is.
    static CUpdateEmailDlg* FindOpen(const CSessionDoc* session);

    // Packets 70 and 192 while the dialog is open -> whether it took the packet.
    bool HandlePacket(int type, const QString& text);

    bool IsWaitingForAnswer() const { return m_waiting; }

    void OnOK() override;
    void OnCancel() override;

    // Whether an address can go into the request: one word with an "@", no control characters.
    static bool IsUsableAddress(const QString& address);

private:
    void closeDialog();

    QPointer<CSessionDoc> m_session;
    QString m_first;
    QString m_second;
    QString m_address;
    bool m_waiting = false;
    bool m_closing = false;
};
