#include "support/PacketText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Switches LC_NUMERIC to a comma-decimal locale for one scope, so a helper that followed the
// locale would write "1,5" or stop reading at the point.
class CommaLocale {
public:
    CommaLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        m_previous = current ? current : "C";
        m_active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, m_previous.c_str()); }
    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

} // namespace

TEST(PacketTextRead, IntegersAndTheirLimits) {
    const QString text = "  12 -7\t2147483647\r\n-2147483648 0 -0";
    CPacketCursor cursor(text);
    int value = 0;
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, 12);
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, -7);
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, std::numeric_limits<int>::max());
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, std::numeric_limits<int>::min());
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(ReadPacketInt(cursor, value));
    EXPECT_TRUE(cursor.atEnd());
}

TEST(PacketTextRead, RefusedIntegersLeaveTheCursorAlone) {
    for (const char* body : {"2147483648", "-2147483649", "99999999999999999999999", "-", "+5", "\"5\"", "x1", ""}) {
        const QString text = QString::fromLatin1(body);
        CPacketCursor cursor(text);
        int value = 42;
        EXPECT_FALSE(ReadPacketInt(cursor, value)) << body;
        EXPECT_EQ(value, 42) << body;
        EXPECT_EQ(cursor.pos(), 0) << body;
    }
}

TEST(PacketTextRead, IntegerEndsAtFirstNonDigit) {
    const QString text = "17\"name\"";
    CPacketCursor cursor(text);
    int value = 0;
    QString name;
    ASSERT_TRUE(ReadPacketInt(cursor, value));
    EXPECT_EQ(value, 17);
    ASSERT_TRUE(ReadPacketString(cursor, name));
    EXPECT_EQ(name, "name");
}

TEST(PacketTextRead, UnsignedTakesAllThirtyTwoBitsOnly) {
    const QString text = "4294967295 0 4294967296 -1";
    CPacketCursor cursor(text);
    quint32 value = 0;
    ASSERT_TRUE(ReadPacketUnsigned(cursor, value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    ASSERT_TRUE(ReadPacketUnsigned(cursor, value));
    EXPECT_EQ(value, 0u);
    const qsizetype before = cursor.pos();
    EXPECT_FALSE(ReadPacketUnsigned(cursor, value));
    EXPECT_EQ(cursor.pos(), before);
    cursor.setPos(text.indexOf('-'));
    EXPECT_FALSE(ReadPacketUnsigned(cursor, value));
}

TEST(PacketTextRead, StringsUndoEscapes) {
    const QString text = R"( "plain" "say \"hi\"" "back\\slash" "" "x\y")";
    CPacketCursor cursor(text);
    QString value;
    ASSERT_TRUE(ReadPacketString(cursor, value));
    EXPECT_EQ(value, "plain");
    ASSERT_TRUE(ReadPacketString(cursor, value));
    EXPECT_EQ(value, "say \"hi\"");
    ASSERT_TRUE(ReadPacketString(cursor, value));
    EXPECT_EQ(value, "back\\slash");
    ASSERT_TRUE(ReadPacketString(cursor, value));
    EXPECT_EQ(value, "");
    ASSERT_TRUE(ReadPacketString(cursor, value));
    EXPECT_EQ(value, "xy");
    EXPECT_FALSE(ReadPacketString(cursor, value));
}

TEST(PacketTextRead, BrokenStringsAreRefused) {
    for (const char* body : {"\"no end", "\"ends in escape\\", "\"escaped end\\\"", "bare", "12"}) {
        const QString text = QString::fromLatin1(body);
        CPacketCursor cursor(text);
        QString value = "kept";
        EXPECT_FALSE(ReadPacketString(cursor, value)) << body;
        EXPECT_EQ(value, "kept") << body;
        EXPECT_EQ(cursor.pos(), 0) << body;
    }
}

TEST(PacketTextRead, TokenIsReadWithoutMovingTheCursor) {
    const QString text = " \"first\" \"second\"";
    CPacketCursor cursor(text);
    QString value;
    ASSERT_TRUE(ReadTokenFrom(cursor, value));
    EXPECT_EQ(value, "first");
    EXPECT_EQ(cursor.pos(), 0);
    ASSERT_TRUE(ReadPacketString(cursor, value));
    ASSERT_TRUE(ReadTokenFrom(cursor, value));
    EXPECT_EQ(value, "second");
}

TEST(PacketTextRead, Floats) {
    const QString text = R"("1500.25" "-0.5" " 3 " "1e3" "+2.5" "12345678901234567890123456789012")";
    CPacketCursor cursor(text);
    double value = 0;
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, 1500.25);
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, -0.5);
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, 3.0);
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, 1000.0);
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, 2.5);
    ASSERT_TRUE(ReadPacketFloat(cursor, value)); // exactly 32 characters
    EXPECT_DOUBLE_EQ(value, 12345678901234567890123456789012.0);
    EXPECT_TRUE(cursor.atEnd());
}

