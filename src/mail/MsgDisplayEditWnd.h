#pragma once

#include "platform/Object.h"
#include "platform/Messages.h"
#include "support/PersistentFont.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class CMessageHeader;
class CMessageMailboxWnd;
class QAction;
class QLineEdit;

// The body of a message: plain text only (what another member wrote is never read as markup), with
// a limit on what the user may type or paste. A text loaded longer than the limit is kept whole; it
// may shrink but not grow.
class CMsgBodyEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kTextLimit = 3500;

    explicit CMsgBodyEdit(QWidget* parent = nullptr);
    // Loads a stored body ("\r\n" line ends).
    void SetStoredText(const QString& text);
    // The body as it is stored and sent: "\r\n" line ends.
    QString StoredText() const;
    int Length() const;

private:
    void enforceLimit();

    int m_lastLength = 0;
    bool m_enforcing = false;
};

// The header fields of a message being written: To, Cc and Subject.
class CMsgComposeFormView : public QWidget, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMsgComposeFormView, platform::Object)
public:
    static constexpr int kMaxNames = 5;

    explicit CMsgComposeFormView(QWidget* parent = nullptr);
    void SetFrom(const CMessageHeader& header);

    // Checks the names in To and Cc -> the message that refuses them, empty when they may be sent.
    // Names are letters and digits, separated by blanks, at most 5 in each field.
    static QString CheckRecipients(const QString& to, const QString& cc);
    // The names of a field with single blanks between them.
    static QString NormalizeNames(const QString& names);

    QLineEdit* ToEdit() const { return m_to; }
    QLineEdit* CcEdit() const { return m_cc; }
    QLineEdit* SubjectEdit() const { return m_subject; }
    QString folderName, messageId; // of the stored message the window shows, empty for a new one

private:
    QLineEdit* m_to;
    QLineEdit* m_cc;
    QLineEdit* m_subject;
};

// The header fields of a message being read: From, Sent, To, Cc and Subject, read-only plain text.
class CMsgDisplayFormView : public QWidget, public platform::Object {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMsgDisplayFormView, platform::Object)
public:
    explicit CMsgDisplayFormView(QWidget* parent = nullptr);
    void SetFrom(const CMessageHeader& header);
    QLineEdit* Field(int index) const { return m_fields[index]; } // 0 From, 1 Sent, 2 To, 3 Cc, 4 Subject
    QString folderName, messageId;

private:
    QLineEdit* m_fields[5];
};

// The window of one message: writing one (new, reply, forward, or a sent message opened again, which
// may be changed and sent once more) or reading a received one. The mailbox window that opened it
// owns it; it closes with the mailbox.
class CMsgDisplayEditWnd : public QMainWindow, public platform::Object, public platform::MessageTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMsgDisplayEditWnd, platform::Object)
public:
    static constexpr char kSection[] = "CMsgDisplayEditWnd";
    static constexpr char kComposeTitle[] = "Compose Quorl Message";
    static constexpr char kEmptyBody[] = "No text in message.\nYou cannot send an empty message.";
    static constexpr char kDiscard[] =
        "This message has not been sent.\nClose it and lose what you wrote?";

    explicit CMsgDisplayEditWnd(bool composing);
    ~CMsgDisplayEditWnd() override;

    // What the window shows; called before Create. The header is copied.
    void SetContent(const CMessageHeader& header, const QString& body, bool editable);
    // Builds the window as a top-level window of the mailbox, places and shows it; without activate
    // (a window the server's news opened) it leaves the keyboard where it is.
    bool Create(CMessageMailboxWnd* mailbox, bool activate = true);

    bool IsComposing() const { return m_composing; }
    CMsgComposeFormView* ComposeForm() const { return m_compose; }
    CMsgDisplayFormView* DisplayForm() const { return m_display; }
    CMsgBodyEdit* Body() const { return m_body; }
    QAction* Action(int id) const;

    // Runs a command of the window's menu or tool bar (when it is enabled) -> whether it ran.
    bool RunCommand(int id);
    bool IsCommandEnabled(int id) const;
    // Builds the header to send from the form -> null (after telling the user) when the names are
    // not right or there is no mailbox.
    std::unique_ptr<CMessageHeader> BuildHeader();
    void ApplyFont();

    // Whether the user typed or changed anything in the window (a fresh reply holds only its quote).
    bool HasTypedText() const;
    // Whether the window may close: one holding typed text asks first -> false when the user keeps it.
    bool QueryClose();
    // Closes the window without asking (its message went out, or the user already agreed).
    void CloseWithoutAsking();
    // The message the window shows (folder and id), after it was moved and so got a new id.
    void MessageMoved(const QString& folder, const QString& id, const QString& newFolder, const QString& newId);
    QString FolderName() const;
    QString MessageId() const;

    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* addCommand(int id, const QString& text, const QString& prompt);
    void updateCommands();
    void send();
    void warn(const QString& text);

    bool m_composing;
    bool m_hasContent = false;
    bool m_editable = true;
    std::unique_ptr<CMessageHeader> m_pendingHeader;
    QString m_pendingBody;
    QString m_title;
    QPointer<CMessageMailboxWnd> m_mailbox;
    CMsgComposeFormView* m_compose = nullptr;
    CMsgDisplayFormView* m_display = nullptr;
    CMsgBodyEdit* m_body = nullptr;
    std::vector<QAction*> m_actions;
    CPersistentFont m_font;
    bool m_placed = false;
    bool m_moved = false;
    bool m_closeApproved = false;
};
