#include "platform/CompoundFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QtEndian>

#include <QObject>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct CompoundFile::Node {
    QString name;
    Kind kind = Kind::Storage;
    QByteArray data;      // streams
    QByteArray clsid;     // storages: 16 bytes, kept as read
    std::vector<Node> children; // storages: in the format's name order

    std::vector<Node>::iterator lower(QStringView child) {
        return std::lower_bound(children.begin(), children.end(), child,
                                [](const Node& n, QStringView v) { return CompareNames(n.name, v) < 0; });
    }
    Node* child(QStringView child) {
        auto it = lower(child);
        return it != children.end() && CompareNames(it->name, child) == 0 ? &*it : nullptr;
    }
};

namespace {

constexpr quint32 kMaxRegSect = 0xFFFFFFFA;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint32 kMiniCutoff = 4096;
constexpr int kMiniSize = 64;
constexpr int kDirEntrySize = 128;
constexpr int kHeaderDifat = 109;
const char kSignature[8] = {char(0xD0), char(0xCF), char(0x11), char(0xE0),
                            char(0xA1), char(0xB1), char(0x1A), char(0xE1)};

quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
void put32(QByteArray& b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); }
void put16(QByteArray& b, qsizetype at, quint16 v) { qToLittleEndian(v, b.data() + at); }

} // namespace

QString CompoundFile::HeaderProblem(QByteArrayView image) {
    if (image.size() < 512 || !image.startsWith(QByteArrayView(kSignature, 8)))
        return QStringLiteral("not a compound file");
    const char* h = image.constData();
    const quint16 major = u16(h + 0x1A);
    const quint16 shift = u16(h + 0x1E);
    if (u16(h + 0x1C) != 0xFFFE)
        return QStringLiteral("unknown byte order mark");
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
        return QStringLiteral("unsupported version %1 or sector size").arg(major);
    if (u16(h + 0x20) != 6)
        return QStringLiteral("unsupported mini sector size");
    return QString();
}

namespace {

struct ParseError {
    quint32 code;
    QString why;
};

// Reads the sector structures of an image; every index and chain is checked against the image.
class Reader {
public:
    explicit Reader(const QByteArray& image) : m_image(image) {}

    CompoundFile::Node Run() {
        readHeader();
        readFat();
        readDirectory();
        readMiniStream();
        CompoundFile::Node root;
        root.name = QStringLiteral("Root Entry");
        root.kind = CompoundFile::Kind::Storage;
        root.clsid = QByteArray(entry(0) + 0x50, 16);
        std::vector<char> used(m_dirCount, 0);
        used[0] = 1;
        fillChildren(root, u32(entry(0) + 0x4C), used, 0);
        return root;
    }

private:
    [[noreturn]] static void corrupt(const QString& why) { throw ParseError{stg::DOCFILECORRUPT, why}; }

    void readHeader() {
        if (const QString why = CompoundFile::HeaderProblem(m_image); !why.isEmpty())
            throw ParseError{stg::INVALIDHEADER, why};
        const char* h = m_image.constData();
        const quint16 major = u16(h + 0x1A);
        const quint16 shift = u16(h + 0x1E);
        m_sectorSize = 1 << shift;
        m_major = major;
        // A file whose last sector is cut short is still read as far as it goes.
        m_sectorCount = quint32((m_image.size() - m_sectorSize + m_sectorSize - 1) / m_sectorSize);
        if (m_image.size() < m_sectorSize)
            m_sectorCount = 0;
        m_fatSectors = u32(h + 0x2C);
        m_firstDir = u32(h + 0x30);
        m_cutoff = u32(h + 0x38);
        if (m_cutoff != kMiniCutoff)
            corrupt(QStringLiteral("unexpected mini stream cut-off %1").arg(m_cutoff));
        m_firstMiniFat = u32(h + 0x3C);
        m_miniFatSectors = u32(h + 0x40);
        m_firstDifat = u32(h + 0x44);
        m_difatSectors = u32(h + 0x48);
    }

    qint64 offsetOf(quint32 sector) const {
        if (sector >= m_sectorCount)
            corrupt(QStringLiteral("sector %1 lies outside the file").arg(sector));
        return qint64(sector + 1) * m_sectorSize;
    }
    // A sector's bytes, zero-padded when the file ends inside it.
    QByteArray sector(quint32 id) const {
        QByteArray bytes = m_image.mid(offsetOf(id), m_sectorSize);
        if (bytes.size() < m_sectorSize)
            bytes.append(QByteArray(m_sectorSize - bytes.size(), '\0'));
        return bytes;
    }

    void readFat() {
        if (m_fatSectors > m_sectorCount)
            corrupt(QStringLiteral("more allocation sectors than the file holds"));
        std::vector<quint32> fatIds;
        const char* h = m_image.constData();
        for (int i = 0; i < kHeaderDifat && fatIds.size() < m_fatSectors; ++i)
            fatIds.push_back(u32(h + 0x4C + 4 * i));
        quint32 next = m_firstDifat;
        const int perSector = m_sectorSize / 4 - 1;
        quint32 seen = 0;
        while (fatIds.size() < m_fatSectors) {
            if (next > kMaxRegSect || ++seen > m_sectorCount)
                corrupt(QStringLiteral("the allocation index chain is broken"));
            const QByteArray s = sector(next);
            for (int i = 0; i < perSector && fatIds.size() < m_fatSectors; ++i)
                fatIds.push_back(u32(s.constData() + 4 * i));
            next = u32(s.constData() + 4 * perSector);
        }
        m_fat.reserve(size_t(m_fatSectors) * (m_sectorSize / 4));
        for (quint32 id : fatIds) {
            const QByteArray s = sector(id);
            for (int i = 0; i < m_sectorSize / 4; ++i)
                m_fat.push_back(u32(s.constData() + 4 * i));
        }
    }

