#include "mail/MessageHeader.h"
#include "mail/MessagingOleDocument.h"
#include "platform/Archive.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "support/SettingsStore.h"

#include "support/PeakMemory.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>

using platform::CompoundFile;

namespace {

QString dataDir() { return qEnvironmentVariable("NORVALE_TEST_SOURCE_DIR") + QStringLiteral("/tests/mail/data/"); }

CMessageHeader header(const QString& to, const QString& sent = QStringLiteral("2006/12/06:1630"),
                      const QString& subject = QStringLiteral("Hello")) {
    return CMessageHeader(subject, QStringLiteral("Ann"), to, QString(), sent, QString(), 0, kStatusReadyToSend, 0, 1);
}

// What an independent reader (python3-olefile under the system's Python) sees in a file.
QStringList oracleListing(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {dataDir() + QStringLiteral("olelist.py"), path});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QString::fromLatin1(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MailStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        testenv::scriptedUi().clear();
    }
    QString folder() const { return m_dir.path() + u'/'; }
    QString path() const { return folder() + QStringLiteral("ann.nvm"); }
    QTemporaryDir m_dir;
};

TEST_F(MailStore, NewStoreLayoutAsAnotherReaderSeesIt) {
    {
        CMessagingOleDocument store(folder(), QStringLiteral("ann"));
        ASSERT_TRUE(store.IsOpen()) << store.OpenError().toStdString();
        EXPECT_EQ(store.GetFolders(), QStringList({"Inbox", "Outbox"}));
        EXPECT_EQ(store.GetAddressBooks(), QStringList({"Default"}));
    }
    EXPECT_EQ(oracleListing(path()), QStringList({
                                         "AddressBooks storage",
                                         "AddressBooks/Default stream ",
                                         "Contents stream ",
                                         "Inbox storage",
                                         "Outbox storage",
                                         "StorageFolders stream 020005496e626f78064f7574626f78",
                                     }));

    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    CMessageHeader first = header(QStringLiteral("Bob Cy"));
    ASSERT_EQ(store.StoreInInbox(first, QStringLiteral("Hi\r\n")), 1);
    CMessageHeader big = header(QStringLiteral("Dee"));
    ASSERT_EQ(store.StoreInOutbox(big, QString(5000, u'z')), 1);
    ASSERT_EQ(store.CreateFolder(QStringLiteral("Deleted Items")), 1);
    platform::ArchiveWriter expected;
    first.Store(expected);
    expected.WriteString(QStringLiteral("Hi\r\n"));
    platform::ArchiveWriter expectedBig;
    big.Store(expectedBig);
    expectedBig.WriteString(QString(5000, u'z'));
    const QStringList listing = oracleListing(path());
    EXPECT_TRUE(listing.contains(QStringLiteral("Inbox/Bob200612061630 stream ") + expected.data().toHex()));
    EXPECT_TRUE(listing.contains(QStringLiteral("Outbox/Dee200612061630 stream ") + expectedBig.data().toHex()));
    EXPECT_TRUE(listing.contains(QStringLiteral("Deleted Items storage")));
    EXPECT_TRUE(listing.contains(QStringLiteral("StorageFolders stream 030005496e626f78064f7574626f780d44656c65746564204974656d73")));
}

