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

#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QTemporaryDir>

#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Outcome = autoupdate::Outcome;
using platform::ScriptedUi;
using testenv::HttpTestServer;
using testenv::TestCertificate;
using testenv::WaitFor;

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(AutoUpdateName, OnlyAPlainProgramNameAtTheEndOfTheAddressIsTaken) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://host/dl/NorvaleSetup.run", "NorvaleSetup.run"},
        {"https://host/dl/Setup_2-b.RUN?build=7#top", "Setup_2-b.RUN"},
        {"https://host/%2E%2E%2Fsetup.run", "setup.run"}, // only the last element counts
        {"https://host/dl/setup.exe", ""},
        {"https://host/dl/setup.run.sh", ""},  // the suffix must end the name
        {"https://host/dl/setup.run.run", ""}, // ... and be its first
        {"https://host/dl/.hidden.run", ""},
        {"https://host/dl/", ""},
        {"https://host/dl/my%20setup.run", ""},
        {"https://host/dl/a%5Cb.run", ""},
    };
    for (const auto& [address, name] : cases)
        EXPECT_EQ(autoupdate::ProgramFileName(address), name) << address;
}

class AutoUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificate::Get().ok()) << TestCertificate::Get().error().toStdString();
        testenv::ResetSettings();
        m_window.setWindowTitle("Norvale - alice");
        m_hooks.trustedCertificates = TestCertificate::Get().certificateFile();
        m_hooks.folder = m_dir.filePath("Update");
        m_hooks.webDomain = QUrl(m_server.url("/")).host();
        m_server.setReply("/NorvaleSetup.run", {200, m_program});
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    // Answers the question; the download runs to its end, or is cancelled once it has begun.
    Outcome Launch(const QString& address, quint32 size, int answer = platform::IDOK, bool cancel = false) {
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
            auto* download = qobject_cast<CDownloadDialog*>(dialog);
            if (!download)
                return answer;
            m_captionWhileDownloading = m_window.windowTitle();
            if (cancel && WaitFor([&] { return m_server.totalRequests() > 0; }))
                download->Press(platform::IDCANCEL);
            EXPECT_TRUE(WaitFor([&] { return download->HasEnded(); }, 20000));
            return download->result();
        });
        const Outcome outcome = autoupdate::Launch(&m_window, address, size, m_hooks);
        EXPECT_EQ(m_window.windowTitle(), "Norvale - alice");
        return outcome;
    }

    bool FailureShown() const {
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.kind == ScriptedUi::Asked::MessageBoxKind && asked.caption == "Update Failed")
                return true;
        return false;
    }

    QString Target() const { return m_hooks.folder + "/NorvaleSetup.run"; }

    HttpTestServer m_server{{TestCertificate::Get().certificateFile(), TestCertificate::Get().keyFile()}};
    QTemporaryDir m_dir;
    QMainWindow m_window;
    autoupdate::Hooks m_hooks;
    QString m_captionWhileDownloading;
    // The program notes how it was called beside itself.
    const QByteArray m_program = "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.ran\"\n";
};

TEST_F(AutoUpdateTest, TheDownloadedProgramRunsWithItsOneArgument) {
    // A link planted where the program goes is replaced, not followed.
    const QString victim = m_dir.filePath("victim.txt");
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    ASSERT_FALSE(autoupdate::PrepareFolder(m_hooks.folder, nullptr).isEmpty());
    ASSERT_TRUE(QFile::link(victim, Target()));

    EXPECT_EQ(Launch(m_server.url("/NorvaleSetup.run"), quint32(m_program.size())), Outcome::Started);
    EXPECT_EQ(m_captionWhileDownloading, "Update...");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(Target() + ".ran") == "1|Dummy Argument"; }, 10000));
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_FALSE(QFileInfo(Target()).isSymLink());
    EXPECT_EQ(QFileInfo(m_hooks.folder).permissions().toInt() & 0x0077, 0); // group and others: nothing
    EXPECT_EQ(GetSettingsStore().GetIntEx("Tip", "StartUp", 0), 1);
    EXPECT_FALSE(FailureShown());
}

