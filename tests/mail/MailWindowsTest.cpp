#include "mail/MailFolderDialogs.h"
#include "mail/MailFolderView.h"
#include "mail/MailPackets.h"
#include "mail/MailWindowIds.h"
#include "mail/MessageHeader.h"
#include "mail/MessageMailboxWnd.h"
#include "mail/MessagingOleDocument.h"
#include "mail/MsgDisplayEditWnd.h"
#include "platform/Color.h"
#include "platform/CompoundFile.h"
#include "platform/Paths.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SessionFixture.h"
#include "support/Cascade.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/TextWindowStyle.h"
#include "support/WindowBroadcast.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

using testenv::WaitFor;

namespace {

using Rows = std::vector<QString>;

int countBoxes(const QString& text) {
    int count = 0;
    for (const auto& asked : testenv::scriptedUi().asked())
        count += asked.kind == platform::ScriptedUi::Asked::MessageBoxKind && asked.text == text;
    return count;
}

// The window the last box of that text belonged to (its object name).
QString boxOwner(const QString& text) {
    QString owner;
    for (const auto& asked : testenv::scriptedUi().asked())
        if (asked.kind == platform::ScriptedUi::Asked::MessageBoxKind && asked.text == text)
            owner = asked.parent;
    return owner;
}

QString arrival(const QString& from, const QString& subject, const QString& body, const QString& sent) {
    MailPacket::Message m;
    m.dateSent = sent;
    m.from = from;
    m.to = "alice";
    m.subject = subject;
    m.kind = "1";
    m.body = body;
    return MailPacket::FormatNewMessage("alice", m);
}

// A store as it is on disk: a copy of the file opened afresh, its folders' subjects and bodies.
struct DiskStore {
    std::map<QString, std::vector<std::pair<CMessageHeader, QString>>> folders;
    QStringList names;
    QString copyPath;
    std::vector<std::pair<CMessageHeader, QString>>& operator[](const QString& f) { return folders[f]; }
};

class MailWindowsTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        testenv::scriptedUi().clear();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(Login());
        mail = std::make_unique<CMessagingSubDocument>(session.get(), m_dir.path() + "/");
        ASSERT_TRUE(mail->GetStore());
        CMessagingSubDocument::SetMailboxFactory([this](CMessagingSubDocument& owner, const QString& title) {
            mailbox = new CMessageMailboxWnd(owner, title);
            mailbox->show();
            return static_cast<CMailboxWindowLink*>(mailbox);
        });
        mail->ToggleMailbox();
        ASSERT_TRUE(mailbox);
        const auto request = server->Expect(MailPacket::kType);
        ASSERT_TRUE(request && request->Text().startsWith(QLatin1String("-120 ")));
    }
    void TearDown() override {
        CMessagingSubDocument::SetMailboxFactory(nullptr);
        mail.reset();
        SessionTest::TearDown();
    }

    // The store on disk once the last command's commit is written.
    DiskStore Settled() {
        EXPECT_TRUE(WaitFor([&] { return !mail->IsCommandCommitPending(); }));
        return Reopen();
    }
    DiskStore Reopen() {
        DiskStore disk;
        m_copies.push_back(std::make_unique<QTemporaryDir>());
        const QString folder = m_copies.back()->path() + "/";
        disk.copyPath = folder + "alice.nvm";
        EXPECT_TRUE(QFile::copy(mail->GetStore()->GetPath(), disk.copyPath));
        CMessagingOleDocument store(folder, "alice");
        EXPECT_TRUE(store.IsOpen()) << store.OpenError().toStdString();
        disk.names = store.GetFolders();
        for (const QString& name : disk.names) {
            std::unique_ptr<CMsgFolderObject> object = store.LoadFolder(name);
            auto& list = disk.folders[name];
            for (const CMessageHeader* header : object ? object->Headers() : std::vector<CMessageHeader*>{}) {
                CMessageHeader stored;
                QString body;
                EXPECT_TRUE(store.ReadMessage(stored, body, name, header->GetMessageId()));
                list.emplace_back(stored, body);
            }
        }
        return disk;
    }
    // Receives a message from the server and shows it in the open folder.
    void Receive(const QString& from, const QString& subject, const QString& body,
                 const QString& sent = "2026/12/07:0930") {
        const size_t before = mail->FindFolder("Inbox")->Headers().size();
        ServerSend(MailPacket::kType, arrival(from, subject, body, sent));
        // Arriving mail is filed off the GUI thread and shows once it is on disk.
        ASSERT_TRUE(WaitFor([&] { return mail->FindFolder("Inbox")->Headers().size() == before + 1; }));
        mailbox->RefreshCurrentFolder();
    }
    CMsgDisplayEditWnd* NewestWindow() const {
        const auto windows = mailbox->MessageWindows();
        return windows.empty() ? nullptr : windows.back();
    }
    void SelectFolder(const QString& shown) { ASSERT_TRUE(mailbox->FolderView()->SelectFolder(shown)); }
    void SelectRows(std::initializer_list<int> rows) {
        mailbox->HeaderView()->List()->clearSelection();
        for (int row : rows)
            mailbox->HeaderView()->SelectRow(row, true);
    }
    QStringList Subjects() const {
        QStringList subjects;
        CMailHeaderModel* model = mailbox->HeaderView()->Model();
        for (int row = 0; row < model->rowCount(); ++row)
            subjects << model->RowAt(row).subject;
        return subjects;
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QTemporaryDir>> m_copies;
    std::unique_ptr<CMessagingSubDocument> mail;
    CMessageMailboxWnd* mailbox = nullptr;
};

