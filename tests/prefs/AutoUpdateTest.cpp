#include "prefs/AutoUpdate.h"
#include "prefs/DownloadDialog.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/FakeServer.h"
#include "support/HttpTestServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestCertificate.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::ScriptedUi;
using testenv::HttpTestServer;
using testenv::TestCertificate;
using testenv::WaitFor;

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

unsigned ModeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? unsigned(info.st_mode & 0777) : 0u;
}

TEST(AutoUpdateName, OnlyAPlainProgramNameAtTheEndOfTheAddressIsTaken) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://host/dl/NorvaleSetup.run", "NorvaleSetup.run"},
        {"https://host/dl/Norvale_Setup-2.RUN?build=7#top", "Norvale_Setup-2.RUN"}, // query and fragment dropped
        {"https://host/%2E%2E%2Fsetup.run", "setup.run"},  // only the last element counts
        {"https://host/dl/setup.exe", ""},
        {"https://host/dl/setup.run.sh", ""},              // the suffix must end the name
        {"https://host/dl/setup.run.run", ""},             // ... and be its first
        {"https://host/dl/.run", ""},
        {"https://host/dl/.hidden.run", ""},
        {"https://host/dl/", ""},
        {"https://host", ""},
        {"https://host/dl/my%20setup.run", ""},            // blanks and the like
        {"https://host/dl/setup%0A.run", ""},
        {"https://host/dl/a%5Cb.run", ""},                 // a backslash
        {"https://host/dl/s\xC3\xA9tup.run", ""},
        {"not an address at all", ""},
    };
    for (const auto& [address, name] : cases)
        EXPECT_EQ(autoupdate::ProgramFileName(QString::fromUtf8(address)), QString::fromUtf8(name)) << address;
}

TEST(AutoUpdateFolder, TheFolderIsTheUsersAloneAndNoLink) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;

    const QString fresh = dir.filePath("Update");
    EXPECT_EQ(autoupdate::PrepareFolder(fresh, &error), fresh + "/");
    EXPECT_EQ(ModeOf(fresh), 0700u);

    const QString open = dir.filePath("Open");
    ASSERT_TRUE(QDir().mkdir(open));
    ::chmod(QFile::encodeName(open).constData(), 0777);
    EXPECT_EQ(autoupdate::PrepareFolder(open + "/", &error), open + "/");
    EXPECT_EQ(ModeOf(open), 0700u);

    const QString link = dir.filePath("Link");
    ASSERT_TRUE(QFile::link(fresh, link));
    EXPECT_TRUE(autoupdate::PrepareFolder(link, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    const QString file = dir.filePath("File");
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_TRUE(autoupdate::PrepareFolder(file, &error).isEmpty());
    EXPECT_TRUE(autoupdate::PrepareFolder(dir.filePath("missing/deeper"), &error).isEmpty());
}

class AutoUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificate::Get().ok()) << TestCertificate::Get().error().toStdString();
        ASSERT_TRUE(m_dir.isValid());
        testenv::ResetSettings();
        ui().clear();
        m_window.setWindowTitle("Norvale - alice");
        m_hooks.trustedCertificates = TestCertificate::Get().certificateFile();
        m_hooks.folder = m_dir.filePath("Update");
        m_hooks.startProgram = [this](const QString& program, const QStringList& arguments) {
            m_started.append(program);
            m_arguments = arguments;
            return m_startWorks;
        };
    }
    void TearDown() override { ui().SetDialogHandler(nullptr); }

    static ScriptedUi& ui() { return testenv::scriptedUi(); }

    // The question is answered with question; the download runs until it ends, or is cancelled
    // once the server has the request when cancelDownload is set.
    void Answer(int question, bool cancelDownload = false) {
        ui().SetDialogHandler([this, question, cancelDownload](QDialog* dialog) {
            if (qobject_cast<CAutoUpdateDialog*>(dialog)) {
                m_captionWhileAsked = m_window.windowTitle();
                return question;
            }
            auto* download = qobject_cast<CDownloadDialog*>(dialog);
            if (!download)
                return int(platform::IDCANCEL);
            m_captionWhileDownloading = m_window.windowTitle();
            if (cancelDownload) {
                EXPECT_TRUE(WaitFor([&] { return m_server.totalRequests() > 0; }));
                download->Press(platform::IDCANCEL);
            }
            EXPECT_TRUE(WaitFor([&] { return download->HasEnded(); }, 20000));
            return download->result();
        });
    }

    int FailureBoxes() const {
        int boxes = 0;
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.kind == ScriptedUi::Asked::MessageBoxKind && asked.caption == "Update Failed")
                ++boxes;
        return boxes;
    }

    QString Folder() const { return m_hooks.folder + "/"; }

    HttpTestServer m_server{HttpTestServer::Tls{TestCertificate::Get().certificateFile(), TestCertificate::Get().keyFile()}};
    QTemporaryDir m_dir;
    QMainWindow m_window;
    autoupdate::Hooks m_hooks;
    QStringList m_started;
    QStringList m_arguments;
    bool m_startWorks = true;
    QString m_captionWhileAsked;
    QString m_captionWhileDownloading;
};

