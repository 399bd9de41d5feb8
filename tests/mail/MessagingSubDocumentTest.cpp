#include "app/MainFrame.h"
#include "mail/MailPackets.h"
#include "mail/MessageHeader.h"
#include "mail/MessagingOleDocument.h"
#include "mail/MessagingSubDocument.h"
#include "platform/Ui.h"
#include "support/ApplicationTimer.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// The mailbox window as the mail service sees it: records what it is asked to do.
class FakeMailbox : public CMailboxWindowLink {
public:
    explicit FakeMailbox(CMessagingSubDocument& owner) : m_owner(owner) {}
    bool IsMailboxVisible() const override { return true; }
    void RefreshCurrentFolder() override { ++refreshes; }
    void RedrawHeader(const CMessageHeader* header) override { redrawn.push_back(header->GetMessageId()); }
    void OpenMessage(const QString& folder, const QString& id) override { opened.push_back(folder + "/" + id); }
    void DestroyMailbox() override {
        m_owner.MailboxClosed(this);
        delete this;
    }

    int refreshes = 0;
    std::vector<QString> redrawn;
    std::vector<QString> opened;

private:
    CMessagingSubDocument& m_owner;
};

QString newMessageText(const QString& from, const QString& subject, const QString& body,
                       const QString& kind = QStringLiteral("1"), const QString& notify = QStringLiteral("N"),
                       const QString& priority = QStringLiteral("N")) {
    MailPacket::Message m;
    m.dateSent = QStringLiteral("2026/12/07:0930");
    m.from = from;
    m.to = QStringLiteral("alice");
    m.subject = subject;
    m.notifyOnReceipt = notify == QLatin1String("Y");
    m.highPriority = priority == QLatin1String("H");
    m.kind = kind;
    m.body = body;
    return MailPacket::FormatNewMessage(QStringLiteral("alice"), m);
}

std::unique_ptr<CMessageHeader> outgoing(const QString& to, const QString& subject) {
    return std::make_unique<CMessageHeader>(subject, QStringLiteral("alice"), to, QString(),
                                            QStringLiteral("2026/12/07:1000"), QString(), 0, kStatusReadyToSend, 0, 1);
}

int countBoxes(const QString& text) {
    int count = 0;
    for (const auto& asked : testenv::scriptedUi().asked())
        count += asked.kind == platform::ScriptedUi::Asked::MessageBoxKind && asked.text == text ? 1 : 0;
    return count;
}

class MessagingSubDocumentTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override {
        CMessagingSubDocument::SetMailboxFactory(nullptr);
        mail.reset();
        SessionTest::TearDown();
    }
    void Start(const QString& nickname = QStringLiteral("alice")) {
        ASSERT_TRUE(Login(nickname));
        mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
        ASSERT_TRUE(mail->GetStore());
    }
    FakeMailbox* OpenFakeMailbox() {
        FakeMailbox* made = nullptr;
        CMessagingSubDocument::SetMailboxFactory([&made](CMessagingSubDocument& owner, const QString&) {
            made = new FakeMailbox(owner);
            return made;
        });
        mail->ToggleMailbox();
        const auto request = server->Expect(MailPacket::kType); // the request for waiting messages
        EXPECT_TRUE(request && request->Text().startsWith(QLatin1String("-120 ")));
        return made;
    }
    // The stored copy of a loaded message, header and body.
    QString StoredBody(const CMessageHeader* header, CMessageHeader* stored = nullptr) {
        CMessageHeader scratch;
        QString body;
        EXPECT_TRUE(mail->ReadMessage(stored ? *stored : scratch, body, header->GetFolderName(),
                                      header->GetMessageId()));
        return body;
    }
    // Sends a message and returns its header in "Outbox".
    CMessageHeader* SendOne(const QString& body) {
        EXPECT_TRUE(mail->SendMail(outgoing(QStringLiteral("bob"), QStringLiteral("Hello")), body));
        EXPECT_TRUE(server->Expect(MailPacket::kType));
        const auto& headers = mail->FindFolder(QStringLiteral("Outbox"))->Headers();
        return headers.empty() ? nullptr : headers.back();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMessagingSubDocument> mail;
};