    // Follows a chain in an allocation table; stops at its end and refuses loops and stray links.
    // A sector may hold data of one stream only (marked in owned), which also bounds what a file
    // can make the reader allocate by the file's own size. Some writers leave a chain running on past
    // the sectors its stream needs (into another stream's): only the first `needed` are followed.
    static std::vector<quint32> chain(const std::vector<quint32>& table, quint32 start, quint32 limit,
                                      const char* what, std::vector<char>* owned = nullptr,
                                      qint64 needed = -1) {
        std::vector<quint32> out;
        quint32 id = start;
        while (id != kEndOfChain && qint64(out.size()) != needed) {
            if (id >= table.size() || id >= limit)
                corrupt(QStringLiteral("a %1 chain points outside the file").arg(QLatin1String(what)));
            if (out.size() >= table.size())
                corrupt(QStringLiteral("a %1 chain loops").arg(QLatin1String(what)));
            if (owned) {
                if (owned->size() < table.size())
                    owned->resize(table.size(), 0);
                if ((*owned)[id])
                    corrupt(QStringLiteral("a %1 is used twice").arg(QLatin1String(what)));
                (*owned)[id] = 1;
            }
            out.push_back(id);
            id = table[id];
        }
        return out;
    }

    QByteArray readChain(quint32 start, qint64 size) const {
        if (size > qint64(m_sectorCount) * m_sectorSize)
            corrupt(QStringLiteral("a stream is larger than the file"));
        const std::vector<quint32> ids =
            chain(m_fat, start, m_sectorCount, "sector", &m_owned, (size + m_sectorSize - 1) / m_sectorSize);
        return joinPieces(ids, m_sectorSize, size, "a stream is longer than its sectors",
                          [this](quint32 id) { return sector(id); });
    }

    // The first size bytes of the pieces of unit bytes that ids names in turn; ids too few for the
    // size are a corrupt file.
    template <typename Piece>
    static QByteArray joinPieces(const std::vector<quint32>& ids, qint64 unit, qint64 size, const char* tooShort,
                                 Piece piece) {
        if (qint64(ids.size()) * unit < size)
            corrupt(QString::fromLatin1(tooShort));
        QByteArray out;
        out.reserve(size);
        for (quint32 id : ids) {
            if (out.size() >= size)
                break;
            out.append(piece(id));
        }
        out.truncate(size);
        return out;
    }

    qint64 m_dirOffset(quint32 index) const { return qint64(index) * kDirEntrySize; }
    const char* entry(quint32 index) const { return m_dir.constData() + m_dirOffset(index); }

    void readDirectory() {
        const std::vector<quint32> ids = chain(m_fat, m_firstDir, m_sectorCount, "directory", &m_owned);
        for (quint32 id : ids)
            m_dir.append(sector(id));
        m_dirCount = quint32(m_dir.size() / kDirEntrySize);
        if (m_dirCount == 0 || quint8(entry(0)[0x42]) != 5)
            corrupt(QStringLiteral("the root entry is missing"));
    }

    static qint64 entrySize(const char* e, int major) {
        const quint64 low = u32(e + 0x78);
        return major == 3 ? qint64(low) : qint64(low | (quint64(u32(e + 0x7C)) << 32));
    }

    void readMiniStream() {
        const char* root = entry(0);
        const qint64 size = entrySize(root, m_major);
        if (size > 0)
            m_miniStream = readChain(u32(root + 0x74), size);
        if (m_miniFatSectors > 0 || m_firstMiniFat != kEndOfChain) {
            const std::vector<quint32> ids =
                chain(m_fat, m_firstMiniFat, m_sectorCount, "mini allocation", &m_owned);
            for (quint32 id : ids) {
                const QByteArray s = sector(id);
                for (int i = 0; i < m_sectorSize / 4; ++i)
                    m_miniFat.push_back(u32(s.constData() + 4 * i));
            }
        }
    }

    QByteArray readStream(const char* e) const {
        const qint64 size = entrySize(e, m_major);
        const quint32 start = u32(e + 0x74);
        if (size == 0)
            return QByteArray();
        if (size >= m_cutoff)
            return readChain(start, size);
        const quint32 miniCount = quint32(m_miniStream.size() / kMiniSize);
        const std::vector<quint32> ids =
            chain(m_miniFat, start, miniCount, "mini sector", &m_miniOwned, (size + kMiniSize - 1) / kMiniSize);
        return joinPieces(ids, kMiniSize, size, "a small stream is longer than its sectors", [this](quint32 id) {
            return QByteArrayView(m_miniStream.constData() + qint64(id) * kMiniSize, kMiniSize);
        });
    }

    // Walks one storage's sibling tree (left, right) without recursion; descends into storages.
    void fillChildren(CompoundFile::Node& parent, quint32 first, std::vector<char>& used, int depth) {
        if (depth > 256)
            corrupt(QStringLiteral("storages nest too deep"));
        std::vector<quint32> pending;
        if (first != kNoStream)
            pending.push_back(first);
        while (!pending.empty()) {
            const quint32 index = pending.back();
            pending.pop_back();
            if (index >= m_dirCount)
                corrupt(QStringLiteral("a directory link points outside the directory"));
            if (used[index])
                corrupt(QStringLiteral("a directory entry is linked twice"));
            used[index] = 1;
            const char* e = entry(index);
            const quint8 type = quint8(e[0x42]);
            const quint16 nameBytes = u16(e + 0x40);
            if ((type != 1 && type != 2) || nameBytes < 4 || nameBytes > 64 || nameBytes % 2)
                corrupt(QStringLiteral("directory entry %1 is malformed").arg(index));
            CompoundFile::Node node;
            QString name(nameBytes / 2 - 1, Qt::Uninitialized);
            for (int i = 0; i < name.size(); ++i)
                name[i] = QChar(u16(e + 2 * i));
            node.name = name;
            node.kind = type == 1 ? CompoundFile::Kind::Storage : CompoundFile::Kind::Stream;
            if (node.kind == CompoundFile::Kind::Stream)
                node.data = readStream(e);
            else
                node.clsid = QByteArray(e + 0x50, 16);
            if (parent.child(node.name))
                corrupt(QStringLiteral("the name \"%1\" appears twice in one storage").arg(node.name));
            for (quint32 link : {u32(e + 0x44), u32(e + 0x48)})
                if (link != kNoStream)
                    pending.push_back(link);
            const quint32 child = u32(e + 0x4C);
            if (node.kind == CompoundFile::Kind::Storage)
                fillChildren(node, child, used, depth + 1);
            auto at = parent.lower(node.name);
            parent.children.insert(at, std::move(node));
        }
    }

