#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/PeakMemory.h"

#include <atomic>
#include <thread>
#include <vector>

using platform::Registry;

namespace {

const QString kKey = QStringLiteral("Software\\Harrowgate\\Norvale\\MOST_RECENT\\CChatView");

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

TEST(Registry, TypedValuesAndNamesWithoutRegardToCase) {
    Registry registry;
    registry.SetDWord(kKey, "nFontSize", 12);
    registry.SetString(kKey, "Font", "Arial");

    EXPECT_EQ(registry.GetDWord(kKey.toUpper(), "NFONTSIZE"), 12u);
    EXPECT_EQ(registry.GetString("software\\harrowgate\\norvale\\most_recent\\cchatview", "font"), "Arial");
    // The other type reads as absent; so does anything never written.
    EXPECT_FALSE(registry.GetString(kKey, "nFontSize"));
    EXPECT_FALSE(registry.GetDWord(kKey, "Font"));
    EXPECT_FALSE(registry.GetDWord(kKey, "missing"));
    EXPECT_FALSE(registry.GetDWord(kKey + "\\Sub", "nFontSize"));

    // A write under another spelling replaces the value (and its type) but keeps the first spelling.
    registry.SetString("SOFTWARE\\HARROWGATE\\NORVALE\\MOST_RECENT\\CCHATVIEW", "NFONTSIZE", "big");
    EXPECT_EQ(registry.GetString(kKey, "nFontSize"), "big");
    EXPECT_FALSE(registry.GetDWord(kKey, "nFontSize"));
    EXPECT_EQ(registry.ValueNames(kKey), QStringList({"Font", "nFontSize"}));
    EXPECT_EQ(registry.SubKeyNames("Software\\Harrowgate\\Norvale"), QStringList({"MOST_RECENT"}));
    // Doubled and outer separators do not make other keys.
    EXPECT_EQ(registry.GetString("\\Software\\\\Harrowgate\\Norvale\\MOST_RECENT\\CChatView\\", "Font"), "Arial");
}

TEST(Registry, DeletingValuesAndKeys) {
    Registry registry;
    registry.SetDWord(kKey, "a", 1);
    registry.SetDWord(kKey + "\\Deeper", "b", 2);
    EXPECT_TRUE(registry.DeleteValue(kKey, "A"));
    EXPECT_FALSE(registry.DeleteValue(kKey, "A"));
    EXPECT_FALSE(registry.DeleteValue(kKey + "\\Nowhere", "a"));
    EXPECT_TRUE(registry.KeyExists(kKey + "\\deeper"));
    EXPECT_TRUE(registry.DeleteKey("Software\\Harrowgate\\Norvale\\most_recent"));
    EXPECT_FALSE(registry.KeyExists(kKey));
    EXPECT_FALSE(registry.GetDWord(kKey + "\\Deeper", "b"));
    EXPECT_FALSE(registry.DeleteKey("Software\\Harrowgate\\Norvale\\MOST_RECENT"));
    EXPECT_FALSE(registry.DeleteKey(""));
    EXPECT_TRUE(registry.KeyExists("Software\\Harrowgate\\Norvale"));
}

TEST(Registry, ExportLayout) {
    Registry registry;
    registry.SetString("Software\\Harrowgate\\Norvale\\Ann\\Macros", "F1", "say \"hi\"\\n");
    registry.SetDWord("Software\\Harrowgate\\Norvale\\Ann\\Macros", "nCount", 0xFFFFFFFF);
    registry.SetDWord("Software\\Harrowgate\\Norvale\\Ann\\Macros", "bOn", 1);
    registry.SetString("Software\\Harrowgate\\Norvale\\Ann\\Layout", "", QString("a\x01" "b\nc\td\r"));
    registry.SetString("Software\\Harrowgate\\Norvale\\Ann\\Layout", "Name", QString::fromUtf8("Zo\xC3\xAB"));

    // Keys that only hold other keys get no section of their own.
    const QByteArray expected = "REGEDIT4\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Harrowgate\\Norvale\\Ann\\Layout]\n"
                                "@=\"a\\x01b\\nc\\td\\r\"\n"
                                "\"Name\"=\"Zo\xC3\xAB\"\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Harrowgate\\Norvale\\Ann\\Macros]\n"
                                "\"bOn\"=dword:00000001\n"
                                "\"F1\"=\"say \\\"hi\\\"\\\\n\"\n"
                                "\"nCount\"=dword:ffffffff\n"
                                "\n";
    EXPECT_EQ(registry.ExportText(), expected);

    Registry copy;
    EXPECT_EQ(copy.ImportText(expected), 0);
    EXPECT_EQ(copy.ExportText(), expected);
    EXPECT_EQ(copy.GetString("Software\\Harrowgate\\Norvale\\Ann\\Layout", ""), QString("a\x01" "b\nc\td\r"));
    EXPECT_EQ(copy.GetDWord("Software\\Harrowgate\\Norvale\\Ann\\Macros", "nCount"), 0xFFFFFFFFu);

    // Characters beyond the basic plane (two UTF-16 units) survive whole, in names as in values.
    const QString dice = QString::fromUtf8("\xF0\x9F\x8E\xB2");
    Registry wide;
    wide.SetString("K\\" + dice, "roll " + dice, dice + "\"" + dice);
    EXPECT_TRUE(wide.ExportText().contains("\"roll \xF0\x9F\x8E\xB2\"=\"\xF0\x9F\x8E\xB2\\\"\xF0\x9F\x8E\xB2\"\n"));
    Registry back;
    EXPECT_EQ(back.ImportText(wide.ExportText()), 0);
    EXPECT_EQ(back.GetString("K\\" + dice, "ROLL " + dice), dice + "\"" + dice);
}

TEST(Registry, LenientReadingKeepsWhatItCanAndTheDamagedFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    const QByteArray damaged = "\xEF\xBB\xBFREGEDIT4\r\n"
                               "\"orphan\"=dword:00000001\r\n"          // before any key
                               "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                               "\"good\"=dword:0000002a\r\n"
                               "; a comment line\r\n"
                               "\"short\"=dword:7\r\n"
                               "\"toolong\"=dword:123456789\r\n"
                               "\"nothex\"=dword:12g4\r\n"
                               "\"unclosed\"=\"text\r\n"
                               "\"trailing\"=\"text\" junk\r\n"
                               "\"bin\"=hex:01,02,\\\r\n"
                               "  03,04\r\n"
                               "\"str\"=\"still \\\"here\\\"\"\r\n"
                               "@=\"default\"\r\n"
                               "\"badescape\"=\"\\x4\"\r\n"
                               "garbage \x01\x02\xFF\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
                               "\"elsewhere\"=dword:00000001\r\n"
                               "[-HKEY_CURRENT_USER\\Software\\C]\r\n"
                               "[HKEY_CURRENT_USER\\Software\\D\r\n"
                               "\"afterbadkey\"=dword:00000001\r\n"
                               "[HKCU\\Software\\E]\r\n"
                               "\"ok\"=\"yes\"\r\n";
    writeFile(path, damaged);

    Registry registry(path);
    ASSERT_TRUE(registry.Load());
    EXPECT_EQ(registry.GetDWord("Software\\A", "good"), 42u);
    EXPECT_EQ(registry.GetDWord("Software\\A", "short"), 7u);
    EXPECT_EQ(registry.GetString("Software\\A", "str"), "still \"here\"");
    EXPECT_EQ(registry.GetString("Software\\A", ""), "default");
    EXPECT_EQ(registry.GetString("Software\\E", "ok"), "yes");
    EXPECT_EQ(registry.ValueNames("Software\\A"), QStringList({"", "good", "short", "str"}));
    EXPECT_FALSE(registry.KeyExists("Software\\B"));
    EXPECT_FALSE(registry.KeyExists("Software\\D"));
    EXPECT_EQ(registry.SkippedLineCount(), 13);
    EXPECT_FALSE(registry.IsModified());

    // The file as it was stays beside the one the next save writes.
    EXPECT_EQ(readFile(path + ".damaged"), damaged);
    registry.SetDWord("Software\\A", "new", 1);
    ASSERT_TRUE(registry.Save());
    EXPECT_EQ(readFile(path + ".damaged"), damaged);
    Registry reread(path);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.SkippedLineCount(), 0);
    EXPECT_EQ(reread.ExportText(), registry.ExportText());
}

