#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;
class QObject;

// A structured-storage ("compound") file: a tree of storages and streams inside one file.
// The whole file is read into memory; changes are made to the in-memory tree and written out by
// Commit, which writes a complete new file beside the old one, syncs it and renames it over the
// old one, so the file on disk is always either the previous or the new committed state.
// Files are written in version 3 (512-byte sectors); version 4 files (4096-byte sectors) are read.
// Element names hold 1 to 31 UTF-16 units, none of '/', '\', ':' or '!', and are compared without
// regard to case, as the format orders them.
// While a file is open a lock file beside it ("<file>.lock") keeps other processes out.
namespace platform {

// The storage system's result codes.
namespace stg {
constexpr quint32 S_OK = 0;
constexpr quint32 E_PENDING = 0x8000000A;
constexpr quint32 INVALIDFUNCTION = 0x80030001;
constexpr quint32 FILENOTFOUND = 0x80030002;
constexpr quint32 TOOMANYOPENFILES = 0x80030004;
constexpr quint32 ACCESSDENIED = 0x80030005;
constexpr quint32 INSUFFICIENTMEMORY = 0x80030008;
constexpr quint32 INVALIDPOINTER = 0x80030009;
constexpr quint32 WRITEFAULT = 0x8003001D;
constexpr quint32 LOCKVIOLATION = 0x80030021;
constexpr quint32 FILEALREADYEXISTS = 0x80030050;
constexpr quint32 MEDIUMFULL = 0x80030070;
constexpr quint32 INVALIDPARAMETER = 0x80030057;
constexpr quint32 INVALIDHEADER = 0x800300FB;
constexpr quint32 INVALIDNAME = 0x800300FC;
constexpr quint32 INVALIDFLAG = 0x800300FF;
constexpr quint32 REVERTED = 0x80030102;
constexpr quint32 DOCFILECORRUPT = 0x80030109;
constexpr quint32 S_CONVERTED = 0x00030200;
inline bool Failed(quint32 code) { return (code & 0x80000000u) != 0; }
} // namespace stg

class CompoundFile {
public:
    enum class Kind { Storage, Stream };
    struct Element {
        QString name;
        Kind kind;
        qint64 size; // streams only
    };

    // The largest file Open reads and a commit writes (the whole file is held in memory).
    static constexpr qint64 kMaxFileBytes = qint64(256) << 20;

    CompoundFile();
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // In-memory use: parse a file image (S_OK, or INVALIDHEADER / DOCFILECORRUPT with a reason in
    // error()), or write the tree as one.
    quint32 Parse(const QByteArray& image);
    QByteArray Serialize() const;

    // Why a file beginning with these bytes is not one this class reads (empty when it may be).
    static QString HeaderProblem(QByteArrayView image);

    // File use. Open reads and parses the file; Create starts an empty tree for a file that does not
    // exist yet (the first Commit writes it). Both take the lock (LOCKVIOLATION when another holds it).
    // Open refuses without reading it whole (INVALIDHEADER, INSUFFICIENTMEMORY) anything but a regular
    // file, a file whose header is not a compound file's, and one larger than kMaxFileBytes.
    quint32 Open(const QString& path);
    quint32 Create(const QString& path);
    // Writes the tree over the file (WRITEFAULT or ACCESSDENIED on failure, MEDIUMFULL past
    // kMaxFileBytes; the file then keeps its previous state, and so does the tree's committed copy).
    quint32 Commit();
    // Throws away every change since the last Open, Create or Commit, or, while a tree commit runs
    // (CommitTreeInBackground), since the tree it writes.
    void Revert();
    // Decides whether each write may go (tests inject failures); asked on the writing thread before
    // the write, so it may hold a writer back. Null: every write goes.
    static void SetWriteGate(std::function<bool()> gate);

    // Adds new streams to a storage with a commit written on a worker thread: building the file
    // image, writing, syncing and renaming all happen there. The streams join the tree (List,
    // ReadStream, Exists see them) only once they are on disk; until then every Commit() writes them
    // too, so the file never goes back to a state without them. done(code, why) runs on the thread
    // that made this object, from its event loop (or from WaitForBackgroundCommit), when the streams
    // are on disk (S_OK) or could not be written (the tree is then as if nothing had been asked).
    // The streams' contents are made by make(index of the name), on the worker (or, for a Commit() made
    // meanwhile, on the calling thread too): it must only read what it holds.
    // A stream of the root given as rootStream (a list the new streams belong to) is replaced (or
    // made) in the same commit and joins the tree with them.
    // One such commit at a time: false, and done is never called, while one is under way, when the
    // storage is missing, when a name is not valid, taken or given twice, or when rootStream names a
    // storage.
    struct NewStream {
        QString name;
        QByteArray data;
    };
    using StreamMaker = std::function<QByteArray(size_t index)>;
    using BackgroundDone = std::function<void(quint32 code, const QString& why)>;
    bool CommitStreamsInBackground(const QString& storage, const QStringList& names, StreamMaker make,
                                   BackgroundDone done, NewStream rootStream = {});
    bool IsBackgroundCommitRunning() const { return m_background != nullptr; }
    // Waits at most ms for the background commit and runs its done -> whether none is left.
    bool WaitForBackgroundCommit(int ms);

