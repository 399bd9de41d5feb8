#pragma once

#include "platform/CompoundFile.h"
#include "platform/Object.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class CMessageHeader;
class CMsgFolderObject;
class CSettingsStore;

// A message as the mail code names it: its folder's storage name and its id in that folder. Commands
// over a selection collect these first and act afterwards, so no row is read after its header is gone.
struct MailKey {
    QString folder;
    QString id;
    bool operator==(const MailKey&) const = default;
};

// The ids of the messages, folder by folder, the folders in the order they first come.
std::vector<std::pair<QString, QStringList>> GroupByFolder(const std::vector<MailKey>& messages);

// The user's local mail store: one compound file holding the folder list ("StorageFolders"), one
// storage per folder with one stream per message (the header's archive form, then the body as one
// archive string), the address books ("AddressBooks", created with an empty "Default") and the
// document's own empty "Contents" stream. Every change is committed to the file at once.
// The file stays locked while the document is open; a second program for the same user runs
// without a store (IsOpen() is false and OpenError() says why), and so does one whose store has no
// folder list it can read (the file is left as it is). A letter is filed only in a listed folder.
class CMessagingOleDocument : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CMessagingOleDocument, platform::Object)

    static constexpr char kFoldersStreamName[] = "StorageFolders";
    static constexpr char kAddressBooksName[] = "AddressBooks";
    static constexpr char kContentsName[] = "Contents";
    // The delivery ids of the letters filed from the server (docs/mail-store.md), newest last.
    static constexpr char kDeliveriesName[] = "FiledDeliveries";
    static constexpr qsizetype kMaxFiledDeliveries = 5000;

    // Opens "<mail folder><nickname>.nvm", or makes it with its first folders when it does not exist.
    CMessagingOleDocument(const QString& mailFolder, const QString& nickname);
    ~CMessagingOleDocument() override;

    // The folder the store files live in, ending with '/': "PathNames"/"MsgSystem", else the
    // settings' own folder (then remembered as "MsgSystem" when an install folder is recorded).
    static QString GetMailFolderPath(CSettingsStore& settings);

    // Whether a name is one of the store's own elements, which no folder may take.
    static bool IsReservedName(const QString& name);

    // Whether a message id is in use by something outside the file (the mail code's headers in memory).
    void SetIdInUseTest(std::function<bool(const QString&)> test) { m_idInUse = std::move(test); }

    bool IsOpen() const { return m_file.IsOpen(); }
    QString OpenError() const { return m_openError; }
    // Why the last operation returned 0 (empty after a success).
    QString LastError() const { return m_lastError; }
    const QString& GetPath() const { return m_path; }
    const QStringList& GetFolders() const { return m_folders; }
    const QStringList& GetAddressBooks() const { return m_addressBooks; }

    int CreateInitialStructure();
    int CreateFolder(const QString& name);
    int DeleteFolder(const QString& name);
    // Sets the header's MessageId and FolderName; 1 when the message is committed to the file.
    int StoreMessage(CMessageHeader& header, const QString& body, const QString& folder);
    int StoreInInbox(CMessageHeader& header, const QString& body);
    int StoreInOutbox(CMessageHeader& header, const QString& body);
    // Files arriving messages in "Inbox" together, with one commit written off the GUI thread. Each
    // header gets its id (taken from then on) and its folder at once; done(filed, why) runs on the
    // GUI thread once the commit is on disk (filed) or has failed (the messages are then in no
    // folder). The server's delivery ids of the messages (empty for none) are kept as filed in the
    // same commit. False, with LastError, when the batch cannot start: no store, no "Inbox", or a
    // batch still under way.
    bool StoreInInboxInBackground(const std::vector<CMessageHeader*>& headers, const QStringList& bodies,
                                  const QStringList& deliveryIds,
                                  std::function<void(bool filed, const QString& why)> done);
    // Whether a letter of that delivery id is on file (among the last kMaxFiledDeliveries filed).
    bool IsDeliveryFiled(const QString& deliveryId) const;
    // The delivery ids filed whose report to the server is still to be sent. Set in memory; written
    // with the next letters filed, or by SaveDeliveries.
    const QStringList& UnreportedDeliveries() const { return m_unreported; }
    void SetUnreportedDeliveries(const QStringList& deliveryIds);
    // Commits the unreported ids when the file does not hold them yet -> 0 when that failed.
    int SaveDeliveries();
    bool IsFilingInProgress() const { return m_file.IsBackgroundCommitRunning(); }
    // Waits at most ms for a batch under way (its done runs) -> whether none is left.
    bool WaitForFiling(int ms) { return m_file.WaitForBackgroundCommit(ms); }
    int ReadMessage(CMessageHeader& header, QString& body, const QString& folder, const QString& id);
    int UpdateHeader(const CMessageHeader& header);
    int DeleteMessage(const QString& folder, const QString& id);

    // Commands over many messages: the changes are made at once (ReadMessage, LoadFolder see them) and
    // committed together, written off the GUI thread; done(filed, why) runs on the GUI thread once
    // they are on disk, or have failed and been undone. -> what was changed; nothing (and no done)
    // when nothing was.
    using CommitDone = std::function<void(bool filed, const QString& why)>;
    // Removes messages for good -> the keys of those removed.
    std::vector<MailKey> DeleteMessages(const std::vector<MailKey>& messages, CommitDone done);
    // Moves a message to another folder with one commit -> 1 when on disk; header gets its header
    // (folder and id set). It keeps its id (a new one only where the folder has that name already).
    int MoveMessage(CMessageHeader& header, const QString& source, const QString& id, const QString& destination);
    // Copies messages to a folder under new ids, or moves them there under their own ids (removing
    // the originals) -> one header (folder and id set) per message, null for one that could not be
    // read.
    std::vector<std::unique_ptr<CMessageHeader>> MoveMessages(const QString& destination,
                                                              const std::vector<MailKey>& messages, bool move,
                                                              CommitDone done);
    bool IsCommitPending() const { return m_file.IsTreeCommitRunning(); }
    bool WaitForCommit(int ms) { return m_file.WaitForTreeCommit(ms); }
    // A folder object with one header per readable message (bodies are not read); null for an empty
    // name or, after a message box naming the folder and the reason, a folder that cannot be opened.
    std::unique_ptr<CMsgFolderObject> LoadFolder(const QString& name);
    void LoadAllFolders(std::vector<std::unique_ptr<CMsgFolderObject>>& list);
    // Appends the message as text to a file (emptied first when newFile is set); false when nothing
    // was written.
    bool ExportMessageText(const QString& filePath, const QString& folder, const QString& id, bool newFile);

    // The id a message would get now (the first free name made from its first recipient and date).
    QString MakeMessageId(const CMessageHeader& header) const;
    // The text shown for a storage result code.
    static QString ErrorText(quint32 code);