TEST_F(MailWindowsTest, ComposeSendThenReceiveReadReplyAndForward) {
    EXPECT_EQ(mailbox->ShownFolderNames(), QStringList({"Inbox", "Sent Items", "Deleted Items"}));
    EXPECT_EQ(mailbox->HeaderView()->GetCaption(), "Contents of 'Inbox' ... (empty)");
    EXPECT_FALSE(mailbox->IsCommandEnabled(MailCommand::kView));

    // Compose: the names go out with single blanks, the body with "\r\n" line ends.
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNew));
    CMsgDisplayEditWnd* compose = NewestWindow();
    ASSERT_TRUE(compose && compose->IsComposing());
    EXPECT_EQ(compose->windowTitle(), CMsgDisplayEditWnd::kComposeTitle);
    compose->ComposeForm()->ToEdit()->setText("bob   carol");
    compose->ComposeForm()->SubjectEdit()->setText("Tonight");
    compose->Body()->setPlainText("Fancy a match?\n7 points");
    ASSERT_TRUE(compose->RunCommand(MailCommand::kSend));
    const auto frame = server->Expect(MailPacket::kType);
    const auto wire = frame ? MailPacket::ParseSend(frame->Text()) : std::nullopt;
    ASSERT_TRUE(wire);
    EXPECT_EQ(wire->to, "bob carol");
    EXPECT_EQ(wire->body, "Fancy a match?\r\n7 points");
    EXPECT_TRUE(WaitFor([&] { return mailbox->MessageWindows().empty(); })); // the window closes
    DiskStore disk = Reopen();
    ASSERT_EQ(disk["Outbox"].size(), 1u);
    EXPECT_EQ(disk["Outbox"][0].first.GetSubject(), "Tonight");
    EXPECT_EQ(disk["Outbox"][0].second, "Fancy a match?\r\n7 points");
    EXPECT_EQ(disk["Outbox"][0].first.GetMessageId(), wire->messageId);

    // Receive: what another member wrote is shown as plain text, whatever it looks like.
    Receive("bob", "<b>Sure</b>", "<i>see</i> you\r\nat 8");
    ASSERT_EQ(Subjects(), QStringList({"<b>Sure</b>"}));
    QTreeWidgetItem* inbox = mailbox->FolderView()->Tree()->topLevelItem(0);
    EXPECT_EQ(inbox->text(0), "Inbox (1)");
    SelectRows({0});
    QTest::keyClick(mailbox->HeaderView()->List(), Qt::Key_Return); // Enter views the message
    ASSERT_TRUE(WaitFor([&] { return NewestWindow() != nullptr; }));
    CMsgDisplayEditWnd* read = NewestWindow();
    ASSERT_TRUE(read && !read->IsComposing());
    EXPECT_EQ(read->windowTitle(), "Viewing received message: <b>Sure</b>");
    EXPECT_EQ(read->DisplayForm()->Field(0)->text(), "bob");
    EXPECT_EQ(read->DisplayForm()->Field(4)->text(), "<b>Sure</b>");
    EXPECT_EQ(read->Body()->toPlainText(), "<i>see</i> you\nat 8");
    EXPECT_TRUE(read->Body()->isReadOnly());
    EXPECT_FALSE(read->IsCommandEnabled(MailCommand::kSend));
    EXPECT_TRUE(read->IsCommandEnabled(MailCommand::kSave));
    // Opening it marked it read, in the list, in the tree and on disk.
    EXPECT_EQ(mailbox->HeaderView()->Model()->RowAt(0).status, kStatusRead);
    EXPECT_EQ(inbox->text(0), "Inbox");
    EXPECT_EQ(Reopen()["Inbox"][0].first.m_status, kStatusRead);

    // Reply from the read window: to the sender, the original quoted. The read window stands at the
    // screen's foot: the answer, placed a step below it, still lies on the screen, frame and all.
    const QRect area = read->screen()->availableGeometry();
    read->move(read->x(), area.bottom() + 1 - read->frameGeometry().height());
    ASSERT_TRUE(read->RunCommand(MailCommand::kReply));
    CMsgDisplayEditWnd* reply = NewestWindow();
    ASSERT_TRUE(reply && reply != read && reply->IsComposing());
    EXPECT_TRUE(area.contains(reply->frameGeometry())) << reply->frameGeometry().bottom() << " " << area.bottom();
    EXPECT_EQ(reply->ComposeForm()->ToEdit()->text(), "bob");
    EXPECT_EQ(reply->ComposeForm()->SubjectEdit()->text(), "re: <b>Sure</b>");
    EXPECT_EQ(reply->Body()->StoredText(), "\r\n--- Original message ---\r\nFrom: bob\r\nTo: alice\r\nCc: \r\nSubject: "
                                           "<b>Sure</b>\r\nOriginal text:\r\n<i>see</i> you\r\nat 8\r\n--- End of "
                                           "original message from bob ---");
    EXPECT_FALSE(reply->IsCommandEnabled(MailCommand::kSave)); // not on file yet
    reply->Body()->moveCursor(QTextCursor::Start);
    reply->Body()->insertPlainText("Great");
    ASSERT_TRUE(reply->RunCommand(MailCommand::kSend));
    const auto answer = server->Expect(MailPacket::kType);
    const auto answerWire = answer ? MailPacket::ParseSend(answer->Text()) : std::nullopt;
    ASSERT_TRUE(answerWire);
    EXPECT_EQ(answerWire->subject, "re: <b>Sure</b>");
    EXPECT_TRUE(answerWire->body.startsWith("Great\r\n--- Original message ---"));

    // Forward from the mailbox: nobody to send to yet.
    SelectRows({0});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kForward));
    CMsgDisplayEditWnd* forward = NewestWindow();
    ASSERT_TRUE(forward && forward->IsComposing());
    EXPECT_EQ(forward->ComposeForm()->ToEdit()->text(), "");
    EXPECT_EQ(forward->ComposeForm()->SubjectEdit()->text(), "fwd: <b>Sure</b>");

    // With two messages selected, Reply and Forward say they take one.
    Receive("carol", "Also", "me");
    const std::vector<MailKey> still = mailbox->HeaderView()->GetSelectedMessages(); // new mail moves no selection
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(mail->FindHeaderById(still[0].id)->GetSubject(), "<b>Sure</b>");
    SelectRows({0, 1});
    const size_t windows = mailbox->MessageWindows().size();
    mailbox->RunCommand(MailCommand::kReply);
    mailbox->RunCommand(MailCommand::kForward);
    EXPECT_EQ(mailbox->MessageWindows().size(), windows);
    EXPECT_EQ(countBoxes(CMessageMailboxWnd::kReplyOne), 1);
    EXPECT_EQ(countBoxes(CMessageMailboxWnd::kForwardOne), 1);

    // Closing the mailbox closes its message windows.
    QPointer<CMsgDisplayEditWnd> open = forward;
    mail->ToggleMailbox();
    EXPECT_FALSE(open);
    EXPECT_FALSE(mail->IsMailboxOpen());
}