TEST_F(MessagingSubDocumentTest, MessageArrivingWithMailboxClosedIsFiledInInboxByteForByte) {
    Start();
    const QString body = QStringLiteral("First line\r\nA \"quoted\" word, a back\\slash, caf\u00e9\r\n\r\nlast");
    ServerSend(MailPacket::kType, newMessageText(QStringLiteral("bob"), QStringLiteral("Re: \"tonight\""), body,
                                                 QStringLiteral("7"), QStringLiteral("Y"), QStringLiteral("H")));
    const auto& inbox = mail->FindFolder(QStringLiteral("Inbox"))->Headers();
    ASSERT_EQ(inbox.size(), 1u);
    const CMessageHeader* header = inbox.front();
    CMessageHeader stored;
    EXPECT_EQ(StoredBody(header, &stored), body);
    EXPECT_EQ(stored.GetSubject(), "Re: \"tonight\"");
    EXPECT_EQ(stored.GetFrom(), "bob");
    EXPECT_EQ(stored.GetTo(), "alice");
    EXPECT_EQ(stored.GetDateSent(), "2026/12/07:0930");
    EXPECT_EQ(stored.GetDateReceived().size(), 15);
    EXPECT_EQ(stored.m_status, kStatusNew);
    EXPECT_EQ(stored.m_priority, 1);
    EXPECT_EQ(stored.m_notifyOnReceipt, 1);
    EXPECT_EQ(header->m_kind, 7);
    EXPECT_EQ(stored.GetFolderName(), "Inbox");
    EXPECT_EQ(stored.GetMessageId(), header->GetMessageId());

    // A second service over the same file finds the message where the first left it.
    mail.reset();
    mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
    ASSERT_EQ(mail->FindFolder(QStringLiteral("Inbox"))->Headers().size(), 1u);
}

TEST_F(MessagingSubDocumentTest, KindFieldIsReadAsANumberOrZero) {
    Start();
    const struct {
        const char* kind;
        int expected;
    } cases[] = {{"1", 1}, {"42", 42}, {"", 0}, {"x1", 0}, {"-3", -3}};
    for (const auto& c : cases) {
        ServerSend(MailPacket::kType,
                   newMessageText(QStringLiteral("bob"), QStringLiteral("k"), QStringLiteral("b"), QString::fromLatin1(c.kind)));
        EXPECT_EQ(mail->FindFolder(QStringLiteral("Inbox"))->Headers().back()->m_kind, c.expected) << c.kind;
    }
}

TEST_F(MessagingSubDocumentTest, SentMessageGoesFromReadyToSentToAcknowledgedWithItsBodyUnchanged) {
    Start();
    const QString body = QStringLiteral("See you at \"nine\".\r\nA\\B");
    ASSERT_TRUE(mail->SendMail(outgoing(QStringLiteral("bob"), QStringLiteral("Tonight")), body));
    const auto frame = server->Expect(MailPacket::kType);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->Destination().isEmpty());
    const auto wire = MailPacket::ParseSend(frame->Text());
    ASSERT_TRUE(wire);
    EXPECT_EQ(wire->from, "alice");
    EXPECT_EQ(wire->to, "bob");
    EXPECT_EQ(wire->body, body);
    EXPECT_EQ(wire->kind, "1");

    const auto& outbox = mail->FindFolder(QStringLiteral("Outbox"))->Headers();
    ASSERT_EQ(outbox.size(), 1u);
    CMessageHeader* header = outbox.front();
    EXPECT_EQ(header->GetMessageId(), wire->messageId);
    EXPECT_EQ(header->GetMessageId(), "bob202612071000");

    const struct {
        QString packet;
        int status;
    } steps[] = {
        {MailPacket::FormatDeliveryResult(QStringLiteral("alice"), true, wire->messageId), kStatusSent},
        {MailPacket::FormatAcknowledged(QStringLiteral("alice"), wire->messageId), kStatusAcknowledged},
    };
    CMessageHeader stored;
    EXPECT_EQ(StoredBody(header, &stored), body);
    EXPECT_EQ(stored.m_status, kStatusReadyToSend);
    for (const auto& step : steps) {
        ServerSend(MailPacket::kType, step.packet);
        EXPECT_EQ(header->m_status, step.status);
        EXPECT_EQ(StoredBody(header, &stored), body);
        EXPECT_EQ(stored.m_status, step.status);
        EXPECT_EQ(stored.GetSubject(), "Tonight");
    }
}

TEST_F(MessagingSubDocumentTest, RepliesFindMessagesSentBeforeTheServiceStarted) {
    Start();
    CMessageHeader* header = SendOne(QStringLiteral("body"));
    ASSERT_TRUE(header);
    const QString id = header->GetMessageId();
    mail.reset();
    mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult(QStringLiteral("alice"), true, id));
    ASSERT_TRUE(mail->FindHeaderById(id));
    EXPECT_EQ(mail->FindHeaderById(id)->m_status, kStatusSent);
}

