#include "prefs/DownloadDialog.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/ApplicationTimer.h"
#include "support/FakeServer.h"
#include "support/HttpTestServer.h"
#include "support/TestCertificate.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using testenv::HttpTestServer;
using testenv::TestCertificate;
using testenv::WaitFor;

QByteArray Body(int size) {
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = char((i * 7 + 3) & 0xFF);
    return body;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

HttpTestServer::Tls TestTls() {
    return {TestCertificate::Get().certificateFile(), TestCertificate::Get().keyFile()};
}

class DownloadDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificate::Get().ok()) << TestCertificate::Get().error().toStdString();
        ASSERT_TRUE(m_dir.isValid());
        m_target = m_dir.filePath("NorvaleSetup.run");
        testenv::scriptedUi().clear();
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    std::unique_ptr<CDownloadDialog> Make(const QString& address, quint32 size, bool trusted = true) {
        auto dialog = std::make_unique<CDownloadDialog>(address, m_target, size);
        if (trusted)
            dialog->SetTrustedCertificates(TestCertificate::Get().certificateFile());
        return dialog;
    }

    // Runs the dialog modally; during runs inside it, then the dialog is waited for until it ends.
    int Run(CDownloadDialog& dialog, const std::function<void(CDownloadDialog&)>& during = {}) {
        testenv::scriptedUi().SetDialogHandler([&](QDialog*) {
            if (during)
                during(dialog);
            EXPECT_TRUE(WaitFor([&] { return dialog.HasEnded(); }, 20000));
            return dialog.result();
        });
        return dialog.DoModal();
    }

    static QString Status(const CDownloadDialog& dialog) { return dialog.GetItemText(CDownloadDialog::kIdStatus); }
    static int Bar(const CDownloadDialog& dialog) {
        return dialog.ItemAs<QProgressBar>(CDownloadDialog::kIdProgress)->value();
    }
    QStringList FolderEntries() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    HttpTestServer m_server{TestTls()};
    QTemporaryDir m_dir;
    QString m_target;
};