TEST_F(MailStore, MessageIds) {
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    ASSERT_TRUE(store.IsOpen());
    struct Case {
        QString to, sent, expected;
    } cases[] = {
        {"Bob", "2006/12/06:1630", "Bob200612061630"},
        {"Bob Cy", "2006/12/06:1630", "Bob2006120616300"},
        {"bob", "2006/12/06:1630", "bob2006120616301"}, // differs only in case: a new name all the same
        {"Abcdefghijklmnopqrstu", "2006/12/06:1630", "Abcdefghijklmnopq200612061630"},
        {"a/b:c!d\\e", "2006/12/06:1630", "abcde200612061630"},
        {"Eve", "garbled", "Evegarbled"},
        {"", "", "0"},
    };
    for (const Case& c : cases) {
        CMessageHeader h = header(c.to, c.sent);
        ASSERT_EQ(store.StoreInInbox(h, QString()), 1) << c.to.toStdString();
        EXPECT_EQ(h.GetMessageId(), c.expected);
        EXPECT_EQ(h.GetFolderName(), QStringLiteral("Inbox"));
    }
    // Ids are unique over all folders, and never pass 31 characters.
    CMessageHeader out = header(QStringLiteral("Bob"));
    ASSERT_EQ(store.StoreInOutbox(out, QString()), 1);
    EXPECT_EQ(out.GetMessageId(), QStringLiteral("Bob2006120616302"));
    for (int i = 0; i < 12; ++i) {
        CMessageHeader h = header(QStringLiteral("Abcdefghijklmnopqrstu"));
        ASSERT_EQ(store.StoreInInbox(h, QString::number(i)), 1);
        EXPECT_LE(h.GetMessageId().size(), 31);
    }
    auto inbox = store.LoadFolder(QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    EXPECT_EQ(inbox->Headers().size(), 7u + 12u);
    store.SetIdInUseTest([](const QString& id) { return id == QStringLiteral("Zed200612061630"); });
    EXPECT_EQ(store.MakeMessageId(header(QStringLiteral("Zed"))), QStringLiteral("Zed2006120616300"));

    // The id of a message deleted for good, alone, in a selection or with its folder, is not given
    // again in this run: the server may still answer to it.
    ASSERT_EQ(store.CreateFolder(QStringLiteral("Old")), 1);
    const auto deleteForGood = [&](const CMessageHeader& h, int way) {
        if (way == 0)
            return store.DeleteMessage(h.GetFolderName(), h.GetMessageId()) == 1;
        if (way == 1)
            return store.DeleteMessages({{h.GetFolderName(), h.GetMessageId()}}, nullptr).size() == 1 &&
                   store.WaitForCommit(5000);
        return store.DeleteFolder(h.GetFolderName()) == 1;
    };
    for (int way = 0; way < 3; ++way) {
        const QString stem = QStringLiteral("Cat") + QString::number(way);
        CMessageHeader gone = header(stem);
        ASSERT_EQ(store.StoreMessage(gone, QString(), QString::fromLatin1(way == 2 ? "Old" : "Outbox")), 1);
        ASSERT_EQ(gone.GetMessageId(), stem + QStringLiteral("200612061630"));
        ASSERT_TRUE(deleteForGood(gone, way)) << way;
        EXPECT_EQ(store.MakeMessageId(header(stem.toUpper())), stem.toUpper() + QStringLiteral("2006120616300"));
    }
}

TEST_F(MailStore, Folders) {
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    ASSERT_TRUE(store.IsOpen());
    struct Case {
        QString name;
        int result;
    } cases[] = {
        {"Deleted Items", 1}, {"Inbox", 0}, {"INBOX", 0}, {"StorageFolders", 0}, {"addressbooks", 0},
        {"Contents", 0}, {QString(31, u'f'), 1}, {QString(32, u'f'), 0}, {"a:b", 0}, {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.CreateFolder(c.name), c.result) << c.name.toStdString();
        EXPECT_EQ(store.LastError().isEmpty(), c.result == 1) << c.name.toStdString();
    }
    EXPECT_EQ(store.GetFolders(), QStringList({"Inbox", "Outbox", "Deleted Items", QString(31, u'f')}));
    CMessageHeader kept = header(QStringLiteral("Bob"));
    ASSERT_EQ(store.StoreMessage(kept, QStringLiteral("body"), QStringLiteral("Inbox")), 1);

    EXPECT_EQ(store.DeleteFolder(QStringLiteral("AddressBooks")), 0);
    EXPECT_EQ(store.DeleteFolder(QString()), 0);
    EXPECT_EQ(store.DeleteFolder(QStringLiteral("Deleted Items")), 1);
    EXPECT_EQ(store.DeleteFolder(QStringLiteral("Nothing")), 0);
    EXPECT_EQ(store.GetFolders(), QStringList({"Inbox", "Outbox", QString(31, u'f')}));

}

TEST_F(MailStore, ReopenedStoreKeepsFoldersAndMessages) {
    auto store = std::make_unique<CMessagingOleDocument>(folder(), QStringLiteral("ann"));
    ASSERT_EQ(store->CreateFolder(QStringLiteral("Deleted Items")), 1);
    ASSERT_EQ(store->CreateFolder(QStringLiteral("Old")), 1);
    CMessageHeader kept = header(QStringLiteral("Bob"));
    ASSERT_EQ(store->StoreMessage(kept, QStringLiteral("body"), QStringLiteral("Old")), 1);
    ASSERT_EQ(store->DeleteFolder(QStringLiteral("Deleted Items")), 1);
    store.reset();
    store = std::make_unique<CMessagingOleDocument>(folder(), QStringLiteral("ann"));
    EXPECT_EQ(store->GetFolders(), QStringList({"Inbox", "Outbox", "Old"}));
    CMessageHeader read;
    QString body;
    ASSERT_EQ(store->ReadMessage(read, body, QStringLiteral("Old"), kept.GetMessageId()), 1);
    EXPECT_EQ(body, QStringLiteral("body"));
    EXPECT_EQ(read.GetFolderName(), QStringLiteral("Old"));
    // A listed folder whose storage has gone is taken off the list.
    store.reset();
    {
        CompoundFile file;
        ASSERT_EQ(file.Open(path()), platform::stg::S_OK);
        ASSERT_EQ(file.Remove({QStringLiteral("Old")}), platform::stg::S_OK);
        ASSERT_EQ(file.Commit(), platform::stg::S_OK);
    }
    store = std::make_unique<CMessagingOleDocument>(folder(), QStringLiteral("ann"));
    EXPECT_EQ(store->DeleteFolder(QStringLiteral("Old")), 1);
    EXPECT_EQ(store->GetFolders(), QStringList({"Inbox", "Outbox"}));
}

TEST_F(MailStore, UpdateDeleteAndLoad) {
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    CMessageHeader h = header(QStringLiteral("Bob"));
    ASSERT_EQ(store.StoreInInbox(h, QStringLiteral("The body\r\n")), 1);

    struct Case {
        int status;
        QString subject;
    } cases[] = {{kStatusRead, "Hello"}, {kStatusSent, "A much longer subject than before"}, {kStatusNew, "S"}};
    for (const Case& c : cases) {
        CMessageHeader changed(c.subject, h.GetFrom(), h.GetTo(), h.GetCc(), h.GetDateSent(), h.GetDateReceived(),
                               h.m_priority, c.status, h.m_notifyOnReceipt, 1);
        changed.SetFolderName(h.GetFolderName());
        changed.SetMessageId(h.GetMessageId());
        ASSERT_EQ(store.UpdateHeader(changed), 1);
        CMessageHeader read;
        QString body;
        ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Inbox"), h.GetMessageId()), 1);
        EXPECT_EQ(read.m_status, c.status);
        EXPECT_EQ(read.GetSubject(), c.subject);
        EXPECT_EQ(body, QStringLiteral("The body\r\n"));
    }
    CMessageHeader unknown = h;
    unknown.SetMessageId(QStringLiteral("nothing"));
    EXPECT_EQ(store.UpdateHeader(unknown), 0);
    unknown.SetFolderName(QString());
    EXPECT_EQ(store.UpdateHeader(unknown), 0);

    EXPECT_EQ(store.DeleteMessage(QStringLiteral("Inbox"), QString()), 0);
    EXPECT_EQ(store.DeleteMessage(QStringLiteral("Inbox"), QStringLiteral("nothing")), 0);
    EXPECT_EQ(store.DeleteMessage(QStringLiteral("Inbox"), h.GetMessageId()), 1);
    CMessageHeader gone;
    QString body;
    EXPECT_EQ(store.ReadMessage(gone, body, QStringLiteral("Inbox"), h.GetMessageId()), 0);

    std::vector<std::unique_ptr<CMsgFolderObject>> all;
    all.push_back(std::make_unique<CMsgFolderObject>(QStringLiteral("stale")));
    store.LoadAllFolders(all);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->GetName(), QStringLiteral("Inbox"));
    EXPECT_TRUE(all[0]->Headers().empty());
    EXPECT_EQ(store.LoadFolder(QString()), nullptr);
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(store.LoadFolder(QStringLiteral("Missing")), nullptr);
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text,
              QStringLiteral("Missing:  The storage object with the specified name does not exist."));
}

