#include "mail/MailPackets.h"

#include "mail/MessageHeader.h"
#include "support/PacketText.h"

namespace MailPacket {

namespace {

void appendString(QString& out, const QString& field) {
    out += QLatin1Char(' ');
    WritePacketCString(out, field);
}

QString start(int subCode) {
    QString out;
    WritePacketInt(out, subCode);
    return out;
}

// Reads count strings into the fields -> false when one is missing.
bool readStrings(CPacketCursor& cursor, std::initializer_list<QString*> fields) {
    for (QString* field : fields) {
        if (!ReadPacketString(cursor, *field))
            return false;
    }
    return true;
}

} // namespace

QString FormatSend(const CMessageHeader& header, const QString& body) {
    QString out = start(kSend);
    for (const QString& field :
         {header.GetFrom(), header.GetFrom(), header.GetTo(), header.GetCc(), header.GetSubject(),
          QString::fromLatin1(header.m_notifyOnReceipt ? "Y" : "N"),
          QString::fromLatin1(header.m_priority == 1 ? "H" : "N"), header.GetMessageId(), header.GetKindText(),
          body})
        appendString(out, field);
    return out;
}

QString FormatRequest(const QString& nickname) {
    QString out = start(kRequest);
    appendString(out, nickname);
    appendString(out, nickname);
    return out;
}

std::optional<Message> ParseSend(const QString& text) {
    CPacketCursor cursor(text);
    int subCode = 0;
    if (!ReadPacketInt(cursor, subCode) || subCode != kSend)
        return std::nullopt;
    Message message;
    QString sender, notify, priority;
    if (!readStrings(cursor, {&message.from, &sender, &message.to, &message.cc, &message.subject, &notify, &priority,
                              &message.messageId, &message.kind, &message.body}) ||
        sender != message.from)
        return std::nullopt;
    message.notifyOnReceipt = notify == QLatin1String("Y");
    message.highPriority = priority == QLatin1String("H");
    return message;
}

std::optional<QString> ParseRequest(const QString& text) {
    CPacketCursor cursor(text);
    int subCode = 0;
    QString first, second;
    if (!ReadPacketInt(cursor, subCode) || subCode != kRequest || !readStrings(cursor, {&first, &second}) ||
        first != second)
        return std::nullopt;
    return first;
}

QString FormatFilingResult(const QString& nickname, bool filed, const QStringList& deliveryIds) {
    QString out = start(kFilingResult);
    appendString(out, nickname);
    appendString(out, QString::fromLatin1(filed ? "Y" : "N"));
    for (const QString& id : deliveryIds)
        appendString(out, id);
    return out;
}

std::optional<FilingResult> ParseFilingResult(const QString& text) {
    CPacketCursor cursor(text);
    int subCode = 0;
    FilingResult result;
    QString flag;
    if (!ReadPacketInt(cursor, subCode) || subCode != kFilingResult || !readStrings(cursor, {&result.nickname, &flag}) ||
        (flag != QLatin1String("Y") && flag != QLatin1String("N")))
        return std::nullopt;
    result.filed = flag == QLatin1String("Y");
    QString id;
    while (result.deliveryIds.size() < kMaxIdsPerFilingResult && ReadPacketString(cursor, id))
        result.deliveryIds.append(id);
    if (result.deliveryIds.isEmpty())
        return std::nullopt;
    return result;
}

QString FormatDeliveryResult(const QString& about, bool delivered, const QString& messageId) {
    QString out = start(kDeliveryResult);
    for (const QString& field : {about, about, QString::fromLatin1(delivered ? "Y" : "N"), messageId})
        appendString(out, field);
    return out;
}

QString FormatNewMessage(const QString& about, const Message& message) {
    QString out = start(kNewMessage);
    for (const QString& field :
         {about, message.dateSent, message.from, message.to, message.cc, message.subject,
          QString::fromLatin1(message.notifyOnReceipt ? "Y" : "N"),
          QString::fromLatin1(message.highPriority ? "H" : "N"), message.kind, message.body})
        appendString(out, field);
    if (!message.deliveryId.isEmpty())
        appendString(out, message.deliveryId);
    return out;
}

QString FormatAcknowledged(const QString& about, const QString& messageId) {
    QString out = start(kAcknowledged);
    for (const QString& field : {about, about, about, messageId})
        appendString(out, field);
    return out;
}

QString FormatPendingCount(const QString& about, int count) {
    QString out = start(kPendingCount);
    appendString(out, about);
    out += QLatin1Char(' ');
    WritePacketInt(out, count);
    return out;
}

ParseResult ParseIncoming(const QString& text, Incoming& result) {
    CPacketCursor cursor(text);
    result = Incoming();
    if (!ReadPacketInt(cursor, result.subCode))
        return ParseResult::Malformed;
    if (result.subCode < kDeliveryResult || result.subCode > kPendingCount || result.subCode == 136)
        return ParseResult::UnknownSubCode;
    QString skipped, skipped2, flag, notify, priority;
    if (!ReadPacketString(cursor, skipped))
        return ParseResult::Malformed;
    bool ok = false;
    switch (result.subCode) {
    case kDeliveryResult:
        ok = readStrings(cursor, {&skipped2, &flag, &result.messageId});
        result.delivered = flag == QLatin1String("Y");
        break;
    case kNewMessage: {
        Message& m = result.message;
        ok = readStrings(cursor, {&m.dateSent, &m.from, &m.to, &m.cc, &m.subject, &notify, &priority, &m.kind, &m.body});
        m.notifyOnReceipt = notify == QLatin1String("Y");
        m.highPriority = priority == QLatin1String("H");
        if (ok && !ReadPacketString(cursor, m.deliveryId)) // a server that keeps no copies sends none
            m.deliveryId.clear();
        break;
    }
    case kAcknowledged:
        ok = readStrings(cursor, {&skipped2, &flag, &result.messageId});
        break;
    case kPendingCount:
        ok = ReadPacketInt(cursor, result.count) && result.count >= 0;
        break;
    }
    return ok ? ParseResult::Ok : ParseResult::Malformed;
}

} // namespace MailPacket
