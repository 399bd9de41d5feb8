#include "platform/CompoundFile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::CompoundFile;
namespace stg = platform::stg;

namespace {

QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7) % 251);
    return bytes;
}

QString dataFile(const char* name) {
    return qEnvironmentVariable("NORVALE_TEST_SOURCE_DIR") + QStringLiteral("/tests/mail/data/") +
           QLatin1String(name);
}

QByteArray reparse(const CompoundFile& file, CompoundFile& into) {
    const QByteArray image = file.Serialize();
    EXPECT_EQ(into.Parse(image), stg::S_OK) << into.error().toStdString();
    return image;
}

TEST(CompoundFile, NameOrderAndValidity) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int order;
    } cases[] = {
        {u"Inbox", u"INBOX", 0}, {u"Bob", u"bob", 0}, {u"Zed", u"Inbox", -1}, {u"abc", u"ABD", -1},
        {u"Outbox", u"Inbox", 1}, {u"\u00e9t\u00e9", u"\u00c9T\u00c9", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompoundFile::CompareNames(QString::fromUtf16(c.a), QString::fromUtf16(c.b)), c.order)
            << QString::fromUtf16(c.a).toStdString();
        EXPECT_EQ(CompoundFile::CompareNames(QString::fromUtf16(c.b), QString::fromUtf16(c.a)), -c.order);
    }
    struct NameCase {
        QString name;
        bool valid;
    } names[] = {
        {QString(31, u'a'), true}, {QString(32, u'a'), false}, {QString(), false}, {QStringLiteral("a/b"), false},
        {QStringLiteral("a\\b"), false}, {QStringLiteral("a:b"), false}, {QStringLiteral("a!"), false},
        {QStringLiteral("Deleted Items"), true},
    };
    for (const NameCase& c : names)
        EXPECT_EQ(CompoundFile::IsValidName(c.name), c.valid) << c.name.toStdString();
}

TEST(CompoundFile, TreeOperations) {
    CompoundFile file;
    EXPECT_EQ(file.CreateStorage({QStringLiteral("Inbox")}), stg::S_OK);
    EXPECT_EQ(file.CreateStorage({QStringLiteral("INBOX")}), stg::FILEALREADYEXISTS);
    EXPECT_EQ(file.WriteStream({QStringLiteral("inbox"), QStringLiteral("m1")}, "one"), stg::S_OK);
    EXPECT_EQ(file.WriteStream({QStringLiteral("Inbox"), QStringLiteral("M1")}, "two", true), stg::FILEALREADYEXISTS);
    EXPECT_EQ(file.WriteStream({QStringLiteral("Inbox")}, "x"), stg::FILEALREADYEXISTS);
    EXPECT_EQ(file.WriteStream({QStringLiteral("Nowhere"), QStringLiteral("m")}, "x"), stg::FILENOTFOUND);
    EXPECT_EQ(file.WriteStream({QString(32, u'n')}, "x"), stg::INVALIDNAME);
    QByteArray data;
    EXPECT_EQ(file.ReadStream({QStringLiteral("INBOX"), QStringLiteral("M1")}, data), stg::S_OK);
    EXPECT_EQ(data, "one");
    EXPECT_EQ(file.ReadStream({QStringLiteral("Inbox")}, data), stg::FILENOTFOUND);
    EXPECT_EQ(file.Remove({QStringLiteral("Inbox"), QStringLiteral("m2")}), stg::FILENOTFOUND);
    EXPECT_EQ(file.Remove({QStringLiteral("inbox")}), stg::S_OK);
    EXPECT_FALSE(file.Exists({QStringLiteral("Inbox"), QStringLiteral("m1")}, CompoundFile::Kind::Stream));
    file.Revert();
    EXPECT_FALSE(file.Exists({QStringLiteral("Inbox")}, CompoundFile::Kind::Storage));
}

TEST(CompoundFile, RoundTripsEverySize) {
    // Empty, mini-stream, the cut-off either side, many sectors, and enough sectors that the
    // allocation table needs index sectors past the header's 109.
    const int sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 70000, 7400000};
    CompoundFile file;
    ASSERT_EQ(file.CreateStorage({QStringLiteral("S")}), stg::S_OK);
    for (int size : sizes)
        ASSERT_EQ(file.WriteStream({QStringLiteral("S"), QStringLiteral("P%1").arg(size)}, pattern(size)), stg::S_OK);
    CompoundFile back;
    const QByteArray image = reparse(file, back);
    EXPECT_EQ(image.size() % 512, 0);
    for (int size : sizes) {
        QByteArray data;
        ASSERT_EQ(back.ReadStream({QStringLiteral("S"), QStringLiteral("P%1").arg(size)}, data), stg::S_OK);
        EXPECT_EQ(data, pattern(size)) << size;
    }
    EXPECT_EQ(image, back.Serialize());
}

