#include "net/FrameCodec.h"
#include "net/MessagePacket.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameCodec, EncodesLengthPlusOneLittleEndianThenTypeAndBody) {
    QByteArray out;
    ASSERT_TRUE(EncodeFrame('a', QByteArray("hello"), out));
    EXPECT_EQ(out, QByteArray("\x06\x00"
                              "ahello",
                              8));

    QByteArray big;
    ASSERT_TRUE(EncodeFrame(97, QByteArray(300, 'x'), big));
    EXPECT_EQ(quint8(big[0]), 301 & 0xFF);
    EXPECT_EQ(quint8(big[1]), 301 >> 8);
}

TEST(FrameCodec, RefusesBodiesThatCannotBeFramed) {
    QByteArray out("keep");
    QString error;
    EXPECT_TRUE(EncodeFrame(1, QByteArray(kMaxFrameBody, 'x'), out, &error));
    const QByteArray afterLongest = out;
    EXPECT_FALSE(EncodeFrame(1, QByteArray(kMaxFrameBody + 1, 'x'), out, &error));
    EXPECT_EQ(out, afterLongest); // nothing appended
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(quint8(afterLongest[4]), 0xFF); // length 65535 in the longest frame
    EXPECT_EQ(quint8(afterLongest[5]), 0xFF);
}

TEST(FrameCodec, DecodesFramesArrivingInAnyPieces) {
    QByteArray stream;
    EncodeFrame('x', "one", stream);
    EncodeFrame('y', "", stream);
    EncodeFrame('z', QByteArray(1000, 'q'), stream);
    FrameDecoder decoder;
    std::vector<std::pair<quint8, QByteArray>> frames;
    for (char byte : stream) {
        decoder.Feed(QByteArray(1, byte));
        quint8 type;
        QByteArray body;
        while (decoder.Next(type, body) == FrameDecoder::Frame)
            frames.emplace_back(type, body);
    }
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], std::make_pair(quint8('x'), QByteArray("one")));
    EXPECT_EQ(frames[1], std::make_pair(quint8('y'), QByteArray()));
    EXPECT_EQ(frames[2].second.size(), 1000);
    EXPECT_EQ(decoder.buffered(), 0);
}

TEST(FrameCodec, LengthZeroFailsAndStaysFailed) {
    FrameDecoder decoder;
    decoder.Feed(QByteArray("\x00\x00", 2));
    quint8 type;
    QByteArray body;
    EXPECT_EQ(decoder.Next(type, body), FrameDecoder::Error);
    decoder.Feed(QByteArray("\x02\x00"
                            "ab",
                            4));
    EXPECT_EQ(decoder.Next(type, body), FrameDecoder::Error);
    EXPECT_TRUE(decoder.failed());
}

TEST(MessagePacket, RoutedHeaderGivesSourceEffectiveTypeAndPayload) {
    const CMessagePacketPtr packet = CMessagePacket::MakeRouted(203, "&", "bob", "hi there");
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->GetType(), '-');
    EXPECT_EQ(packet->GetEffectiveType(), 203);
    EXPECT_EQ(packet->GetSourceName(), "bob");
    EXPECT_EQ(packet->GetSourceName(2), "bo");
    EXPECT_EQ(packet->GetDestinationName(), "&");
    EXPECT_EQ(packet->GetPayload(), "hi there");
    EXPECT_EQ(packet->GetBody(), QByteArray("&\0bob\0\x4Bhi there", 15));

    const CMessagePacketPtr plain = CMessagePacket::MakePlain(97, "1 0");
    EXPECT_EQ(plain->GetEffectiveType(), 97);
    EXPECT_EQ(plain->GetPayload(), "1 0");
    EXPECT_TRUE(plain->GetSourceName().isEmpty());
    EXPECT_LT(packet->GetSerialNumber(), plain->GetSerialNumber());
}

TEST(MessagePacket, PayloadIsWindows1252) {
    const CMessagePacketPtr packet = CMessagePacket::FromFrame('a', QByteArray("caf\xe9 \x80", 6));
    EXPECT_EQ(packet->GetPayload(), QString::fromUtf8("café €"));
}

TEST(MessagePacket, MalformedRoutedHeadersAreRefused) {
    QString error;
    EXPECT_FALSE(CMessagePacket::FromFrame('-', QByteArray("dest-only"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(CMessagePacket::FromFrame('-', QByteArray("a\0b\0", 4)));      // no inner type
    EXPECT_FALSE(CMessagePacket::FromFrame('-', QByteArray("a\0b\0\xC3x", 6))); // inner type above 127
    EXPECT_TRUE(CMessagePacket::FromFrame('-', QByteArray("a\0b\0\x4B", 5)));   // empty payload is fine
}

} // namespace