    const QByteArray& m_image;
    int m_sectorSize = 512;
    int m_major = 3;
    quint32 m_sectorCount = 0;
    quint32 m_fatSectors = 0, m_firstDir = 0, m_cutoff = 0, m_firstMiniFat = 0, m_miniFatSectors = 0;
    quint32 m_firstDifat = 0, m_difatSectors = 0;
    std::vector<quint32> m_fat, m_miniFat;
    mutable std::vector<char> m_owned, m_miniOwned;
    QByteArray m_dir, m_miniStream;
    quint32 m_dirCount = 0;
};

// Lays a tree out as a version 3 file.
class Writer {
public:
    QByteArray Run(const CompoundFile::Node& root) {
        // Directory entries: the root first, then every storage's children as a balanced tree.
        m_entries.push_back(Entry{&root, kNoStream, kNoStream, kNoStream, 1, 0, 0});
        m_entries[0].child = addSiblings(root);

        // Stream data: small streams go to the mini stream, the rest to sectors of their own.
        qint64 miniSize = 0;
        std::vector<quint32> miniFat;
        std::vector<const Entry*> small;
        for (Entry& e : m_entries) {
            if (e.node->kind != CompoundFile::Kind::Stream)
                continue;
            const QByteArray& data = e.node->data;
            e.size = quint32(data.size());
            if (data.isEmpty()) {
                e.start = kEndOfChain;
            } else if (quint32(data.size()) < kMiniCutoff) {
                const quint32 first = quint32(miniSize / kMiniSize);
                const quint32 count = quint32((data.size() + kMiniSize - 1) / kMiniSize);
                miniSize += qint64(count) * kMiniSize;
                small.push_back(&e);
                for (quint32 i = 0; i < count; ++i)
                    miniFat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
                e.start = first;
            } else {
                e.start = allocate(data.size());
                m_big.push_back(&e);
            }
        }
        const quint32 miniStart = miniSize == 0 ? kEndOfChain : allocate(miniSize);
        m_entries[0].start = miniStart;
        m_entries[0].size = quint32(miniSize);
        const quint32 miniFatCount = quint32((miniFat.size() * 4 + 511) / 512);
        const quint32 miniFatStart = miniFatCount ? allocate(qint64(miniFatCount) * 512) : kEndOfChain;
        const quint32 dirStart = allocate(qint64(m_entries.size()) * kDirEntrySize);

        // Allocation sectors cover every sector, themselves and the index sectors included.
        quint32 fatCount = 0, difatCount = 0;
        for (;;) {
            const quint32 total = m_next + fatCount + difatCount;
            const quint32 needFat = (total + 127) / 128;
            const quint32 needDifat = needFat > kHeaderDifat ? (needFat - kHeaderDifat + 126) / 127 : 0;
            if (needFat == fatCount && needDifat == difatCount)
                break;
            fatCount = needFat;
            difatCount = needDifat;
        }
        const quint32 fatStart = m_next;
        const quint32 difatStart = fatStart + fatCount;
        const quint32 sectors = difatStart + difatCount;
        for (quint32 i = 0; i < fatCount; ++i)
            m_fat.push_back(kFatSect);
        for (quint32 i = 0; i < difatCount; ++i)
            m_fat.push_back(kDifSect);
        m_fat.resize(size_t(fatCount) * 128, kFreeSect);

        QByteArray out(512 + qint64(sectors) * 512, '\0');
        // Header.
        memcpy(out.data(), kSignature, 8);
        put16(out, 0x18, 0x3E);
        put16(out, 0x1A, 3);
        put16(out, 0x1C, 0xFFFE);
        put16(out, 0x1E, 9);
        put16(out, 0x20, 6);
        put32(out, 0x2C, fatCount);
        put32(out, 0x30, dirStart);
        put32(out, 0x38, kMiniCutoff);
        put32(out, 0x3C, miniFatStart);
        put32(out, 0x40, miniFatCount);
        put32(out, 0x44, difatCount ? difatStart : kEndOfChain);
        put32(out, 0x48, difatCount);
        for (int i = 0; i < kHeaderDifat; ++i)
            put32(out, 0x4C + 4 * i, quint32(i) < fatCount ? fatStart + i : kFreeSect);
        // Index sectors beyond the header's 109 entries.
        for (quint32 d = 0; d < difatCount; ++d) {
            const qint64 at = offset(difatStart + d);
            for (int i = 0; i < 127; ++i) {
                const quint32 fatIndex = kHeaderDifat + d * 127 + i;
                put32(out, at + 4 * i, fatIndex < fatCount ? fatStart + fatIndex : kFreeSect);
            }
            put32(out, at + 508, d + 1 < difatCount ? difatStart + d + 1 : kEndOfChain);
        }
        // Data.
        for (const Entry* e : m_big)
            memcpy(out.data() + offset(e->start), e->node->data.constData(), e->node->data.size());
        for (const Entry* e : small)
            memcpy(out.data() + offset(miniStart) + qint64(e->start) * kMiniSize, e->node->data.constData(),
                   e->node->data.size());
        for (size_t i = 0; i < miniFat.size(); ++i)
            put32(out, offset(miniFatStart) + 4 * qint64(i), miniFat[i]);
        for (quint32 i = miniFat.size(); i < miniFatCount * 128; ++i)
            put32(out, offset(miniFatStart) + 4 * qint64(i), kFreeSect);
        writeDirectory(out, offset(dirStart));
        for (quint32 i = 0; i < fatCount; ++i)
            for (int j = 0; j < 128; ++j)
                put32(out, offset(fatStart + i) + 4 * j, m_fat[size_t(i) * 128 + j]);
        return out;
    }

private:
    struct Entry {
        const CompoundFile::Node* node;
        quint32 left, right, child;
        quint8 colour; // 0 red, 1 black
        quint32 start;
        quint32 size;
    };