TEST(CompoundFile, ManySiblingsKeepTheirOrder) {
    for (int count : {1, 2, 3, 7, 8, 100, 1000}) {
        CompoundFile file;
        ASSERT_EQ(file.CreateStorage({QStringLiteral("F")}), stg::S_OK);
        for (int i = 0; i < count; ++i)
            file.WriteStream({QStringLiteral("F"), QStringLiteral("m%1").arg(i * 7919 % 100003)}, QByteArray::number(i));
        CompoundFile back;
        reparse(file, back);
        std::vector<CompoundFile::Element> a, b;
        file.List({QStringLiteral("F")}, a);
        back.List({QStringLiteral("F")}, b);
        ASSERT_EQ(b.size(), size_t(count));
        for (size_t i = 0; i < a.size(); ++i)
            EXPECT_EQ(a[i].name, b[i].name);
        for (size_t i = 1; i < b.size(); ++i)
            EXPECT_LT(CompoundFile::CompareNames(b[i - 1].name, b[i].name), 0);
    }
}

TEST(CompoundFile, DamagedImagesAreRefused) {
    CompoundFile good;
    good.CreateStorage({QStringLiteral("S")});
    good.WriteStream({QStringLiteral("S"), QStringLiteral("small")}, pattern(100));
    good.WriteStream({QStringLiteral("big")}, pattern(5000));
    const QByteArray image = good.Serialize();
    auto patched = [&](int at, QByteArray bytes) {
        QByteArray copy = image;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    const QByteArray le = QByteArray::fromHex("ffffff7f");
    struct Case {
        const char* what;
        QByteArray image;
        quint32 code;
    } cases[] = {
        {"empty", QByteArray(), stg::INVALIDHEADER},
        {"bad signature", patched(0, "XX"), stg::INVALIDHEADER},
        {"version 5", patched(0x1A, QByteArray::fromHex("0500")), stg::INVALIDHEADER},
        {"sector size 1024", patched(0x1E, QByteArray::fromHex("0a00")), stg::INVALIDHEADER},
        {"huge table count", patched(0x2C, le), stg::DOCFILECORRUPT},
        {"directory outside", patched(0x30, le), stg::DOCFILECORRUPT},
        {"table sector outside", patched(0x4C, le), stg::DOCFILECORRUPT},
        {"truncated to the header", image.left(512), stg::DOCFILECORRUPT},
        {"cut-off changed", patched(0x38, QByteArray::fromHex("00020000")), stg::DOCFILECORRUPT},
    };
    for (const Case& c : cases) {
        CompoundFile file;
        EXPECT_EQ(file.Parse(c.image), c.code) << c.what;
        EXPECT_FALSE(file.error().isEmpty()) << c.what;
    }
    // Every single-byte change and every truncation is either read or refused, never a crash.
    for (int i = 0; i < image.size(); i += 3) {
        QByteArray copy = image;
        copy[i] = char(copy[i] ^ 0x5A);
        CompoundFile file;
        file.Parse(copy);
        file.Parse(image.left(i));
    }
}

TEST(CompoundFile, LoopingChainsEnd) {
    CompoundFile good;
    good.WriteStream({QStringLiteral("big")}, pattern(5000));
    QByteArray image = good.Serialize();
    // The table sector's first entry points back at itself: the stream's chain loops.
    const quint32 fatSector = qFromLittleEndian<quint32>(image.constData() + 0x4C);
    const qint64 fat = 512 + qint64(fatSector) * 512;
    qToLittleEndian<quint32>(0, image.data() + fat);
    CompoundFile file;
    EXPECT_EQ(file.Parse(image), stg::DOCFILECORRUPT);
}

TEST(CompoundFile, SharedSectorsAreRefused) {
    // Two streams claiming the same sectors would let a small file make the reader allocate without
    // bound; each sector belongs to one stream.
    for (int size : {5000, 100}) {
        CompoundFile good;
        good.WriteStream({QStringLiteral("a")}, pattern(size));
        good.WriteStream({QStringLiteral("b")}, pattern(size));
        QByteArray image = good.Serialize();
        const qint64 dir = 512 + qint64(qFromLittleEndian<quint32>(image.constData() + 0x30)) * 512;
        quint32 startOfA = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < 4; ++i) {
                char* e = image.data() + dir + i * 128;
                if (pass == 0 && e[0] == 'a' && e[1] == 0)
                    startOfA = qFromLittleEndian<quint32>(e + 0x74);
                if (pass == 1 && e[0] == 'b' && e[1] == 0)
                    qToLittleEndian<quint32>(startOfA, e + 0x74);
            }
        }
        CompoundFile file;
        EXPECT_EQ(file.Parse(image), stg::DOCFILECORRUPT) << size;
    }
}

