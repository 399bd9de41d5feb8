#pragma once

#include "mail/MailHeaderView.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <vector>

class CMessageMailboxWnd;
class QComboBox;
class QLineEdit;
class QRadioButton;

// "Move Message": chooses the folder the messages are moved or copied to. Modeless, deletes itself
// when it ends. The messages are the ones selected when it opened, so a click on another folder
// meanwhile changes nothing; the destination is one of the offered folders, never typed.
class CMoveMessageDialog : public QDialog, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMoveMessageDialog, platform::Object)
public:
    static constexpr char kNoDestination[] = "You must select a destination folder for this operation.";

    explicit CMoveMessageDialog(CMessageMailboxWnd* mailbox);

    // The shown names offered (empty names are left out), the shown name of the messages' folder and
    // the messages.
    void SetFolders(const QStringList& shownNames);
    void SetCurrentFolder(const QString& shownName) { m_currentFolder = shownName; }
    void SetMessages(std::vector<MailKey> messages) { m_messages = std::move(messages); }

    QComboBox* Folders() const { return m_combo; }
    QRadioButton* MoveButton() const { return m_move; }
    QRadioButton* CopyButton() const { return m_copy; }

    void accept() override;

private:
    QPointer<CMessageMailboxWnd> m_mailbox;
    QComboBox* m_combo;
    QRadioButton* m_move;
    QRadioButton* m_copy;
    QString m_currentFolder;
    std::vector<MailKey> m_messages;
};

// "Add New Folder": takes the name of a new message folder. Modeless, deletes itself when it ends.
// It accepts only names the mail store can keep: letters and digits, at most 31 of them, none of the
// store's own element names and no name of an existing folder in any case.
class CNewMsgFolderDlg : public QDialog, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CNewMsgFolderDlg, platform::Object)
public:
    static constexpr int kMaxNameLength = 31;
    static constexpr char kNoName[] = "Please specify a name for the new message folder.";
    static constexpr char kTooLong[] = "Folder names may contain no more than 31 characters.";
    static constexpr char kNotAlphanumeric[] = "The folder name may only contain alphanumeric characters.";

    explicit CNewMsgFolderDlg(CMessageMailboxWnd* mailbox);

    // The message that refuses name, empty when the name may be made beside existing (shown names).
    static QString CheckName(const QString& name, const QStringList& existing);

    QLineEdit* NameEdit() const { return m_name; }
    void accept() override;

private:
    QPointer<CMessageMailboxWnd> m_mailbox;
    QLineEdit* m_name;
};
