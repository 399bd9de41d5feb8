#include "support/SettingsStore.h"

#include "platform/Object.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "support/SettingsFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <thread>

namespace {

class CBgMatchLogView : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CBgMatchLogView, platform::Object)
};

class CChatView : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CChatView, platform::Object)
};

class SettingsStoreTest : public ::testing::Test {
protected:
    platform::Registry registry;
    CSettingsStore store{registry};
};

} // namespace

TEST_F(SettingsStoreTest, ReadsTryTheUserThenMostRecentThenTheDefault) {
    // Before login there is only MOST_RECENT.
    store.WriteInt("General Preferences", "nValue", 1);
    EXPECT_EQ(registry.GetDWord(CSettingsStore::RecentKey("General Preferences"), "nValue"), 1u);
    EXPECT_EQ(registry.SubKeyNames("Software\\Harrowgate\\Norvale"), QStringList({"MOST_RECENT"}));
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9), 1);
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9, true), 1); // MOST_RECENT is the only tree

    store.SetUser("Ann");
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9), 1);     // falls back to MOST_RECENT
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9, true), 9); // Ann has none of her own
    EXPECT_EQ(store.GetIntEx("General Preferences", "nOther", 9), 9);

    store.WriteInt("General Preferences", "nValue", 2);
    store.WriteString("General Preferences", "strName", "ann's");
    store.SetUser("Bob");
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9), 2);       // the latest of anyone
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9, true), 9);
    EXPECT_EQ(store.GetString("General Preferences", "strName", "none", true), "none");
    store.WriteInt("General Preferences", "nValue", 3);

    store.SetUser("ANN"); // nicknames compare without regard to case, as the trees do
    EXPECT_EQ(store.GetIntEx("General Preferences", "nValue", 9), 2);
    EXPECT_EQ(store.GetString("General Preferences", "strName"), "ann's");
    EXPECT_EQ(store.GetRecentInt("General Preferences", "nValue", 9), 3);
    EXPECT_EQ(store.GetUser(), "ANN");
}

TEST_F(SettingsStoreTest, TypesAndBits) {
    store.SetUser("Ann");
    store.WriteInt("Colors", "unBack", -1);
    EXPECT_EQ(store.GetUInt("Colors", "unBack", 0), 0xFFFFFFFFu);
    EXPECT_EQ(store.GetIntEx("Colors", "unBack", 0), -1);
    store.WriteUInt("Colors", "unMask", 0x80000001u);
    EXPECT_EQ(store.GetIntEx("Colors", "unMask", 0), int(0x80000001u));
    store.WriteBool("Colors", "bOn", true);
    EXPECT_TRUE(store.GetBool("Colors", "bOn", false));
    EXPECT_EQ(store.GetIntEx("Colors", "bOn", 5), 1);
    store.WriteInt("Colors", "nZero", 0);
    EXPECT_FALSE(store.GetBool("Colors", "nZero", true));

    // A value of the other type reads as the default: the prefix of a name does not fix its type.
    store.WriteString("Colors", "fConsideration", "12");
    EXPECT_EQ(store.GetIntEx("Colors", "fConsideration", 7), 7);
    EXPECT_TRUE(store.GetBool("Colors", "fConsideration", true));
    EXPECT_EQ(store.GetUInt("Colors", "fConsideration", 3u), 3u);
    EXPECT_EQ(store.GetString("Colors", "unBack", "dflt"), "dflt");
}

TEST_F(SettingsStoreTest, SectionsAndNamesIgnoreCase) {
    store.SetUser("Ann");
    store.WriteInt("CBgMatchLogView", "nWidth", 120);
    EXPECT_EQ(store.GetIntEx("CBGMatchLogView", "NWIDTH", 0), 120);
    const CBgMatchLogView view;
    EXPECT_EQ(store.GetObjectInt(&view, "nWidth", 0), 120);
    store.WriteInt("CBGMatchLogView", "nwidth", 130);
    EXPECT_EQ(registry.SubKeyNames("Software\\Harrowgate\\Norvale\\Ann"), QStringList({"CBgMatchLogView"}));
    EXPECT_EQ(registry.ValueNames(CSettingsStore::UserKey("Ann", "CBgMatchLogView")), QStringList({"nWidth"}));
}

TEST_F(SettingsStoreTest, DeleteRemovesFromBothTrees) {
    store.SetUser("Ann");
    store.WriteString("Macros", "F1", "hello");
    store.DeleteValue("macros", "f1");
    EXPECT_EQ(store.GetString("Macros", "F1", "gone"), "gone");
    store.SetUser(QString());
    EXPECT_EQ(store.GetString("Macros", "F1", "gone"), "gone");
    store.DeleteValue("Macros", "never there"); // no error
}

