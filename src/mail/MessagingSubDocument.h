#pragma once

#include "mail/MailPackets.h"
#include "mail/MessagingOleDocument.h"
#include "session/PacketTarget.h"

#include <QSet>
#include <QObject>
#include <QStringList>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class CMessageHeader;
class CMessagingOleDocument;
class CMsgFolderObject;
class CMessagingSubDocument;

// What the mail service needs of its mailbox window. The window tells the service when it goes
// (MailboxClosed), so the service never holds a dangling window.
class CMailboxWindowLink {
public:
    virtual ~CMailboxWindowLink() = default;
    virtual bool IsMailboxVisible() const = 0;
    // Shows the current folder again (after new mail arrived).
    virtual void RefreshCurrentFolder() = 0;
    // Redraws the row of a header whose status changed.
    virtual void RedrawHeader(const CMessageHeader* header) = 0;
    // Opens one message in a window of its own.
    virtual void OpenMessage(const QString& folder, const QString& id) = 0;
    // Destroys the window (it calls MailboxClosed on its way out).
    virtual void DestroyMailbox() = 0;
    // Whether the window may go now (its windows of unsent messages ask the user).
    virtual bool QueryClose() { return true; }
};

// The session's mail service: owns the user's mail store and the folder objects (the headers of every
// stored message, loaded when the service starts and kept current by every operation), speaks packet
// type 69 with the server, keeps the count of messages waiting on the server in the settings (hint
// 4122 tells the session's views when it changes), and offers the folder and message operations of the
// mail windows. GUI thread only.
class CMessagingSubDocument : public CSubDocument {
    NV_DECLARE_RUNTIME_CLASS(CMessagingSubDocument, CSubDocument)
public:
    static constexpr int kCmdToggleMailbox = 32981;
    static constexpr int kRefreshDelaySeconds = 1;
    // At most this many arrivals go into one commit, so the GUI thread's share of a commit (ids,
    // copies, filing the headers) stays short however fast mail comes.
    static constexpr size_t kMaxFilingBatch = 500;
    static constexpr char kInbox[] = "Inbox";
    static constexpr char kOutbox[] = "Outbox";
    static constexpr char kSentItems[] = "Sent Items";
    static constexpr char kUndeliverable[] =
        "Your message could not be delivered to some or all of the intended recipients.\nPlease ensure that the "
        "names in the 'To' and/or 'Cc' fields are correct and try re-sending the message.";
    static constexpr char kMailBarred[] =
        "Your account may not send Quorl Messages, so this message was not sent.";
    static constexpr char kFiledNotSent[] =
        "Your message was filed in \"Sent Items\" but could not be sent: there is no connection to the "
        "server.\nOpen it from \"Sent Items\" to send it again.";
    static constexpr char kStoreUnavailable[] =
        "Your mail store cannot be used, so Quorl Messages are off for this session: messages sent to you "
        "wait on the server.";
    static constexpr char kNotFiled[] =
        "New Quorl Messages could not be filed in your mail store, so they were left on the server: you will "
        "receive them again at your next login, or when you open your mailbox.";

    // Makes the mailbox window for a service; null when it cannot be made.
    using MailboxFactory = std::function<CMailboxWindowLink*(CMessagingSubDocument& owner, const QString& title)>;

    // Registers with the session (the current one when null) and opens (or makes) the store of the
    // session's own nickname in mailFolder (by default the settings' mail folder); loads every folder.
    explicit CMessagingSubDocument(CSessionDoc* session = nullptr, const QString& mailFolder = QString());
    ~CMessagingSubDocument() override;

    // The session's mail service, made and handed to the session to keep on the first call.
    static CMessagingSubDocument* Attach(CSessionDoc& session);
    static CMessagingSubDocument* Find(const CSessionDoc* session);
    // How the mailbox window is made; without one the mailbox cannot be opened.
    static void SetMailboxFactory(MailboxFactory factory);
    static bool HasMailboxFactory();

    int OnPacket(int type, const QString& text) override;
    bool OnCommand(int id) override;

    // ---- The mailbox window
    bool CanToggleMailbox() const;
    void ToggleMailbox();
    bool IsMailboxOpen() const { return m_mailbox != nullptr; }
    bool IsMailboxVisible() const { return m_mailbox && m_mailbox->IsMailboxVisible(); }
    void MailboxClosed(CMailboxWindowLink* window);
    // Whether the mailbox and its windows may go now: windows holding typed text ask the user.
    bool QueryCloseMailbox() { return !m_mailbox || m_mailbox->QueryClose(); }

    // ---- Protocol
    // Asks the server for the waiting messages (while the service is active) and resets the count.
    bool RequestPendingMessages();
    // Files the message in "Outbox" and sends it -> whether it went out. The header gets its id and
    // becomes the folder's. An account barred from mail sends and files nothing, and is told so.
    bool SendMail(std::unique_ptr<CMessageHeader> header, const QString& body);