    static qint64 offset(quint32 sector) { return 512 + qint64(sector) * 512; }

    // A chain of consecutive sectors for size bytes -> its first sector.
    quint32 allocate(qint64 size) {
        const quint32 count = quint32((size + 511) / 512);
        const quint32 first = m_next;
        for (quint32 i = 0; i < count; ++i)
            m_fat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
        m_next += count;
        return first;
    }

    // The children of one storage as a balanced search tree; the nodes of the deepest level are red
    // when that level is not full, which keeps every path's count of black nodes equal.
    quint32 addSiblings(const CompoundFile::Node& storage) {
        const int n = int(storage.children.size());
        if (n == 0)
            return kNoStream;
        int height = 0;
        while ((1 << (height + 1)) - 1 < n)
            ++height;
        const bool full = (1 << (height + 1)) - 1 == n;
        return build(storage, 0, n, 0, height, full);
    }

    quint32 build(const CompoundFile::Node& storage, int lo, int hi, int depth, int height, bool full) {
        if (lo >= hi)
            return kNoStream;
        const int mid = lo + (hi - lo) / 2;
        const quint32 index = quint32(m_entries.size());
        m_entries.push_back(Entry{&storage.children[mid], kNoStream, kNoStream, kNoStream,
                                  quint8(depth == height && !full ? 0 : 1), 0, 0});
        const quint32 left = build(storage, lo, mid, depth + 1, height, full);
        const quint32 right = build(storage, mid + 1, hi, depth + 1, height, full);
        quint32 child = kNoStream;
        if (storage.children[mid].kind == CompoundFile::Kind::Storage)
            child = addSiblings(storage.children[mid]);
        m_entries[index].left = left;
        m_entries[index].right = right;
        m_entries[index].child = child;
        return index;
    }

    void writeDirectory(QByteArray& out, qint64 at) {
        const qint64 count = (qint64(m_entries.size()) * kDirEntrySize + 511) / 512 * 512 / kDirEntrySize;
        for (qint64 i = 0; i < count; ++i) {
            const qint64 e = at + i * kDirEntrySize;
            if (i >= qint64(m_entries.size())) {
                put32(out, e + 0x44, kNoStream);
                put32(out, e + 0x48, kNoStream);
                put32(out, e + 0x4C, kNoStream);
                continue;
            }
            const Entry& entry = m_entries[size_t(i)];
            const QString& name = entry.node->name;
            for (int c = 0; c < name.size(); ++c)
                put16(out, e + 2 * c, name[c].unicode());
            put16(out, e + 0x40, quint16((name.size() + 1) * 2));
            out[e + 0x42] = char(i == 0 ? 5 : entry.node->kind == CompoundFile::Kind::Storage ? 1 : 2);
            out[e + 0x43] = char(entry.colour);
            put32(out, e + 0x44, entry.left);
            put32(out, e + 0x48, entry.right);
            put32(out, e + 0x4C, entry.child);
            if (entry.node->kind == CompoundFile::Kind::Storage && entry.node->clsid.size() == 16)
                memcpy(out.data() + e + 0x50, entry.node->clsid.constData(), 16);
            put32(out, e + 0x74, entry.start);
            put32(out, e + 0x78, entry.size);
        }
    }

    std::vector<Entry> m_entries;
    std::vector<const Entry*> m_big;
    std::vector<quint32> m_fat;
    quint32 m_next = 0;
};

bool syncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    QByteArray temp = QFile::encodeName(dir + QLatin1Char('/') + QLatin1Char('.') + info.fileName() +
                                        QStringLiteral(".XXXXXX"));
    auto failWith = [&](const QString& what) {
        if (error)
            *error = QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    };
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return failWith(QStringLiteral("cannot write beside"));
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temp.constData());
            errno = saved;
            return failWith(QStringLiteral("cannot write"));
        }
        done += n;
    }
    // The new file takes the old one's permissions (mkstemp makes it private).
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.constData());
        errno = saved;
        return failWith(QStringLiteral("cannot sync"));
    }
    if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        const int saved = errno;
        ::unlink(temp.constData());
        errno = saved;
        return failWith(QStringLiteral("cannot replace"));
    }
    syncDirectory(dir);
    return true;
}

// Writers of one file, on any thread: one at a time, and an image older than the one on disk is
// never written over it.
struct CompoundFile::WriteOrder {
    std::mutex mutex;
    quint64 durable = 0; // generation of the image on disk
};

struct CompoundFile::Background {
    QString storage; // for a tree commit: the storage of the streams commit under way when it began
    quint64 streamsGeneration = 0; // for a tree commit: the generation of that streams commit
    QStringList names;
    StreamMaker make;
    NewStream rootStream; // a stream of the root replaced with the streams (no name: none)
    std::vector<NewStream> streams; // made by the worker, in the format's order; read once it is over
    std::shared_ptr<const Node> snapshot; // for a tree commit: the tree it writes (streams aside)
    quint64 generation = 0;
    bool onDiskThroughCommit = false; // a Commit() that held the streams reached the disk
    BackgroundDone done;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable finished;
    bool over = false;
    quint32 code = stg::S_OK;
    QString why;
};

