#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class CMessageHeader;

// Packet type 69, the mail protocol between the client and the server. A body is a text packet: a
// signed decimal sub-code, then fields. What the client sends uses negative sub-codes, what the server
// sends positive ones; after a server sub-code comes one string that only the server reads (the client
// skips it). The server side is here too, for the development and test servers.
namespace MailPacket {

constexpr int kType = 69;

// Client to server.
constexpr int kSend = -122;    // one message
constexpr int kRequest = -120; // ask for the messages waiting on the server
constexpr int kFilingResult = -121; // the messages of these delivery ids were filed ("Y") or not ("N")
// Server to client.
constexpr int kDeliveryResult = 135; // a message this user sent was delivered ("Y") or not
constexpr int kNewMessage = 137;     // a message for this user
constexpr int kAcknowledged = 138;   // a message this user sent reached every recipient
constexpr int kPendingCount = 139;   // how many messages are waiting on the server

// A message as it travels: in a -122 from its sender, in a 137 to each recipient.
struct Message {
    QString from;
    QString to;
    QString cc;
    QString subject;
    bool notifyOnReceipt = false;
    bool highPriority = false;
    QString messageId; // the sender's id; never sent to the recipients
    QString dateSent;  // the sender's local time stamp; 137 only
    QString kind;      // decimal text, carried as it came
    QString body;
    QString deliveryId; // 137 only, after the body: the server's name of this copy, for -121; may be absent
};

// -122: From (twice), To, Cc, Subject, "Y"/"N" notify, "H"/"N" priority, MessageId, Kind, body.
QString FormatSend(const CMessageHeader& header, const QString& body);
// -120: the own nickname twice.
QString FormatRequest(const QString& nickname);
// -121: the own nickname, "Y" (filed) or "N" (not filed: keep them), then the delivery ids.
QString FormatFilingResult(const QString& nickname, bool filed, const QStringList& deliveryIds);
// Ids per -121 packet, and the most characters one may hold (one character a byte on the wire; a
// frame holds 65,534).
constexpr int kMaxIdsPerFilingResult = 1000;
constexpr int kMaxFilingResultBytes = 60000;

struct FilingResult {
    QString nickname;
    bool filed = false;
    QStringList deliveryIds;
};
// What the server reads: null for anything but a -121 with a nickname, a result and at least one id.
std::optional<FilingResult> ParseFilingResult(const QString& text);

// What the server reads: null for anything but a complete -122 (or -120) whose two sender fields agree.
std::optional<Message> ParseSend(const QString& text);
std::optional<QString> ParseRequest(const QString& text);

// What the server writes; `about` is the string the client skips.
QString FormatDeliveryResult(const QString& about, bool delivered, const QString& messageId);
QString FormatNewMessage(const QString& about, const Message& message);
QString FormatAcknowledged(const QString& about, const QString& messageId);
QString FormatPendingCount(const QString& about, int count);

// A packet from the server as the client reads it.
struct Incoming {
    int subCode = 0;
    bool delivered = false; // 135
    QString messageId;      // 135, 138
    Message message;        // 137 (no messageId)
    int count = 0;          // 139
};
enum class ParseResult { Ok, UnknownSubCode, Malformed };
// Reads the sub-code and the fields of 135, 137, 138 or 139. A packet missing a field, or with a
// count that is not a number of zero or more, is Malformed; any other sub-code is UnknownSubCode.
ParseResult ParseIncoming(const QString& text, Incoming& result);

} // namespace MailPacket