    // ---- Folders and messages
    // A message keeps its id when it is moved, so a sent one is found by the id it went out with.
    CMessageHeader* FindHeaderById(const QString& id) const;
    // Hands the header to the folder of that name -> null (the caller keeps it) when there is none.
    CMessageHeader* AddHeaderToFolder(const QString& folder, std::unique_ptr<CMessageHeader>& header);
    CMsgFolderObject* FindFolder(const QString& name) const;
    const std::vector<std::unique_ptr<CMsgFolderObject>>& GetFolderObjects() const { return m_folders; }
    bool CreateFolder(const QString& name);
    bool DeleteFolder(const QString& name);
    bool DeleteMessage(const QString& folder, const QString& id);
    // Copies (or moves) a message to another folder. A move keeps the original until its copy is
    // stored, and the message keeps its id.
    bool MoveOrCopy(const QString& destination, const QString& source, const QString& id, bool move);
    // Deletes messages for good, or moves or copies them to a folder, as one command -> how many were
    // done. The folder objects change at once; the store's commit is written off the GUI thread and
    // this returns without waiting for it (IsCommandCommitPending). Should the commit fail, the store
    // goes back to what is on disk, the folders are read again and the user is told.
    // newIds gets the id of each message's copy (empty for one not done).
    int DeleteMessages(const std::vector<MailKey>& messages);
    int MoveOrCopyMessages(const QString& destination, const std::vector<MailKey>& messages, bool move,
                           std::vector<QString>* newIds = nullptr);
    int ReadMessage(CMessageHeader& header, QString& body, const QString& folder, const QString& id);
    int UpdateHeader(const CMessageHeader& header);
    bool ExportMessageText(const QString& filePath, const QString& folder, const QString& id, bool newFile);
    // Reloads every folder from the store.
    void ReloadFolders();

    CMessagingOleDocument* GetStore() const { return m_store.get(); }
    QString GetOwnNickname() const;
    bool IsServiceActive() const;
    bool IsMailBarred() const;
    // "Sent Items" is shown for the stored "Outbox".
    static QString ToStorageFolderName(const QString& shownName);
    static QString ToShownFolderName(const QString& storageName);

    // The count of messages waiting on the server, as last told (section "Settings").
    static int GetPendingCount();
    bool IsRefreshPending() const { return m_refreshTimer != 0; }
    // Whether arriving messages are waiting to be filed or being filed (docs/mail-store.md).
    bool IsFilingInProgress() const;
    // Whether a command over many messages is still being written.
    bool IsCommandCommitPending() const;
    // Waits at most ms until every arrived message is filed (or refused) -> whether none is left.
    bool WaitForFiling(int ms);

private:
    struct Arrival {
        std::unique_ptr<CMessageHeader> header;
        QString body;
        QString deliveryId;
        int repeats = 0; // the same letter handed over again while it is being filed
    };
    // A -121 not sent yet.
    struct Report {
        QString text;
        bool filed;
        QStringList deliveryIds;
    };
    void scheduleFiling();
    void startFiling();
    void filingDone(bool filed, const QString& why);
    // Queues the reports that the letters of these delivery ids were (not) filed, split to fit frames.
    void queueReports(const QStringList& deliveryIds, bool filed);
    // Sends the reports not sent yet, in order; what cannot go now goes at the next login.
    void sendReports();

    int onDeliveryResult(const MailPacket::Incoming& packet);
    int onNewMessage(const MailPacket::Incoming& packet);
    int onAcknowledged(const MailPacket::Incoming& packet);
    int onPendingCount(int count);
    void newMessageArrived(std::unique_ptr<CMessageHeader> header, const QString& body,
                           const QString& deliveryId = QString());
    int setStatus(CMessageHeader* header, int status);
    // Takes the headers of these messages out of their folder objects.
    void removeHeaders(const std::vector<MailKey>& messages);
    // A command's commit ended; one that failed was undone, and the folders are read again.
    void commandCommitted(bool filed, const QString& why);
    void logError(const QString& line) const;

    std::unique_ptr<CMessagingOleDocument> m_store;
    CMailboxWindowLink* m_mailbox = nullptr;
    std::vector<std::unique_ptr<CMsgFolderObject>> m_folders;
    QObject m_timerOwner; // owns the refresh timer, so it dies with the service
    int m_refreshTimer = 0;
    std::vector<Arrival> m_arrivals; // arrived, not yet handed to the store
    std::vector<Arrival> m_filing;   // being written
    bool m_filingScheduled = false;
    bool m_toldNotFiled = false;     // the user knows; told again only after a filing succeeded
    bool m_filingFailed = false;     // the last batch could not be filed
    QSet<QString> m_pendingDeliveries; // delivery ids of the arrivals and the batch being filed
    std::deque<Report> m_unsentReports; // oldest first
    bool m_toldReportsWait = false;     // the log says reports wait; said again after one went
    bool m_closing = false;
    QString m_storeError; // why there is no store
};