namespace {

// Adds streams (already checked to be new) to a storage, keeping the children in the format's order.
void addStreams(CompoundFile::Node& storage, const std::vector<CompoundFile::NewStream>& streams) {
    auto& children = storage.children;
    const auto middle = children.size();
    children.reserve(children.size() + streams.size());
    for (const CompoundFile::NewStream& stream : streams) {
        CompoundFile::Node node;
        node.name = stream.name;
        node.kind = CompoundFile::Kind::Stream;
        node.data = stream.data;
        children.push_back(std::move(node));
    }
    const auto byName = [](const CompoundFile::Node& a, const CompoundFile::Node& b) {
        return CompoundFile::CompareNames(a.name, b.name) < 0;
    };
    std::sort(children.begin() + qsizetype(middle), children.end(), byName);
    std::inplace_merge(children.begin(), children.begin() + qsizetype(middle), children.end(), byName);
}

// Replaces (or adds) a stream of the root; nothing for a stream without a name.
void setRootStream(CompoundFile::Node& root, const CompoundFile::NewStream& stream) {
    if (stream.name.isEmpty())
        return;
    if (CompoundFile::Node* existing = root.child(stream.name)) {
        if (existing->kind == CompoundFile::Kind::Stream)
            existing->data = stream.data;
        return;
    }
    CompoundFile::Node node;
    node.name = stream.name;
    node.kind = CompoundFile::Kind::Stream;
    node.data = stream.data;
    root.children.insert(root.lower(node.name), std::move(node));
}

// The streams with their contents, in the format's order.
std::vector<CompoundFile::NewStream> makeStreams(const QStringList& names, const CompoundFile::StreamMaker& make) {
    std::vector<CompoundFile::NewStream> streams;
    streams.reserve(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        streams.push_back({names[i], make(size_t(i))});
    std::sort(streams.begin(), streams.end(), [](const CompoundFile::NewStream& a, const CompoundFile::NewStream& b) {
        return CompoundFile::CompareNames(a.name, b.name) < 0;
    });
    return streams;
}

quint32 writeFailureCode() {
    return errno == EACCES || errno == EPERM || errno == EROFS ? stg::ACCESSDENIED : stg::WRITEFAULT;
}

std::function<bool()>& writeGate() {
    static std::function<bool()> gate;
    return gate;
}

// Whether the write gate (tests) refuses the next write; asked before a writer waits for its turn.
bool writeRefused(const QString& path, QString& why) {
    if (!writeGate() || writeGate()())
        return false;
    why = QStringLiteral("cannot write %1: the write was refused").arg(path);
    return true;
}

// Writes an image over the file -> S_OK, or the failure with why. An image past the largest store
// is not written: it could not be opened again.
quint32 writeImage(const QString& path, const QByteArray& image, QString& why) {
    if (image.size() > CompoundFile::kMaxFileBytes) {
        why = QStringLiteral("%1 would be larger than the %2 MiB a store may hold")
                  .arg(path)
                  .arg(CompoundFile::kMaxFileBytes >> 20);
        return stg::MEDIUMFULL;
    }
    return WriteFileAtomically(path, image, &why) ? stg::S_OK : writeFailureCode();
}

// Waits at most ms (for ever when negative) until a background write is over.
bool waitOver(std::mutex& mutex, std::condition_variable& finished, const bool& over, int ms) {
    std::unique_lock lock(mutex);
    if (ms < 0) {
        finished.wait(lock, [&over] { return over; });
        return true;
    }
    return finished.wait_for(lock, std::chrono::milliseconds(ms), [&over] { return over; });
}

} // namespace

CompoundFile::CompoundFile()
    : m_root(std::make_unique<Node>()), m_committed(std::make_unique<Node>()),
      m_order(std::make_shared<WriteOrder>()), m_guard(std::make_unique<QObject>()) {
    m_root->name = QStringLiteral("Root Entry");
    *m_committed = *m_root;
}

CompoundFile::~CompoundFile() { Close(); }

quint32 CompoundFile::fail(quint32 code, const QString& why) {
    m_error = why;
    return code;
}

quint32 CompoundFile::Parse(const QByteArray& image) {
    try {
        Node root = Reader(image).Run();
        *m_root = std::move(root);
        *m_committed = *m_root;
        m_error.clear();
        return stg::S_OK;
    } catch (const ParseError& e) {
        return fail(e.code, e.why);
    } catch (const std::bad_alloc&) {
        return fail(stg::INSUFFICIENTMEMORY, QStringLiteral("out of memory"));
    }
}

QByteArray CompoundFile::Serialize() const { return Writer().Run(*m_root); }

// Takes the file's lock (LOCKVIOLATION when another process holds it, ACCESSDENIED when no lock
// file can be made); then removes what a writer that died half way through a commit left.
static std::unique_ptr<QLockFile> takeLock(const QString& path, quint32& code, QString& why) {
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // held for the file's whole life; only a dead holder's lock is stale
    if (!lock->tryLock(0)) {
        const bool held = lock->error() == QLockFile::LockFailedError;
        code = held ? stg::LOCKVIOLATION : stg::ACCESSDENIED;
        why = held ? QStringLiteral("%1 is in use by another program").arg(path)
                   : QStringLiteral("cannot make the lock file %1.lock").arg(path);
        return nullptr;
    }
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString prefix = QLatin1Char('.') + info.fileName() + QLatin1Char('.');
    for (const QString& name : dir.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
    return lock;
}

// Reads a file that may be a store: only a regular file (a FIFO, socket or device is refused as not a
// compound file, without waiting on it), whose header is a compound file's, of at most kMaxFileBytes;
// the rest is read only once the header and the size are known to be right.
static quint32 readImage(const QString& path, QByteArray& image, QString& why) {
    const QByteArray name = QFile::encodeName(path);
    const auto failWith = [&why](quint32 code, const QString& reason) {
        why = reason;
        return code;
    };
    const auto systemError = [&] {
        return failWith(errno == ENOENT ? stg::FILENOTFOUND : stg::ACCESSDENIED,
                        QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno))));
    };
    const QString notAStore = QStringLiteral("not a compound file");
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return systemError();
    if (!S_ISREG(st.st_mode))
        return failWith(stg::INVALIDHEADER, notAStore);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return systemError();
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0)
        return systemError();
    if (!S_ISREG(st.st_mode))
        return failWith(stg::INVALIDHEADER, notAStore);
    // Reads up to size bytes more -> false on an error; stops early at the end of the file.
    const auto readUpTo = [fd, &image](qint64 size) {
        const qint64 start = image.size();
        image.resize(start + size);
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, image.data() + start + done, size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                break;
            done += n;
        }
        image.resize(start + done);
        return true;
    };
    if (!readUpTo(512))
        return systemError();
    if (const QString problem = CompoundFile::HeaderProblem(image); !problem.isEmpty())
        return failWith(stg::INVALIDHEADER, problem);
    if (st.st_size > CompoundFile::kMaxFileBytes)
        return failWith(stg::INSUFFICIENTMEMORY, QStringLiteral("%1 is larger than the %2 MiB a store may hold")
                                                     .arg(path)
                                                     .arg(CompoundFile::kMaxFileBytes >> 20));
    // Only what the size said is read (the file is locked, so it does not grow meanwhile).
    if (st.st_size > 512 && !readUpTo(st.st_size - 512))
        return systemError();
    return stg::S_OK;
}

