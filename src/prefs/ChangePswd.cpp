#include "prefs/ChangePswd.h"

#include "session/SessionDoc.h"
#include "support/PacketText.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CChangePswd::CChangePswd(QWidget* parent) : platform::Dialog(parent) {
    setWindowTitle(QStringLiteral("Change Password"));
    auto* form = new QFormLayout;
    auto addEdit = [&](int id, const char* label) {
        auto* edit = new QLineEdit(this);
        edit->setEchoMode(QLineEdit::Password);
        SetItemId(edit, id);
        auto* caption = new QLabel(QString::fromLatin1(label), this);
        caption->setBuddy(edit);
        form->addRow(caption, edit);
    };
    addEdit(kIdOld, "&Old Password:");
    addEdit(kIdNew, "&New Password:");
    addEdit(kIdConfirm, "&Confirm New Password:");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(CreateButtonBox());
}

void CChangePswd::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(kIdNew, m_new);
    dx.MaxChars(kIdNew, m_new, kMaxLength);
    dx.Text(kIdConfirm, m_confirm);
    dx.MaxChars(kIdConfirm, m_confirm, kMaxLength);
    dx.Text(kIdOld, m_old);
    dx.MaxChars(kIdOld, m_old, kMaxLength);
    if (!dx.saving() || dx.failed())
        return;
    if (m_new != m_confirm) {
        m_new.clear();
        m_confirm.clear();
        SetItemText(kIdNew, QString());
        SetItemText(kIdConfirm, QString());
        dx.Fail(kIdNew, QString::fromLatin1(kMismatch));
    } else if (m_new.isEmpty()) {
        dx.Fail(kIdNew, QString::fromLatin1(kEmpty));
    }
}

QString CChangePswd::FormatRequest(const QString& oldPassword, const QString& newPassword) {
    QString text = QStringLiteral("ChangePassword ");
    WritePacketCString(text, oldPassword);
    text += QLatin1Char(' ');
    WritePacketCString(text, newPassword);
    return text;
}

bool CChangePswd::SendChange(CSessionDoc* session) const {
    if (!session || m_new.isEmpty() || m_new != m_confirm)
        return false;
    return session->Send(CSessionDoc::kPacketDatabase, FormatRequest(m_old, m_new), -1, QStringLiteral(".db"));
}
