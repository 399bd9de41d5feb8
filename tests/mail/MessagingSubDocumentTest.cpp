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
#include "platform/CompoundFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <future>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// The mailbox window as the mail service sees it: records what it is asked to do.
class FakeMailbox : public CMailboxWindowLink {
public:
    explicit FakeMailbox(CMessagingSubDocument& owner) : m_owner(owner) {}
    bool IsMailboxVisible() const override { return true; }
    void RefreshCurrentFolder() override { ++refreshes; }
    void RedrawHeader(const CMessageHeader*) override {}
    void OpenMessage(const QString& folder, const QString& id) override { opened.push_back(folder + "/" + id); }
    void DestroyMailbox() override {
        m_owner.MailboxClosed(this);
        delete this;
    }
    int refreshes = 0;
    std::vector<QString> opened;

private:
    CMessagingSubDocument& m_owner;
};

QString arrival(const QString& subject, const QString& body, const QString& kind = "1",
                const QString& deliveryId = QString()) {
    MailPacket::Message m;
    m.deliveryId = deliveryId;
    m.dateSent = "2026/12/07:0930";
    m.from = "bob";
    m.to = "alice";
    m.subject = subject;
    m.notifyOnReceipt = true;
    m.highPriority = true;
    m.kind = kind;
    m.body = body;
    return MailPacket::FormatNewMessage("alice", m);
}

// Message boxes whose text starts with text.
int countBoxesStarting(const char* text) {
    int count = 0;
    for (const auto& asked : testenv::scriptedUi().asked())
        count += asked.kind == platform::ScriptedUi::Asked::MessageBoxKind && asked.text.startsWith(QLatin1String(text));
    return count;
}

int countBoxes(const char* text) {
    int count = 0;
    for (const auto& asked : testenv::scriptedUi().asked())
        count += asked.kind == platform::ScriptedUi::Asked::MessageBoxKind && asked.text == QLatin1String(text);
    return count;
}