quint32 CompoundFile::Open(const QString& path) {
    Close();
    quint32 code = stg::S_OK;
    QString why;
    auto lock = takeLock(path, code, why);
    if (!lock)
        return fail(code, why);
    QByteArray image;
    code = readImage(path, image, why);
    if (stg::Failed(code))
        return fail(code, why);
    code = Parse(image);
    if (stg::Failed(code))
        return code;
    m_lock = std::move(lock);
    m_path = path;
    return stg::S_OK;
}

quint32 CompoundFile::Create(const QString& path) {
    Close();
    if (QFileInfo::exists(path))
        return fail(stg::FILEALREADYEXISTS, QStringLiteral("%1 exists").arg(path));
    quint32 code = stg::S_OK;
    QString why;
    auto lock = takeLock(path, code, why);
    if (!lock)
        return fail(code, why);
    *m_root = Node();
    m_root->name = QStringLiteral("Root Entry");
    *m_committed = *m_root;
    m_lock = std::move(lock);
    m_path = path;
    return stg::S_OK;
}

quint32 CompoundFile::Commit() {
    if (!m_lock)
        return fail(stg::REVERTED, QStringLiteral("the file is not open"));
    QByteArray image;
    if (m_background) {
        // Streams still being written in the background go into this image too (made here when the
        // worker has not finished with them).
        bool over = false;
        {
            std::lock_guard lock(m_background->mutex);
            over = m_background->over;
        }
        Node tree = *m_root;
        if (Node* storage = tree.child(m_background->storage))
            addStreams(*storage, over ? m_background->streams : makeStreams(m_background->names, m_background->make));
        setRootStream(tree, m_background->rootStream);
        image = Writer().Run(tree);
    } else {
        image = Serialize();
    }
    const quint64 generation = ++m_generation;
    QString why;
    if (writeRefused(m_path, why))
        return fail(stg::WRITEFAULT, why);
    {
        std::lock_guard lock(m_order->mutex);
        const quint32 code = writeImage(m_path, image, why);
        if (stg::Failed(code))
            return fail(code, why);
        m_order->durable = std::max(m_order->durable, generation);
    }
    if (m_background)
        m_background->onDiskThroughCommit = true;
    if (m_treeCommit)
        m_treeCommit->onDiskThroughCommit = true;
    *m_committed = *m_root;
    return stg::S_OK;
}

// On a worker: lays out the image and writes it, unless a later commit already wrote one holding
// the same changes; then records the outcome (with the streams layOut made, if any), wakes whoever
// waits for it and queues finish on this object's thread.
void CompoundFile::writeInBackground(Background& state, const QString& path, WriteOrder& order,
                                     const QPointer<QObject>& guard, quint64 generation,
                                     void (CompoundFile::*finish)(quint64), const LayOut& layOut) {
    quint32 code = stg::S_OK;
    QString why;
    std::vector<NewStream> streams;
    try {
        const QByteArray image = layOut(streams);
        if (writeRefused(path, why)) {
            code = stg::WRITEFAULT;
        } else {
            std::lock_guard lock(order.mutex);
            if (order.durable < generation) {
                code = writeImage(path, image, why);
                if (!stg::Failed(code))
                    order.durable = generation;
            }
        }
    } catch (const std::bad_alloc&) {
        code = stg::INSUFFICIENTMEMORY;
        why = QStringLiteral("out of memory");
    }
    {
        std::lock_guard lock(state.mutex);
        state.streams = std::move(streams);
        state.code = code;
        state.why = why;
        state.over = true;
    }
    state.finished.notify_all();
    if (guard)
        QMetaObject::invokeMethod(
            guard.data(), [this, finish, generation] { (this->*finish)(generation); }, Qt::QueuedConnection);
}