TEST_F(MailWindowsTest, RecipientsAreCheckedAndNothingIsSentUntilTheyAreRight) {
    const QString letters = "Nicknames in the 'To' field may contain only letters and numbers.\nMultiple Nicknames "
                            "must be separated with a space.";
    const QString ccLetters = QString(letters).replace("'To'", "'Cc'");
    const QString toMany = "You may have a maximum of 5 Nicknames in the 'To' field.";
    const struct {
        const char* to;
        const char* cc;
        QString refusal;
    } cases[] = {
        {"", "", "No recipient was specified in the 'To' field.\nPlease specify a recipient and try re-sending."},
        {"  ", "", "No recipient was specified in the 'To' field.\nPlease specify a recipient and try re-sending."},
        {"a b c d e", "", ""},
        {"a  b c d e", "", ""}, // a double blank is no sixth name
        {"a b c d e f", "", toMany},
        {"bob,carol", "", letters},
        {"b\u00f6b", "", letters},
        {"bob", "a b c d e f", "You may have a maximum of 5 Nicknames in the 'Cc' field."},
        {"bob", "x;y", ccLetters},
        {"bob", "a b c d e", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMsgComposeFormView::CheckRecipients(QString::fromUtf8(c.to), c.cc), c.refusal) << c.to << "|" << c.cc;

    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNew));
    CMsgDisplayEditWnd* compose = NewestWindow();
    compose->ComposeForm()->ToEdit()->setText("bob,carol");
    compose->Body()->setPlainText("hi");
    compose->RunCommand(MailCommand::kSend);
    EXPECT_EQ(countBoxes(letters), 1);
    EXPECT_EQ(boxOwner(letters), CMsgDisplayEditWnd::kClassName); // modal to the window, Return closes it
    compose->ComposeForm()->ToEdit()->setText("bob");
    compose->Body()->setPlainText("");
    compose->RunCommand(MailCommand::kSend);
    EXPECT_EQ(countBoxes(CMsgDisplayEditWnd::kEmptyBody), 1);
    EXPECT_EQ(mail->FindFolder("Outbox")->Headers().size(), 0u);
    EXPECT_EQ(NewestWindow(), compose);
    EXPECT_EQ(compose->windowTitle(), CMsgDisplayEditWnd::kComposeTitle);

    // The body takes no more than the limit, typed or pasted; a line break counts once.
    compose->Body()->setPlainText(QString(3490, 'a'));
    compose->Body()->moveCursor(QTextCursor::End);
    compose->Body()->insertPlainText(QString(5, '\n') + QString(20, 'b'));
    EXPECT_EQ(compose->Body()->Length(), CMsgBodyEdit::kTextLimit);
    EXPECT_TRUE(compose->Body()->toPlainText().endsWith("\n\n\n\n\nbbbbb"));
    // A longer stored text is shown whole; it may shrink but not grow.
    compose->Body()->SetStoredText(QString(4000, 'c'));
    compose->Body()->moveCursor(QTextCursor::End);
    compose->Body()->insertPlainText("dd");
    EXPECT_EQ(compose->Body()->Length(), 4000);
}