TEST_F(DownloadDialogTest, CompleteTransferEndsWithOkAndLeavesTheProgram) {
    const QByteArray body = Body(45000);
    m_server.setReply("/NorvaleSetup.run", {200, body});
    auto dialog = Make(m_server.url("/NorvaleSetup.run"), quint32(body.size()));
    dialog->SetFileMode(0700);
    EXPECT_EQ(CDownloadDialog::GetRunning(), dialog.get());

    EXPECT_EQ(Run(*dialog), platform::IDOK);
    EXPECT_EQ(dialog->GetResult(), 1);
    EXPECT_EQ(Status(*dialog), "100.0 Percent Complete");
    EXPECT_EQ(Bar(*dialog), 100);
    EXPECT_EQ(dialog->windowTitle(), "Downloading New Software...");
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(FolderEntries(), QStringList{"NorvaleSetup.run"});
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(m_target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    dialog.reset();
    EXPECT_EQ(CDownloadDialog::GetRunning(), nullptr);
    EXPECT_EQ(ReadFile(m_target), body); // the finished file outlives the dialog
}

// Every way a transfer can go wrong ends with the result 3 and no file.
TEST_F(DownloadDialogTest, FailedTransfersEndWithResultThreeAndNoFile) {
    HttpTestServer plain;
    const QByteArray body = Body(3000);
    HttpTestServer::Reply shortBody(200, body.left(1200));
    shortBody.announcedLength = body.size();
    m_server.setReply("/short", shortBody);
    m_server.setReply("/missing", {404, body}); // an error page of exactly the expected length
    m_server.setReply("/longer", {200, body + "x"});
    m_server.setReply("/file", {200, body});
    plain.setReply("/file", {200, body});
    m_server.setReply("/to-plain", HttpTestServer::Reply::Redirect(plain.url("/file").toUtf8()));

    struct Case {
        const char* name;
        QString address;
        bool trusted;
    };
    const Case cases[] = {
        {"short body", m_server.url("/short"), true},
        {"wrong status", m_server.url("/missing"), true},
        {"wrong length", m_server.url("/longer"), true},
        {"plain http", plain.url("/file"), true},
        {"redirect to plain http", m_server.url("/to-plain"), true},
        {"certificate nobody vouches for", m_server.url("/file"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto dialog = Make(c.address, quint32(body.size()), c.trusted);
        EXPECT_EQ(Run(*dialog), CDownloadDialog::kResultFailed);
        EXPECT_EQ(dialog->GetResult(), 0);
        EXPECT_FALSE(dialog->GetErrorText().isEmpty());
        EXPECT_TRUE(FolderEntries().isEmpty());
    }
    EXPECT_EQ(plain.totalRequests(), 0); // nothing was ever asked of a plain server
}

TEST_F(DownloadDialogTest, StalledTransferStartsAgainFromTheBeginning) {
    CApplicationTimer::ManualClock clock;
    const QByteArray body = Body(40000);
    m_server.setReply("/setup.run", HttpTestServer::Reply::Stalled(body, 20000));
    auto dialog = Make(m_server.url("/setup.run"), quint32(body.size()));

    EXPECT_EQ(Run(*dialog,
                  [&](CDownloadDialog& d) {
                      ASSERT_TRUE(WaitFor([&] { return Status(d) == "50.0 Percent Complete"; }));
                      EXPECT_EQ(Bar(d), 50);
                      // Silence just short of the limit is patience, not a stall.
                      clock.Tick(CDownloadDialog::kStallSeconds);
                      EXPECT_EQ(m_server.requestCount("/setup.run"), 1);
                      EXPECT_EQ(d.GetRestartCount(), 0);
                      m_server.setReply("/setup.run", {200, body});
                      clock.Tick(1);
                      EXPECT_EQ(d.GetRestartCount(), 1);
                      EXPECT_EQ(Status(d), " 0.0 Percent Complete");
                      EXPECT_EQ(Bar(d), 0);
                  }),
              platform::IDOK);
    EXPECT_EQ(m_server.requestCount("/setup.run"), 2);
    EXPECT_EQ(dialog->GetResult(), 1);
    EXPECT_EQ(ReadFile(m_target), body);
    EXPECT_EQ(FolderEntries(), QStringList{"NorvaleSetup.run"});
}

TEST_F(DownloadDialogTest, RestartsAreBoundedThenTheTransferFails) {
    CApplicationTimer::ManualClock clock;
    m_server.setReply("/setup.run", HttpTestServer::Reply::Held(Body(100)));
    auto dialog = Make(m_server.url("/setup.run"), 100);

    EXPECT_EQ(Run(*dialog,
                  [&](CDownloadDialog& d) {
                      for (int round = 1; round <= CDownloadDialog::kMaxRestarts + 1 && !d.HasEnded(); ++round) {
                          ASSERT_TRUE(m_server.waitForRequests("/setup.run", round)) << round;
                          clock.Tick(CDownloadDialog::kStallSeconds + 1);
                      }
                  }),
              CDownloadDialog::kResultFailed);
    EXPECT_EQ(dialog->GetRestartCount(), CDownloadDialog::kMaxRestarts);
    EXPECT_EQ(m_server.requestCount("/setup.run"), CDownloadDialog::kMaxRestarts + 1);
    EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(DownloadDialogTest, CancelStopsTheTransferAndRemovesTheFile) {
    const QByteArray body = Body(30000);
    struct Case {
        const char* name;
        HttpTestServer::Reply reply;
    };
    const Case cases[] = {
        {"before the first byte", HttpTestServer::Reply::Held(body)},
        {"halfway", HttpTestServer::Reply::Stalled(body, 15000)},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++round;
        QFile stale(m_target);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("an older download");
        stale.close();
        m_server.setReply("/setup.run", c.reply);
        auto dialog = Make(m_server.url("/setup.run"), quint32(body.size()));
        EXPECT_EQ(Run(*dialog,
                      [&](CDownloadDialog& d) {
                          ASSERT_TRUE(m_server.waitForRequests("/setup.run", round));
                          // Enter is no way to claim a complete transfer.
                          EXPECT_EQ(d.Press(platform::IDOK), 0);
                          EXPECT_EQ(d.Press(platform::IDCANCEL), platform::IDCANCEL);
                      }),
                  platform::IDCANCEL);
        EXPECT_EQ(dialog->GetResult(), 0);
        EXPECT_TRUE(FolderEntries().isEmpty());
        // Nothing the stopped thread still had in flight changes the outcome.
        m_server.release("/setup.run");
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog->result(), platform::IDCANCEL);
        EXPECT_TRUE(FolderEntries().isEmpty());
    }
}

TEST_F(DownloadDialogTest, UnknownSizeCountsBytesInsteadOfDividing) {
    const QByteArray body = Body(25000);
    m_server.setReply("/setup.run", {200, body});
    auto dialog = Make(m_server.url("/setup.run"), 0);
    EXPECT_EQ(Run(*dialog), platform::IDOK);
    EXPECT_EQ(dialog->GetResult(), 1);
    EXPECT_EQ(Status(*dialog), "25000 bytes received");
    EXPECT_EQ(ReadFile(m_target), body);
}

TEST_F(DownloadDialogTest, ClosingTheDialogMidTransferStopsTheThread) {
    m_server.setReply("/setup.run", HttpTestServer::Reply::Held(Body(100)));
    auto dialog = Make(m_server.url("/setup.run"), 100);
    dialog->EnsureInitialized(); // starts the transfer
    EXPECT_EQ(Status(*dialog), " 0.0 Percent Complete");
    ASSERT_TRUE(m_server.waitForRequests("/setup.run", 1));
    dialog.reset(); // returns once the transfer thread has stopped
    m_server.release("/setup.run");
    QCoreApplication::processEvents();
    EXPECT_TRUE(FolderEntries().isEmpty());
    EXPECT_EQ(CDownloadDialog::GetRunning(), nullptr);
}

TEST(DownloadDialogText, PercentagesHaveOneDecimalWhateverTheLocale) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0.0 Percent Complete"},
        {12.345, "12.3 Percent Complete"},
        {99.96, "100.0 Percent Complete"},
        {100.0, "100.0 Percent Complete"},
    };
    for (const auto& [percent, text] : cases)
        EXPECT_EQ(CDownloadDialog::FormatPercent(percent), text) << percent;
}

} // namespace
