#include "mail/MailPackets.h"
#include "mail/MessageHeader.h"

#include <gtest/gtest.h>

using namespace MailPacket;

namespace {

TEST(MailPacketsTest, SendTextCarriesEveryFieldQuotedAndReadsBack) {
    CMessageHeader header(QStringLiteral("Say \"hi\""), QStringLiteral("alice"), QStringLiteral("bob carol"),
                          QStringLiteral("dave"), QStringLiteral("2006/12/06:1630"), QString(), 1, kStatusReadyToSend, 1, 1);
    header.SetMessageId(QStringLiteral("bob200612061630"));
    const QString body = QStringLiteral("a \\ back\\slash, a \"quote\"\r\nand a second line \u00e9");
    const QString text = FormatSend(header, body);
    EXPECT_TRUE(text.startsWith(QStringLiteral("-122 \"alice\" \"alice\" \"bob carol\" \"dave\" \"Say \\\"hi\\\"\" \"Y\" \"H\" "
                                               "\"bob200612061630\" \"1\" ")))
        << text.toStdString();
    const std::optional<Message> read = ParseSend(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->subject, "Say \"hi\"");
    EXPECT_EQ(read->body, body);

    // The server refuses a message whose two sender fields differ.
    QString forged = text;
    forged.replace(QStringLiteral("\"alice\" \"alice\""), QStringLiteral("\"alice\" \"bob\""));
    EXPECT_FALSE(ParseSend(forged));
}

TEST(MailPacketsTest, IncomingPacketsAreReadOrRefused) {
    const struct {
        const char* text;
        ParseResult result;
        int subCode;
        bool delivered;
        const char* id;
        int count;
    } cases[] = {
        {"135 \"x\" \"x\" \"Y\" \"bob200612061630\"", ParseResult::Ok, 135, true, "bob200612061630", 0},
        {"135 \"x\" \"x\" \"N\" \"bob1\"", ParseResult::Ok, 135, false, "bob1", 0},
        {"135 \"x\" \"x\" \"y\" \"bob1\"", ParseResult::Ok, 135, false, "bob1", 0}, // only "Y" is delivered
        {"135 \"x\" \"x\" \"Y\"", ParseResult::Malformed, 135, false, "", 0},
        {"138 \"x\" \"a\" \"b\" \"bob2\"", ParseResult::Ok, 138, false, "bob2", 0},
        {"138 \"x\"", ParseResult::Malformed, 138, false, "", 0},
        {"139 \"x\" 3", ParseResult::Ok, 139, false, "", 3},
        {"139 \"x\" 0", ParseResult::Ok, 139, false, "", 0},
        {"139 \"x\" -2", ParseResult::Malformed, 139, false, "", 0},
        {"139 \"x\" many", ParseResult::Malformed, 139, false, "", 0},
        {"139 \"x\" 99999999999", ParseResult::Malformed, 139, false, "", 0},
        {"139 3", ParseResult::Malformed, 139, false, "", 0}, // the skipped string is missing
        {"136 \"x\" \"y\"", ParseResult::UnknownSubCode, 136, false, "", 0},
        {"140 \"x\"", ParseResult::UnknownSubCode, 140, false, "", 0},
        {"-122 \"x\"", ParseResult::UnknownSubCode, -122, false, "", 0},
        {"hello", ParseResult::Malformed, 0, false, "", 0},
        {"", ParseResult::Malformed, 0, false, "", 0},
    };
    for (const auto& c : cases) {
        Incoming in;
        EXPECT_EQ(ParseIncoming(QString::fromUtf8(c.text), in), c.result) << c.text;
        if (c.result != ParseResult::Ok)
            continue;
        EXPECT_EQ(in.subCode, c.subCode) << c.text;
        EXPECT_EQ(in.delivered, c.delivered) << c.text;
        EXPECT_EQ(in.messageId, QString::fromUtf8(c.id)) << c.text;
        EXPECT_EQ(in.count, c.count) << c.text;
    }
}

} // namespace
