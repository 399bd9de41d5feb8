#include "mail/MessageHeader.h"
#include "platform/Archive.h"

#include <gtest/gtest.h>

namespace {

QByteArray archiveOf(const CMessageHeader& header) {
    platform::ArchiveWriter archive;
    header.Store(archive);
    return archive.data();
}

CMessageHeader sample() {
    CMessageHeader header(QStringLiteral("Hi"), QStringLiteral("Ann"), QStringLiteral("Bob Cy"), QString(),
                          QStringLiteral("2006/12/06:1630"), QString(), 1, 3, 1, 7);
    header.SetFolderName(QStringLiteral("Inbox"));
    header.SetMessageId(QStringLiteral("Bob200612061630"));
    return header;
}

TEST(MessageHeader, ArchiveBytes) {
    const QByteArray expected = QByteArray::fromHex("024869"            // Subject "Hi"
                                                    "03416e6e"          // From "Ann"
                                                    "06426f62204379"    // To "Bob Cy"
                                                    "00"                // Cc
                                                    "0f323030362f31322f30363a31363330" // DateSent
                                                    "00"                // DateReceived
                                                    "01000000"          // Priority
                                                    "03000000"          // Status
                                                    "01000000"          // NotifyOnReceipt
                                                    "05496e626f78"      // FolderName
                                                    "0f426f62323030363132303631363330"); // MessageId
    EXPECT_EQ(archiveOf(sample()).toHex(), expected.toHex());
}

TEST(MessageHeader, RoundTripKeepsAllButKind) {
    const CMessageHeader original = sample();
    platform::ArchiveReader reader(archiveOf(original));
    CMessageHeader loaded;
    ASSERT_TRUE(loaded.Load(reader));
    EXPECT_EQ(reader.remaining(), 0);
    EXPECT_EQ(archiveOf(loaded), archiveOf(original));
    EXPECT_EQ(loaded.m_kind, 1);
    // A long subject takes the three-byte length.
    const CMessageHeader longSubject(QString(300, u'x'), {}, {}, {}, {}, {}, 0, 0, 0, 1);
    EXPECT_TRUE(archiveOf(longSubject).startsWith(QByteArray::fromHex("ff2c01")));
}

TEST(MessageHeader, DamagedRecordsFailWithoutChangingTheHeader) {
    const QByteArray whole = archiveOf(sample());
    for (int cut = 0; cut < whole.size(); ++cut) {
        platform::ArchiveReader reader(whole.left(cut));
        CMessageHeader header = sample();
        header.SetMessageId(QStringLiteral("kept"));
        EXPECT_FALSE(header.Load(reader)) << cut;
        EXPECT_FALSE(reader.ok());
        EXPECT_EQ(header.GetMessageId(), QStringLiteral("kept"));
    }
    // A length far beyond the bytes there is an error, not a huge allocation.
    platform::ArchiveReader huge(QByteArray::fromHex("ffffff7fffffff41"));
    CMessageHeader header;
    EXPECT_FALSE(header.Load(huge));
}

TEST(MessageHeader, Texts) {
    struct Case {
        int status, priority, notify;
        const char* statusText;
        const char* priorityText;
        const char* notifyText;
    } cases[] = {
        {-1, 0, 0, "Ready to send", "Normal", "No"},  {0, 1, 1, "New", "High", "Yes"},
        {1, 2, -1, "Read", "Normal", "Yes"},          {2, -1, 0, "Ready to send", "Normal", "No"},
        {3, 0, 0, "Sent", "Normal", "No"},            {4, 0, 0, "Acknowledged", "Normal", "No"},
        {5, 0, 0, "Ready to send", "Normal", "No"},
    };
    for (const Case& c : cases) {
        CMessageHeader header(QStringLiteral("S"), QStringLiteral("F"), QStringLiteral("T"), QStringLiteral("C"),
                              QStringLiteral("D1"), QStringLiteral("D2"), c.priority, c.status, c.notify, 1);
        const QString expected = QStringLiteral("From: F\r\nTo: T\r\nCc: C\r\nSubject: S\r\n"
                                                "Date and time sent: D1\r\nDate and time received: D2\r\n"
                                                "Priority: %1\r\nNotify on receipt: %2\r\nMessage status: %3\r\n\r\n")
                                     .arg(QLatin1String(c.priorityText), QLatin1String(c.notifyText),
                                          QLatin1String(c.statusText));
        EXPECT_EQ(header.FormatAsText(), expected) << c.status;
    }
    EXPECT_EQ(CMessageHeader().m_status, -1);
    EXPECT_EQ(CMessageHeader().GetKindText(), QStringLiteral("1"));
}

TEST(MsgFolderObject, TakesOnlyHeaders) {
    CMsgFolderObject folder(QStringLiteral("Inbox"));
    platform::Object other;
    EXPECT_EQ(folder.AddHeader(&other), nullptr);
    EXPECT_TRUE(folder.Headers().empty());
    auto* first = new CMessageHeader(sample());
    auto* second = new CMessageHeader();
    EXPECT_EQ(folder.AddHeader(first), first);
    EXPECT_EQ(folder.AddHeader(second), second);
    EXPECT_EQ(folder.FindHeader(QStringLiteral("Bob200612061630")), first);
    EXPECT_TRUE(folder.RemoveHeader(first));
    EXPECT_FALSE(folder.RemoveHeader(first));
    ASSERT_EQ(folder.Headers().size(), 1u);
    folder.Clear(false);
    EXPECT_TRUE(folder.Headers().empty());
    delete second; // Clear without deletion handed it back
}

} // namespace
