#include "mail/MailFolderDialogs.h"

#include "mail/MessageMailboxWnd.h"
#include "mail/MessagingOleDocument.h"
#include "mail/MessagingSubDocument.h"
#include "platform/CompoundFile.h"
#include "platform/Win32Codes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A refusal of what the user chose, over the dialog as Send's warnings are over their window.
void refuse(const QString& text, QWidget* field) {
    MailWindowBox(field->window(), text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    field->setFocus(Qt::OtherFocusReason);
}

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

// ---- Move

CMoveMessageDialog::CMoveMessageDialog(CMessageMailboxWnd* mailbox)
    : QDialog(mailbox), m_mailbox(mailbox), m_combo(new QComboBox(this)),
      m_move(new QRadioButton(QStringLiteral("&Move"), this)), m_copy(new QRadioButton(QStringLiteral("&Copy"), this)) {
    setObjectName(QString::fromLatin1(kClassName));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Move Message"));
    m_combo->setEditable(false);
    m_combo->setMinimumContentsLength(20);
    m_move->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Choose a destination folder for the message."), this);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    layout->addWidget(m_combo);
    auto* choice = new QHBoxLayout;
    choice->addWidget(m_move);
    choice->addWidget(m_copy);
    choice->addStretch(1);
    layout->addLayout(choice);
    layout->addWidget(okCancel(this));
}

void CMoveMessageDialog::SetFolders(const QStringList& shownNames) {
    for (const QString& name : shownNames) {
        if (!name.isEmpty())
            m_combo->addItem(name);
    }
    m_combo->setCurrentIndex(-1);
}

void CMoveMessageDialog::accept() {
    const QString chosen = m_combo->currentText();
    if (chosen.isEmpty()) {
        refuse(QString::fromLatin1(kNoDestination), m_combo);
        return;
    }
    if (chosen == m_currentFolder) {
        refuse(QStringLiteral("The message is already located in the '") + chosen +
                   QStringLiteral("' folder.  Please choose another."),
               m_combo);
        return;
    }
    if (m_mailbox)
        m_mailbox->MoveOrCopy(m_messages, CMessagingSubDocument::ToStorageFolderName(chosen), m_move->isChecked(), false);
    QDialog::accept();
    close();
}

// ---- New folder

CNewMsgFolderDlg::CNewMsgFolderDlg(CMessageMailboxWnd* mailbox)
    : QDialog(mailbox), m_mailbox(mailbox), m_name(new QLineEdit(this)) {
    setObjectName(QString::fromLatin1(kClassName));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Add New Folder"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Folder name:"), this);
    label->setBuddy(m_name);
    row->addWidget(label);
    row->addWidget(m_name, 1);
    layout->addLayout(row);
    layout->addWidget(okCancel(this));
    m_name->setMinimumWidth(220);
}

QString CNewMsgFolderDlg::CheckName(const QString& name, const QStringList& existing) {
    if (name.isEmpty())
        return QString::fromLatin1(kNoName);
    if (name.size() > kMaxNameLength)
        return QString::fromLatin1(kTooLong);
    for (const QChar c : name) {
        if (!(c.unicode() < 128 && c.isLetterOrNumber()))
            return QString::fromLatin1(kNotAlphanumeric);
    }
    if (CMessagingOleDocument::IsReservedName(name))
        return QStringLiteral("The name '") + name + QStringLiteral("' is kept for the message store's own use.  Please choose another.");
    for (const QString& folder : existing) {
        if (platform::CompoundFile::CompareNames(folder, name) == 0 ||
            CMessagingSubDocument::ToStorageFolderName(folder).compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("There is a folder named '") + folder + QStringLiteral("' already.  Please choose another name.");
    }
    return QString();
}

void CNewMsgFolderDlg::accept() {
    const QString name = m_name->text();
    const QString refusal = CheckName(name, m_mailbox ? m_mailbox->ShownFolderNames() : QStringList());
    if (!refusal.isEmpty()) {
        refuse(refusal, m_name);
        m_name->selectAll();
        return;
    }
    if (m_mailbox && !m_mailbox->CreateFolder(name, this)) {
        m_name->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
    close();
}
