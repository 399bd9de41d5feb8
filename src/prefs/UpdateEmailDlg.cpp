#include "prefs/UpdateEmailDlg.h"

#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/dialogs/DeferredMessageBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

namespace {

// The open dialogs (one per session at most); entries clear themselves when a dialog goes.
std::vector<QPointer<CUpdateEmailDlg>>& openDialogs() {
    static std::vector<QPointer<CUpdateEmailDlg>> dialogs;
    return dialogs;
}

void exclaim(const QString& text) { PostDeferredMessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION); }

} // namespace

CUpdateEmailDlg::CUpdateEmailDlg(CSessionDoc* session, const QString& first, const QString& second, QWidget* parent)
    : platform::Dialog(parent), m_session(session), m_first(first), m_second(second) {
    setWindowTitle(QStringLiteral("Update Confidential Email Address"));
    auto* intro = new QLabel(QStringLiteral("This address will be kept confidential and will not be visible to other "
                                            "Norvale players.\n\nPlease enter your new email address in the area below."),
                             this);
    intro->setWordWrap(true);
    auto* edit = new QLineEdit(this);
    edit->setMaxLength(kMaxAddressLength);
    SetItemId(edit, kIdAddress);
    auto* after = new QLabel(QStringLiteral("After submitting your change you will receive an email to confirm the "
                                            "change and complete the process."),
                             this);
    after->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(edit);
    layout->addWidget(after);
    layout->addWidget(CreateButtonBox());
    setMinimumWidth(380);

    auto& dialogs = openDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), nullptr), dialogs.end());
    dialogs.emplace_back(this);
    if (m_session) {
        // The session hands packets 70 and 192 on while a dialog is open; a dialog that has gone
        // takes nothing.
        QPointer<CUpdateEmailDlg> guard(this);
        m_session->SetEmailChangeHandler([guard](int type, const QString& text) {
            return guard && !guard->m_closing && guard->HandlePacket(type, text);
        });
    }
}

CUpdateEmailDlg::~CUpdateEmailDlg() {
    auto& dialogs = openDialogs();
    dialogs.erase(std::remove_if(dialogs.begin(), dialogs.end(),
                                 [this](const QPointer<CUpdateEmailDlg>& d) { return d.isNull() || d == this; }),
                  dialogs.end());
}

CUpdateEmailDlg* CUpdateEmailDlg::FindOpen(const CSessionDoc* session) {
    for (const QPointer<CUpdateEmailDlg>& dialog : openDialogs())
        if (dialog && !dialog->m_closing && dialog->m_session == session)
            return dialog;
    return nullptr;
}

CUpdateEmailDlg* CUpdateEmailDlg::Open(CSessionDoc* session, const QString& first, const QString& second,
                                       QWidget* parent) {
    if (!session)
        return nullptr;
    CUpdateEmailDlg* dialog = FindOpen(session);
    if (!dialog) {
        dialog = new CUpdateEmailDlg(session, first, second, parent);
        dialog->setModal(false);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

bool CUpdateEmailDlg::IsUsableAddress(const QString& address) {
    if (address.isEmpty() || address.size() > kMaxAddressLength)
        return false;
    for (QChar ch : address)
        if (ch.isSpace() || ch.category() == QChar::Other_Control || ch == u'"')
            return false;
    const qsizetype at = address.indexOf(u'@');
    return at > 0 && at < address.size() - 1;
}

void CUpdateEmailDlg::OnOK() {
    m_address = GetItemText(kIdAddress).trimmed();
    if (m_address.isEmpty()) {
        exclaim(QString::fromLatin1(kNoAddress));
    } else if (!IsUsableAddress(m_address)) {
        // The address travels as one word of the request: blanks or quotes would change its meaning.
        exclaim(QString::fromLatin1(kBadAddress));
    } else {
        EnableItem(platform::IDOK, false);
        m_waiting = true;
        if (!m_session || !m_session->SendEmailChallengeResponse(m_first, m_address)) {
            // Nothing went out, so no answer will come: let the user try again.
            m_waiting = false;
            EnableItem(platform::IDOK, true);
            exclaim(QString::fromLatin1(kFailed));
        }
    }
    FocusItem(kIdAddress);
}

void CUpdateEmailDlg::OnCancel() { closeDialog(); }

bool CUpdateEmailDlg::HandlePacket(int type, const QString& text) {
    if (m_closing)
        return false;
    if (type == kPacketRefused) {
        exclaim(text);
        closeDialog();
        return true;
    }
    if (type != kPacketAnswer)
        return false;
    m_waiting = false;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 2 && words[1] == QLatin1String("Y")) {
        exclaim(QString::fromLatin1(kSubmitted));
        closeDialog();
    } else {
        exclaim(QString::fromLatin1(kFailed));
        EnableItem(platform::IDOK, true);
    }
    return true;
}

void CUpdateEmailDlg::closeDialog() {
    if (m_closing)
        return;
    // The session may be calling in through its handler: the dialog goes once that call is over.
    m_closing = true;
    EndDialog(platform::IDCANCEL);
    hide();
    deleteLater();
}
