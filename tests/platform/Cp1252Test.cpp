#include "platform/Cp1252.h"

#include <gtest/gtest.h>

namespace {

using platform::cp1252::decode;
using platform::cp1252::encode;
using platform::cp1252::isEncodable;

// The defined part of 0x80-0x9F, as the code page publishes it.
struct HighCode {
    unsigned char byte;
    char16_t unicode;
};
constexpr HighCode kHighCodes[] = {
    {0x80, 0x20AC}, {0x82, 0x201A}, {0x83, 0x0192}, {0x84, 0x201E}, {0x85, 0x2026}, {0x86, 0x2020},
    {0x87, 0x2021}, {0x88, 0x02C6}, {0x89, 0x2030}, {0x8A, 0x0160}, {0x8B, 0x2039}, {0x8C, 0x0152},
    {0x8E, 0x017D}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D}, {0x95, 0x2022},
    {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x02DC}, {0x99, 0x2122}, {0x9A, 0x0161}, {0x9B, 0x203A},
    {0x9C, 0x0153}, {0x9E, 0x017E}, {0x9F, 0x0178},
};

TEST(Cp1252, HighTableMapsBothWays) {
    for (const HighCode& code : kHighCodes) {
        const QByteArray byte(1, char(code.byte));
        const QString text(QChar(code.unicode));
        EXPECT_EQ(decode(byte), text) << "byte 0x" << std::hex << int(code.byte);
        EXPECT_EQ(encode(text), byte) << "U+" << std::hex << int(code.unicode);
        EXPECT_TRUE(isEncodable(QChar(code.unicode)));
    }
}

TEST(Cp1252, ApostropheOfTypedTextIsByte92) {
    EXPECT_EQ(encode(u"don\u2019t"), QByteArray("don\x92t"));
    EXPECT_EQ(decode("it\x92s"), QString::fromUtf16(u"it\u2019s"));
}

TEST(Cp1252, UndefinedCodesDecodeToControlsAndGoBack) {
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        const QString decoded = decode(QByteArray(1, char(b)));
        ASSERT_EQ(decoded.size(), 1);
        EXPECT_EQ(decoded[0].unicode(), b);
        EXPECT_EQ(encode(decoded), QByteArray(1, char(b)));
    }
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = decode(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(encode(text), all);
    // Latin-1 range maps to itself.
    EXPECT_EQ(text[0xE9], QChar(0xE9));
    EXPECT_EQ(text[0xA0], QChar(0xA0));
}

TEST(Cp1252, CharactersOutsideThePageBecomeOneQuestionMarkEach) {
    // C1 controls that the page replaced with printable characters are not in it.
    EXPECT_EQ(encode(QString(QChar(0x80))), QByteArray("?"));
    EXPECT_FALSE(isEncodable(QChar(0x80)));
    EXPECT_EQ(encode(u"\u0100\u4E2D"), QByteArray("??"));
    // A character beyond the BMP is one '?', not two.
    EXPECT_EQ(encode(u"a\U0001F600b"), QByteArray("a?b"));
    // Lone surrogates are not characters of the page either.
    EXPECT_EQ(encode(QString(QChar(0xD800)) + "x"), QByteArray("?x"));
    EXPECT_EQ(encode(QString(QChar(0xDC00))), QByteArray("?"));
    // The length of the bytes equals the number of characters, so limits count the same.
    const QString mixed = QString::fromUtf16(u"\u00E9t\u00E9 \u20AC5 \u2603");
    EXPECT_EQ(encode(mixed).size(), mixed.size());
}

TEST(Cp1252, EmptyAndNulBytes) {
    EXPECT_TRUE(encode(QString()).isEmpty());
    EXPECT_TRUE(decode(QByteArray()).isEmpty());
    const QByteArray withNul("a\0b", 3);
    EXPECT_EQ(decode(withNul).size(), 3);
    EXPECT_EQ(encode(decode(withNul)), withNul);
}

} // namespace