class MessagingSubDocumentTest : public testenv::SessionTest {
protected:
    void TearDown() override {
        CMessagingSubDocument::SetMailboxFactory(nullptr);
        mail.reset();
        SessionTest::TearDown();
    }
    void Start() {
        ASSERT_TRUE(m_dir.isValid());
        if (!session->IsConnected()) {
            ASSERT_TRUE(Login());
        }
        mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
        ASSERT_TRUE(mail->GetStore());
    }
    FakeMailbox* OpenFakeMailbox() {
        FakeMailbox* made = nullptr;
        CMessagingSubDocument::SetMailboxFactory([&made](CMessagingSubDocument& owner, const QString&) {
            return made = new FakeMailbox(owner);
        });
        mail->ToggleMailbox();
        const auto request = server->Expect(MailPacket::kType); // it asks for the waiting messages
        EXPECT_TRUE(request && request->Text().startsWith(QLatin1String("-120 ")));
        return made;
    }
    // A message from the server, waited for until it is filed (or refused).
    void Arrive(const QString& text) {
        ServerSend(MailPacket::kType, text);
        EXPECT_TRUE(WaitFor([this] { return !mail->IsFilingInProgress(); }));
    }
    // The stored copy of a loaded message.
    QString StoredBody(const CMessageHeader* header, CMessageHeader& stored) {
        QString body;
        EXPECT_TRUE(mail->ReadMessage(stored, body, header->GetFolderName(), header->GetMessageId()));
        return body;
    }
    // Sends a message to bob -> its id, as it went on the wire.
    QString SendOne(const QString& body) {
        auto header = std::make_unique<CMessageHeader>("Tonight", "alice", "bob", QString(), "2026/12/07:1000",
                                                       QString(), 0, kStatusReadyToSend, 0, 1);
        EXPECT_TRUE(mail->SendMail(std::move(header), body));
        const auto frame = server->Expect(MailPacket::kType);
        const auto wire = frame ? MailPacket::ParseSend(frame->Text()) : std::nullopt;
        EXPECT_TRUE(wire && wire->body == body && wire->from == "alice" && wire->to == "bob");
        return wire ? wire->messageId : QString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CMessagingSubDocument> mail;
};

TEST_F(MessagingSubDocumentTest, MessageArrivingWithMailboxClosedIsFiledInInboxByteForByte) {
    Start();
    const QString body = QStringLiteral("First line\r\nA \"quoted\" word, a back\\slash, caf\u00e9\r\n\r\nlast");
    Arrive(arrival("Re: \"tonight\"", body));
    const auto& inbox = mail->FindFolder("Inbox")->Headers();
    ASSERT_EQ(inbox.size(), 1u);
    CMessageHeader stored;
    EXPECT_EQ(StoredBody(inbox.front(), stored), body);
    EXPECT_EQ(stored.GetSubject(), "Re: \"tonight\"");
    EXPECT_EQ(stored.GetFrom(), "bob");
    EXPECT_EQ(stored.GetDateSent(), "2026/12/07:0930");
    EXPECT_EQ(stored.GetDateReceived().size(), 15);
    EXPECT_EQ(stored.m_status, kStatusNew);
    EXPECT_EQ(stored.m_priority, 1);
    EXPECT_EQ(stored.m_notifyOnReceipt, 1);
    EXPECT_EQ(stored.GetMessageId(), inbox.front()->GetMessageId());
}

TEST_F(MessagingSubDocumentTest, KindFieldIsReadAsANumberOrZero) {
    Start();
    for (const auto& [kind, expected] : {std::pair{"42", 42}, {"", 0}, {"x1", 0}}) {
        Arrive(arrival("k", "b", QString::fromLatin1(kind)));
        EXPECT_EQ(mail->FindFolder("Inbox")->Headers().back()->m_kind, expected) << kind;
    }
}

// The service is started again before the replies come: the folders are read at start, so the
// replies still find the message.
TEST_F(MessagingSubDocumentTest, SentMessageGoesFromReadyToSentToAcknowledgedWithItsBodyUnchanged) {
    Start();
    const QString body = QStringLiteral("See you at \"nine\".\r\nA\\B");
    const QString id = SendOne(body);
    EXPECT_EQ(id, "bob202612071000");
    mail.reset();
    Start();
    const struct {
        QString packet;
        int status;
    } steps[] = {
        {QString(), kStatusReadyToSend},
        {MailPacket::FormatDeliveryResult("alice", true, id), kStatusSent},
        {MailPacket::FormatAcknowledged("alice", id), kStatusAcknowledged},
        // An answer handed over again does not take the acknowledgement back.
        {MailPacket::FormatDeliveryResult("alice", true, id), kStatusAcknowledged},
    };
    for (const auto& step : steps) {
        if (!step.packet.isEmpty())
            ServerSend(MailPacket::kType, step.packet);
        CMessageHeader* header = mail->FindHeaderById(id);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->m_status, step.status);
        CMessageHeader stored;
        EXPECT_EQ(StoredBody(header, stored), body);
        EXPECT_EQ(stored.m_status, step.status);
        EXPECT_EQ(stored.GetFolderName(), "Outbox");
    }
}

TEST_F(MessagingSubDocumentTest, UndeliverableMailLeavesItsStatusOpensItAndShowsTheBoxOnce) {
    Start();
    for (bool mailboxOpen : {false, true}) {
        SCOPED_TRACE(mailboxOpen);
        testenv::scriptedUi().clear();
        FakeMailbox* mailbox = mailboxOpen ? OpenFakeMailbox() : nullptr;
        const QString id = SendOne("body");
        ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult("alice", false, id));
        EXPECT_TRUE(WaitFor([] { return countBoxes(CMessagingSubDocument::kUndeliverable) >= 1; }));
        EXPECT_EQ(countBoxes(CMessagingSubDocument::kUndeliverable), 1);
        EXPECT_EQ(mail->FindHeaderById(id)->m_status, kStatusReadyToSend);
        if (mailbox) {
            EXPECT_EQ(mailbox->opened, std::vector<QString>{"Outbox/" + id});
        }
    }
    // A failure for a message whose copy is gone is still told; a success changes nothing.
    testenv::scriptedUi().clear();
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult("alice", true, "gone1"));
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult("alice", false, "gone1"));
    EXPECT_TRUE(WaitFor([] { return countBoxes(CMessagingSubDocument::kUndeliverable) == 1; }));
}

// While the mailbox is open, mail the server says is waiting is asked for at once.
TEST_F(MessagingSubDocumentTest, WaitingMailIsFetchedAtOnceWhileTheMailboxIsOpen) {
    Start();
    ServerSend(MailPacket::kType, MailPacket::FormatPendingCount("alice", 2));
    EXPECT_EQ(CMessagingSubDocument::GetPendingCount(), 2);
    EXPECT_TRUE(server->NothingReceived());
    ASSERT_TRUE(OpenFakeMailbox()); // asks, and the count is 0
    EXPECT_EQ(CMessagingSubDocument::GetPendingCount(), 0);
    ServerSend(MailPacket::kType, MailPacket::FormatPendingCount("alice", 1));
    const auto request = server->Expect(MailPacket::kType);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Text(), "-120 \"alice\" \"alice\"");
    EXPECT_EQ(CMessagingSubDocument::GetPendingCount(), 0);
    ServerSend(MailPacket::kType, MailPacket::FormatPendingCount("alice", 0));
    EXPECT_TRUE(server->NothingReceived());
}