private:
    bool loadFromStorage();
    bool idTaken(const QString& id) const;
    // Whether a letter may be filed in the folder: one the list holds, whose storage is there.
    bool holdsFolder(const QString& name) const;
    int refuseFolder(const QString& name);
    // Keeps the id of a message deleted for good from every later message of this run, so that an
    // answer of the server to the deleted one never finds another.
    void retire(const QString& id);
    // The id of a message's copy in destination: its own when moved there, where it is free.
    QString movedId(const MailKey& key, const QString& destination, bool move, const CMessageHeader& header) const;
    int writeFolderList();
    // The delivery list's stream as it would be with these filed ids (oldest first).
    QByteArray deliveriesRecord(const QStringList& filed) const;
    bool canKeepDeliveries() const;
    int commit();
    int refuse(const QString& why);
    void commitInBackground(CommitDone done);

    platform::CompoundFile m_file;
    QString m_path;
    QStringList m_folders;
    QStringList m_addressBooks;
    std::function<bool(const QString&)> m_idInUse;
    QSet<QString> m_reserved;                // ids of a batch being written, upper-cased
    QSet<QString> m_retired;                 // ids of the messages deleted for good, upper-cased
    mutable QHash<QString, qint64> m_nextCounter; // per id stem, the next counter to try
    QStringList m_delivered;              // keys of the filed delivery ids, oldest first
    QSet<QString> m_deliveredSet;
    QStringList m_unreported;
    bool m_unreportedSaved = true;        // the file holds m_unreported
    QString m_openError;
    QString m_lastError;
};