TEST_F(MailWindowsTest, FoldersAreMadeAndRemovedAndMessagesMovedAndCopiedBetweenThem) {
    const QStringList existing = mailbox->ShownFolderNames();
    const struct {
        QString name;
        QString refusal;
    } names[] = {
        {"", CNewMsgFolderDlg::kNoName},
        {QString(31, 'a'), ""},
        {QString(32, 'a'), CNewMsgFolderDlg::kTooLong},
        {"Old mail", CNewMsgFolderDlg::kNotAlphanumeric},
        {"Caf\u00e9", CNewMsgFolderDlg::kNotAlphanumeric},
        {"Games2026", ""},
        {"storagefolders", "The name 'storagefolders' is kept for the message store's own use.  Please choose another."},
        {"Contents", "The name 'Contents' is kept for the message store's own use.  Please choose another."},
        {"filedDeliveries", "The name 'filedDeliveries' is kept for the message store's own use.  Please choose another."},
        {"inbox", "There is a folder named 'Inbox' already.  Please choose another name."},
        {"OUTBOX", "There is a folder named 'Sent Items' already.  Please choose another name."},
    };
    for (const auto& n : names)
        EXPECT_EQ(CNewMsgFolderDlg::CheckName(n.name, existing), n.refusal) << n.name.toStdString();

    // New folder through the dialog: a refused name keeps it open.
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNewFolder));
    QPointer<CNewMsgFolderDlg> dialog = mailbox->NewFolderDialog();
    ASSERT_TRUE(dialog);
    mailbox->RunCommand(MailCommand::kNewFolder); // the same dialog, brought forward
    EXPECT_EQ(mailbox->NewFolderDialog(), dialog);
    dialog->NameEdit()->setText("Old mail");
    dialog->accept();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(countBoxes(CNewMsgFolderDlg::kNotAlphanumeric), 1);
    EXPECT_EQ(boxOwner(CNewMsgFolderDlg::kNotAlphanumeric), CNewMsgFolderDlg::kClassName);
    // A name the store refuses all the same (its write fails) is told over the dialog too.
    platform::CompoundFile::SetWriteGate([] { return false; });
    dialog->NameEdit()->setText("Later");
    dialog->accept();
    platform::CompoundFile::SetWriteGate(nullptr);
    ASSERT_TRUE(dialog);
    const platform::ScriptedUi::Asked& told = testenv::scriptedUi().asked().back(); // (the box above at least)
    EXPECT_TRUE(told.text.startsWith("The folder 'Later' could not be made.")) << told.text.toStdString();
    EXPECT_EQ(told.parent, CNewMsgFolderDlg::kClassName);
    dialog->NameEdit()->setText("Friends");
    dialog->accept();
    EXPECT_TRUE(WaitFor([&] { return !dialog; }));
    EXPECT_EQ(mailbox->ShownFolderNames(), QStringList({"Inbox", "Sent Items", "Deleted Items", "Friends"}));
    EXPECT_EQ(Reopen().names, QStringList({"Inbox", "Outbox", "Deleted Items", "Friends"}));

    Receive("bob", "One", "first", "2026/12/07:0900");
    Receive("bob", "Two", "second", "2026/12/07:0901");
    ASSERT_EQ(Subjects(), QStringList({"Two", "One"}));

    // Move: the destination is one of the folders; the folder the messages are in is refused.
    SelectRows({0, 1});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kMove));
    QPointer<CMoveMessageDialog> move = mailbox->MoveDialog();
    ASSERT_TRUE(move);
    EXPECT_FALSE(move->Folders()->isEditable());
    move->accept();
    EXPECT_EQ(countBoxes(CMoveMessageDialog::kNoDestination), 1);
    EXPECT_EQ(boxOwner(CMoveMessageDialog::kNoDestination), CMoveMessageDialog::kClassName);
    {
        // The real box, as the user meets it: Return in the dialog brings it up over the dialog, with
        // the keyboard, so the next Return closes it and goes no further.
        platform::QtUi real;
        platform::Ui* scripted = platform::SetUi(&real);
        QStringList owners;
        int stacked = 0;
        auto closeBoxes = [](int& count) {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                    box->done(QMessageBox::Ok);
                    ++count;
                }
        };
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(window) && window->isVisible())
                    owners << (window->parentWidget() ? window->parentWidget()->objectName() : QString());
            QTimer::singleShot(500, [&] { closeBoxes(stacked); }); // a second box, should one come
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_TRUE(modal && QTest::qWaitForWindowActive(modal));
            QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Return); // where the keyboard is
        });
        QTest::keyClick(move->Folders(), Qt::Key_Return);
        QTest::qWait(600);
        platform::SetUi(scripted);
        EXPECT_EQ(owners, QStringList({CMoveMessageDialog::kClassName}));
        EXPECT_EQ(stacked, 0);
        EXPECT_EQ(QApplication::focusWidget(), move->Folders());
    }
    move->Folders()->setCurrentText("Inbox");
    move->accept();
    EXPECT_EQ(countBoxes("The message is already located in the 'Inbox' folder.  Please choose another."), 1);
    ASSERT_TRUE(move);
    // The messages are those selected when the dialog opened, even after the user looks elsewhere.
    SelectFolder("Deleted Items");
    move->Folders()->setCurrentText("Friends");
    move->accept();
    EXPECT_TRUE(WaitFor([&] { return !move; }));
    DiskStore disk = Settled();
    EXPECT_EQ(disk["Inbox"].size(), 0u);
    ASSERT_EQ(disk["Friends"].size(), 2u);
    EXPECT_EQ(disk["Friends"][0].second.size() + disk["Friends"][1].second.size(), QString("firstsecond").size());

    // Copy into "Sent Items": it lands in the storage "Outbox".
    SelectFolder("Friends");
    ASSERT_EQ(Subjects(), QStringList({"Two", "One"}));
    SelectRows({1});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kMove));
    move = mailbox->MoveDialog();
    move->CopyButton()->setChecked(true);
    move->Folders()->setCurrentText("Sent Items");
    move->accept();
    disk = Settled();
    EXPECT_EQ(disk["Friends"].size(), 2u);
    ASSERT_EQ(disk["Outbox"].size(), 1u);
    EXPECT_EQ(disk["Outbox"][0].first.GetSubject(), "One");
    EXPECT_EQ(disk["Outbox"][0].second, "first");

    // Delete folder: never the first three nor "Deleted Items"; the others after a question.
    for (const char* shown : {"Inbox", "Sent Items", "Deleted Items"}) {
        SelectFolder(shown);
        EXPECT_FALSE(mailbox->IsCommandEnabled(MailCommand::kDeleteFolder)) << shown;
    }
    SelectFolder("Friends");
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDNO);
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDeleteFolder));
    EXPECT_EQ(Reopen().names.size(), 4);
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDeleteFolder));
    EXPECT_EQ(countBoxes(CMessageMailboxWnd::kDeleteFolder), 2);
    EXPECT_EQ(Reopen().names, QStringList({"Inbox", "Outbox", "Deleted Items"}));
    EXPECT_EQ(mailbox->FolderView()->GetSelectedFolderName(), "Inbox");
}