// Filing reports fit in a frame however long the server's ids are; one that cannot be sent goes
// again later.
TEST_F(MessagingSubDocumentTest, FilingReportsAreSplitBySizeAndSentAgainWhenTheyCouldNotGo) {
    CApplicationTimer::ManualClock clock;
    Start();
    constexpr int kCount = 2000;
    for (int i = 0; i < kCount; ++i)
        server->Send(MailPacket::kType, arrival("s", "b", "1", QString(196, 'd') + QString::number(1000 + i)));
    QStringList reported;
    while (reported.size() < kCount) {
        const auto frame = server->Expect(MailPacket::kType);
        ASSERT_TRUE(frame) << reported.size() << " reported";
        EXPECT_LE(frame->Text().size(), MailPacket::kMaxFilingResultBytes);
        const auto result = MailPacket::ParseFilingResult(frame->Text());
        ASSERT_TRUE(result && result->filed);
        reported += result->deliveryIds;
    }
    reported.removeDuplicates();
    EXPECT_EQ(reported.size(), kCount);

    // The connection ends while a letter read before is being filed: the report waits, and goes
    // once there is a connection again.
    server->Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->IsConnected(); }));
    mail->OnPacket(MailPacket::kType, arrival("late", "b", "1", "late1"));
    ASSERT_TRUE(mail->WaitForFiling(5000));
    EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), size_t(kCount + 1));
    ASSERT_TRUE(Login());
    // It goes as the login is accepted, the mailbox closed and nothing asked: before any request for
    // letters (which would hand it over again).
    const auto again = server->Expect(MailPacket::kType, 1);
    ASSERT_TRUE(again);
    const auto result = MailPacket::ParseFilingResult(again->Text());
    ASSERT_TRUE(result && result->filed);
    EXPECT_EQ(result->deliveryIds, QStringList{"late1"});
    ASSERT_TRUE(mail->RequestPendingMessages());
    const auto request = server->Expect(MailPacket::kType, 1);
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->Text().startsWith(QLatin1String("-120 ")));

    // The client ends before it could send one: the next run sends it as it starts, at the login.
    server->Disconnect(1);
    ASSERT_TRUE(WaitFor([&] { return !session->IsConnected(); }));
    mail->OnPacket(MailPacket::kType, arrival("later", "b", "1", "late2"));
    ASSERT_TRUE(mail->WaitForFiling(5000));
    mail.reset();
    Start();
    const auto next = server->Expect(MailPacket::kType, 2);
    ASSERT_TRUE(next);
    const auto kept = MailPacket::ParseFilingResult(next->Text());
    ASSERT_TRUE(kept && kept->filed);
    EXPECT_EQ(kept->deliveryIds, QStringList{"late2"});
}

// The server hands a letter over again (its report was lost, or the client ended before it went):
// it is filed once, and every delivery is answered, after a restart too. A letter whose id is too
// long for any report is filed once all the same.
TEST_F(MessagingSubDocumentTest, ALetterHandedOverAgainIsFiledOnceAndEachDeliveryReported) {
    Start();
    const auto reportedTimes = [this](int deliveries) {
        QStringList ids;
        while (ids.size() < deliveries) {
            const auto frame = server->Expect(MailPacket::kType);
            const auto result = frame ? MailPacket::ParseFilingResult(frame->Text()) : std::nullopt;
            if (!result || !result->filed)
                break;
            ids += result->deliveryIds;
        }
        EXPECT_TRUE(server->NothingReceived());
        return ids;
    };
    for (int i = 0; i < 5; ++i)
        server->Send(MailPacket::kType, arrival("once", "b", "1", "d7"));
    EXPECT_EQ(reportedTimes(5), QStringList(5, "d7"));
    ServerSend(MailPacket::kType, arrival("once", "b", "1", "d7")); // once it is on file
    EXPECT_EQ(reportedTimes(1), QStringList{"d7"});
    mail.reset();
    Start();
    ServerSend(MailPacket::kType, arrival("once", "b", "1", "d7"));
    EXPECT_EQ(reportedTimes(1), QStringList{"d7"});
    EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), 1u);

    const QString tooLong(MailPacket::kMaxFilingResultBytes, u'L');
    for (int i = 0; i < 2; ++i)
        Arrive(arrival("long", "b", "1", tooLong));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), 2u);
}

