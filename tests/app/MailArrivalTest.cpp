// Mail through the development server as a member sees it: the main window's mail button lights for
// mail waiting on the server and goes out when the mailbox is opened, which fetches it.
#include "AppTestSupport.h"
#include "DevServer.h"
#include "app/ClientApp.h"
#include "app/MainFrame.h"
#include "mail/MailPackets.h"
#include "mail/MessageHeader.h"
#include "mail/MessageMailboxWnd.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QDir>
#include <QScreen>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// The delivery results (135) a session gets, by message id.
struct Results : CPacketTarget {
    explicit Results(CSessionDoc* session) : CPacketTarget(session) {}
    int OnPacket(int type, const QString& text) override {
        MailPacket::Incoming packet;
        if (type != MailPacket::kType || MailPacket::ParseIncoming(text, packet) != MailPacket::ParseResult::Ok ||
            packet.subCode != MailPacket::kDeliveryResult)
            return 0;
        delivered[packet.messageId] = packet.delivered;
        return 1;
    }
    std::map<QString, bool> delivered;
};

// A member who only writes: a bare session that sends -122 and hears the answers.
struct Writer {
    explicit Writer(quint16 port) {
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        session.Connect(CClientNode::LoginRequest{"127.0.0.1", port, "alice", "x", "1000 Norvale for Linux"});
    }
    // Sends a letter -> whether the server answered that it was taken.
    bool Write(const QString& to, const QString& subject) {
        CMessageHeader header(subject, "alice", to, QString(), "2026/12/08:0400", QString(), 0, kStatusReadyToSend, 0, 1);
        header.SetMessageId(subject);
        session.Send(MailPacket::kType, MailPacket::FormatSend(header, "Body of " + subject));
        return WaitFor([&] { return results.delivered.count(subject) > 0; }) && results.delivered[subject];
    }
    CSessionDoc session;
    Results results{&session};
    bool in = false;
};

class MailArrivalTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteInt("Tip", "StartUp", 1);
        testenv::scriptedUi().clear();
        qputenv(CClientApp::kPasswordVariable, "any");
        ASSERT_TRUE(devServer.Listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override { apptest::ShutDown(app); }

    // bob's client, started as the README starts it; -> its main window once logged in.
    CMainFrame* StartBob() {
        app = std::make_unique<CClientApp>();
        CClientApp::Options options;
        options.host = "127.0.0.1";
        options.port = devServer.Port();
        options.nickname = "bob";
        EXPECT_TRUE(app->InitInstance(options));
        EXPECT_TRUE(WaitFor([&] { return app->GetSession() && app->GetSession()->IsConnected(); }));
        return app->GetMainFrame();
    }
    bool Lit(CMainFrame* frame) const { return frame->GetMailImage() == CMainFrame::kMailImageWaiting; }
    CMessageMailboxWnd* Mailbox(CMainFrame* frame) const { return frame->findChild<CMessageMailboxWnd*>(); }
    int Rows(CMainFrame* frame) const {
        CMessageMailboxWnd* mailbox = Mailbox(frame);
        return mailbox ? mailbox->HeaderView()->Model()->rowCount() : -1;
    }

    CDevServer devServer{CDevServer::Options{}};
    webtest::FakeBrowserFactory pages;
    std::unique_ptr<CClientApp> app;
};

TEST_F(MailArrivalTest, WaitingMailLightsTheButtonUntilTheMailboxFetchesIt) {
    Writer alice(devServer.Port());
    ASSERT_TRUE(WaitFor([&] { return alice.in; }));
    // Nobody of that name has ever logged in: not delivered.
    EXPECT_FALSE(alice.Write("bob", "Too early"));

    CMainFrame* frame = StartBob();
    ASSERT_TRUE(frame);
    EXPECT_FALSE(Lit(frame));

    // Online, his mailbox closed: the letter waits and the button lights at once.
    ASSERT_TRUE(alice.Write("bob", "First"));
    EXPECT_TRUE(WaitFor([&] { return Lit(frame); }));
    const QByteArray shots = qgetenv("NORVALE_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        frame->resize(900, 600);
        WaitFor([] { return false; }, 300);
        frame->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("mail-waiting.png"));
    }
    // Opening the mailbox fetches it, and the button goes out. His main window stands low on the
    // screen: the mailbox, placed below its corner, still lies on the screen, frame and all.
    const QRect area = frame->screen()->availableGeometry();
    frame->move(frame->x(), area.bottom() - 150);
    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    ASSERT_TRUE(Mailbox(frame));
    EXPECT_TRUE(area.contains(Mailbox(frame)->frameGeometry())) << Mailbox(frame)->frameGeometry().bottom();
    EXPECT_TRUE(WaitFor([&] { return Rows(frame) == 1; }));
    EXPECT_FALSE(Lit(frame));
    if (!shots.isEmpty()) {
        WaitFor([] { return false; }, 300);
        frame->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("mail-fetched.png"));
        Mailbox(frame)->grab().save(QDir(QString::fromLocal8Bit(shots)).filePath("mailbox.png"));
    }
    // While it is open, mail comes straight in.
    ASSERT_TRUE(alice.Write("bob", "Second"));
    EXPECT_TRUE(WaitFor([&] { return Rows(frame) == 2; }));
    EXPECT_FALSE(Lit(frame));

    // Away: the letter waits; at his next login the button lights, and opening the mailbox clears it.
    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    apptest::ShutDown(app);
    ASSERT_TRUE(WaitFor([&] { return devServer.UserCount() == 1; }));
    ASSERT_TRUE(alice.Write("bob", "Third"));
    qputenv(CClientApp::kPasswordVariable, "any");
    frame = StartBob();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(WaitFor([&] { return Lit(frame); }));
    ASSERT_TRUE(frame->OnCommand(CMainFrame::kCmdMail));
    EXPECT_TRUE(WaitFor([&] { return Rows(frame) == 3; }));
    EXPECT_FALSE(Lit(frame));
}

} // namespace