TEST_F(SettingsStoreTest, RecentAndApplicationProfileStayApart) {
    store.SetUser("Ann");
    store.WriteRecentString("Login", "strLastUser", "Ann");
    store.WriteRecentInt("Login", "nPort", 4321);
    EXPECT_EQ(store.GetRecentString("Login", "strLastUser", ""), "Ann");
    EXPECT_EQ(store.GetString("Login", "strLastUser", "", true), "");  // not in Ann's tree
    EXPECT_EQ(store.GetIntEx("Login", "nPort", 0), 4321);             // but found by the fallback

    store.WriteAppProfileInt("CIconManager", "nLastIcon", 77);
    store.WriteAppProfileString("CIconManager", "strHost", "icons.example");
    EXPECT_EQ(store.GetAppProfileInt("CIconManager", "nLastIcon", 0), 77);
    EXPECT_EQ(store.GetAppProfileString("CIconManager", "strHost", ""), "icons.example");
    EXPECT_EQ(store.GetIntEx("CIconManager", "nLastIcon", -5), -5);
    EXPECT_EQ(store.GetRecentInt("CIconManager", "nLastIcon", -5), -5);
    EXPECT_TRUE(registry.KeyExists(CSettingsStore::AppProfileKey("CIconManager")));
}

TEST_F(SettingsStoreTest, ObjectForms) {
    store.SetUser("Ann");
    const CChatView chat;
    store.WriteObjectInt(&chat, "nLines", 500);
    store.WriteObjectString(&chat, "Font", "Arial");
    EXPECT_EQ(store.GetIntEx("CChatView", "nLines", 0), 500);
    EXPECT_EQ(store.GetObjectString(&chat, "Font"), "Arial");
    EXPECT_TRUE(store.GetObjectBool(&chat, "nLines", false, true));

    // A null object reads the default and writes nothing.
    EXPECT_EQ(store.GetObjectInt(nullptr, "nLines", 3), 3);
    EXPECT_EQ(store.GetObjectString(nullptr, "Font", "x"), "x");
    EXPECT_FALSE(store.GetObjectBool(nullptr, "nLines", false));
    const platform::Rect fallback{1, 2, 3, 4};
    EXPECT_EQ(store.GetObjectRect(nullptr, "Normal Rect", fallback), fallback);
    const QByteArray before = registry.ExportText();
    store.WriteObjectInt(nullptr, "nLines", 1);
    store.WriteObjectString(nullptr, "Font", "y");
    store.WriteObjectRect(nullptr, "Normal Rect", fallback);
    EXPECT_EQ(registry.ExportText(), before);
}

TEST_F(SettingsStoreTest, RectanglesAreKeptOnlyOnTheDesktop) {
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const platform::Rect desktop = platform::Rect::FromQRect(QGuiApplication::primaryScreen()->virtualGeometry());
    const CChatView chat;
    const platform::Rect fallback{100, 100, 400, 375};

    const platform::Rect placed{10, 20, 300, 220};
    store.WriteObjectRect(&chat, "Normal Rect", placed);
    EXPECT_EQ(store.GetString("CChatView", "Normal Rect"), "10 300 20 220"); // left right top bottom
    EXPECT_EQ(store.GetObjectRect(&chat, "Normal Rect", fallback), placed);

    const auto readBack = [&](const QString& text) {
        store.WriteString("CChatView", "Normal Rect", text);
        return store.GetObjectRect(&chat, "Normal Rect", fallback);
    };
    // Partly off the desktop is fine; wholly off, larger than the desktop or inside out is not.
    const platform::Rect straddling{desktop.right - 50, desktop.top + 10, desktop.right + 150, desktop.top + 110};
    EXPECT_EQ(readBack(QStringLiteral("%1 %2 %3 %4").arg(straddling.left).arg(straddling.right)
                           .arg(straddling.top).arg(straddling.bottom)),
              straddling);
    EXPECT_EQ(readBack(QStringLiteral("%1 %2 10 100").arg(desktop.right).arg(desktop.right + 200)), fallback);
    EXPECT_EQ(readBack(QStringLiteral("%1 %2 10 100").arg(desktop.left - 300).arg(desktop.left)), fallback);
    EXPECT_EQ(readBack(QStringLiteral("%1 %2 0 10").arg(desktop.left).arg(desktop.right + 1)), fallback);
    EXPECT_EQ(readBack(QStringLiteral("%1 %2 %3 %4").arg(desktop.left).arg(desktop.right).arg(desktop.top).arg(desktop.bottom)),
              desktop);
    EXPECT_EQ(readBack("300 10 20 220"), fallback);
    // Damaged texts read as the default.
    for (const char* text : {"", "10 300 20", "10 300 20 220 5", "10 300 twenty 220", "10,300,20,220",
                             "99999999999 300 20 220"})
        EXPECT_EQ(readBack(text), fallback) << text;
}