TEST_F(AutoUpdateTest, UnsoundUpdatesFailAndRefusalsStayQuiet) {
    HttpTestServer plain;
    plain.setReply("/NorvaleSetup.run", {200, m_program});
    m_server.setReply("/gone/NorvaleSetup.run", {404, m_program});
    m_server.setReply("/setup.exe", {200, m_program});
    m_server.setReply("/held/NorvaleSetup.run", HttpTestServer::Reply::Held(m_program));
    const quint32 size = quint32(m_program.size());
    const struct {
        const char* name;
        QString address;
        quint32 size;
        int answer;
        bool cancel;
        Outcome outcome;
    } cases[] = {
        {"plain http", plain.url("/NorvaleSetup.run"), size, platform::IDOK, false, Outcome::Failed},
        {"no program name", m_server.url("/setup.exe"), size, platform::IDOK, false, Outcome::Failed},
        {"no size given", m_server.url("/NorvaleSetup.run"), 0, platform::IDOK, false, Outcome::Failed},
        {"wrong status", m_server.url("/gone/NorvaleSetup.run"), size, platform::IDOK, false, Outcome::Failed},
        {"other size", m_server.url("/NorvaleSetup.run"), size + 1, platform::IDOK, false, Outcome::Failed},
        {"user says no", m_server.url("/NorvaleSetup.run"), size, platform::IDCANCEL, false, Outcome::Declined},
        {"user cancels", m_server.url("/held/NorvaleSetup.run"), size, platform::IDOK, true, Outcome::Declined},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Launch(c.address, c.size, c.answer, c.cancel), c.outcome);
        EXPECT_EQ(FailureShown(), c.outcome == Outcome::Failed);
        EXPECT_FALSE(QFile::exists(Target()));
    }
    EXPECT_EQ(plain.totalRequests(), 0);

    m_hooks.startProgram = [](const QString&, const QStringList&) { return false; };
    EXPECT_EQ(Launch(m_server.url("/NorvaleSetup.run"), size), Outcome::Failed);
    EXPECT_TRUE(FailureShown());
}

TEST_F(AutoUpdateTest, OnlyTheServicesOwnWebDomainIsOfferedAndTheQuestionNamesIt) {
    const struct {
        const char* host;
        const char* domain;
        bool in;
    } hosts[] = {
        {"norvale.example", "norvale.example", true},   {"dl.NORVALE.example", "norvale.example", true},
        {"evilnorvale.example", "norvale.example", false}, {"norvale.example.evil", "norvale.example", false},
        {"127.0.0.1", "127.0.0.1", true},                  {"x.127.0.0.1", "127.0.0.1", false},
        {"norvale.example", "", false},
    };
    for (const auto& h : hosts)
        EXPECT_EQ(autoupdate::IsHostInDomain(h.host, h.domain), h.in) << h.host << " in " << h.domain;

    // Another host: refused with a box naming it; nothing asked, nothing fetched.
    m_hooks.webDomain = "norvale.example";
    EXPECT_EQ(Launch(m_server.url("/NorvaleSetup.run"), quint32(m_program.size())), Outcome::Refused);
    const auto& asked = testenv::scriptedUi().asked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Update Refused");
    EXPECT_TRUE(asked[0].text.contains(QUrl(m_server.url("/")).host())) << asked[0].text.toStdString();
    EXPECT_EQ(m_server.totalRequests(), 0);

    // The service's own host: the question names the host and the file.
    m_hooks.webDomain = QUrl(m_server.url("/")).host();
    QString source;
    testenv::scriptedUi().clear();
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        if (auto* ask = qobject_cast<CAutoUpdateDialog*>(dialog))
            source = ask->GetSourceText();
        return int(platform::IDCANCEL);
    });
    EXPECT_EQ(autoupdate::Launch(&m_window, m_server.url("/NorvaleSetup.run"), 10, m_hooks), Outcome::Declined);
    EXPECT_EQ(source, QStringLiteral("The new software, NorvaleSetup.run, would be downloaded from %1.")
                          .arg(QUrl(m_server.url("/")).host()));
}

} // namespace