TEST_F(MessagingSubDocumentTest, MailButtonFollowsThePendingCount) {
    Start();
    CMainFrame frame;
    frame.WatchMailCount(session.get());
    CSettingsStore& settings = GetSettingsStore();
    const struct {
        int count;
        int notified;
        int image;
    } cases[] = {{2, 0, CMainFrame::kMailImageWaiting}, {0, 1, CMainFrame::kMailImageNone}, {1, 0, CMainFrame::kMailImageWaiting}};
    for (const auto& c : cases) {
        ServerSend(MailPacket::kType, MailPacket::FormatPendingCount("alice", c.count));
        EXPECT_EQ(settings.GetIntEx("Settings", "nMessagesPending", -1), c.count);
        EXPECT_EQ(settings.GetIntEx("Settings", "bNotifiedPending", -1), c.notified);
        EXPECT_EQ(frame.GetMailImage(), c.image) << c.count;
    }
    // Without the mail windows the command stays off.
    EXPECT_FALSE(frame.GetMailAction()->isEnabled());
    // Asking for the waiting messages counts them as none.
    EXPECT_TRUE(mail->RequestPendingMessages());
    EXPECT_EQ(server->Expect(MailPacket::kType)->Text(), "-120 \"alice\" \"alice\"");
    EXPECT_EQ(frame.GetMailImage(), CMainFrame::kMailImageNone);
    frame.WatchMailCount(nullptr);
}

TEST_F(MessagingSubDocumentTest, BurstOfArrivalsRefreshesTheMailboxOnceAfterTheLast) {
    CApplicationTimer::ManualClock clock;
    Start();
    FakeMailbox* mailbox = OpenFakeMailbox();
    ASSERT_TRUE(mailbox);
    for (int i = 0; i < 3; ++i) {
        Arrive(arrival(QString::number(i), "b"));
        if (i == 1)
            clock.Tick(); // the third arrival starts the wait again
    }
    EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), 3u);
    const int expected[] = {0, 1, 1, 1};
    for (int refreshes : expected) {
        clock.Tick();
        EXPECT_EQ(mailbox->refreshes, refreshes);
    }
}

TEST_F(MessagingSubDocumentTest, MalformedAndForeignPacketsChangeNothing) {
    Start();
    QString cut = arrival("s", "body");
    cut.truncate(cut.lastIndexOf(QLatin1String(" \"")));
    GetSettingsStore().WriteInt("Settings", "nMessagesPending", 5);
    for (const auto& [text, taken] : {std::pair{cut, 1}, {QStringLiteral("139 \"alice\" lots"), 1},
                                      {QStringLiteral("136 \"alice\" \"x\""), 0}, {QStringLiteral("rubbish"), 1}})
        EXPECT_EQ(mail->OnPacket(MailPacket::kType, text), taken) << text.toStdString();
    EXPECT_EQ(mail->OnPacket(70, arrival("s", "b")), 0);
    EXPECT_TRUE(mail->FindFolder("Inbox")->Headers().empty());
    EXPECT_EQ(GetSettingsStore().GetIntEx("Settings", "nMessagesPending", -1), 5);
}

TEST_F(MessagingSubDocumentTest, MailBarredAccountSendsAndFilesNothingAndIsToldWhy) {
    server->Acceptance().accountFlags = 0;
    Start();
    EXPECT_FALSE(mail->SendMail(std::make_unique<CMessageHeader>(), "b"));
    EXPECT_TRUE(WaitFor([] { return countBoxes(CMessagingSubDocument::kMailBarred) == 1; }));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_TRUE(mail->FindFolder("Outbox")->Headers().empty());
}