    // Commits the tree as it is now with the image laid out, written, synced and renamed on a worker
    // thread. The changes stay in the tree meanwhile (every later Commit() writes them too; streams of
    // a CommitStreamsInBackground under way go into this image as well). done(code, why) runs on the
    // thread that made this object, from its event loop (or from WaitForTreeCommit): S_OK once the
    // changes are on disk (through this commit or a later one), else the tree is reverted to the last
    // committed state. The caller makes no other change it leaves uncommitted while one runs (a
    // Revert() meanwhile, after a failed Commit(), takes the tree back to the one this commit writes,
    // so the tree never loses what the disk is about to get). A second call waits for the first to end
    // (its done runs first). False when the file is not open.
    bool CommitTreeInBackground(BackgroundDone done);
    bool IsTreeCommitRunning() const { return m_treeCommit != nullptr; }
    bool WaitForTreeCommit(int ms);
    void Close();
    bool IsOpen() const { return m_lock != nullptr; }
    const QString& path() const { return m_path; }
    const QString& error() const { return m_error; }

    // The tree. A path names a storage or a stream from the root: {} is the root, {"Inbox", "Bob1"}
    // a stream in the storage "Inbox".
    bool Exists(const QStringList& path, Kind kind) const;
    // FILENOTFOUND when the storage is missing.
    quint32 List(const QStringList& storage, std::vector<Element>& out) const;
    quint32 ReadStream(const QStringList& stream, QByteArray& out) const;
    // Creates the stream when missing (FILEALREADYEXISTS when exclusive is set and it exists) and
    // replaces its whole contents.
    quint32 WriteStream(const QStringList& stream, const QByteArray& data, bool exclusive = false);
    // FILEALREADYEXISTS when an element of that name (either kind) exists.
    quint32 CreateStorage(const QStringList& storage);
    // Removes a stream, or a storage with everything in it. FILENOTFOUND when missing.
    quint32 Remove(const QStringList& element);
    // Removes these streams of a storage in one pass -> the names of those that were there.
    QStringList RemoveStreams(const QString& storage, const QStringList& names);
    // Adds streams to a storage in one pass: FILEALREADYEXISTS (and nothing added) when a name is
    // taken or given twice, INVALIDNAME for a name that is not valid, FILENOTFOUND without the storage.
    quint32 AddStreams(const QString& storage, const std::vector<std::pair<QString, QByteArray>>& streams);

    static bool IsValidName(QStringView name);
    // The format's order of sibling names: shorter first, then by upper-cased UTF-16 units.
    static int CompareNames(QStringView a, QStringView b);

    struct Node;

private:
    struct Background;
    struct WriteOrder;
    Node* find(const QStringList& path) const;
    quint32 fail(quint32 code, const QString& why);
    void finishBackground(quint64 generation);
    void finishTreeCommit(quint64 generation);
    // Lays out a background commit's image (and may make streams for it) on the worker.
    using LayOut = std::function<QByteArray(std::vector<NewStream>& streams)>;
    void writeInBackground(Background& state, const QString& path, WriteOrder& order,
                           const QPointer<QObject>& guard, quint64 generation,
                           void (CompoundFile::*finish)(quint64), const LayOut& layOut);

    std::unique_ptr<Node> m_root;
    std::unique_ptr<Node> m_committed;
    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
    mutable QString m_error;
    std::shared_ptr<WriteOrder> m_order; // shared with the worker: one write at a time, newest wins
    quint64 m_generation = 0;            // of the last image handed to a writer
    std::unique_ptr<Background> m_background;
    std::unique_ptr<Background> m_treeCommit; // a CommitTreeInBackground under way
    std::unique_ptr<QObject> m_guard;    // the worker's report reaches this object's thread through it
};

// Writes bytes to a file as one step: a new file beside it, synced, then renamed over it.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace platform