TEST_F(MailStore, ErrorTexts) {
    struct Case {
        quint32 code;
        QString text;
    } cases[] = {
        {platform::stg::E_PENDING, QStringLiteral("Part or all of the storage\u2019s data is currently unavailable.")},
        {platform::stg::INVALIDNAME, "Invalid value for pwcsName."},
        {platform::stg::ACCESSDENIED, "Insufficient permissions to open storage object."},
        {platform::stg::S_CONVERTED, "The existing stream with the specified name was replaced with a new storage "
                                     "object containing a single stream called CONTENTS."},
        {0x80030109, "Unknown storage error (0x80030109)."},
        {0, "Unknown storage error (0x00000000)."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CMessagingOleDocument::ErrorText(c.code), c.text) << c.code;
}

TEST_F(MailStore, ExportAppendsText) {
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    CMessageHeader h = header(QStringLiteral("Bob"), QStringLiteral("2006/12/06:1630"), QStringLiteral("Caf\u00e9"));
    ASSERT_EQ(store.StoreInInbox(h, QStringLiteral("Line\r\n")), 1);
    const QString text = m_dir.filePath(QStringLiteral("out.txt"));
    const QByteArray one = QByteArray("From: Ann\r\nTo: Bob\r\nCc: \r\nSubject: Caf\xe9\r\nDate and time sent: "
                                      "2006/12/06:1630\r\nDate and time received: \r\nPriority: Normal\r\n"
                                      "Notify on receipt: No\r\nMessage status: Ready to send\r\n\r\nLine\r\n\r\n\r\n\r\n");
    struct Step {
        bool newFile;
        QByteArray expected;
    } steps[] = {{true, one}, {false, one + one}, {true, one}};
    for (const Step& s : steps) {
        EXPECT_TRUE(store.ExportMessageText(text, QStringLiteral("Inbox"), h.GetMessageId(), s.newFile));
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), s.expected);
    }
    EXPECT_FALSE(store.ExportMessageText(text, QStringLiteral("Inbox"), QStringLiteral("nothing"), true));
    EXPECT_FALSE(store.ExportMessageText(QString(), QStringLiteral("Inbox"), h.GetMessageId(), true));
    EXPECT_FALSE(store.ExportMessageText(m_dir.filePath("no/such/dir.txt"), QStringLiteral("Inbox"), h.GetMessageId(), true));
}