TEST_F(MessagingSubDocumentTest, UndeliverableMailLeavesItsStatusOpensItAndShowsTheBoxOnce) {
    Start();
    const QString text = QString::fromLatin1(CMessagingSubDocument::kUndeliverable);
    for (bool mailboxOpen : {false, true}) {
        SCOPED_TRACE(mailboxOpen);
        testenv::scriptedUi().clear();
        FakeMailbox* mailbox = mailboxOpen ? OpenFakeMailbox() : nullptr;
        CMessageHeader* header = SendOne(QStringLiteral("body"));
        ASSERT_TRUE(header);
        const QString id = header->GetMessageId();
        ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult(QStringLiteral("alice"), false, id));
        EXPECT_TRUE(WaitFor([&] { return countBoxes(text) >= 1; }));
        EXPECT_EQ(countBoxes(text), 1);
        EXPECT_EQ(mail->FindHeaderById(id)->m_status, kStatusReadyToSend);
        if (mailbox) {
            EXPECT_EQ(mailbox->opened, std::vector<QString>{"Outbox/" + id});
        }
    }
    // A result for an id nobody holds changes nothing and shows nothing.
    testenv::scriptedUi().clear();
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult(QStringLiteral("alice"), false, QStringLiteral("nobody1")));
    EXPECT_EQ(countBoxes(text), 0);
}

TEST_F(MessagingSubDocumentTest, PendingCountIsKeptAndAnnounced) {
    Start();
    view->only = {CSessionDoc::kHintMailCount};
    const struct {
        int count;
        int notified;
    } cases[] = {{3, 0}, {0, 1}, {1, 0}};
    CSettingsStore& settings = GetSettingsStore();
    for (const auto& c : cases) {
        const size_t before = view->hints.size();
        ServerSend(MailPacket::kType, MailPacket::FormatPendingCount(QStringLiteral("alice"), c.count));
        EXPECT_EQ(settings.GetIntEx("Settings", "nMessagesPending", -1), c.count);
        EXPECT_EQ(settings.GetIntEx("Settings", "bNotifiedPending", -1), c.notified);
        EXPECT_EQ(view->hints.size(), before + 1);
    }
    // Asking for the messages sets the count back to 0 and says so.
    const size_t before = view->hints.size();
    EXPECT_TRUE(mail->RequestPendingMessages());
    const auto frame = server->Expect(MailPacket::kType);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Text(), "-120 \"alice\" \"alice\"");
    EXPECT_EQ(settings.GetIntEx("Settings", "nMessagesPending", -1), 0);
    EXPECT_EQ(view->hints.size(), before + 1);
}

TEST_F(MessagingSubDocumentTest, MailButtonFollowsTheCountAndStaysOffWithoutAMailbox) {
    Start();
    CMainFrame frame;
    frame.WatchMailCount(session.get());
    const struct {
        int count;
        int image;
    } cases[] = {{2, CMainFrame::kMailImageWaiting}, {0, CMainFrame::kMailImageNone}, {1, CMainFrame::kMailImageWaiting}};
    for (const auto& c : cases) {
        ServerSend(MailPacket::kType, MailPacket::FormatPendingCount(QStringLiteral("alice"), c.count));
        EXPECT_EQ(frame.GetMailImage(), c.image) << c.count;
        EXPECT_FALSE(frame.GetMailAction()->icon().isNull());
    }
    // Without the mail windows the command stays disabled.
    EXPECT_FALSE(frame.GetMailAction()->isEnabled());
    frame.WatchMailCount(nullptr);
}

TEST_F(MessagingSubDocumentTest, BurstOfArrivalsRefreshesTheMailboxOnceAfterTheLast) {
    CApplicationTimer::ManualClock clock;
    Start();
    FakeMailbox* mailbox = OpenFakeMailbox();
    ASSERT_TRUE(mailbox);
    for (int i = 0; i < 3; ++i) {
        ServerSend(MailPacket::kType, newMessageText(QStringLiteral("bob"), QStringLiteral("n%1").arg(i), QStringLiteral("b")));
        if (i == 1)
            clock.Tick(); // the second arrival starts the wait again
    }
    EXPECT_EQ(mail->FindFolder(QStringLiteral("Inbox"))->Headers().size(), 3u);
    clock.Tick();
    EXPECT_EQ(mailbox->refreshes, 0);
    clock.Tick();
    EXPECT_EQ(mailbox->refreshes, 1);
    clock.Tick(3);
    EXPECT_EQ(mailbox->refreshes, 1);
    mail->ToggleMailbox(); // closes it
    EXPECT_FALSE(mail->IsMailboxOpen());
}