bool CompoundFile::CommitStreamsInBackground(const QString& storage, const QStringList& names, StreamMaker make,
                                             BackgroundDone done, NewStream rootStream) {
    if (!m_lock || m_background || names.isEmpty() || !make)
        return false;
    Node* target = m_root->child(storage);
    if (!target || target->kind != Kind::Storage)
        return false;
    if (!rootStream.name.isEmpty()) {
        const Node* existing = m_root->child(rootStream.name);
        if (!IsValidName(rootStream.name) || (existing && existing->kind != Kind::Stream))
            return false;
    }
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString folded = name.toUpper();
        if (!IsValidName(name) || seen.contains(folded) || target->child(name))
            return false;
        seen.insert(folded);
    }
    // The worker gets its own copy of the tree (the names' and streams' bytes are shared, not copied),
    // makes the new streams' contents, and lays out and writes the file.
    auto tree = std::make_shared<Node>(*m_root);
    auto background = std::make_unique<Background>();
    background->storage = storage;
    background->names = names;
    background->make = std::move(make);
    background->rootStream = std::move(rootStream);
    background->generation = ++m_generation;
    background->done = std::move(done);
    Background* state = background.get();
    QPointer<QObject> guard(m_guard.get());
    const quint64 generation = state->generation;
    background->thread = std::thread([this, state, tree, path = m_path, order = m_order, guard, generation] {
        writeInBackground(*state, path, *order, guard, generation, &CompoundFile::finishBackground,
                          [state, &tree](std::vector<NewStream>& streams) {
                              streams = makeStreams(state->names, state->make);
                              addStreams(*tree->child(state->storage), streams);
                              setRootStream(*tree, state->rootStream);
                              return Writer().Run(*tree);
                          });
    });
    m_background = std::move(background);
    return true;
}

bool CompoundFile::CommitTreeInBackground(BackgroundDone done) {
    if (!m_lock)
        return false;
    if (m_treeCommit)
        WaitForTreeCommit(-1);
    auto commit = std::make_unique<Background>();
    // The tree being written: a Revert() meanwhile comes back to it, not to the older state on disk,
    // so that the tree never goes back to what the write is about to replace.
    commit->snapshot = std::make_shared<const Node>(*m_root);
    commit->generation = ++m_generation;
    commit->done = std::move(done);
    if (m_background) {
        // Streams still being written go into this image too: should it reach the disk first, their
        // own write is skipped as older.
        commit->storage = m_background->storage;
        commit->names = m_background->names;
        commit->make = m_background->make;
        commit->rootStream = m_background->rootStream;
        commit->streamsGeneration = m_background->generation;
    }
    Background* state = commit.get();
    QPointer<QObject> guard(m_guard.get());
    const quint64 generation = state->generation;
    commit->thread = std::thread([this, state, path = m_path, order = m_order, guard, generation] {
        writeInBackground(*state, path, *order, guard, generation, &CompoundFile::finishTreeCommit,
                          [state](std::vector<NewStream>&) {
                              if (state->names.isEmpty())
                                  return Writer().Run(*state->snapshot);
                              Node tree = *state->snapshot;
                              if (Node* storage = tree.child(state->storage))
                                  addStreams(*storage, makeStreams(state->names, state->make));
                              setRootStream(tree, state->rootStream);
                              return Writer().Run(tree);
                          });
    });
    m_treeCommit = std::move(commit);
    return true;
}

bool CompoundFile::WaitForTreeCommit(int ms) {
    if (!m_treeCommit)
        return true;
    if (!waitOver(m_treeCommit->mutex, m_treeCommit->finished, m_treeCommit->over, ms))
        return false;
    finishTreeCommit(m_treeCommit->generation);
    return true;
}

void CompoundFile::finishTreeCommit(quint64 generation) {
    if (!m_treeCommit || m_treeCommit->generation != generation)
        return; // already finished by WaitForTreeCommit
    std::unique_ptr<Background> commit = std::move(m_treeCommit);
    commit->thread.join();
    quint32 code = commit->onDiskThroughCommit ? stg::S_OK : commit->code;
    QString why = commit->why;
    if (stg::Failed(code) && m_background && m_background->generation > commit->generation) {
        // Arriving mail begun after this commit holds its changes: they are on disk when its write
        // lands, and then the tree keeps them.
        waitOver(m_background->mutex, m_background->finished, m_background->over, -1);
        if (!stg::Failed(m_background->code))
            code = stg::S_OK;
    }
    if (!stg::Failed(code)) {
        // Nothing else is left uncommitted meanwhile: the tree is what is on disk.
        *m_committed = *m_root;
        if (m_background && m_background->generation == commit->streamsGeneration && !commit->names.isEmpty())
            m_background->onDiskThroughCommit = true;
        why.clear();
    } else {
        Revert();
    }
    if (commit->done)
        commit->done(code, why);
}

bool CompoundFile::WaitForBackgroundCommit(int ms) {
    if (!m_background)
        return true;
    if (!waitOver(m_background->mutex, m_background->finished, m_background->over, ms))
        return false;
    finishBackground(m_background->generation);
    return true;
}

void CompoundFile::finishBackground(quint64 generation) {
    if (!m_background || m_background->generation != generation)
        return; // already finished by WaitForBackgroundCommit
    m_background->thread.join();
    quint32 code = m_background->onDiskThroughCommit ? stg::S_OK : m_background->code;
    if (stg::Failed(code) && m_treeCommit && m_treeCommit->streamsGeneration == generation &&
        !m_treeCommit->names.isEmpty()) {
        // A tree commit under way holds these streams too: they are on disk when its write lands.
        waitOver(m_treeCommit->mutex, m_treeCommit->finished, m_treeCommit->over, -1);
        if (!stg::Failed(m_treeCommit->code))
            code = stg::S_OK;
    }
    std::unique_ptr<Background> background = std::move(m_background);
    QString why = background->why;
    if (!stg::Failed(code) && background->streams.empty())
        background->streams = makeStreams(background->names, background->make); // on disk through another write
    if (!stg::Failed(code)) {
        for (Node* tree : {m_root.get(), m_committed.get()}) {
            setRootStream(*tree, background->rootStream);
            Node* storage = tree->child(background->storage);
            if (!storage || storage->kind != Kind::Storage)
                continue;
            std::vector<NewStream> fresh;
            for (const NewStream& stream : background->streams)
                if (!storage->child(stream.name))
                    fresh.push_back(stream);
            addStreams(*storage, fresh);
        }
        why.clear();
    }
    if (background->done)
        background->done(code, why);
}

