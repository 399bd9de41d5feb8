#pragma once

#include "platform/Dialog.h"

// The login dialog: the server (host:port), the nickname and the password. The server and the
// nickname are remembered ("Login" section); the password never is.
class CLoginDlg : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CLoginDlg, platform::Dialog)
public:
    static constexpr int kServerId = 1001;
    static constexpr int kNicknameId = 1002;
    static constexpr int kPasswordId = 1003;
    static constexpr int kMessageId = 1004;
    static constexpr int kNewAccountId = 1005;
    static constexpr char kDefaultServer[] = "127.0.0.1:4114";

    explicit CLoginDlg(QWidget* parent = nullptr);

    // A line shown above the fields (a refusal reason, a lost connection); empty hides it.
    void SetMessage(const QString& text);

    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

    // Opens the sign-up pages of the service (a window of their own that closes with this dialog).
    void OnNewAccount();

    QString m_server;
    QString m_nickname;
    QString m_password;
    QString m_host; // from m_server after OK
    quint16 m_port = 0;
};

// "host:port", "[v6 address]:port" -> false when the text is not one.
bool ParseServerAddress(const QString& text, QString& host, quint16& port);
