#include "app/LoginDlg.h"

#include "platform/Win32Codes.h"
#include "support/SettingsStore.h"
#include "support/Utilities.h"
#include "web/NewAccountBDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kSection = QStringLiteral("Login");
}

bool ParseServerAddress(const QString& text, QString& host, quint16& port) {
    const QString trimmed = text.trimmed();
    qsizetype colon = -1;
    QString hostPart;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close < 0 || close + 1 >= trimmed.size() || trimmed[close + 1] != QLatin1Char(':'))
            return false;
        hostPart = trimmed.mid(1, close - 1);
        colon = close + 1;
    } else {
        colon = trimmed.lastIndexOf(QLatin1Char(':'));
        if (colon < 0 || trimmed.indexOf(QLatin1Char(':')) != colon)
            return false;
        hostPart = trimmed.left(colon);
    }
    bool ok = false;
    const uint number = trimmed.mid(colon + 1).toUInt(&ok);
    if (hostPart.isEmpty() || hostPart.contains(QLatin1Char(' ')) || !ok || number == 0 || number > 65535)
        return false;
    host = hostPart;
    port = quint16(number);
    return true;
}

CLoginDlg::CLoginDlg(QWidget* parent) : platform::Dialog(parent) {
    setWindowTitle(QStringLiteral("Log In"));
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel(this);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->hide();
    SetItemId(message, kMessageId);
    layout->addWidget(message);

    auto* form = new QFormLayout;
    auto* server = new QLineEdit(this);
    auto* nickname = new QLineEdit(this);
    auto* password = new QLineEdit(this);
    password->setEchoMode(QLineEdit::Password);
    nickname->setMaxLength(24);
    SetItemId(server, kServerId);
    SetItemId(nickname, kNicknameId);
    SetItemId(password, kPasswordId);
    form->addRow(QStringLiteral("&Server:"), server);
    form->addRow(QStringLiteral("&Nickname:"), nickname);
    form->addRow(QStringLiteral("&Password:"), password);
    layout->addLayout(form);
    QDialogButtonBox* buttons = CreateButtonBox();
    auto* newAccount = buttons->addButton(QStringLiteral("&New Account..."), QDialogButtonBox::ActionRole);
    newAccount->setAutoDefault(false);
    SetItemId(newAccount, kNewAccountId);
    connect(newAccount, &QPushButton::clicked, this, &CLoginDlg::OnNewAccount);
    layout->addWidget(buttons);

    const CSettingsStore& store = GetSettingsStore();
    m_server =
        store.GetRecentString(kSection, QStringLiteral("strServer"), QString::fromLatin1(kDefaultServer));
    m_nickname = store.GetRecentString(kSection, QStringLiteral("strNickname"), QString());
}

void CLoginDlg::SetMessage(const QString& text) {
    SetItemText(kMessageId, text);
    ShowItem(kMessageId, !text.isEmpty());
}

void CLoginDlg::DoDataExchange(platform::DataExchange& dx) {
    dx.Text(kServerId, m_server);
    if (dx.saving() && !ParseServerAddress(m_server, m_host, m_port))
        dx.Fail(kServerId, QStringLiteral("Enter the server as host:port, for example 127.0.0.1:4114."));
    dx.Text(kNicknameId, m_nickname);
    if (dx.saving() && !IsValidUserName(m_nickname))
        dx.Fail(kNicknameId, QStringLiteral("A nickname has 1 to 24 letters and digits."));
    dx.Text(kPasswordId, m_password);
    if (dx.saving() && m_password.isEmpty())
        dx.Fail(kPasswordId, QStringLiteral("Enter your password."));
}

bool CLoginDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    FocusItem(m_nickname.isEmpty() ? kNicknameId : kPasswordId);
    return false;
}

void CLoginDlg::OnNewAccount() {
    auto* signUp = new CNewAccountBDlg(this);
    signUp->show();
}

void CLoginDlg::OnOK() {
    if (!UpdateData(true))
        return;
    CSettingsStore& store = GetSettingsStore();
    store.WriteRecentString(kSection, QStringLiteral("strServer"), m_server.trimmed());
    store.WriteRecentString(kSection, QStringLiteral("strNickname"), m_nickname);
    EndDialog(platform::IDOK);
}