TEST_F(MailWindowsTest, DeleteMovesToDeletedItemsThenRemovesForGoodAfterAsking) {
    for (const char* subject : {"A", "B", "C"})
        Receive("bob", subject, QString("body ") + subject);
    const QString kept = Subjects().value(2);
    SelectRows({0, 1});
    QTest::keyClick(mailbox->HeaderView()->List(), Qt::Key_Delete); // the Delete key: the same command
    ASSERT_TRUE(WaitFor([&] { return Subjects().size() == 1; }));
    EXPECT_TRUE(testenv::scriptedUi().asked().empty()); // no question outside "Deleted Items"
    DiskStore disk = Settled();
    EXPECT_EQ(disk["Inbox"].size(), 1u);
    EXPECT_EQ(disk["Deleted Items"].size(), 2u);
    EXPECT_EQ(Subjects().size(), 1);
    EXPECT_EQ(mailbox->HeaderView()->GetSelectedCount(), 1); // the row that took their place

    SelectFolder("Deleted Items");
    ASSERT_EQ(Subjects().size(), 2);
    SelectRows({0});
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDNO);
    mailbox->RunCommand(MailCommand::kDelete);
    EXPECT_EQ(countBoxes(CMessageMailboxWnd::kDeleteOne), 1);
    EXPECT_EQ(boxOwner(CMessageMailboxWnd::kDeleteOne), CMessageMailboxWnd::kClassName);
    EXPECT_EQ(Reopen()["Deleted Items"].size(), 2u);
    SelectRows({0, 1});
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    mailbox->RunCommand(MailCommand::kDelete);
    EXPECT_EQ(countBoxes("Are you sure you want to permanently delete these 2 messages?"), 1);
    EXPECT_EQ(Subjects().size(), 0);
    EXPECT_EQ(mailbox->HeaderView()->GetCaption(), "Contents of 'Deleted Items' ... (empty)");
    disk = Settled();
    EXPECT_EQ(disk["Deleted Items"].size(), 0u);
    ASSERT_EQ(disk["Inbox"].size(), 1u);
    EXPECT_EQ(disk["Inbox"][0].second, "body " + kept);

    // An independent reader sees the same file: one message left, in "Inbox".
    QProcess python;
    python.start("/usr/bin/python3", {"-c",
                                      "import olefile,sys\n"
                                      "ole=olefile.OleFileIO(sys.argv[1],raise_defects=olefile.DEFECT_INCORRECT)\n"
                                      "print('\\n'.join('/'.join(p) for p in sorted(ole.listdir(streams=True,storages=False))))",
                                      disk.copyPath});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QStringList streams = QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QStringList messages;
    for (const QString& stream : streams)
        if (stream.contains('/') && !stream.startsWith("AddressBooks/"))
            messages << stream.section('/', 0, 0);
    EXPECT_EQ(messages, QStringList({"Inbox"}));
}

TEST_F(MailWindowsTest, EveryColumnSortsBothWaysAndNewRowsFollowTheOrder) {
    auto row = [](const char* subject, const char* from, const char* to, const char* date, int status) {
        CMailHeaderModel::Row r;
        r.key = {"Inbox", subject};
        r.subject = subject;
        r.from = from;
        r.to = to;
        r.date = date;
        r.status = status;
        return r;
    };
    CMsgMailHeaderView* view = mailbox->HeaderView();
    view->Model()->SetRows({row("b", "Carl", "x", "2026/12/07:1000", kStatusRead),
                            row("C", "al", "z", "2026/12/05:1000", kStatusNew),
                            row("a", "Bea", "y", "2026/12/06:1000", kStatusAcknowledged)});
    EXPECT_EQ(Subjects(), QStringList({"b", "a", "C"})); // newest first
    const struct {
        int column;
        QStringList order;
    } clicks[] = {
        {CMailHeaderModel::kDate, {"b", "a", "C"}}, // the first click on Date keeps newest first
        {CMailHeaderModel::kDate, {"C", "a", "b"}},
        {CMailHeaderModel::kSubject, {"a", "b", "C"}}, // case does not count
        {CMailHeaderModel::kSubject, {"C", "b", "a"}},
        {CMailHeaderModel::kFrom, {"C", "a", "b"}},
        {CMailHeaderModel::kFrom, {"b", "a", "C"}},
        {CMailHeaderModel::kTo, {"b", "a", "C"}},
        {CMailHeaderModel::kTo, {"C", "a", "b"}},
        {CMailHeaderModel::kStatus, {"C", "b", "a"}},
        {CMailHeaderModel::kStatus, {"a", "b", "C"}},
    };
    for (const auto& click : clicks) {
        view->OnColumnClick(click.column);
        EXPECT_EQ(Subjects(), click.order) << "column " << click.column;
    }
    // Sorted by status, highest first: a new "Sent" row goes between.
    view->Model()->AddRow(row("d", "Dan", "w", "2026/12/08:1000", kStatusSent));
    EXPECT_EQ(Subjects(), QStringList({"a", "d", "b", "C"}));
    view->Model()->AddRow(row("d", "Dan", "w", "2026/12/08:1000", kStatusSent)); // once only
    EXPECT_EQ(Subjects().size(), 4);

    // Column widths the user set are kept for the next list.
    view->List()->header()->resizeSection(CMailHeaderModel::kFrom, 123);
    mail->ToggleMailbox();
    EXPECT_EQ(GetSettingsStore().GetIntEx("CMsgMailHeaderView", "nCol1", 0), 123);
    CMsgMailHeaderView next(*mail);
    EXPECT_EQ(next.List()->header()->sectionSize(CMailHeaderModel::kFrom), 123);
}