void CompoundFile::SetWriteGate(std::function<bool()> gate) { writeGate() = std::move(gate); }

void CompoundFile::Revert() { *m_root = m_treeCommit ? *m_treeCommit->snapshot : *m_committed; }

void CompoundFile::Close() {
    // A write under way is waited for (its done is not called): the file is never left to a writer
    // that no longer holds the lock.
    for (std::unique_ptr<Background>* running : {&m_background, &m_treeCommit}) {
        if (*running) {
            if ((*running)->thread.joinable())
                (*running)->thread.join();
            running->reset();
        }
    }
    m_lock.reset();
    m_path.clear();
}

CompoundFile::Node* CompoundFile::find(const QStringList& path) const {
    Node* node = m_root.get();
    for (const QString& name : path) {
        if (node->kind != Kind::Storage)
            return nullptr;
        node = node->child(name);
        if (!node)
            return nullptr;
    }
    return node;
}

bool CompoundFile::Exists(const QStringList& path, Kind kind) const {
    const Node* node = find(path);
    return node && node->kind == kind;
}

quint32 CompoundFile::List(const QStringList& storage, std::vector<Element>& out) const {
    out.clear();
    const Node* node = find(storage);
    if (!node || node->kind != Kind::Storage)
        return stg::FILENOTFOUND;
    out.reserve(node->children.size());
    for (const Node& child : node->children)
        out.push_back(Element{child.name, child.kind, child.data.size()});
    return stg::S_OK;
}

quint32 CompoundFile::ReadStream(const QStringList& stream, QByteArray& out) const {
    const Node* node = find(stream);
    if (!node || node->kind != Kind::Stream)
        return stg::FILENOTFOUND;
    out = node->data;
    return stg::S_OK;
}

quint32 CompoundFile::WriteStream(const QStringList& stream, const QByteArray& data, bool exclusive) {
    if (stream.isEmpty() || !IsValidName(stream.last()))
        return stg::INVALIDNAME;
    Node* parent = find(stream.mid(0, stream.size() - 1));
    if (!parent || parent->kind != Kind::Storage)
        return stg::FILENOTFOUND;
    if (Node* existing = parent->child(stream.last())) {
        if (exclusive || existing->kind != Kind::Stream)
            return stg::FILEALREADYEXISTS;
        existing->data = data;
        return stg::S_OK;
    }
    Node node;
    node.name = stream.last();
    node.kind = Kind::Stream;
    node.data = data;
    parent->children.insert(parent->lower(node.name), std::move(node));
    return stg::S_OK;
}

quint32 CompoundFile::CreateStorage(const QStringList& storage) {
    if (storage.isEmpty() || !IsValidName(storage.last()))
        return stg::INVALIDNAME;
    Node* parent = find(storage.mid(0, storage.size() - 1));
    if (!parent || parent->kind != Kind::Storage)
        return stg::FILENOTFOUND;
    if (parent->child(storage.last()))
        return stg::FILEALREADYEXISTS;
    Node node;
    node.name = storage.last();
    node.kind = Kind::Storage;
    parent->children.insert(parent->lower(node.name), std::move(node));
    return stg::S_OK;
}

quint32 CompoundFile::Remove(const QStringList& element) {
    if (element.isEmpty())
        return stg::INVALIDPARAMETER;
    Node* parent = find(element.mid(0, element.size() - 1));
    if (!parent || parent->kind != Kind::Storage)
        return stg::FILENOTFOUND;
    auto it = parent->lower(element.last());
    if (it == parent->children.end() || CompareNames(it->name, element.last()) != 0)
        return stg::FILENOTFOUND;
    parent->children.erase(it);
    return stg::S_OK;
}

QStringList CompoundFile::RemoveStreams(const QString& storage, const QStringList& names) {
    QStringList removed;
    Node* parent = m_root->child(storage);
    if (!parent || parent->kind != Kind::Storage)
        return removed;
    QSet<QString> wanted;
    for (const QString& name : names)
        wanted.insert(name.toUpper());
    auto& children = parent->children;
    auto end = std::remove_if(children.begin(), children.end(), [&](const Node& child) {
        if (child.kind != Kind::Stream || !wanted.contains(child.name.toUpper()))
            return false;
        removed.append(child.name);
        return true;
    });
    children.erase(end, children.end());
    return removed;
}

quint32 CompoundFile::AddStreams(const QString& storage, const std::vector<std::pair<QString, QByteArray>>& streams) {
    Node* parent = m_root->child(storage);
    if (!parent || parent->kind != Kind::Storage)
        return stg::FILENOTFOUND;
    QStringList names;
    QSet<QString> seen;
    for (const auto& [name, data] : streams) {
        if (!IsValidName(name))
            return stg::INVALIDNAME;
        if (seen.contains(name.toUpper()) || parent->child(name))
            return stg::FILEALREADYEXISTS;
        seen.insert(name.toUpper());
        names.append(name);
    }
    addStreams(*parent, makeStreams(names, [&streams](size_t i) { return streams[i].second; }));
    return stg::S_OK;
}

bool CompoundFile::IsValidName(QStringView name) {
    if (name.isEmpty() || name.size() > 31)
        return false;
    for (QChar c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c.unicode() == 0)
            return false;
    return true;
}

int CompoundFile::CompareNames(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    auto upper = [](char16_t c) -> char32_t {
        if (c < 0x80)
            return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
        return QChar::toUpper(char32_t(c));
    };
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char32_t x = upper(a[i].unicode());
        const char32_t y = upper(b[i].unicode());
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace platform
