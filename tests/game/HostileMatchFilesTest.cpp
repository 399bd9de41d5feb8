// Match and proposition files made the way a hostile one would be: each is refused in bounded memory,
// with a message that names the file, and the document keeps what it held.

#include "GameDocTestUtil.h"

#include "BoardTestUtil.h"
#include "platform/Archive.h"
#include "support/PeakMemory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The head of a match file up to (not including) the player list.
platform::ArchiveWriter MatchHead() {
    platform::ArchiveWriter w;
    w.WriteString(".gb.Ann.Bob");
    w.WriteString(CBackgammonDoc::kFileTag);
    CBGRuleOptions::Values v;
    v.matchLength = 5;
    w.WriteString(CBGRuleOptions(v).FormatText());
    return w;
}

// A whole match file whose record claims count entries and holds what fill writes.
QByteArray MatchWithRecord(quint32 count, const std::function<void(platform::ArchiveWriter&)>& fill) {
    platform::ArchiveWriter w = MatchHead();
    w.WriteStringList({"Ann", "Bob"});
    w.WriteInt32(0);
    for (int i = 0; i < 4; ++i)
        w.WriteString("");
    w.WriteUInt32(count);
    fill(w);
    return w.data();
}

} // namespace

TEST(HostileMatchFiles, AreRefusedInBoundedMemoryNamingTheFile) {
    struct Case {
        const char* what;
        std::function<QByteArray()> make;
        const char* message; // part of the message after the file's name
    };
    const std::vector<Case> cases = {
        {"64 MB of a string list's one-byte prefixes",
         [] {
             platform::ArchiveWriter w = MatchHead();
             w.WriteUInt16(0xFFFF);
             w.WriteUInt32(64u << 20);
             return w.data() + QByteArray(64 << 20, '\0');
         },
         "is too large to be a match file"},
        {"three million players in 3 MB",
         [] {
             platform::ArchiveWriter w = MatchHead();
             w.WriteUInt16(0xFFFF);
             w.WriteUInt32(3u << 20);
             return w.data() + QByteArray(3 << 20, '\0');
         },
         "is damaged or is not a backgammon match"},
        {"three players",
         [] {
             platform::ArchiveWriter w = MatchHead();
             w.WriteStringList({"Ann", "Bob", "Cy"});
             return w.data();
         },
         "is damaged or is not a backgammon match"},
        {"a record of a million empty entries, one short",
         [] {
             return MatchWithRecord(1000000, [](platform::ArchiveWriter& w) {
                 w.WriteBytes(QByteArray(999999 * 4, '\0'));
             });
         },
         "is damaged or is not a backgammon match"},
        {"a record of a million empty entries without its marks",
         [] {
             return MatchWithRecord(1000000, [](platform::ArchiveWriter& w) {
                 w.WriteBytes(QByteArray(1000000 * 4, '\0'));
             });
         },
         "is damaged or is not a backgammon match"},
        {"more marks than entries",
         [] {
             return MatchWithRecord(0, [](platform::ArchiveWriter& w) {
                 w.WriteUInt32(3 << 20);
                 w.WriteBytes(QByteArray(3 << 20, '\1'));
             });
         },
         "is damaged or is not a backgammon match"},
    };

    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.cbg");
    const QString good = dir.filePath("good.cbg");
    WriteAll(good, MatchWithRecord(1, [](platform::ArchiveWriter& w) {
        w.WriteUInt16(217);
        w.WriteString("1 roll 3 4");
        w.WriteString("Ann");
        w.WriteUInt32(0);
    }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBackgammonDoc doc;
        ASSERT_TRUE(doc.LoadMatchFile(good));
        WriteAll(path, c.make());
        PeakMemoryProbe memory;
        QString error;
        EXPECT_FALSE(doc.LoadMatchFile(path, &error));
        if (memory.Available()) {
            EXPECT_LT(memory.ExtraMegabytes(), 100.0);
        }
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_TRUE(error.contains(c.message)) << error.toStdString();
        // The document still holds the match it had.
        EXPECT_EQ(doc.GetPathName(), good);
        EXPECT_EQ(doc.GetMatchRecord().GetCount(), 1);
        EXPECT_EQ(doc.GetPlayers(), QStringList({"Ann", "Bob"}));
    }
}

TEST(HostileMatchFiles, PropositionFilesAreRefusedNamingTheFile) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* message;
    };
    platform::ArchiveWriter sound;
    sound.WriteString(".gp.Black.White");
    sound.WriteString("board text");
    const std::vector<Case> cases = {
        {"a sound file", sound.data(), nullptr},
        {"2 MB", sound.data() + QByteArray(2 << 20, 'x'), "is too large to be a proposition file"},
        {"a length past the end", QByteArray("\x0f.gp.Black.White\xff\x00\x10", 19),
         "is damaged or is not a proposition file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath("position.bgp");
        WriteAll(path, c.bytes);
        QString error;
        const QString text = LoadBoardFileText(path, &error);
        if (!c.message) {
            EXPECT_EQ(text, "board text");
            EXPECT_TRUE(error.isEmpty());
            continue;
        }
        EXPECT_TRUE(text.isEmpty());
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_TRUE(error.contains(c.message)) << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(LoadBoardFileText(dir.filePath("missing.bgp"), &error).isEmpty());
    EXPECT_TRUE(error.contains("missing.bgp"));
}
