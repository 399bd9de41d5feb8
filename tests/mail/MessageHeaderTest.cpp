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
    EXPECT_EQ(loaded.GetMessageId(), original.GetMessageId());
    EXPECT_EQ(loaded.m_priority, 1);
    EXPECT_EQ(loaded.m_status, 3);
}

TEST(MessageHeader, LengthPrefixes) {
    struct Case {
        int length;
        QByteArray prefix;
    } cases[] = {
        {254, QByteArray::fromHex("fe")},
        {255, QByteArray::fromHex("ffff00")},
        {300, QByteArray::fromHex("ff2c01")},
        {0xFFFD, QByteArray::fromHex("fffdff")},
        {0xFFFE, QByteArray::fromHex("ffffff feff0000")},
    };
    for (const Case& c : cases) {
        CMessageHeader header;
        header = CMessageHeader(QString(c.length, u'x'), {}, {}, {}, {}, {}, 0, 0, 0, 1);
        EXPECT_TRUE(archiveOf(header).startsWith(c.prefix)) << c.length;
        platform::ArchiveReader reader(archiveOf(header));
        CMessageHeader loaded;
        ASSERT_TRUE(loaded.Load(reader)) << c.length;
        EXPECT_EQ(loaded.GetSubject().size(), c.length);
    }
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

TEST(MessageHeader, WideStringsLoad) {
    // The wide tag, a length in UTF-16 units, then the units.
    QByteArray bytes = QByteArray::fromHex("fffeff02") + QByteArray::fromHex("48006900");
    bytes += QByteArray(5, '\0') + QByteArray(12, '\0') + QByteArray(2, '\0');
    platform::ArchiveReader reader(bytes);
    CMessageHeader header;
    ASSERT_TRUE(header.Load(reader));
    EXPECT_EQ(header.GetSubject(), QStringLiteral("Hi"));
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