TEST(CompoundFile, ReadsFilesOfOtherWriters) {
    for (const char* name : {"gsf-v3.nvm", "gsf-v4.nvm", "storage-lite.nvm"}) {
        QFile source(dataFile(name));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << name;
        CompoundFile file;
        ASSERT_EQ(file.Parse(source.readAll()), stg::S_OK) << name << " " << file.error().toStdString();
        std::vector<CompoundFile::Element> root;
        file.List({}, root);
        QStringList names;
        for (const auto& e : root)
            names << e.name;
        EXPECT_TRUE(names.contains(QStringLiteral("StorageFolders"))) << name;
        EXPECT_TRUE(file.Exists({QStringLiteral("AddressBooks"), QStringLiteral("Default")}, CompoundFile::Kind::Stream));
        QByteArray data;
        const bool gsf = QByteArray(name).startsWith("gsf");
        if (gsf) {
            for (int size : {4095, 4096, 70000}) {
                ASSERT_EQ(file.ReadStream({QStringLiteral("Archive"), QStringLiteral("Pattern%1").arg(size)}, data),
                          stg::S_OK);
                EXPECT_EQ(data, pattern(size)) << name << size;
            }
        } else {
            ASSERT_EQ(file.ReadStream({QStringLiteral("Pattern10000")}, data), stg::S_OK);
            EXPECT_EQ(data, pattern(10000));
        }
        // Written back by us, it reads the same.
        CompoundFile back;
        reparse(file, back);
        EXPECT_EQ(back.Serialize(), file.Serialize()) << name;
    }
}

TEST(CompoundFile, FileCommitAndLock) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.nvm"));
    CompoundFile first;
    ASSERT_EQ(first.Create(path), stg::S_OK);
    EXPECT_EQ(first.Commit(), stg::S_OK);
    ASSERT_EQ(first.WriteStream({QStringLiteral("a")}, "committed"), stg::S_OK);
    ASSERT_EQ(first.Commit(), stg::S_OK);
    ASSERT_EQ(first.WriteStream({QStringLiteral("b")}, "not committed"), stg::S_OK);

    CompoundFile second;
    EXPECT_EQ(second.Open(path), stg::LOCKVIOLATION);
    EXPECT_EQ(second.Create(path), stg::FILEALREADYEXISTS);
    first.Close();
    ASSERT_EQ(second.Open(path), stg::S_OK);
    EXPECT_TRUE(second.Exists({QStringLiteral("a")}, CompoundFile::Kind::Stream));
    EXPECT_FALSE(second.Exists({QStringLiteral("b")}, CompoundFile::Kind::Stream));
    second.Close();

    // A file that cannot be read is refused and left as it is.
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a compound file");
    damaged.close();
    CompoundFile third;
    EXPECT_EQ(third.Open(path), stg::INVALIDHEADER);
    EXPECT_FALSE(third.IsOpen());
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "not a compound file");
}

} // namespace

// Streams written in the background are in the tree only once they are on disk; a commit made while
// they are being written holds them too; a write that fails leaves the tree as it was.
TEST(CompoundFile, StreamsCommittedInTheBackgroundJoinTheTreeOnceOnDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("store/bg.nvm");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("store")));
    CompoundFile file;
    ASSERT_EQ(file.Create(path), stg::S_OK);
    ASSERT_EQ(file.CreateStorage({"Inbox"}), stg::S_OK);
    ASSERT_EQ(file.Commit(), stg::S_OK);
    const auto onDisk = [&path](const QString& name) {
        QFile image(path);
        CompoundFile read;
        return image.open(QIODevice::ReadOnly) && read.Parse(image.readAll()) == stg::S_OK &&
               read.Exists({"Inbox", name}, CompoundFile::Kind::Stream);
    };
    const auto make = [](size_t i) { return QByteArray(5000, char('a' + i)); };
    std::vector<quint32> results;
    const auto done = [&results](quint32 code, const QString&) { results.push_back(code); };

    // Names that are taken, repeated or not valid start nothing.
    EXPECT_FALSE(file.CommitStreamsInBackground("Inbox", {"x", "X"}, make, done));
    EXPECT_FALSE(file.CommitStreamsInBackground("Inbox", {"a:b"}, make, done));
    EXPECT_FALSE(file.CommitStreamsInBackground("Missing", {"a"}, make, done));

    ASSERT_TRUE(file.CommitStreamsInBackground("Inbox", {"a", "b"}, make, done));
    EXPECT_FALSE(file.CommitStreamsInBackground("Inbox", {"z"}, make, done)) << "one at a time";
    EXPECT_FALSE(file.Exists({"Inbox", "a"}, CompoundFile::Kind::Stream));
    ASSERT_EQ(file.WriteStream({"Inbox", "c"}, "sync"), stg::S_OK);
    ASSERT_EQ(file.Commit(), stg::S_OK);
    EXPECT_TRUE(onDisk("a") && onDisk("b") && onDisk("c"));
    ASSERT_TRUE(file.WaitForBackgroundCommit(10000));
    ASSERT_EQ(results, std::vector<quint32>{stg::S_OK});
    QByteArray data;
    ASSERT_EQ(file.ReadStream({"Inbox", "b"}, data), stg::S_OK);
    EXPECT_EQ(data, QByteArray(5000, 'b'));
    file.Revert(); // the committed state holds them too
    EXPECT_TRUE(file.Exists({"Inbox", "a"}, CompoundFile::Kind::Stream));
    EXPECT_TRUE(onDisk("a") && onDisk("c"));

    // The folder has gone: the write fails and nothing joins the tree.
    ASSERT_TRUE(QDir(dir.filePath("store")).removeRecursively());
    ASSERT_TRUE(file.CommitStreamsInBackground("Inbox", {"d"}, make, done));
    ASSERT_TRUE(file.WaitForBackgroundCommit(10000));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(stg::Failed(results.back()));
    EXPECT_FALSE(file.Exists({"Inbox", "d"}, CompoundFile::Kind::Stream));
}

