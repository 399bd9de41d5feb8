#pragma once

#include "mail/MailPackets.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

// The development server's post office: messages members sent, each waiting for its recipients until
// they are logged in, and the acknowledgements waiting for senders who have gone. Kept in memory for
// the server's life.
class CMailStore {
public:
    // A message for one recipient.
    struct Letter {
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

    // Files a message of sender for each recipient -> the mail id.
    quint64 Post(const QString& sender, const MailPacket::Message& message, const QStringList& recipients);
    // Hands over (and forgets) what waits for the member, oldest first.
    std::vector<Letter> TakeLetters(const QString& nickname);
    int WaitingFor(const QString& nickname) const;
    // The letter reached its recipient -> the sender's receipt once every recipient has had it.
    std::optional<Receipt> Delivered(quint64 mailId);
    // Receipts kept for a sender who was away when they came due.
    void KeepReceipt(const Receipt& receipt) { m_receipts.push_back(receipt); }
    std::vector<Receipt> TakeReceipts(const QString& sender);

private:
    struct Pending {
        quint64 mailId;
        QString recipient;
        MailPacket::Message message;
    };
    struct Outstanding {
        quint64 mailId;
        Receipt receipt;
        int recipientsLeft;
    };
    std::deque<Pending> m_pending;
    std::vector<Outstanding> m_outstanding;
    std::vector<Receipt> m_receipts;
    quint64 m_lastId = 0;
};