TEST_F(MessagingSubDocumentTest, MovesKeepTheOriginalUntilTheCopyIsFiled) {
    Start();
    Arrive(arrival("keep", "the body"));
    const QString id = mail->FindFolder("Inbox")->Headers().front()->GetMessageId();
    ASSERT_TRUE(mail->CreateFolder("Saved"));
    // To a folder the store does not have, or to its own folder: nothing moves.
    EXPECT_FALSE(mail->MoveOrCopy("Missing", "Inbox", id, true));
    EXPECT_FALSE(mail->MoveOrCopy("Inbox", "Inbox", id, true));
    ASSERT_TRUE(mail->FindHeaderById(id));
    // A copy leaves the original; a move takes it away. Both copies keep the body.
    for (const auto& [move, inboxAfter, savedAfter] : {std::tuple{false, 1u, 1u}, {true, 0u, 2u}}) {
        EXPECT_TRUE(mail->MoveOrCopy("Saved", "Inbox", id, move));
        EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), inboxAfter);
        ASSERT_EQ(mail->FindFolder("Saved")->Headers().size(), savedAfter);
        CMessageHeader stored;
        EXPECT_EQ(StoredBody(mail->FindFolder("Saved")->Headers().back(), stored), "the body");
        EXPECT_EQ(stored.GetFolderName(), "Saved");
    }
}

// A sent message moved keeps its id: the server's answers find it in its new folder, also after a
// restart, and no message sent later gets the id while it is kept. A copy gets an id of its own.
TEST_F(MessagingSubDocumentTest, AMovedSentMessageKeepsItsIdSoItsAnswersFindIt) {
    Start();
    for (const char* folder : {"Saved", "Old"})
        ASSERT_TRUE(mail->CreateFolder(folder));
    const QString moved = SendOne("first");
    ASSERT_EQ(mail->MoveOrCopyMessages("Saved", {{"Outbox", moved}}, true), 1); // the windows' way
    ASSERT_TRUE(mail->MoveOrCopy("Old", "Saved", moved, true));
    std::vector<QString> copyIds;
    ASSERT_EQ(mail->MoveOrCopyMessages("Saved", {{"Old", moved}}, false, &copyIds), 1);
    const QString next = SendOne("second"); // to the same member in the same minute
    for (const int status : {kStatusSent, kStatusAcknowledged}) {
        if (status == kStatusAcknowledged) { // after a restart
            ASSERT_TRUE(mail->GetStore()->WaitForCommit(5000));
            mail.reset();
            Start();
        }
        ServerSend(MailPacket::kType, status == kStatusSent ? MailPacket::FormatDeliveryResult("alice", true, moved)
                                                            : MailPacket::FormatAcknowledged("alice", moved));
        CMessageHeader* header = mail->FindHeaderById(moved);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->GetFolderName(), "Old");
        EXPECT_EQ(header->m_status, status);
        CMessageHeader stored;
        EXPECT_EQ(StoredBody(header, stored), "first");
        EXPECT_EQ(stored.m_status, status);
        EXPECT_EQ(mail->FindHeaderById(next)->m_status, kStatusReadyToSend);
        EXPECT_EQ(mail->FindHeaderById(copyIds.front())->m_status, kStatusReadyToSend);
    }
}

// A flood: what arrives together is filed with one commit, and the server hears that a message is
// filed only when the file on disk holds it, so it may forget its copy.
TEST_F(MessagingSubDocumentTest, ArrivalsThatComeTogetherAreFiledTogetherAndReportedOnlyOnceOnDisk) {
    Start();
    constexpr int kCount = 60;
    for (int i = 0; i < kCount; ++i)
        server->Send(MailPacket::kType, arrival(QStringLiteral("n%1").arg(i), QStringLiteral("body %1").arg(i), "1",
                                                QStringLiteral("d%1").arg(i)));
    QStringList reported;
    int reports = 0;
    while (reported.size() < kCount) {
        const auto frame = server->Expect(MailPacket::kType);
        ASSERT_TRUE(frame);
        const auto result = MailPacket::ParseFilingResult(frame->Text());
        ASSERT_TRUE(result && result->filed && result->nickname == "alice") << frame->Text().toStdString();
        ++reports;
        reported += result->deliveryIds;
        // Everything reported is in the file as it is on disk now.
        QFile file(mail->GetStore()->GetPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        platform::CompoundFile onDisk;
        ASSERT_EQ(onDisk.Parse(file.readAll()), platform::stg::S_OK);
        std::vector<platform::CompoundFile::Element> inbox;
        onDisk.List({"Inbox"}, inbox);
        EXPECT_EQ(inbox.size(), size_t(reported.size()));
        EXPECT_EQ(mail->FindFolder("Inbox")->Headers().size(), size_t(reported.size()));
    }
    EXPECT_LE(reports, 3) << "arrivals that come together share a commit";
    reported.sort();
    reported.removeDuplicates();
    EXPECT_EQ(reported.size(), kCount);
    // Every id is its own and found, with the body that came with it.
    for (CMessageHeader* header : mail->FindFolder("Inbox")->Headers()) {
        ASSERT_EQ(mail->FindHeaderById(header->GetMessageId()), header);
        CMessageHeader stored;
        EXPECT_EQ(StoredBody(header, stored), "body " + header->GetSubject().mid(1));
    }
}

// The store is held by another program of this user: nothing can be filed. The server is told (so it
// keeps the messages), and the user hears of it once, not once per message.
TEST_F(MessagingSubDocumentTest, MailThatCannotBeFiledIsReportedAndTheUserToldOnce) {
    ASSERT_TRUE(Login());
    platform::CompoundFile holder;
    ASSERT_EQ(holder.Create(m_dir.path() + "/alice.nvm"), platform::stg::S_OK);
    mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
    ASSERT_FALSE(mail->GetStore());
    testenv::scriptedUi().clear();
    for (const char* id : {"7", "8"}) {
        ServerSend(MailPacket::kType, arrival("s", "b", "1", QString::fromLatin1(id)));
        const auto frame = server->Expect(MailPacket::kType);
        ASSERT_TRUE(frame);
        const auto result = MailPacket::ParseFilingResult(frame->Text());
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->filed);
        EXPECT_EQ(result->deliveryIds, QStringList{QString::fromLatin1(id)});
    }
    EXPECT_TRUE(WaitFor([] { return countBoxesStarting(CMessagingSubDocument::kNotFiled) >= 1; }));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_EQ(countBoxesStarting(CMessagingSubDocument::kNotFiled), 1);
}

} // namespace