TEST(Registry, BinaryJunkNeverCrashesTheReader) {
    QByteArray junk;
    quint32 seed = 12345;
    static const char alphabet[] = "[]\"\\=@:\n\rdwordhex,x0aF ";
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const char pick = alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        junk += (seed & 0x100) ? pick : char(seed >> 24);
    }
    Registry registry;
    registry.ImportText("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n" + junk);
    Registry again;
    again.ImportText(registry.ExportText());
    EXPECT_EQ(again.ExportText(), registry.ExportText()); // whatever was kept is written back faithfully
}

TEST(Registry, SavingIsAtomicAndPrivate) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    Registry registry(path);
    ASSERT_TRUE(registry.Load()); // no file yet: an empty tree
    EXPECT_FALSE(registry.IsModified());
    registry.SetDWord("K", "v", 5);
    EXPECT_TRUE(registry.IsModified());
    ASSERT_TRUE(registry.Save());
    EXPECT_FALSE(registry.IsModified());
    EXPECT_EQ(readFile(path), registry.ExportText());
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"settings.reg"}));

    // Writing the same value again is no change.
    registry.SetDWord("k", "V", 5);
    EXPECT_FALSE(registry.IsModified());

    // A save into a folder that has gone fails, and the tree stays marked for the next attempt.
    Registry lost(dir.filePath("gone/settings.reg"));
    lost.SetDWord("K", "v", 1);
    EXPECT_FALSE(lost.Save());
    EXPECT_TRUE(lost.IsModified());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("gone")));
}

