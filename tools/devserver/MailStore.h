#pragma once

#include "mail/MailPackets.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

// The development server's post office: messages members sent, each kept for its recipient until his
// client says it has filed it, and the acknowledgements waiting for senders who have gone. Kept in
// memory for the server's life, within quotas: a mailbox holds at most kMailboxBytes in at most
// kMailboxLetters letters, and the office at most kOfficeBytes in all, of which one sender's letters
// not yet filed take at most kSenderBytes in kSenderLetters: one member cannot fill it for everybody.
//
// A letter is waiting, handed to one connection of its recipient (a 137 is on its way and the filing
// result not yet in), or refused by one (its client could not file it). Letters are handed over only
// when the recipient asks for his waiting mail; handed ones go back to waiting when their connection
// ends, and refused ones are handed again at his next asking.
class CMailStore {
public:
    static constexpr qint64 kMailboxBytes = 4 * 1024 * 1024;
    static constexpr int kMailboxLetters = 1000;
    static constexpr qint64 kOfficeBytes = 64 * 1024 * 1024;
    static constexpr qint64 kSenderBytes = 8 * 1024 * 1024;
    static constexpr int kSenderLetters = 1000;

    // A message for one recipient.
    struct Letter {
        quint64 letterId = 0; // numbers its delivery id (DeliveryId)
        quint64 mailId = 0;
        MailPacket::Message message;
    };
    // A sender's message that has reached every recipient.
    struct Receipt {
        QString sender;
        QString messageId;
    };

    // The blank-separated names of To and Cc, each once (nicknames compare without regard to case).
    // -> false, with the first name that cannot be a nickname in badName, when one is not valid or
    // there is no recipient at all.
    static bool Recipients(const MailPacket::Message& message, QStringList& names, QString* badName = nullptr);
    // The bytes a message holds in a mailbox.
    static qint64 Size(const MailPacket::Message& message);

    CMailStore();
    // The delivery id a letter goes out with (137): this store's token, a random one for each run of
    // the server, then the letter's number. No other run or server hands out the same, so a client
    // that keeps the ids it filed never takes a new letter for one it has.
    QString DeliveryId(quint64 letterId) const;
    // The letter a delivery id names -> nothing for an id of another run or server.
    std::optional<quint64> LetterOf(const QString& deliveryId) const;

    // Whether every recipient's mailbox and the office have room for the message -> false, with the
    // first recipient whose mailbox is full in fullName (empty when the office is full).
    bool HasRoom(const MailPacket::Message& message, const QStringList& recipients, QString* fullName = nullptr) const;
    // Whether the sender's quota takes the message for every recipient.
    bool SenderHasRoom(const QString& sender, const MailPacket::Message& message, const QStringList& recipients) const;
    // Files a message of sender for each recipient -> the mail id.
    quint64 Post(const QString& sender, const MailPacket::Message& message, const QStringList& recipients);
    // Hands the member's waiting letters, and those a client of his refused, to the connection, oldest
    // first.
    std::vector<Letter> HandOver(const QString& nickname, quint64 connection);
    // Letters not handed over at present (waiting or refused).
    int WaitingFor(const QString& nickname) const;
    // The member's client filed the letter -> its mail id when it was his and still kept.
    std::optional<quint64> Filed(const QString& nickname, quint64 letterId);
    // The member's client could not file the letter: it is kept, refused by that connection.
    void NotFiled(const QString& nickname, quint64 letterId, quint64 connection);
    // The connection ended: what was handed to it and not filed waits again.
    void ConnectionClosed(quint64 connection);
    // The letter reached its recipient -> the sender's receipt once every recipient has had it.
    std::optional<Receipt> Delivered(quint64 mailId);
    // Receipts kept for a sender who was away when they came due.
    void KeepReceipt(const Receipt& receipt) { m_receipts.push_back(receipt); }
    std::vector<Receipt> TakeReceipts(const QString& sender);
    qint64 HeldBytes() const { return m_heldBytes; }

private:
    enum class State { Waiting, Handed, Refused };
    struct Pending {
        quint64 letterId;
        quint64 mailId;
        QString recipient;
        MailPacket::Message message;
        qint64 bytes;
        State state = State::Waiting;
        quint64 connection = 0;
        QString sender;
    };
    struct Outstanding {
        quint64 mailId;
        Receipt receipt;
        int recipientsLeft;
    };
    std::map<quint64, Pending>::iterator findLetter(const QString& nickname, quint64 letterId);
    struct Box {
        qint64 bytes = 0;
        int letters = 0;
    };
    static QString boxKey(const QString& nickname) { return nickname.toUpper(); }
    void release(const Pending& letter);

    std::map<quint64, Pending> m_pending; // by letter id: oldest first
    std::vector<Outstanding> m_outstanding;
    std::vector<Receipt> m_receipts;
    QString m_token; // DeliveryId
    quint64 m_lastId = 0;
    quint64 m_lastLetterId = 0;
    qint64 m_heldBytes = 0;
    QHash<QString, Box> m_boxes; // what each mailbox holds
    QHash<QString, Box> m_senders; // what each sender's letters take
};