namespace {

// The ids of a folder as the folder objects, the store's tree and the file on disk have them.
struct FolderViews {
    QStringList objects, tree, disk;
};

FolderViews folderViews(CMessagingSubDocument& mail, const QString& folder) {
    FolderViews views;
    for (const CMessageHeader* header : mail.FindFolder(folder)->Headers())
        views.objects << header->GetMessageId();
    const auto tree = mail.GetStore()->LoadFolder(folder);
    for (const CMessageHeader* header : tree->Headers())
        views.tree << header->GetMessageId();
    QFile file(mail.GetStore()->GetPath());
    platform::CompoundFile onDisk;
    std::vector<platform::CompoundFile::Element> elements;
    if (file.open(QIODevice::ReadOnly) && onDisk.Parse(file.readAll()) == platform::stg::S_OK)
        onDisk.List({folder}, elements);
    for (const auto& element : elements)
        views.disk << element.name;
    for (QStringList* list : {&views.objects, &views.tree, &views.disk})
        list->sort();
    return views;
}

} // namespace

// A write that fails beside a delete being written in the background: whichever fails, the folders
// in memory, the store's tree and the file show the same messages afterwards.
TEST_F(MessagingSubDocumentTest, AFailedWriteBesideABackgroundDeleteLeavesMemoryAndDiskAlike) {
    Start();
    for (int i = 0; i < 6; ++i)
        Arrive(arrival(QString::number(i), "b"));
    const Qt::HANDLE gui = QThread::currentThreadId();
    for (bool backgroundFails : {false, true}) {
        SCOPED_TRACE(backgroundFails);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        // The background write waits until the change beside it has failed; the GUI thread's fails.
        platform::CompoundFile::SetWriteGate([gui, released, backgroundFails] {
            if (QThread::currentThreadId() == gui)
                return false;
            released.wait();
            return !backgroundFails;
        });
        const auto& inbox = mail->FindFolder("Inbox")->Headers();
        const size_t before = inbox.size();
        ASSERT_EQ(mail->DeleteMessages({{"Inbox", inbox[0]->GetMessageId()}, {"Inbox", inbox[1]->GetMessageId()}}), 2);
        CMessageHeader* kept = mail->FindFolder("Inbox")->Headers().front();
        kept->m_status = kStatusRead;
        EXPECT_EQ(mail->UpdateHeader(*kept), 0);
        release.set_value();
        ASSERT_TRUE(WaitFor([this] { return !mail->IsCommandCommitPending(); }));
        platform::CompoundFile::SetWriteGate(nullptr);
        const FolderViews views = folderViews(*mail, "Inbox");
        EXPECT_EQ(views.objects.size(), backgroundFails ? before : before - 2);
        EXPECT_EQ(views.tree, views.objects);
        EXPECT_EQ(views.disk, views.objects);
    }
}
