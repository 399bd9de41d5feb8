#include "prefs/DownloadDialog.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/ApplicationTimer.h"
#include "support/FakeServer.h"
#include "support/HttpTestServer.h"
#include "support/TestCertificate.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testenv::HttpTestServer;
using testenv::TestCertificate;
using testenv::WaitFor;

class DownloadDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificate::Get().ok()) << TestCertificate::Get().error().toStdString();
        m_target = m_dir.filePath("NorvaleSetup.run");
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    // Runs a dialog for address modally: during runs inside it, then it is waited for until it ends.
    int Run(const QString& address, quint32 size, const std::function<void(CDownloadDialog&)>& during = {},
            bool trusted = true) {
        m_dialog = std::make_unique<CDownloadDialog>(address, m_target, size);
        if (trusted)
            m_dialog->SetTrustedCertificates(TestCertificate::Get().certificateFile());
        testenv::scriptedUi().SetDialogHandler([&](QDialog*) {
            if (during)
                during(*m_dialog);
            EXPECT_TRUE(WaitFor([&] { return m_dialog->HasEnded(); }, 20000));
            return m_dialog->result();
        });
        return m_dialog->DoModal();
    }

    QString Status() const { return m_dialog->GetItemText(CDownloadDialog::kIdStatus); }
    int Bar() const { return m_dialog->ItemAs<QProgressBar>(CDownloadDialog::kIdProgress)->value(); }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QByteArray Target() const {
        QFile file(m_target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    HttpTestServer m_server{{TestCertificate::Get().certificateFile(), TestCertificate::Get().keyFile()}};
    QTemporaryDir m_dir;
    QString m_target;
    std::unique_ptr<CDownloadDialog> m_dialog;
    const QByteArray m_body = QByteArray(40000, 'n');
};

TEST_F(DownloadDialogTest, CompleteTransferEndsWithOk) {
    m_server.setReply("/setup.run", {200, m_body});
    EXPECT_EQ(Run(m_server.url("/setup.run"), quint32(m_body.size())), platform::IDOK);
    EXPECT_EQ(m_dialog->GetResult(), 1);
    EXPECT_EQ(Status(), "100.0 Percent Complete");
    EXPECT_EQ(Bar(), 100);
    EXPECT_EQ(Target(), m_body);
    EXPECT_EQ(Files(), QStringList{"NorvaleSetup.run"}); // no temporary file is left
    m_dialog.reset();
    EXPECT_EQ(Target(), m_body); // the finished file outlives the dialog
}

TEST_F(DownloadDialogTest, FailedTransfersEndWithResultThreeAndNoFile) {
    HttpTestServer plain;
    plain.setReply("/setup.run", {200, m_body});
    HttpTestServer::Reply shortBody(200, m_body.left(1200));
    shortBody.announcedLength = m_body.size();
    m_server.setReply("/short", shortBody);
    m_server.setReply("/missing", {404, m_body}); // an error page of exactly the expected length
    m_server.setReply("/setup.run", {200, m_body});
    m_server.setReply("/to-plain", HttpTestServer::Reply::Redirect(plain.url("/setup.run").toUtf8()));
    const struct {
        const char* name;
        QString address;
        bool trusted;
    } cases[] = {
        {"short body", m_server.url("/short"), true},
        {"wrong status", m_server.url("/missing"), true},
        {"plain http", plain.url("/setup.run"), true},
        {"redirect to plain http", m_server.url("/to-plain"), true},
        {"certificate nobody vouches for", m_server.url("/setup.run"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.address, quint32(m_body.size()), {}, c.trusted), CDownloadDialog::kResultFailed);
        EXPECT_EQ(m_dialog->GetResult(), 0);
        EXPECT_TRUE(Files().isEmpty());
    }
    EXPECT_EQ(plain.totalRequests(), 0);
}

TEST_F(DownloadDialogTest, StalledTransferStartsAgainFromTheBeginning) {
    CApplicationTimer::ManualClock clock;
    m_server.setReply("/setup.run", HttpTestServer::Reply::Stalled(m_body, 20000));
    const auto stall = [&](CDownloadDialog& d) {
        ASSERT_TRUE(WaitFor([&] { return Status() == "50.0 Percent Complete"; }));
        clock.Tick(CDownloadDialog::kStallSeconds); // silence just short of the limit
        EXPECT_EQ(d.GetRestartCount(), 0);
        m_server.setReply("/setup.run", {200, m_body});
        clock.Tick(1);
        EXPECT_EQ(d.GetRestartCount(), 1);
        EXPECT_EQ(Status(), " 0.0 Percent Complete");
        EXPECT_EQ(Bar(), 0);
    };
    EXPECT_EQ(Run(m_server.url("/setup.run"), quint32(m_body.size()), stall), platform::IDOK);
    EXPECT_EQ(m_server.requestCount("/setup.run"), 2);
    EXPECT_EQ(Target(), m_body);
}

TEST_F(DownloadDialogTest, RestartsAreBoundedThenTheTransferFails) {
    CApplicationTimer::ManualClock clock;
    m_server.setReply("/setup.run", HttpTestServer::Reply::Held(m_body));
    const auto stallForEver = [&](CDownloadDialog& d) {
        for (int round = 1; !d.HasEnded() && round <= CDownloadDialog::kMaxRestarts + 1; ++round) {
            ASSERT_TRUE(m_server.waitForRequests("/setup.run", round));
            clock.Tick(CDownloadDialog::kStallSeconds + 1);
        }
    };
    EXPECT_EQ(Run(m_server.url("/setup.run"), quint32(m_body.size()), stallForEver), CDownloadDialog::kResultFailed);
    EXPECT_EQ(m_server.requestCount("/setup.run"), CDownloadDialog::kMaxRestarts + 1);
}

TEST_F(DownloadDialogTest, CancelStopsTheTransferAndRemovesTheFile) {
    QFile stale(m_target);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("an older download");
    stale.close();
    m_server.setReply("/setup.run", HttpTestServer::Reply::Stalled(m_body, 15000));
    const auto cancel = [&](CDownloadDialog& d) {
        ASSERT_TRUE(WaitFor([&] { return Bar() > 0; }));
        EXPECT_EQ(d.Press(platform::IDOK), 0); // Enter is no way to claim a complete transfer
        EXPECT_EQ(d.Press(platform::IDCANCEL), platform::IDCANCEL);
    };
    EXPECT_EQ(Run(m_server.url("/setup.run"), quint32(m_body.size()), cancel), platform::IDCANCEL);
    EXPECT_EQ(m_dialog->GetResult(), 0);
    EXPECT_TRUE(Files().isEmpty());
    // What the stopped transfer still had on its way changes nothing.
    m_server.release("/setup.run");
    QCoreApplication::processEvents();
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(DownloadDialogTest, UnknownSizeCountsBytesInsteadOfDividing) {
    m_server.setReply("/setup.run", {200, m_body});
    EXPECT_EQ(Run(m_server.url("/setup.run"), 0), platform::IDOK);
    EXPECT_EQ(Status(), "40000 bytes received");
}

} // namespace