TEST_F(MailWindowsTest, AnUndeliveredMessageOpensForCorrectionWithoutTakingTheKeyboard) {
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNew));
    CMsgDisplayEditWnd* compose = NewestWindow();
    compose->ComposeForm()->ToEdit()->setText("bobb");
    compose->ComposeForm()->SubjectEdit()->setText("Tonight");
    compose->Body()->setPlainText("8 o'clock");
    compose->RunCommand(MailCommand::kSend);
    const auto frame = server->Expect(MailPacket::kType);
    const auto wire = frame ? MailPacket::ParseSend(frame->Text()) : std::nullopt;
    ASSERT_TRUE(wire);
    ASSERT_TRUE(WaitFor([&] { return mailbox->MessageWindows().empty(); }));

    // The user is typing elsewhere when the server says the message did not arrive.
    mailbox->RunCommand(MailCommand::kNew);
    CMsgDisplayEditWnd* typing = NewestWindow();
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult("alice", false, wire->messageId));
    CMsgDisplayEditWnd* again = NewestWindow();
    ASSERT_TRUE(again && again != typing && again->IsComposing());
    EXPECT_EQ(again->windowTitle(), "Viewing sent message: Tonight");
    EXPECT_EQ(again->ComposeForm()->ToEdit()->text(), "bobb");
    EXPECT_EQ(again->Body()->StoredText(), "8 o'clock");
    EXPECT_TRUE(again->IsCommandEnabled(MailCommand::kSave));
    // Shown without being activated (the offscreen platform activates every window it shows, so
    // the test reads what the window asked of the window system).
    EXPECT_TRUE(again->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(typing->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(countBoxes(CMessagingSubDocument::kUndeliverable), 1);

    // The font preferences reach the open message windows.
    CTextWindowColors colours = CTextWindowColors::Load(CMsgDisplayEditWnd::kSection);
    colours.background = platform::RGB(0x10, 0x20, 0x30);
    colours.Save(CMsgDisplayEditWnd::kSection);
    BroadcastToApplicationWindows("KELDERWICK_FONT_PROPERTIES_CHANGED");
    EXPECT_EQ(again->Body()->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));
}

TEST_F(MailWindowsTest, ViewAsksBeforeOpeningManyAndSaveWritesTheSelectionToOneFile) {
    for (int i = 1; i <= 6; ++i)
        Receive("bob", QString("Note %1").arg(i), QString("text %1").arg(i));
    SelectRows({0, 1, 2, 3, 4, 5});
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDNO);
    mailbox->RunCommand(MailCommand::kView);
    EXPECT_EQ(countBoxes("You are opening 6 messages?\n\nAre you sure you want to do this?"), 1);
    EXPECT_TRUE(mailbox->MessageWindows().empty());
    SelectRows({0, 1, 2, 3, 4});
    mailbox->RunCommand(MailCommand::kView);
    EXPECT_EQ(mailbox->MessageWindows().size(), 5u);
    // Each comes up a cascade step below and right of the one before, never on it; a new one too.
    mailbox->RunCommand(MailCommand::kNew);
    const std::vector<CMsgDisplayEditWnd*> windows = mailbox->MessageWindows();
    for (size_t i = 1; i < windows.size(); ++i)
        EXPECT_EQ(windows[i]->frameGeometry().topLeft(),
                  windows[i - 1]->frameGeometry().topLeft() + QPoint(CascadeStep(), CascadeStep()))
            << i;

    // Save: the chosen file gets ".txt" and the messages in list order, the file emptied first.
    const QString path = m_dir.path() + "/notes";
    QFile old(path + ".txt");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old text");
    old.close();
    SelectRows({4, 1});
    const QStringList subjects = {Subjects()[1], Subjects()[4]};
    // "notes" becomes "notes.txt", which exists: the user is asked, and No leaves it as it was.
    const QString replace = "notes.txt already exists.\nDo you want to replace it?";
    testenv::scriptedUi().QueueFileAnswer(path);
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDNO);
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kSave));
    EXPECT_EQ(countBoxes(replace), 1);
    // The chooser starts among the user's documents, and No brings it back at the name typed.
    QStringList starts;
    for (const auto& asked : testenv::scriptedUi().asked())
        if (asked.kind == platform::ScriptedUi::Asked::SaveFileKind)
            starts << asked.text;
    EXPECT_EQ(starts, QStringList({platform::UserDocumentsDir() + "*.txt", path}));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old text");
    old.close();
    testenv::scriptedUi().QueueFileAnswer(path);
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kSave));
    EXPECT_EQ(countBoxes(replace), 2);
    QFile saved(path + ".txt");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(saved.readAll());
    EXPECT_TRUE(text.startsWith("From: bob\r\n")) << text.toStdString();
    EXPECT_EQ(text.count("\r\n\r\n\r\n"), 2);
    EXPECT_LT(text.indexOf("Subject: " + subjects[0]), text.indexOf("Subject: " + subjects[1]));
    EXPECT_FALSE(text.contains("old text"));
}

