#include "platform/Archive.h"

#include <gtest/gtest.h>

namespace {

using platform::ArchiveReader;
using platform::ArchiveWriter;

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray written(const QString& text) {
    ArchiveWriter writer;
    writer.WriteString(text);
    return writer.data();
}

TEST(ArchiveWriter, IntegersAreLittleEndian) {
    ArchiveWriter writer;
    writer.WriteUInt8(0xAB);
    writer.WriteUInt16(0x1234);
    writer.WriteUInt32(0x89ABCDEF);
    writer.WriteInt32(-2);
    EXPECT_EQ(writer.data(), bytes({0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(ArchiveWriter, StringPrefixGrowsAtEachBoundary) {
    EXPECT_EQ(written(""), bytes({0x00}));
    EXPECT_EQ(written("Hi"), bytes({0x02, 'H', 'i'}));
    // 254 characters still fit the one-byte prefix; 255 take the escape and a word.
    EXPECT_EQ(written(QString(254, 'a')).left(1), bytes({0xFE}));
    EXPECT_EQ(written(QString(254, 'a')).size(), 1 + 254);
    EXPECT_EQ(written(QString(255, 'a')).left(3), bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(written(QString(255, 'a')).size(), 3 + 255);
    // 0xFFFD is the last word length; 0xFFFE would read as the wide tag, so it takes 32 bits.
    EXPECT_EQ(written(QString(0xFFFD, 'a')).left(3), bytes({0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(written(QString(0xFFFE, 'a')).left(7), bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(written(QString(0x12345, 'a')).left(7), bytes({0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}));
}

TEST(ArchiveWriter, StringsAreWindows1252) {
    EXPECT_EQ(written(QString::fromUtf16(u"caf\u00E9 \u2019\u20AC")), bytes({0x07, 'c', 'a', 'f', 0xE9, ' ', 0x92, 0x80}));
    // A character outside the page makes the whole string wide rather than lose it to '?'.
    EXPECT_EQ(written(QString::fromUtf16(u"\u00E9\u4E2D")), bytes({0xFF, 0xFE, 0xFF, 0x02, 0xE9, 0x00, 0x2D, 0x4E}));
    EXPECT_EQ(written(QString(0xFFFE, QChar(0x4E2D))).left(10), bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
}

TEST(ArchiveWriter, StringListCountPrefix) {
    ArchiveWriter writer;
    writer.WriteStringList({"Inbox", "Sent"});
    EXPECT_EQ(writer.data(), bytes({0x02, 0x00, 0x05, 'I', 'n', 'b', 'o', 'x', 0x04, 'S', 'e', 'n', 't'}));

    ArchiveWriter big;
    big.WriteStringList(QStringList(0xFFFF, QString()));
    EXPECT_EQ(big.data().left(6), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(big.data().size(), 6 + 0xFFFF);
}

TEST(ArchiveReader, ReadsWhatTheWriterWrote) {
    ArchiveWriter writer;
    const QStringList samples = {"", "x", QString(254, 'b'), QString(255, 'c'), QString(0xFFFD, 'd'),
                                 QString(0xFFFE, 'e'), QString(70000, 'f'), QString::fromUtf16(u"\u00E9\u2019"),
                                 QStringView(u"\u6702\u0000\u0080\uFFFF\xD800\U0001F3B2 Bob", 11).toString()};
    for (const QString& s : samples)
        writer.WriteString(s);
    writer.WriteInt32(-7);
    writer.WriteStringList({"a", "bc"});
    writer.WriteUInt16(0xBEEF);

    ArchiveReader reader(writer.data());
    for (const QString& expected : samples) {
        QString text;
        ASSERT_TRUE(reader.ReadString(text)) << reader.error().toStdString();
        EXPECT_EQ(text, expected);
    }
    qint32 number = 0;
    ASSERT_TRUE(reader.ReadInt32(number));
    EXPECT_EQ(number, -7);
    QStringList list;
    ASSERT_TRUE(reader.ReadStringList(list, 16));
    EXPECT_EQ(list, QStringList({"a", "bc"}));
    quint16 word = 0;
    ASSERT_TRUE(reader.ReadUInt16(word));
    EXPECT_EQ(word, 0xBEEF);
    EXPECT_EQ(reader.remaining(), 0);
    EXPECT_TRUE(reader.ok());
}

TEST(ArchiveReader, WideStringsAreCountedInUtf16Units) {
    // Tag, one-byte length 3, then "é→€" as UTF-16LE.
    ArchiveReader reader(bytes({0xFF, 0xFE, 0xFF, 0x03, 0xE9, 0x00, 0x92, 0x21, 0xAC, 0x20, 'z'}));
    QString text;
    ASSERT_TRUE(reader.ReadString(text));
    EXPECT_EQ(text, QString::fromUtf16(u"\u00E9\u2192\u20AC"));
    EXPECT_EQ(reader.remaining(), 1);

    // After the tag, the length may itself be escaped to a word ...
    QByteArray wordForm = bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01});
    wordForm.append(QByteArray(0x100 * 2, '\0'));
    ArchiveReader wordReader(wordForm);
    ASSERT_TRUE(wordReader.ReadString(text));
    EXPECT_EQ(text.size(), 0x100);

    // ... and to 32 bits.
    QByteArray longForm = bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'O', 0, 'K', 0});
    ArchiveReader longReader(longForm);
    ASSERT_TRUE(longReader.ReadString(text));
    EXPECT_EQ(text, "OK");
}

TEST(ArchiveReader, ShortReadsFailWithoutCrashingOrAllocating) {
    const std::vector<QByteArray> truncated = {
        bytes({}),                                      // no prefix at all
        bytes({0x05, 'a', 'b'}),                        // one-byte length past the end
        bytes({0xFF, 0x00}),                            // word length cut short
        bytes({0xFF, 0x00, 0x01, 'a'}),                 // word length past the end
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), // 32-bit length cut short
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), // 2 GB claimed, 1 byte present
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), // the 64-bit escape
        bytes({0xFF, 0xFE, 0xFF}),                      // wide tag without a length
        bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'}),   // wide string one byte short
        bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), // 4 G units claimed
    };
    for (const QByteArray& data : truncated) {
        ArchiveReader reader(data);
        QString text = "unchanged";
        EXPECT_FALSE(reader.ReadString(text)) << data.toHex().toStdString();
        EXPECT_FALSE(reader.ok());
        EXPECT_FALSE(reader.error().isEmpty());
        EXPECT_EQ(text, "unchanged");
    }
}

TEST(ArchiveReader, HugeListCountsAreRejectedBeforeReading) {
    ArchiveReader reader(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}));
    QStringList list = {"kept"};
    EXPECT_FALSE(reader.ReadStringList(list, 1 << 30));
    EXPECT_EQ(list, QStringList({"kept"}));

    ArchiveReader shortList(bytes({0x03, 0x00, 0x01, 'a', 0x00}));
    EXPECT_FALSE(shortList.ReadStringList(list, 16));
    EXPECT_EQ(list, QStringList({"kept"}));
}

TEST(ArchiveReader, AFailureIsSticky) {
    ArchiveReader reader(bytes({0x01, 0x00}));
    quint32 value = 0;
    EXPECT_FALSE(reader.ReadUInt32(value));
    const QString firstError = reader.error();
    // The bytes are still there, but a failed reader reads nothing more.
    quint8 byte = 0;
    EXPECT_FALSE(reader.ReadUInt8(byte));
    EXPECT_EQ(reader.error(), firstError);

    ArchiveReader negative(bytes({0x01}));
    QByteArray out;
    EXPECT_FALSE(negative.ReadBytes(-1, out));
}

TEST(ArchiveReader, TrailingBytesAreLeftAlone) {
    // A list rewritten over a longer one leaves old bytes behind; the reader stops after the list.
    ArchiveReader reader(bytes({0x01, 0x00, 0x01, 'A', 0x04, 'o', 'l', 'd'}));
    QStringList list;
    ASSERT_TRUE(reader.ReadStringList(list, 16));
    EXPECT_EQ(list, QStringList({"A"}));
    EXPECT_EQ(reader.remaining(), 4);
}

} // namespace

namespace {

TEST(ArchiveReader, ListCountsAreCheckedAgainstTheCallersLimitFirst) {
    const struct {
        QByteArray data;
        qint64 maxCount;
        bool ok;
    } cases[] = {
        {bytes({0x02, 0x00, 0x01, 'a', 0x01, 'b'}), 2, true},
        {bytes({0x03, 0x00, 0x01, 'a', 0x01, 'b', 0x01, 'c'}), 2, false},
        {bytes({0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), 2, false},
        {bytes({0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), 3, true},
        {bytes({0x00, 0x00}), 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data.toHex().toStdString());
        ArchiveReader reader(c.data);
        QStringList list = {"kept"};
        EXPECT_EQ(reader.ReadStringList(list, c.maxCount), c.ok);
        if (!c.ok) {
            EXPECT_EQ(list, QStringList({"kept"}));
            EXPECT_FALSE(reader.error().isEmpty());
        } else {
            EXPECT_EQ(reader.remaining(), 0);
        }
    }
}

} // namespace