TEST(PacketTextRead, BadFloatsAreRefused) {
    for (const char* body : {"\"nan\"", "\"inf\"", "\"-infinity\"", "\"1e999\"", "\"\"", "\"   \"", "\"1.5x\"",
                             "\"1,5\"", "\"0x1p3\"", "\"+-5\"", "1.5", "\"123456789012345678901234567890123\"",
                             "\"1.5"}) {
        const QString text = QString::fromLatin1(body);
        CPacketCursor cursor(text);
        double value = 7;
        EXPECT_FALSE(ReadPacketFloat(cursor, value)) << body;
        EXPECT_EQ(value, 7) << body;
        EXPECT_EQ(cursor.pos(), 0) << body;
    }
}

TEST(PacketTextWrite, FieldsWithoutSeparators) {
    QString out;
    WritePacketInt(out, -42);
    out += ' ';
    WritePacketInt(out, std::numeric_limits<qint64>::min());
    out += ' ';
    WritePacketCString(out, u"a \"quoted\" back\\slash");
    WritePacketCString(out, u"");
    EXPECT_EQ(out, R"(-42 -9223372036854775808 "a \"quoted\" back\\slash""")");
}

TEST(PacketTextWrite, FloatsInSignificantDigits) {
    const auto write = [](double value, int digits) {
        QString out;
        WritePacketFloat(out, value, digits);
        return out;
    };
    EXPECT_EQ(write(1.5, 3), "\"1.5\"");
    EXPECT_EQ(write(1.25, 3), "\"1.25\"");
    EXPECT_EQ(write(12.346, 4), "\"12.35\"");
    EXPECT_EQ(write(123.456, 5), "\"123.46\"");
    EXPECT_EQ(write(-0.125, 2), "\"-0.12\"");
    EXPECT_EQ(write(2.0, 6), "\"2\"");
    EXPECT_EQ(write(1234567.0, 3), "\"1.23e+06\"");
    EXPECT_EQ(write(0.5, 0), "\"0.5\"");                                  // at least one digit
    EXPECT_EQ(write(0.1, 40), "\"0.10000000000000001\"");                 // at most 17
    EXPECT_EQ(write(std::numeric_limits<double>::quiet_NaN(), 3), "\"0\""); // always readable
    EXPECT_EQ(write(-std::numeric_limits<double>::infinity(), 3), "\"0\"");
}

TEST(PacketTextWrite, EverythingWrittenReadsBack) {
    const QString nasty = QString::fromUtf8("\\\"\\\\\" end \xC3\xA9 \x01");
    const double values[] = {0.0, -1.0, 1500.123456789, 1e-300, -std::numeric_limits<double>::max()};
    QString out;
    WritePacketCString(out, nasty);
    out += ' ';
    WritePacketInt(out, std::numeric_limits<int>::min());
    out += ' ';
    for (double v : values) {
        WritePacketFloat(out, v, 17);
        out += ' ';
    }
    CPacketCursor cursor(out);
    QString text;
    int number = 0;
    ASSERT_TRUE(ReadPacketString(cursor, text));
    EXPECT_EQ(text, nasty);
    ASSERT_TRUE(ReadPacketInt(cursor, number));
    EXPECT_EQ(number, std::numeric_limits<int>::min());
    for (double v : values) {
        double back = 1;
        ASSERT_TRUE(ReadPacketFloat(cursor, back)) << v;
        EXPECT_EQ(back, v);
    }
}

TEST(PacketTextLocale, NumbersIgnoreACommaDecimalLocale) {
    CommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    QString out;
    WritePacketFloat(out, 1.5, 3);
    EXPECT_EQ(out, "\"1.5\"");
    const QString text = "\"2.75\" \"1,5\"";
    CPacketCursor cursor(text);
    double value = 0;
    ASSERT_TRUE(ReadPacketFloat(cursor, value));
    EXPECT_DOUBLE_EQ(value, 2.75);
    EXPECT_FALSE(ReadPacketFloat(cursor, value));
}