TEST_F(MessagingSubDocumentTest, MalformedAndForeignPacketsAreNotFiled) {
    Start();
    QString cut = newMessageText(QStringLiteral("bob"), QStringLiteral("s"), QStringLiteral("body"));
    cut.truncate(cut.lastIndexOf(QLatin1String(" \"")));
    const struct {
        QString text;
        int taken;
    } cases[] = {
        {cut, 1},                                             // dropped (and logged)
        {QStringLiteral("139 \"alice\" lots"), 1},            // dropped: no count written
        {QStringLiteral("136 \"alice\" \"x\""), 0},           // not ours
        {QStringLiteral("rubbish"), 1},
    };
    GetSettingsStore().WriteInt("Settings", "nMessagesPending", 5);
    for (const auto& c : cases)
        EXPECT_EQ(mail->OnPacket(MailPacket::kType, c.text), c.taken) << c.text.toStdString();
    EXPECT_EQ(mail->OnPacket(70, newMessageText(QStringLiteral("bob"), QStringLiteral("s"), QStringLiteral("b"))), 0);
    EXPECT_TRUE(mail->FindFolder(QStringLiteral("Inbox"))->Headers().empty());
    EXPECT_EQ(GetSettingsStore().GetIntEx("Settings", "nMessagesPending", -1), 5);
}

TEST_F(MessagingSubDocumentTest, MailBarredAccountSendsAndFilesNothingAndIsToldWhy) {
    server->Acceptance().accountFlags = 0;
    Start();
    EXPECT_TRUE(mail->IsMailBarred());
    EXPECT_FALSE(mail->SendMail(outgoing(QStringLiteral("bob"), QStringLiteral("s")), QStringLiteral("b")));
    EXPECT_TRUE(WaitFor([] { return countBoxes(QString::fromLatin1(CMessagingSubDocument::kMailBarred)) == 1; }));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_TRUE(mail->FindFolder(QStringLiteral("Outbox"))->Headers().empty());
}

TEST_F(MessagingSubDocumentTest, MovesKeepTheOriginalUntilTheCopyIsFiled) {
    Start();
    ServerSend(MailPacket::kType, newMessageText(QStringLiteral("bob"), QStringLiteral("keep"), QStringLiteral("the body")));
    const QString id = mail->FindFolder(QStringLiteral("Inbox"))->Headers().front()->GetMessageId();
    ASSERT_TRUE(mail->CreateFolder(QStringLiteral("Saved")));

    // To a folder the store does not have, or to its own folder: nothing moves.
    EXPECT_FALSE(mail->MoveOrCopy(QStringLiteral("Missing"), QStringLiteral("Inbox"), id, true));
    EXPECT_FALSE(mail->MoveOrCopy(QStringLiteral("Inbox"), QStringLiteral("Inbox"), id, true));
    ASSERT_TRUE(mail->FindHeaderById(id));
    EXPECT_EQ(StoredBody(mail->FindHeaderById(id)), "the body");

    // A copy leaves the original; a move takes it away. Both copies keep the body.
    const struct {
        bool move;
        size_t inboxAfter;
        size_t savedAfter;
    } steps[] = {{false, 1, 1}, {true, 0, 2}};
    for (const auto& step : steps) {
        EXPECT_TRUE(mail->MoveOrCopy(QStringLiteral("Saved"), QStringLiteral("Inbox"), id, step.move));
        EXPECT_EQ(mail->FindFolder(QStringLiteral("Inbox"))->Headers().size(), step.inboxAfter);
        const auto& saved = mail->FindFolder(QStringLiteral("Saved"))->Headers();
        ASSERT_EQ(saved.size(), step.savedAfter);
        EXPECT_EQ(saved.back()->GetFolderName(), "Saved");
        EXPECT_EQ(StoredBody(saved.back()), "the body");
    }
    // The copies have ids of their own.
    const auto& saved = mail->FindFolder(QStringLiteral("Saved"))->Headers();
    EXPECT_NE(saved[0]->GetMessageId(), saved[1]->GetMessageId());

    EXPECT_TRUE(mail->DeleteFolder(QStringLiteral("Saved")));
    EXPECT_FALSE(mail->FindFolder(QStringLiteral("Saved")));
    EXPECT_EQ(CMessagingSubDocument::ToShownFolderName("Outbox"), "Sent Items");
    EXPECT_EQ(CMessagingSubDocument::ToStorageFolderName("Sent Items"), "Outbox");
    EXPECT_EQ(CMessagingSubDocument::ToStorageFolderName("Inbox"), "Inbox");
}

} // namespace