TEST_F(MailStore, FailuresAreReportedAndLoseNothing) {
    const QString sub = m_dir.filePath(QStringLiteral("sub"));
    const QString away = m_dir.filePath(QStringLiteral("away"));
    ASSERT_TRUE(QDir().mkdir(sub));
    CMessageHeader first = header(QStringLiteral("Bob"));
    CMessageHeader later = header(QStringLiteral("Eve"));
    CMessageHeader lost = header(QStringLiteral("Dee"));
    {
        CMessagingOleDocument store(sub + u'/', QStringLiteral("ann"));
        ASSERT_EQ(store.StoreInInbox(first, QStringLiteral("kept")), 1);
        // A second program for the same user runs without a store.
        CMessagingOleDocument second(sub + u'/', QStringLiteral("ann"));
        EXPECT_FALSE(second.IsOpen());
        EXPECT_FALSE(second.OpenError().isEmpty());
        CMessageHeader h = header(QStringLiteral("Cy"));
        EXPECT_EQ(second.StoreInInbox(h, QString()), 0);
        CMessagingOleDocument nowhere(m_dir.filePath(QStringLiteral("none/")), QStringLiteral("ann"));
        EXPECT_FALSE(nowhere.IsOpen());
        EXPECT_TRUE(nowhere.OpenError().contains(QStringLiteral("lock file"))) << nowhere.OpenError().toStdString();

        // The folder goes away: nothing can be written, and each failure says so.
        ASSERT_TRUE(QDir().rename(sub, away));
        EXPECT_EQ(store.StoreInInbox(lost, QStringLiteral("x")), 0);
        EXPECT_FALSE(store.LastError().isEmpty());
        EXPECT_EQ(store.CreateFolder(QStringLiteral("New")), 0);
        EXPECT_EQ(store.DeleteFolder(QStringLiteral("Outbox")), 0);
        EXPECT_EQ(store.GetFolders(), QStringList({"Inbox", "Outbox"}));
        ASSERT_TRUE(QDir().rename(away, sub));
        ASSERT_EQ(store.StoreInInbox(later, QStringLiteral("later")), 1);
        EXPECT_TRUE(store.LastError().isEmpty());
    }
    CMessagingOleDocument store(sub + u'/', QStringLiteral("ann"));
    auto inbox = store.LoadFolder(QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    EXPECT_TRUE(inbox->FindHeader(first.GetMessageId()));
    EXPECT_TRUE(inbox->FindHeader(later.GetMessageId()));
    EXPECT_FALSE(inbox->FindHeader(lost.GetMessageId())); // the failed change was not kept half way
    EXPECT_EQ(inbox->Headers().size(), 2u);
    EXPECT_TRUE(store.LoadFolder(QStringLiteral("Outbox")) != nullptr);
}

TEST_F(MailStore, DamagedFileIsLeftAlone) {
    // A store file that cannot be read stays as it is.
    QFile::remove(path());
    QFile damaged(path());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(1024, 'x'));
    damaged.close();
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_TRUE(store.LoadFolder(QStringLiteral("Inbox")) == nullptr);
    QFile check(path());
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray(1024, 'x'));
    const QString notAStore = QStringLiteral("The mail store %1 cannot be opened: not a compound file").arg(path());
    EXPECT_EQ(store.OpenError(), notAStore);
    check.close();

    // A FIFO, a socket or a device is refused as the others are, without opening or waiting on it; a
    // large file (a sparse one here) is refused from its header or its size, without being read.
    struct Case {
        QByteArray header; // of a file; else "fifo", "socket" or "device"
        QString error;
    } cases[] = {
        {"fifo", notAStore},
        {"socket", notAStore},
        {"device", notAStore},
        {QByteArray(512, '\0'), notAStore},
        {QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(16, '\0') +
             QByteArray::fromHex("3e000300feff090006") + QByteArray(512 - 33, '\0'),
         QStringLiteral("The mail store %1 cannot be opened: %1 is larger than the 256 MiB a store may hold").arg(path())},
    };
    const QByteArray name = QFile::encodeName(path());
    for (const Case& c : cases) {
        ASSERT_TRUE(QFile::remove(path()));
        const int socket = c.header == "socket" ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        if (c.header == "fifo") {
            ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
        } else if (socket >= 0) {
            ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        } else if (c.header == "device") { // of no driver (opening it fails); where none may be made, /dev/null
            ASSERT_TRUE(::mknod(name.constData(), S_IFCHR | 0600, makedev(240, 7)) == 0 ||
                        ::symlink("/dev/null", name.constData()) == 0);
        } else {
            QFile big(path());
            ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.write(c.header) == c.header.size());
            ASSERT_TRUE(big.resize(qint64(1) << 30));
        }
        PeakMemoryProbe memory;
        // Opened on a thread: a store that waits on a FIFO fails in seconds, and a writer ends the wait.
        auto opening = std::async(std::launch::async, [this] {
            CMessagingOleDocument refused(folder(), QStringLiteral("ann"));
            return refused.IsOpen() ? QStringLiteral("open") : refused.OpenError();
        });
        if (opening.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the store waits on what stands in its place";
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        }
        EXPECT_EQ(opening.get(), c.error) << c.header.left(6).constData();
        ::close(socket);
        if (memory.Available()) {
            EXPECT_LT(memory.ExtraMegabytes(), 64.0);
        }
    }
}

