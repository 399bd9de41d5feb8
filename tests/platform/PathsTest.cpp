#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(Paths, UserDataDirFollowsNorvaleHomeAndIsMade) {
    QTemporaryDir dir;
    const QString home = dir.filePath("a/b/../c");
    ScopedEnv env("NORVALE_HOME", home.toUtf8());
    const QString path = platform::UserDataDir();
    EXPECT_EQ(path, QDir::cleanPath(home) + "/");
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther), 0);
}

TEST(Paths, UserDataDirDefaultsToTheDataHome) {
    QTemporaryDir dir;
    ScopedEnv norvale("NORVALE_HOME", QByteArray());
    {
        ScopedEnv xdg("XDG_DATA_HOME", dir.path().toUtf8());
        EXPECT_EQ(platform::UserDataDir(), dir.path() + "/Harrowgate/Norvale/");
    }
    ScopedEnv xdg("XDG_DATA_HOME", QByteArray());
    ScopedEnv homeEnv("HOME", dir.filePath("home").toUtf8());
    EXPECT_EQ(platform::UserDataDir(), dir.filePath("home") + "/.local/share/Harrowgate/Norvale/");
}

TEST(Paths, DocumentsAreTheDesktopsDocumentsFolderElseHome) {
    QTemporaryDir dir;
    ScopedEnv homeEnv("HOME", dir.path().toUtf8());
    ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    EXPECT_EQ(platform::UserDocumentsDir(), dir.path() + "/"); // no such folder: home
    ASSERT_TRUE(QDir(dir.path()).mkpath("Documents"));
    EXPECT_EQ(platform::UserDocumentsDir(), dir.filePath("Documents") + "/");
}

TEST(Paths, FilesAreFoundWithoutRegardToCase) {
    QTemporaryDir dir;
    touch(dir.filePath("Textures/MAHOG.BMP"));
    touch(dir.filePath("html/mbpopup.html"));
    touch(dir.filePath("twin.txt"));
    touch(dir.filePath("TWIN.txt"));

    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "textures/mahog.bmp"), dir.filePath("Textures/MAHOG.BMP"));
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "TEXTURES\\Mahog.Bmp"), dir.filePath("Textures/MAHOG.BMP"));
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "./html//MBPopup.HTML"), dir.filePath("html/mbpopup.html"));
    // The exact spelling wins over another that differs only in case.
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "TWIN.txt"), dir.filePath("TWIN.txt"));
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "twin.txt"), dir.filePath("twin.txt"));
    EXPECT_FALSE(platform::FindFileIgnoringCase(dir.path(), "Twin.TXT").isEmpty());

    // Folders, missing files, and names that leave the folder are not found.
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "html"), QString());
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "html/missing.html"), QString());
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), "twin.txt/x"), QString());
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.filePath("html"), "../twin.txt"), QString());
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), dir.filePath("twin.txt")), QString());
    EXPECT_EQ(platform::FindFileIgnoringCase(dir.path(), ""), QString());
    EXPECT_EQ(platform::FindResourceFile("../CMakeLists.txt"), QString());
    EXPECT_EQ(platform::FindResourceFile("no such file.xyz"), QString());
}