TEST(Registry, AFileThatCannotBeReadIsNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    // Something that exists at the path but cannot be opened as a file (even by root).
    ASSERT_TRUE(QDir(dir.path()).mkpath("settings.reg/inside"));
    Registry registry(path);
    EXPECT_FALSE(registry.Load());
    registry.SetDWord("K", "v", 1);
    EXPECT_FALSE(registry.Save());
    EXPECT_TRUE(QFileInfo(path + "/inside").isDir());
}

TEST(Registry, ChangeHandlerRunsOnRealChangesOnly) {
    Registry registry;
    int calls = 0;
    registry.SetChangeHandler([&] { ++calls; });
    registry.SetDWord("K", "v", 1);
    registry.SetDWord("K", "v", 1);
    registry.SetString("K", "v", "1");
    registry.DeleteValue("K", "missing");
    registry.DeleteValue("K", "v");
    registry.SetString("K", "v", "x");
    registry.Clear();
    registry.Clear();
    EXPECT_EQ(calls, 5);
    // A handler may read the registry (no lock is held while it runs).
    registry.SetChangeHandler([&] { calls += registry.KeyExists("K") ? 100 : 0; });
    registry.SetDWord("K", "v", 2);
    EXPECT_EQ(calls, 105);
}

TEST(Registry, ConcurrentWritersReadersAndSaves) {
    QTemporaryDir dir;
    Registry registry(dir.filePath("settings.reg"));
    std::atomic<int> changes{0};
    registry.SetChangeHandler([&] { ++changes; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&registry, t] {
            const QString key = QStringLiteral("Software\\T%1").arg(t);
            for (int i = 0; i < 300; ++i) {
                registry.SetDWord(key, QStringLiteral("n%1").arg(i), quint32(i));
                registry.SetString(key, QStringLiteral("s%1").arg(i % 7), QString::number(i));
                (void)registry.GetDWord(QStringLiteral("Software\\T%1").arg((t + 1) % 4), "n1");
                if (i % 50 == 0)
                    registry.Save();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(registry.Save());
    Registry reread(registry.FilePath());
    ASSERT_TRUE(reread.Load());
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(reread.ValueNames(QStringLiteral("Software\\T%1").arg(t)).size(), 307);
        EXPECT_EQ(reread.GetDWord(QStringLiteral("Software\\T%1").arg(t), "n299"), 299u);
    }
    EXPECT_EQ(changes.load(), 4 * 600);
}

// Settings files made the way a hostile or badly damaged one would be: each is read in bounded memory,
// the shape that cannot be a settings file is refused, and the user's other settings are kept.
TEST(Registry, HostileFilesStayBoundedAndKeepTheOtherSettings) {
    const QByteArray kept = "[HKEY_CURRENT_USER\\Software\\Norvale\\Kept]\n\"nKept\"=dword:0000002a\n";
    const auto chain = [](int levels, int nameLength) {
        QByteArray line = "[HKEY_CURRENT_USER";
        const QByteArray name(nameLength, 'k');
        for (int i = 0; i < levels; ++i)
            line += "\\" + name;
        return line + "]\n\"v\"=dword:00000001\n";
    };
    struct Case {
        const char* what;
        QByteArray body;   // after the header, before the kept key
        bool deepKeyKept;  // whether the chain's own value is read
        int skipped;
    };
    const std::vector<Case> cases = {
        {"3700 levels in 7 KB", chain(3700, 1), false, 2},
        {"16000 levels in 32 KB", chain(16000, 1), false, 2},
        {"513 levels", chain(513, 1), false, 2},
        {"512 levels of the longest names", chain(512, 255), true, 0},
        {"a name of 256 characters", chain(1, 256), false, 2},
        {"15 MB of line feeds", QByteArray(15 << 20, '\n'), false, 0},
        {"one line of 8 MB", "\"x\"=\"" + QByteArray(8 << 20, 'x') + "\n", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.reg");
        writeFile(path, "REGEDIT4\n\n" + c.body + kept);
        PeakMemoryProbe memory;
        Registry registry(path);
        ASSERT_TRUE(registry.Load());
        EXPECT_EQ(registry.GetDWord("Software\\Norvale\\Kept", "nKept"), 42u);
        EXPECT_EQ(registry.SkippedLineCount(), c.skipped);
        EXPECT_EQ(QFileInfo::exists(path + ".damaged"), c.skipped > 0);
        registry.SetDWord("Software\\Norvale\\Kept", "nMore", 1);
        ASSERT_TRUE(registry.Save());
        // What is written back holds no more than what was read.
        EXPECT_LT(QFileInfo(path).size(), c.deepKeyKept ? c.body.size() + 4096 : 4096);
        Registry reread(path);
        ASSERT_TRUE(reread.Load());
        EXPECT_EQ(reread.GetDWord("Software\\Norvale\\Kept", "nMore"), 1u);
        EXPECT_EQ(reread.SkippedLineCount(), 0);
        if (memory.Available()) {
            EXPECT_LT(memory.ExtraMegabytes(), 100.0);
        }
    }
}

TEST(Registry, KeysBeyondTheLimitsAreNeverStored) {
    const QString name255(Registry::kMaxKeyNameLength, u'n');
    QStringList deepest;
    for (int i = 0; i < Registry::kMaxKeyDepth; ++i)
        deepest << QStringLiteral("d");
    const struct {
        QString key;
        bool stored;
    } cases[] = {
        {name255, true},
        {name255 + u'n', false},
        {QStringLiteral("A\\") + name255 + QStringLiteral("n\\B"), false},
        {deepest.join(u'\\'), true},
        {deepest.join(u'\\') + QStringLiteral("\\d"), false},
        {QStringLiteral("\\\\") + deepest.join(QStringLiteral("\\\\")), true}, // empty elements do not count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.left(40).toStdString());
        Registry registry;
        registry.SetDWord(c.key, "v", 7);
        EXPECT_EQ(registry.GetDWord(c.key, "v").has_value(), c.stored);
        EXPECT_EQ(registry.KeyExists(c.key), c.stored);
        EXPECT_EQ(registry.IsModified(), c.stored);
        // A stored key reads back from the saved text; a refused one leaves no trace.
        Registry copy;
        EXPECT_EQ(copy.ImportText(registry.ExportText()), 0);
        EXPECT_EQ(copy.ExportText(), registry.ExportText());
    }
}

TEST(Registry, AFileTooLargeToBeSettingsIsKeptAsideUnread) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    const QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n";
    writeFile(path, text + QByteArray(Registry::kMaxFileSize, '\n'));
    PeakMemoryProbe memory;
    Registry registry(path);
    ASSERT_TRUE(registry.Load());
    EXPECT_FALSE(registry.KeyExists("K"));
    EXPECT_EQ(registry.SkippedLineCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path + ".damaged").size(), text.size() + Registry::kMaxFileSize);
    if (memory.Available()) {
        EXPECT_LT(memory.ExtraMegabytes(), 100.0);
    }
    // The program goes on with its settings, and the kept file is not touched by a save.
    registry.SetDWord("K", "v", 2);
    ASSERT_TRUE(registry.Save());
    EXPECT_EQ(QFileInfo(path + ".damaged").size(), text.size() + Registry::kMaxFileSize);
}

// What the writer writes, the reader reads back: a save that would pass the reader's bound is
// refused and the last file stays, so no setting is lost at the next start.
TEST(Registry, ASaveBeyondTheReadLimitIsRefusedAndTheLastFileKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    // A valid file just inside the bound.
    {
        Registry registry(path);
        const QString value(1000, u'v');
        qint64 estimate = 200; // the header and the key's line
        for (int i = 0; estimate < Registry::kMaxFileSize - 6000; ++i) {
            const QString name = QStringLiteral("Value %1").arg(i);
            registry.SetString(kKey, name, value);
            estimate += name.size() + value.size() + 6; // "name"="value" and the line end
        }
        const qint64 size = registry.ExportText().size();
        ASSERT_LE(size, Registry::kMaxFileSize - 2000);
        ASSERT_GE(size, Registry::kMaxFileSize - 20000);
        ASSERT_TRUE(registry.Save());
    }
    const QByteArray good = readFile(path);
    Registry registry(path);
    ASSERT_TRUE(registry.Load());
    ASSERT_EQ(registry.LastLoadDamage(), Registry::Damage::None);
    const int count = int(registry.ValueNames(kKey).size());

    registry.SetString(kKey, QStringLiteral("Last straw"), QString(8000, u'x'));
    EXPECT_FALSE(registry.Save());
    EXPECT_EQ(registry.LastSaveFailure(), Registry::SaveFailure::TooLarge);
    EXPECT_TRUE(registry.IsModified());
    EXPECT_EQ(readFile(path), good);

    Registry reread(path);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.LastLoadDamage(), Registry::Damage::None);
    EXPECT_EQ(int(reread.ValueNames(kKey).size()), count);

    // Once the settings fit again they are written.
    registry.DeleteValue(kKey, QStringLiteral("Last straw"));
    registry.DeleteValue(kKey, QStringLiteral("Value 0"));
    EXPECT_TRUE(registry.Save());
    EXPECT_EQ(registry.LastSaveFailure(), Registry::SaveFailure::None);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.LastLoadDamage(), Registry::Damage::None);
    EXPECT_EQ(int(reread.ValueNames(kKey).size()), count - 1);
}