TEST_F(AutoUpdateTest, ACompleteDownloadIsStartedInPlaceOfTheClient) {
    const QByteArray program = "#!/bin/sh\nexit 0\n";
    m_server.setReply("/dl/NorvaleSetup.run", {200, program});
    Answer(platform::IDOK);

    EXPECT_EQ(autoupdate::Launch(&m_window, m_server.url("/dl/NorvaleSetup.run"), quint32(program.size()), m_hooks),
              autoupdate::Outcome::Started);
    const QString target = Folder() + "NorvaleSetup.run";
    EXPECT_EQ(m_started, QStringList{target});
    EXPECT_EQ(m_arguments, QStringList{"Dummy Argument"});
    EXPECT_EQ(ReadFile(target), program);
    EXPECT_EQ(ModeOf(target), 0700u);
    EXPECT_EQ(m_captionWhileAsked, "Norvale - alice");
    EXPECT_EQ(m_captionWhileDownloading, "Update...");
    EXPECT_EQ(m_window.windowTitle(), "Norvale - alice");
    EXPECT_EQ(GetSettingsStore().GetIntEx("Tip", "StartUp", 0), 1);
    EXPECT_EQ(FailureBoxes(), 0);

    const auto& asked = ui().asked();
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0].caption, "Update Norvale Client");
    EXPECT_EQ(asked[1].caption, "Downloading New Software...");
}

TEST_F(AutoUpdateTest, EveryUnsoundUpdateEndsInTheFailureBox) {
    const QByteArray program = "#!/bin/sh\nexit 0\n";
    HttpTestServer plain;
    plain.setReply("/NorvaleSetup.run", {200, program});
    m_server.setReply("/NorvaleSetup.run", {200, program});
    HttpTestServer::Reply shortBody(200, program.left(5));
    shortBody.announcedLength = program.size();
    m_server.setReply("/short/NorvaleSetup.run", shortBody);
    m_server.setReply("/gone/NorvaleSetup.run", {404, program});
    m_server.setReply("/setup.exe", {200, program});

    struct Case {
        const char* name;
        QString address;
        quint32 size;
        bool startWorks;
        bool fetched; // whether the update server is asked at all
    };
    const quint32 size = quint32(program.size());
    const Case cases[] = {
        {"plain http", plain.url("/NorvaleSetup.run"), size, true, false},
        {"no program name", m_server.url("/setup.exe"), size, true, false},
        {"no size given", m_server.url("/NorvaleSetup.run"), 0, true, false},
        {"short body", m_server.url("/short/NorvaleSetup.run"), size, true, true},
        {"wrong status", m_server.url("/gone/NorvaleSetup.run"), size, true, true},
        {"other size", m_server.url("/NorvaleSetup.run"), size + 1, true, true},
        {"program will not start", m_server.url("/NorvaleSetup.run"), size, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui().clear();
        Answer(platform::IDOK);
        m_startWorks = c.startWorks;
        const int before = m_server.totalRequests();
        EXPECT_EQ(autoupdate::Launch(&m_window, c.address, c.size, m_hooks), autoupdate::Outcome::Failed);
        EXPECT_EQ(FailureBoxes(), 1);
        EXPECT_EQ(m_server.totalRequests() > before, c.fetched);
        EXPECT_EQ(m_window.windowTitle(), "Norvale - alice");
    }
    EXPECT_EQ(plain.totalRequests(), 0);
    EXPECT_EQ(m_started.size(), 1); // only the program that would not start was tried
}

TEST_F(AutoUpdateTest, NoAndCancelEndQuietly) {
    m_server.setReply("/NorvaleSetup.run", HttpTestServer::Reply::Held("#!/bin/sh\n"));
    const QString address = m_server.url("/NorvaleSetup.run");

    Answer(platform::IDCANCEL);
    EXPECT_EQ(autoupdate::Launch(&m_window, address, 10, m_hooks), autoupdate::Outcome::Declined);
    EXPECT_EQ(m_server.totalRequests(), 0);
    EXPECT_EQ(GetSettingsStore().GetIntEx("Tip", "StartUp", 0), 0); // nothing changes on No

    Answer(platform::IDOK, true);
    EXPECT_EQ(autoupdate::Launch(&m_window, address, 10, m_hooks), autoupdate::Outcome::Declined);
    EXPECT_EQ(FailureBoxes(), 0);
    EXPECT_TRUE(m_started.isEmpty());
    EXPECT_EQ(m_window.windowTitle(), "Norvale - alice");
    EXPECT_TRUE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(AutoUpdateTest, APlantedLinkAtTheTargetIsReplacedNotFollowed) {
    const QByteArray program = "#!/bin/sh\nexit 0\n";
    m_server.setReply("/NorvaleSetup.run", {200, program});
    const QString victim = m_dir.filePath("victim.txt");
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    const unsigned victimMode = ModeOf(victim);
    ASSERT_FALSE(autoupdate::PrepareFolder(m_hooks.folder, nullptr).isEmpty());
    ASSERT_TRUE(QFile::link(victim, Folder() + "NorvaleSetup.run"));
    Answer(platform::IDOK);

    EXPECT_EQ(autoupdate::Launch(&m_window, m_server.url("/NorvaleSetup.run"), quint32(program.size()), m_hooks),
              autoupdate::Outcome::Started);
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_EQ(ModeOf(victim), victimMode); // the program's bits went to the program alone
    EXPECT_FALSE(QFileInfo(Folder() + "NorvaleSetup.run").isSymLink());
    EXPECT_EQ(ReadFile(Folder() + "NorvaleSetup.run"), program);
}

TEST_F(AutoUpdateTest, TheRealStartRunsTheProgramWithItsOneArgument) {
    // The program notes how it was called beside itself.
    const QByteArray program = "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.ran\"\n";
    m_server.setReply("/NorvaleSetup.run", {200, program});
    m_hooks.startProgram = nullptr;
    Answer(platform::IDOK);

    EXPECT_EQ(autoupdate::Launch(&m_window, m_server.url("/NorvaleSetup.run"), quint32(program.size()), m_hooks),
              autoupdate::Outcome::Started);
    const QString note = Folder() + "NorvaleSetup.run.ran";
    ASSERT_TRUE(WaitFor([&] { return ReadFile(note) == "1|Dummy Argument"; }, 10000)) << ReadFile(note).constData();
}

} // namespace