TEST_F(MailWindowsTest, RowShadeFollowsTheListBackground) {
    EXPECT_EQ(CMsgMailHeaderView::ShadeColour(QColor(0xff, 0xff, 0xff)), QColor(0xef, 0xef, 0xef));
    EXPECT_EQ(CMsgMailHeaderView::ShadeColour(QColor(0x40, 0x40, 0x40)), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(CMsgMailHeaderView::ShadeColour(QColor(0x60, 0x50, 0x41)), QColor(0x80, 0x70, 0x61));
    EXPECT_EQ(CMsgMailHeaderView::ShadeColour(QColor(0x70, 0xff, 0x10)), QColor(0x50, 0xef, 0x10));
}

// What the user typed is never lost without a question: each way of closing a window holding it asks,
// and Cancel keeps the window and the text. A window holding only its quote closes without asking.
TEST_F(MailWindowsTest, ATypedDraftAsksBeforeEveryWayOfClosingIt) {
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNew));
    QPointer<CMsgDisplayEditWnd> compose = NewestWindow();
    ASSERT_TRUE(compose);
    QTest::keyClicks(compose->ComposeForm()->ToEdit(), "bob");
    QTest::keyClicks(compose->Body(), "Dear Bob, about tonight");
    const QString typed = compose->Body()->toPlainText();
    ASSERT_EQ(typed, "Dear Bob, about tonight");
    QPointer<CMessageMailboxWnd> box = mailbox;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"close box", [&] { compose->windowHandle()->close(); }},
        {"Alt+F4",
         [&] {
             QApplication::setActiveWindow(compose); // the user's click into the window
             ASSERT_TRUE(QTest::qWaitForWindowActive(compose));
             QTest::keyClick(compose->Body(), Qt::Key_F4, Qt::AltModifier);
         }},
        {"Message > Close",
         [&] {
             QMenu* menu = compose->menuBar()->actions().front()->menu();
             menu->popup(compose->mapToGlobal(QPoint(0, 0)));
             QTest::keyClick(menu, Qt::Key_C);
         }},
        {"the mailbox's close box", [&] { box->windowHandle()->close(); }},
        {"the mailbox toggled away", [&] { mail->ToggleMailbox(); }},
    };
    int asked = 0;
    for (const auto& [way, close] : ways) {
        testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDCANCEL);
        close();
        EXPECT_EQ(countBoxes(CMsgDisplayEditWnd::kDiscard), ++asked) << way;
        ASSERT_TRUE(compose && box) << way;
        EXPECT_TRUE(compose->isVisible() && box->isVisible()) << way;
        EXPECT_EQ(compose->Body()->toPlainText(), typed) << way;
    }
    EXPECT_TRUE(mail->IsMailboxOpen());
    // Agreed to, the mailbox goes and the window with it.
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDOK);
    mail->ToggleMailbox();
    EXPECT_FALSE(compose);
    EXPECT_FALSE(mail->IsMailboxOpen());
}

TEST_F(MailWindowsTest, AFreshReplyClosesWithoutAskingAndALongOriginalLeavesRoomToWrite) {
    Receive("bob", "Long", QString(3400, 'x'));
    SelectRows({0});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kReply));
    QPointer<CMsgDisplayEditWnd> reply = NewestWindow();
    ASSERT_TRUE(reply && reply->IsComposing());
    // The quote is cut, with a line saying so, and keeps the end marker.
    const QString quoted = reply->Body()->StoredText();
    EXPECT_LE(reply->Body()->Length(), CMessageMailboxWnd::kMaxQuoteLength);
    EXPECT_TRUE(quoted.contains(CMessageMailboxWnd::kQuoteCut));
    EXPECT_TRUE(quoted.endsWith("--- End of original message from bob ---"));
    reply->windowHandle()->close();
    EXPECT_TRUE(WaitFor([&] { return !reply; })) << "nothing typed: no question";
    EXPECT_EQ(countBoxes(CMsgDisplayEditWnd::kDiscard), 0);

    // The writer has room for 1,000 characters of his own.
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kForward));
    reply = NewestWindow();
    const int before = reply->Body()->Length();
    reply->Body()->moveCursor(QTextCursor::Start);
    QTest::keyClicks(reply->Body(), QString(1000, 'y'));
    EXPECT_EQ(reply->Body()->Length(), before + 1000);
    EXPECT_TRUE(reply->Body()->toPlainText().startsWith(QString(1000, 'y')));
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDOK);
    reply->Action(MailCommand::kClose)->trigger();
    EXPECT_TRUE(WaitFor([&] { return !reply; }));

    // A short original is quoted whole.
    CMessageHeader original("s", "bob", "alice", "", "", "", 0, kStatusRead, 0, 1);
    EXPECT_FALSE(CMessageMailboxWnd::QuotedBody(original, QString(2000, 'z')).contains(CMessageMailboxWnd::kQuoteCut));
}

