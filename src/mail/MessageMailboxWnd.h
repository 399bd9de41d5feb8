#pragma once

#include "mail/MailFolderDialogs.h"
#include "mail/MailHeaderView.h"
#include "mail/MessagingSubDocument.h"
#include "platform/Messages.h"
#include "platform/Object.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

class CMsgDisplayEditWnd;
class CMsgMailFolderView;
class QAction;
class QMenu;
class QSplitter;
class QToolBar;

// The tool bar pictures of the mail windows by image number: 0 New, 1 View, 2 Get, 3 Forward, 4 Reply,
// 5 Send, 6 Save, 7 Move, 8 New folder, 9 Delete, 10 Change view font.
QIcon MailToolBarIcon(int image);

// A question or warning about what the user did in one of the mail windows (the mailbox, a message
// window, a folder dialog): modal to that window and focused, so Return closes it and reaches nothing
// behind it; the window is in front and active again afterwards. -> the button pressed.
int MailWindowBox(QWidget* window, const QString& text, unsigned type);

// The user's mail window: the folder tree on the left, the messages of the selected folder on the
// right, and the commands that write, read, answer, file, save and delete messages and make and remove
// folders. One per session, made and toggled by the mail service (View > "Quorl Messages..."); it
// shows what the service's folder objects hold and is told by the service when they change.
class CMessageMailboxWnd : public QMainWindow,
                           public platform::Object,
                           public platform::MessageTarget,
                           public CMailboxWindowLink {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMessageMailboxWnd, platform::Object)
public:
    static constexpr char kOpenMany[] = "You are opening %d messages?\n\nAre you sure you want to do this?";
    static constexpr char kReplyOne[] = "You may only reply to one message at a time.";
    static constexpr char kForwardOne[] = "You may only forward one message at a time.";
    static constexpr char kDeleteOne[] = "Are you sure you want to permanently delete this message?";
    static constexpr char kDeleteMany[] = "Are you sure you want to permanently delete these %d messages?";
    static constexpr char kDeleteFolder[] =
        "Are you sure you want to permanently delete this folder and all of its contents?";
    static constexpr char kMoveMany[] = "Are you sure you want to move/copy these %d messages?";

    CMessageMailboxWnd(CMessagingSubDocument& mail, const QString& title, QWidget* owner = nullptr);
    ~CMessageMailboxWnd() override;

    // Makes the mail service open this window for its mailbox.
    static void Register();

    // ---- What the mail service asks of the window
    bool IsMailboxVisible() const override;
    void RefreshCurrentFolder() override;
    void RedrawHeader(const CMessageHeader* header) override;
    void OpenMessage(const QString& folder, const QString& id) override;
    void DestroyMailbox() override;
    bool QueryClose() override;

    // ---- Commands
    bool RunCommand(int id);
    bool IsCommandEnabled(int id) const;
    QAction* Action(int id) const;

    // The folder tree afresh with the same folder selected, and that folder's messages again.
    void Refresh();
    // Makes a folder -> false (after telling the user why, in a box over asker, else over the
    // mailbox) when the store refused it.
    bool CreateFolder(const QString& name, QWidget* asker = nullptr);
    // Files and sends a message written in window -> whether it went out; the window closes then.
    bool SendMail(std::unique_ptr<CMessageHeader> header, const QString& body, CMsgDisplayEditWnd* window);
    // Moves or copies messages to a folder (storage name), asking first about several when confirm is
    // set; the window is refreshed once.
    void MoveOrCopy(const std::vector<MailKey>& messages, const QString& destination, bool move, bool confirm);
    // A window answering the message; from (the window the message is read in) places it.
    void Reply(const QString& folder, const QString& id, QWidget* from = nullptr);
    void Forward(const QString& folder, const QString& id, QWidget* from = nullptr);
    // Saves one message to a text file the user chooses.
    void ExportOneMessage(const QString& folder, const QString& id);
    void RemoveMessageWindow(CMsgDisplayEditWnd* window);

    // The shown names of every folder, in order.
    QStringList ShownFolderNames() const;
    CMessagingSubDocument& GetMail() const { return m_mail; }
    CMsgMailFolderView* FolderView() const { return m_folders; }
    CMsgMailHeaderView* HeaderView() const { return m_headers; }
    std::vector<CMsgDisplayEditWnd*> MessageWindows() const;
    CMoveMessageDialog* MoveDialog() const { return m_moveDialog; }
    CNewMsgFolderDlg* NewFolderDialog() const { return m_newFolderDialog; }

    bool OnMessage(platform::MessageId id, qintptr wParam, platform::Object* lParam) override;

    // The body of a reply or a forward: the original message quoted, cut (with a line saying so) to
    // kMaxQuoteLength characters so that the writer keeps room for his own text.
    static constexpr int kMaxQuoteLength = 2500;
    static constexpr char kQuoteCut[] = "\r\n[The rest of the original message was cut.]";
    static QString QuotedBody(const CMessageHeader& original, const QString& body);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, int id, const QString& text, const QString& prompt, int image = -1);
    void updateCommands();
    void teardown();
    void openComposer(const CMessageHeader* header, const QString& body, QWidget* cascadeFrom = nullptr);
    void answer(const QString& folder, const QString& id, bool reply, QWidget* from);
    bool ask(const QString& text);
    void tell(const QString& text);
    void openMessage(const QString& folder, const QString& id, bool activate);
    void viewSelected();
    void deleteSelected();
    void deleteFolder();
    void saveSelected();
    void showMoveDialog();
    void showNewFolderDialog();
    void ensureDeletedItems();
    bool exportMessages(const std::vector<MailKey>& messages);

    CMessagingSubDocument& m_mail;
    QSplitter* m_splitter;
    CMsgMailFolderView* m_folders;
    CMsgMailHeaderView* m_headers;
    QToolBar* m_toolBar;
    std::vector<QAction*> m_actions;
    std::vector<QPointer<CMsgDisplayEditWnd>> m_messageWindows;
    QPointer<CNewMsgFolderDlg> m_newFolderDialog;
    QPointer<CMoveMessageDialog> m_moveDialog;
    bool m_placementChanged = false;
    bool m_placed = false;
    bool m_closing = false;
};