TEST_F(MailStore, DamagedMessagesAreSkipped) {
    CMessageHeader h = header(QStringLiteral("Bob"));
    {
        CMessagingOleDocument store(folder(), QStringLiteral("ann"));
        ASSERT_EQ(store.StoreInInbox(h, QStringLiteral("fine")), 1);
        ASSERT_EQ(store.CreateFolder(QStringLiteral("Old")), 1);
    }
    // "Stray1" and "Stray2" hold records that name the message in "Inbox" (its folder and id).
    const QStringList strays = {QStringLiteral("Stray1"), QStringLiteral("Stray2")};
    {
        CompoundFile file;
        ASSERT_EQ(file.Open(path()), platform::stg::S_OK);
        file.WriteStream({QStringLiteral("Inbox"), QStringLiteral("Broken")}, QByteArray::fromHex("ff2c01"));
        for (const QString& name : strays) {
            CMessageHeader stray = header(QStringLiteral("Stray"), QStringLiteral("2006/12/06:1630"), name);
            stray.SetFolderName(QStringLiteral("Inbox"));
            stray.SetMessageId(h.GetMessageId());
            platform::ArchiveWriter record;
            stray.Store(record);
            record.WriteString(name);
            file.WriteStream({QStringLiteral("Old"), name}, record.data());
        }
        ASSERT_EQ(file.Commit(), platform::stg::S_OK);
    }
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    auto inbox = store.LoadFolder(QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    ASSERT_EQ(inbox->Headers().size(), 1u);
    CMessageHeader read;
    QString body;
    EXPECT_EQ(store.ReadMessage(read, body, QStringLiteral("Inbox"), QStringLiteral("Broken")), 0);

    // A message is known by where it lies, loaded with its folder or read alone: a stray one's status
    // change is written to itself, never over the message its record names.
    auto old = store.LoadFolder(QStringLiteral("Old"));
    ASSERT_TRUE(old && old->Headers().size() == 2);
    for (const QString& name : strays) {
        CMessageHeader found;
        if (name == strays[0]) {
            const auto it = std::find_if(old->Headers().begin(), old->Headers().end(),
                                         [&](const CMessageHeader* loaded) { return loaded->GetSubject() == name; });
            ASSERT_NE(it, old->Headers().end());
            found = **it;
        } else {
            ASSERT_EQ(store.ReadMessage(found, body, QStringLiteral("Old"), name), 1);
        }
        EXPECT_EQ(found.GetFolderName(), QStringLiteral("Old"));
        EXPECT_EQ(found.GetMessageId(), name);
        found.m_status = kStatusAcknowledged;
        ASSERT_EQ(store.UpdateHeader(found), 1);
        ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Old"), name), 1);
        EXPECT_EQ(read.m_status, kStatusAcknowledged);
        EXPECT_EQ(body, name);
    }
    ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Inbox"), h.GetMessageId()), 1);
    EXPECT_EQ(read.GetSubject(), QStringLiteral("Hello"));
    EXPECT_EQ(read.m_status, kStatusReadyToSend);
    EXPECT_EQ(body, QStringLiteral("fine"));
}

// One element of a sound store damaged at a time: a store that cannot say where its letters belong
// is not opened and stays byte for byte; one that opens files a letter only in a listed folder, and
// every letter it says it filed is there when it is opened again.
TEST_F(MailStore, EachElementDamagedAloneLosesNoLetter) {
    const QString folders = QStringLiteral("StorageFolders");
    const auto overwrite = [](QStringList element, QByteArray bytes) {
        return [=](CompoundFile& file) {
            QByteArray data;
            file.ReadStream(element, data);
            file.WriteStream(element, data.replace(0, bytes.size(), bytes));
        };
    };
    const auto remove = [](QStringList element) { return [=](CompoundFile& file) { file.Remove(element); }; };
    platform::ArchiveWriter outboxOnly;
    outboxOnly.WriteStringList({QStringLiteral("Outbox")});
    const QString damaged = QStringLiteral("The folder list of %1 is damaged");
    struct Case {
        const char* what;
        std::function<void(CompoundFile&)> damage;
        QString openError; // the start of it; empty when the store opens
        bool inboxFiles;
    } cases[] = {
        {"a folder count no reader takes", overwrite({folders}, "\xff\xff"), damaged, false},
        {"more folders counted than listed", overwrite({folders}, QByteArray("\x09\x00", 2)), damaged, false},
        {"no folder list", remove({folders}), QStringLiteral("The folder list of %1 is missing."), false},
        {"a folder list without Inbox", [&](CompoundFile& f) { f.WriteStream({folders}, outboxOnly.data()); }, {}, false},
        {"no Inbox storage", remove({QStringLiteral("Inbox")}), {}, false},
        {"a damaged delivery list", overwrite({QStringLiteral("FiledDeliveries")}, "\xff\xff"), {}, true},
        {"no address books", remove({QStringLiteral("AddressBooks")}), {}, true},
        {"no Contents", remove({QStringLiteral("Contents")}), {}, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = m_dir.filePath(QString::number(++n)) + u'/';
        const QString file = dir + QStringLiteral("ann.nvm");
        ASSERT_TRUE(QDir().mkpath(dir));
        {
            CMessagingOleDocument store(dir, QStringLiteral("ann"));
            CMessageHeader first = header(QStringLiteral("Bob"));
            ASSERT_TRUE(store.StoreInInboxInBackground({&first}, {QStringLiteral("first")}, {QStringLiteral("d1")}, nullptr));
            ASSERT_TRUE(store.WaitForFiling(5000));
        }
        {
            CompoundFile image;
            ASSERT_EQ(image.Open(file), platform::stg::S_OK);
            c.damage(image);
            ASSERT_EQ(image.Commit(), platform::stg::S_OK);
        }
        const QByteArray before = fileBytes(file);
        CMessageHeader arrived = header(QStringLiteral("Cy"));
        CMessageHeader sent = header(QStringLiteral("Dee"));
        bool filed = false;
        int sentFiled = 0;
        {
            CMessagingOleDocument store(dir, QStringLiteral("ann"));
            EXPECT_EQ(store.IsOpen(), c.openError.isEmpty());
            if (!c.openError.isEmpty()) {
                EXPECT_TRUE(store.OpenError().startsWith(c.openError.arg(file))) << store.OpenError().toStdString();
            }
            if (store.StoreInInboxInBackground({&arrived}, {QStringLiteral("arrived")}, {QStringLiteral("d2")},
                                               [&](bool ok, const QString&) { filed = ok; })) {
                ASSERT_TRUE(store.WaitForFiling(5000));
            }
            if (qstrcmp(c.what, "a folder list without Inbox") == 0) {
                EXPECT_EQ(store.LastError(), QStringLiteral("The folder \"Inbox\" is not in the folder list of %1.").arg(file));
            }
            sentFiled = store.StoreInOutbox(sent, QStringLiteral("sent"));
            store.CreateFolder(QStringLiteral("New"));
            store.SetUnreportedDeliveries({QStringLiteral("d2")});
            store.SaveDeliveries();
        }
        if (!c.openError.isEmpty()) {
            EXPECT_EQ(fileBytes(file), before);
            continue;
        }
        EXPECT_EQ(filed, c.inboxFiles);
        EXPECT_EQ(sentFiled, 1);
        CMessagingOleDocument reopened(dir, QStringLiteral("ann"));
        ASSERT_TRUE(reopened.IsOpen());
        for (const CMessageHeader* letter : {&arrived, &sent}) {
            if (letter == &arrived && !filed)
                continue;
            EXPECT_TRUE(reopened.GetFolders().contains(letter->GetFolderName()));
            auto holder = reopened.LoadFolder(letter->GetFolderName());
            EXPECT_TRUE(holder && holder->FindHeader(letter->GetMessageId())) << letter->GetTo().toStdString();
        }
    }
}

// Another program's store may repeat an id across folders: a message moved into a folder that holds
// its id takes a new one, and both stay, each readable.
TEST_F(MailStore, AMoveIntoAFolderHoldingItsIdKeepsBoth) {
    QStringList ids;
    {
        CMessagingOleDocument store(folder(), QStringLiteral("ann"));
        ASSERT_EQ(store.CreateFolder(QStringLiteral("Old")), 1);
        for (const char* body : {"one", "two"}) {
            CMessageHeader h = header(QStringLiteral("Bob"));
            ASSERT_EQ(store.StoreInInbox(h, QString::fromLatin1(body)), 1);
            ids << h.GetMessageId();
        }
    }
    {
        CompoundFile file;
        ASSERT_EQ(file.Open(path()), platform::stg::S_OK);
        for (const QString& id : ids) {
            CMessageHeader h = header(QStringLiteral("Bob"));
            h.SetFolderName(QStringLiteral("Old"));
            h.SetMessageId(id);
            platform::ArchiveWriter record;
            h.Store(record);
            record.WriteString(QStringLiteral("old"));
            file.WriteStream({QStringLiteral("Old"), id}, record.data());
        }
        ASSERT_EQ(file.Commit(), platform::stg::S_OK);
    }
    CMessagingOleDocument store(folder(), QStringLiteral("ann"));
    CMessageHeader moved;
    ASSERT_EQ(store.MoveMessage(moved, QStringLiteral("Inbox"), ids[0], QStringLiteral("Old")), 1);
    const auto copies = store.MoveMessages(QStringLiteral("Old"), {{QStringLiteral("Inbox"), ids[1]}}, true, nullptr);
    ASSERT_TRUE(store.WaitForCommit(5000));
    ASSERT_TRUE(copies.size() == 1 && copies[0]);
    const QStringList newIds = {moved.GetMessageId(), copies[0]->GetMessageId()};
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(newIds[i], ids[i]);
        CMessageHeader read;
        QString body;
        ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Old"), ids[i]), 1);
        EXPECT_EQ(body, QStringLiteral("old"));
        ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Old"), newIds[i]), 1);
        EXPECT_EQ(body, i == 0 ? QStringLiteral("one") : QStringLiteral("two"));
    }
    EXPECT_TRUE(store.LoadFolder(QStringLiteral("Inbox"))->Headers().empty());
}

TEST_F(MailStore, StoresWrittenByOtherPrograms) {
    struct Case {
        const char* file;
        QStringList folders;
        QString id;
        QString subject;
        int bodySize;
    } cases[] = {
        {"gsf-v3.nvm", {"Inbox", "Outbox", "Archive"}, "Bob200612070905", "Long", 5000},
        {"gsf-v4.nvm", {"Inbox", "Outbox", "Archive"}, "Bob200612061630", "Hello", 8},
        {"storage-lite.nvm", {"Inbox", "Outbox"}, "Eve200701021200", "Lite", 6},
    };
    for (const Case& c : cases) {
        const QString copy = folder() + QLatin1String(c.file);
        ASSERT_TRUE(QFile::copy(dataDir() + QLatin1String(c.file), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QString nickname = QString::fromLatin1(c.file).chopped(4);
        CMessagingOleDocument store(folder(), nickname);
        ASSERT_TRUE(store.IsOpen()) << c.file << store.OpenError().toStdString();
        EXPECT_EQ(store.GetFolders(), c.folders);
        EXPECT_EQ(store.GetAddressBooks(), QStringList({"Default"}));
        CMessageHeader read;
        QString body;
        ASSERT_EQ(store.ReadMessage(read, body, QStringLiteral("Inbox"), c.id), 1) << c.file;
        EXPECT_EQ(read.GetSubject(), c.subject);
        EXPECT_EQ(body.size(), c.bodySize);
        // Changes to such a file keep everything else in it.
        CMessageHeader added = header(QStringLiteral("Bob"));
        ASSERT_EQ(store.StoreInInbox(added, QStringLiteral("new")), 1);
        const QStringList listing = oracleListing(copy);
        EXPECT_EQ(listing.filter(QStringLiteral("Inbox/%1 stream ").arg(c.id)).size(), 1) << c.file;
        EXPECT_EQ(listing.filter(QStringLiteral("Inbox/%1 stream ").arg(added.GetMessageId())).size(), 1) << c.file;
    }
}

// The crash test's writer: stores messages one after another and prints each id once it is committed.
TEST(MailStoreCrash, Writer) {
    const QString dir = qEnvironmentVariable("NORVALE_CRASH_WRITER_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "run by MailStoreCrash.KilledWritersLoseNothing";
    CMessagingOleDocument store(dir + u'/', QStringLiteral("crash"));
    ASSERT_TRUE(store.IsOpen()) << store.OpenError().toStdString();
    for (int i = 0;; ++i) {
        CMessageHeader h = header(QStringLiteral("Bob"), QStringLiteral("2006/12/06:1630"), QString::number(i));
        if (!store.StoreInInbox(h, QString(QRandomGenerator::global()->bounded(6000), u'b')))
            _exit(3);
        const QByteArray line = "committed " + h.GetMessageId().toLatin1() + '\n';
        if (::write(1, line.constData(), size_t(line.size())) != line.size())
            _exit(4);
    }
}

TEST(MailStoreCrash, KilledWritersLoseNothing) {
    QTemporaryDir dir;
    QStringList committed;
    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("NORVALE_CRASH_WRITER_DIR"), dir.path());
        writer.setProcessEnvironment(env);
        writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=MailStoreCrash.Writer")});
        ASSERT_TRUE(writer.waitForStarted());
        // Let it commit a few, then kill it at some point of a commit.
        QByteArray out;
        while (out.count("committed ") < 3 && writer.state() == QProcess::Running)
            if (writer.waitForReadyRead(10000))
                out += writer.readAllStandardOutput();
        ::usleep(QRandomGenerator::global()->bounded(20000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished();
        out += writer.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n'))
            if (line.startsWith("committed "))
                committed << QString::fromLatin1(line.mid(10));
        ASSERT_GE(committed.size(), 3 * (round + 1)) << writer.readAllStandardError().toStdString();

        CMessagingOleDocument store(dir.path() + u'/', QStringLiteral("crash"));
        ASSERT_TRUE(store.IsOpen()) << store.OpenError().toStdString();
        auto inbox = store.LoadFolder(QStringLiteral("Inbox"));
        ASSERT_TRUE(inbox);
        for (const QString& id : committed)
            ASSERT_NE(inbox->FindHeader(id), nullptr) << id.toStdString() << " lost in round " << round;
    }
    // No temporary files are left behind to pile up.
    EXPECT_LE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(MailFolderPath, FromSettings) {
    platform::Registry registry;
    CSettingsStore settings(registry);
    EXPECT_EQ(CMessagingOleDocument::GetMailFolderPath(settings), settings.GetPathName());
    settings.WriteString(QStringLiteral("PathNames"), QStringLiteral("MsgSystem"), QStringLiteral("/tmp/mail"));
    EXPECT_EQ(CMessagingOleDocument::GetMailFolderPath(settings), QStringLiteral("/tmp/mail/"));
}

} // namespace
