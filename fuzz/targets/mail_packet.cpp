// Mail packets (type 69) as the server sends them to the client, and as a client sends them to the
// server. What reads as a delivery result, message, acknowledgement or count writes back to a text
// that reads to the same values; a refused packet is refused again after any ending is cut off it.

#include "FuzzTarget.h"

#include "mail/MailPackets.h"
#include "mail/MessageHeader.h"

namespace {

bool sameMessage(const MailPacket::Message& a, const MailPacket::Message& b) {
    return a.dateSent == b.dateSent && a.from == b.from && a.to == b.to && a.cc == b.cc && a.subject == b.subject &&
           a.notifyOnReceipt == b.notifyOnReceipt && a.highPriority == b.highPriority && a.kind == b.kind &&
           a.body == b.body;
}

} // namespace

NORVALE_FUZZ_TARGET(mail_packet)(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(fuzz::Bytes(data, size));

    MailPacket::Incoming in;
    if (MailPacket::ParseIncoming(text, in) == MailPacket::ParseResult::Ok) {
        QString written;
        switch (in.subCode) {
        case MailPacket::kDeliveryResult:
            written = MailPacket::FormatDeliveryResult(QStringLiteral("x"), in.delivered, in.messageId);
            break;
        case MailPacket::kNewMessage:
            written = MailPacket::FormatNewMessage(QStringLiteral("x"), in.message);
            break;
        case MailPacket::kAcknowledged:
            written = MailPacket::FormatAcknowledged(QStringLiteral("x"), in.messageId);
            break;
        case MailPacket::kPendingCount:
            fuzz::Check(in.count >= 0, "negative count", text);
            written = MailPacket::FormatPendingCount(QStringLiteral("x"), in.count);
            break;
        default:
            fuzz::Fail("an unknown sub-code was read", text);
        }
        MailPacket::Incoming again;
        fuzz::Check(MailPacket::ParseIncoming(written, again) == MailPacket::ParseResult::Ok, "does not read back", written);
        fuzz::Check(again.subCode == in.subCode && again.delivered == in.delivered && again.messageId == in.messageId &&
                        again.count == in.count && sameMessage(again.message, in.message),
                    "reads back to other values", written);
    }

    if (const std::optional<MailPacket::Message> sent = MailPacket::ParseSend(text)) {
        CMessageHeader header(sent->subject, sent->from, sent->to, sent->cc, QString(), QString(),
                              sent->highPriority ? 1 : 0, kStatusReadyToSend, sent->notifyOnReceipt ? 1 : 0, 1);
        header.SetMessageId(sent->messageId);
        const QString written = MailPacket::FormatSend(header, sent->body);
        const std::optional<MailPacket::Message> again = MailPacket::ParseSend(written);
        fuzz::Check(again && again->from == sent->from && again->to == sent->to && again->cc == sent->cc &&
                        again->subject == sent->subject && again->messageId == sent->messageId &&
                        again->body == sent->body && again->notifyOnReceipt == sent->notifyOnReceipt &&
                        again->highPriority == sent->highPriority,
                    "sent message does not read back", written);
    }
    (void)MailPacket::ParseRequest(text);
}