// A message window follows its message when it moves; the answers it opens come up beside it.
TEST_F(MailWindowsTest, AMovedMessageStillAnswersFromItsWindowAndItsSendersHearOfIt) {
    Receive("bob", "<b>x</b><img src=\"http://127.0.0.1:1/y.png\">", "body");
    // Other members' texts are plain text in the list's tips too.
    const QString tip = mailbox->HeaderView()->Model()->index(0, CMailHeaderModel::kSubject).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains("&lt;b&gt;x&lt;/b&gt;&lt;img")) << tip.toStdString();
    EXPECT_FALSE(tip.contains("<b>"));

    SelectRows({0});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kView));
    CMsgDisplayEditWnd* read = NewestWindow();
    SelectRows({0});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDelete)); // into "Deleted Items", under its own id
    ASSERT_TRUE(WaitFor([&] { return Subjects().isEmpty() && !mail->IsCommandCommitPending(); }));
    EXPECT_EQ(read->FolderName(), "Deleted Items");
    const size_t windows = mailbox->MessageWindows().size();
    ASSERT_TRUE(read->RunCommand(MailCommand::kReply));
    ASSERT_EQ(mailbox->MessageWindows().size(), windows + 1);
    CMsgDisplayEditWnd* reply = NewestWindow();
    EXPECT_EQ(reply->ComposeForm()->ToEdit()->text(), "bob");
    EXPECT_EQ(reply->frameGeometry().topLeft(), read->frameGeometry().topLeft() + QPoint(CascadeStep(), CascadeStep()));
    ASSERT_TRUE(read->RunCommand(MailCommand::kForward));
    EXPECT_EQ(mailbox->MessageWindows().size(), windows + 2);

    // A sent message moved away is still found by the server's answers, and one deleted for good
    // still has its failure told.
    QTest::keyClicks(reply->Body(), "Yes");
    ASSERT_TRUE(reply->RunCommand(MailCommand::kSend));
    const auto frame = server->Expect(MailPacket::kType);
    const auto wire = frame ? MailPacket::ParseSend(frame->Text()) : std::nullopt;
    ASSERT_TRUE(wire);
    SelectFolder("Sent Items");
    SelectRows({0});
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDelete));
    ASSERT_TRUE(WaitFor([&] { return Subjects().isEmpty(); }));
    ServerSend(MailPacket::kType, MailPacket::FormatAcknowledged("alice", wire->messageId));
    const std::vector<CMessageHeader*>& deleted = mail->FindFolder(kDeletedItemsFolder)->Headers();
    EXPECT_TRUE(std::any_of(deleted.begin(), deleted.end(), [](const CMessageHeader* h) {
        return h->GetSubject() == "re: <b>x</b><img src=\"http://127.0.0.1:1/y.png\">" && h->m_status == kStatusAcknowledged;
    }));
    SelectFolder("Deleted Items");
    mailbox->HeaderView()->List()->selectAll();
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDelete));
    ServerSend(MailPacket::kType, MailPacket::FormatDeliveryResult("alice", false, wire->messageId));
    EXPECT_TRUE(WaitFor([] { return countBoxes(CMessagingSubDocument::kUndeliverable) == 1; }));
}

// Deleting and moving many messages is one commit of the store, and the window shows the result
// at once; a message filed but not sent says so.
TEST_F(MailWindowsTest, ManyMessagesMoveInOneCommitAndAMessageThatCouldNotGoSaysSo) {
    for (int i = 0; i < 30; ++i)
        Receive("bob", QString("m%1").arg(i), "b");
    mailbox->HeaderView()->List()->selectAll();
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kDelete));
    EXPECT_TRUE(Subjects().isEmpty()); // shown at once, written meanwhile
    DiskStore disk = Settled();
    EXPECT_EQ(disk["Inbox"].size(), 0u);
    EXPECT_EQ(disk[kDeletedItemsFolder].size(), 30u);

    // The connection is gone as the user sends: the message is filed, and he is told it did not go.
    server->Disconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->IsConnected(); }));
    auto header = std::make_unique<CMessageHeader>("s", "alice", "bob", "", "2026/12/08:0400", "", 0,
                                                   kStatusReadyToSend, 0, 1);
    EXPECT_FALSE(mail->SendMail(std::move(header), "b"));
    EXPECT_EQ(mail->FindFolder("Outbox")->Headers().size(), 1u);
    EXPECT_TRUE(WaitFor([] { return countBoxes(CMessagingSubDocument::kFiledNotSent) == 1; }));
}

// The mail windows' menus give every item its own key.
TEST_F(MailWindowsTest, NoTwoItemsOfAMenuShareAMnemonic) {
    ASSERT_TRUE(mailbox->RunCommand(MailCommand::kNew));
    for (QMainWindow* window : {static_cast<QMainWindow*>(mailbox), static_cast<QMainWindow*>(NewestWindow())}) {
        for (QAction* top : window->menuBar()->actions()) {
            std::map<QChar, QString> keys;
            for (QAction* item : top->menu()->actions()) {
                const qsizetype at = item->text().indexOf('&');
                if (item->isSeparator() || at < 0)
                    continue;
                const QChar key = item->text().at(at + 1).toLower();
                EXPECT_FALSE(keys.count(key)) << item->text().toStdString() << " and " << keys[key].toStdString();
                keys[key] = item->text();
            }
        }
    }
}

} // namespace