// A tree committed in the background: the changes show at once and reach the disk with the streams of
// arriving mail being written meanwhile; a write that fails takes the changes back.
TEST(CompoundFile, ATreeCommittedInTheBackgroundHoldsTheStreamsBeingWrittenAndUndoesAFailure) {
    QTemporaryDir dir;
    const QString path = dir.filePath("store/tree.nvm");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("store")));
    CompoundFile file;
    ASSERT_EQ(file.Create(path), stg::S_OK);
    ASSERT_EQ(file.CreateStorage({"Inbox"}), stg::S_OK);
    for (const char* name : {"a", "b", "c"})
        ASSERT_EQ(file.WriteStream({"Inbox", name}, QByteArray(3000, name[0])), stg::S_OK);
    ASSERT_EQ(file.Commit(), stg::S_OK);
    const auto onDisk = [&path]() {
        QStringList names;
        QFile image(path);
        CompoundFile read;
        std::vector<CompoundFile::Element> inbox;
        if (image.open(QIODevice::ReadOnly) && read.Parse(image.readAll()) == stg::S_OK)
            read.List({"Inbox"}, inbox);
        for (const auto& element : inbox)
            names << element.name;
        return names;
    };
    std::vector<quint32> streams, trees;
    ASSERT_TRUE(file.CommitStreamsInBackground("Inbox", {"n"}, [](size_t) { return QByteArray(4000, 'n'); },
                                               [&streams](quint32 code, const QString&) { streams.push_back(code); }));
    ASSERT_EQ(file.Remove({"Inbox", "a"}), stg::S_OK);
    ASSERT_TRUE(file.CommitTreeInBackground([&trees](quint32 code, const QString&) { trees.push_back(code); }));
    EXPECT_TRUE(file.IsTreeCommitRunning());
    EXPECT_FALSE(file.Exists({"Inbox", "a"}, CompoundFile::Kind::Stream)); // at once
    ASSERT_TRUE(file.WaitForTreeCommit(10000));
    ASSERT_TRUE(file.WaitForBackgroundCommit(10000));
    EXPECT_EQ(trees, std::vector<quint32>{stg::S_OK});
    EXPECT_EQ(streams, std::vector<quint32>{stg::S_OK});
    EXPECT_EQ(onDisk(), QStringList({"b", "c", "n"}));
    file.Revert(); // what is on disk is the committed state
    EXPECT_FALSE(file.Exists({"Inbox", "a"}, CompoundFile::Kind::Stream));
    EXPECT_TRUE(file.Exists({"Inbox", "n"}, CompoundFile::Kind::Stream));

    // The folder has gone: the write fails and the tree is as it was.
    ASSERT_TRUE(QDir(dir.filePath("store")).removeRecursively());
    ASSERT_EQ(file.Remove({"Inbox", "b"}), stg::S_OK);
    ASSERT_TRUE(file.CommitTreeInBackground([&trees](quint32 code, const QString&) { trees.push_back(code); }));
    ASSERT_TRUE(file.WaitForTreeCommit(10000));
    ASSERT_EQ(trees.size(), 2u);
    EXPECT_TRUE(stg::Failed(trees.back()));
    EXPECT_TRUE(file.Exists({"Inbox", "b"}, CompoundFile::Kind::Stream));
}