TEST_F(SettingsStoreTest, PathNames) {
    const QString data = platform::UserDataDir();
    EXPECT_EQ(store.GetPathName(), data);
    const QString saved = store.GetPathName("SaveGame", "SaveGame");
    EXPECT_EQ(saved, data + "SaveGame/");
    EXPECT_TRUE(QFileInfo(saved).isDir());
    EXPECT_EQ(store.GetPathName(QString(), "Icons\\User"), data + "Icons/User/");

    store.SetUser("Ann");
    store.WriteString("PathNames", "SaveGame", "/srv/games"); // reaches MOST_RECENT too
    EXPECT_EQ(store.GetPathName("SaveGame", "SaveGame"), "/srv/games/");
    store.WriteRecentString("PathNames", "Mail", "/srv/mail/");
    EXPECT_EQ(store.GetPathName("mail", "Mail"), "/srv/mail/");
    store.WriteRecentString("PathNames", "Mail", "");
    EXPECT_EQ(store.GetPathName("Mail", "Mail"), data + "Mail/");
}

TEST(SettingsStore, InstallDirFlagIsTakenAtConstruction) {
    platform::Registry registry;
    {
        CSettingsStore store(registry);
        EXPECT_FALSE(store.InstallDirFound());
        store.WriteRecentString("PathNames", "InstallDir", "");
    }
    {
        CSettingsStore store(registry);
        EXPECT_FALSE(store.InstallDirFound());
        store.WriteRecentString("PathNames", "InstallDir", "/opt/norvale");
        EXPECT_FALSE(store.InstallDirFound());
    }
    CSettingsStore store(registry);
    EXPECT_TRUE(store.InstallDirFound());
}

TEST(SettingsStore, ChangesReachTheFileSoonAndAtTheEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    platform::Registry registry(path);
    ASSERT_TRUE(registry.Load());
    {
        CSettingsStore store(registry);
        store.SetSaveDelay(0);
        store.WriteInt("Sounds", "bEnableSound", 1);
        EXPECT_FALSE(QFileInfo::exists(path)); // not before the event loop runs
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(path); }, 5000));
        EXPECT_FALSE(registry.IsModified());

        // A change made on a worker thread is saved from the GUI thread as well.
        std::thread worker([&] { store.WriteAppProfileInt("CIconManager", "nIcons", 3); });
        worker.join();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !registry.IsModified(); }, 5000));

        store.SetSaveDelay(60000);
        store.WriteString("Sounds", "strLast", "pending");
        QCoreApplication::processEvents();
        EXPECT_TRUE(registry.IsModified());
    } // the store's end writes what is pending
    platform::Registry reread(path);
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.GetDWord(CSettingsStore::RecentKey("Sounds"), "bEnableSound"), 1u);
    EXPECT_EQ(reread.GetDWord(CSettingsStore::AppProfileKey("CIconManager"), "nIcons"), 3u);
    EXPECT_EQ(reread.GetString(CSettingsStore::RecentKey("Sounds"), "strLast"), "pending");
}

TEST(SettingsStore, ProcessWideStoreLivesInTheUserDataFolder) {
    testenv::ResetSettings();
    CSettingsStore& store = GetSettingsStore();
    EXPECT_EQ(&store, &GetSettingsStore());
    EXPECT_EQ(store.GetRegistry().FilePath(), platform::UserDataDir() + "settings.reg");
    store.WriteInt("Tip", "StartUp", 1);
    ASSERT_TRUE(store.Save());
    EXPECT_TRUE(QFile(store.GetRegistry().FilePath()).open(QIODevice::ReadOnly));
    testenv::ResetSettings();
    EXPECT_EQ(store.GetIntEx("Tip", "StartUp", 0), 0);
}

TEST(SettingsStore, RectangleTextIgnoresACommaLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    platform::Registry registry;
    CSettingsStore store(registry);
    const CChatView chat;
    store.WriteObjectRect(&chat, "Normal Rect", {1000, 2000, 3000, 4000});
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(store.GetString("CChatView", "Normal Rect"), "1000 3000 2000 4000");
}

// Settings that have outgrown their file are not written, and the user hears of it once.
TEST(SettingsStore, ARefusedSaveIsToldOnce) {
    QTemporaryDir dir;
    platform::Registry registry(dir.filePath("settings.reg"));
    CSettingsStore store(registry);
    QStringList told;
    store.SetSaveRefusedHandler([&](const QString& text) { told.append(text); });
    store.WriteString("Macros", "Small", "fits");
    ASSERT_TRUE(store.Save());
    store.WriteString("Macros", "Huge", QString(int(platform::Registry::kMaxFileSize), u'h'));
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.Save());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.front().contains(QDir::toNativeSeparators(registry.FilePath())));
    platform::Registry reread(registry.FilePath());
    ASSERT_TRUE(reread.Load());
    EXPECT_EQ(reread.LastLoadDamage(), platform::Registry::Damage::None);
    store.SetSaveRefusedHandler(nullptr);
}
