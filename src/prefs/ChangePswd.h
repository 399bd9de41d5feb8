#pragma once

#include "platform/Dialog.h"

class CSessionDoc;

// Asks for the old password and the new one twice; after OK the caller reads the three texts and
// sends the change (SendChange). The service answers with a system line.
class CChangePswd : public platform::Dialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CChangePswd, platform::Dialog)
public:
    static constexpr int kTemplateId = 156;
    static constexpr int kIdOld = 1001;
    static constexpr int kIdNew = 1065;
    static constexpr int kIdConfirm = 1066;
    static constexpr int kMaxLength = 64;
    static constexpr char kMismatch[] = "The new and confirmed passwords do not match - please type them again";
    static constexpr char kEmpty[] = "Please type a new password.";

    explicit CChangePswd(QWidget* parent = nullptr);

    const QString& GetOldPassword() const { return m_old; }
    const QString& GetNewPassword() const { return m_new; }
    const QString& GetConfirmedPassword() const { return m_confirm; }

    void DoDataExchange(platform::DataExchange& dx) override;

    // The request that carries the change to the database service:
    // ChangePassword "<old password>" "<new password>".
    static QString FormatRequest(const QString& oldPassword, const QString& newPassword);
    // Sends the change the user confirmed -> false when it could not go out.
    bool SendChange(CSessionDoc* session) const;

private:
    QString m_new;
    QString m_confirm;
    QString m_old;
};
