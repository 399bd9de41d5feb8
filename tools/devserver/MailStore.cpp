#include "MailStore.h"

#include "support/Utilities.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

CMailStore::CMailStore() {
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    for (quint32 word : random)
        m_token += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0'));
}

QString CMailStore::DeliveryId(quint64 letterId) const {
    return m_token + QLatin1Char('.') + QString::number(letterId); // at most 53 characters
}

std::optional<quint64> CMailStore::LetterOf(const QString& deliveryId) const {
    if (deliveryId.size() <= m_token.size() + 1 || !deliveryId.startsWith(m_token) ||
        deliveryId.at(m_token.size()) != QLatin1Char('.'))
        return std::nullopt;
    bool numeric = false;
    const quint64 letterId = deliveryId.mid(m_token.size() + 1).toULongLong(&numeric);
    return numeric ? std::optional<quint64>(letterId) : std::nullopt;
}

bool CMailStore::Recipients(const MailPacket::Message& message, QStringList& names, QString* badName) {
    names.clear();
    const QString all = message.to + QLatin1Char(' ') + message.cc;
    for (const QString& name : all.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (!IsValidUserName(name)) {
            if (badName)
                *badName = name;
            return false;
        }
        const bool known = std::any_of(names.begin(), names.end(), [&](const QString& n) { return SameNickname(n, name); });
        if (!known)
            names.append(name);
    }
    if (names.isEmpty() && badName)
        badName->clear();
    return !names.isEmpty();
}

qint64 CMailStore::Size(const MailPacket::Message& m) {
    // Every text a letter keeps, two bytes a character, and a little for the record itself.
    return 2 * (m.from.size() + m.to.size() + m.cc.size() + m.subject.size() + m.messageId.size() +
                m.dateSent.size() + m.kind.size() + m.body.size()) +
           128;
}

bool CMailStore::HasRoom(const MailPacket::Message& message, const QStringList& recipients, QString* fullName) const {
    const qint64 size = Size(message);
    if (fullName)
        fullName->clear();
    if (m_heldBytes + size * recipients.size() > kOfficeBytes)
        return false;
    for (const QString& recipient : recipients) {
        const Box box = m_boxes.value(boxKey(recipient));
        if (box.bytes + size > kMailboxBytes || box.letters + 1 > kMailboxLetters) {
            if (fullName)
                *fullName = recipient;
            return false;
        }
    }
    return true;
}

bool CMailStore::SenderHasRoom(const QString& sender, const MailPacket::Message& message,
                               const QStringList& recipients) const {
    const Box held = m_senders.value(boxKey(sender));
    return held.bytes + Size(message) * recipients.size() <= kSenderBytes &&
           held.letters + recipients.size() <= kSenderLetters;
}

quint64 CMailStore::Post(const QString& sender, const MailPacket::Message& message, const QStringList& recipients) {
    const quint64 id = ++m_lastId;
    const qint64 size = Size(message);
    for (const QString& recipient : recipients) {
        ++m_lastLetterId;
        m_pending.emplace(m_lastLetterId,
                          Pending{m_lastLetterId, id, recipient, message, size, State::Waiting, 0, sender});
        m_heldBytes += size;
        Box& held = m_senders[boxKey(sender)];
        held.bytes += size;
        ++held.letters;
        Box& box = m_boxes[boxKey(recipient)];
        box.bytes += size;
        ++box.letters;
    }
    m_outstanding.push_back({id, {sender, message.messageId}, int(recipients.size())});
    return id;
}

std::vector<CMailStore::Letter> CMailStore::HandOver(const QString& nickname, quint64 connection) {
    std::vector<Letter> letters;
    for (auto& entry : m_pending) {
        Pending& p = entry.second;
        if (!SameNickname(p.recipient, nickname))
            continue;
        if (p.state == State::Waiting || p.state == State::Refused) {
            p.state = State::Handed;
            p.connection = connection;
            letters.push_back({p.letterId, p.mailId, p.message});
        }
    }
    return letters;
}

int CMailStore::WaitingFor(const QString& nickname) const {
    return int(std::count_if(m_pending.begin(), m_pending.end(), [&](const auto& entry) {
        return entry.second.state != State::Handed && SameNickname(entry.second.recipient, nickname);
    }));
}

std::map<quint64, CMailStore::Pending>::iterator CMailStore::findLetter(const QString& nickname, quint64 letterId) {
    auto it = m_pending.find(letterId);
    if (it == m_pending.end() || it->second.state == State::Waiting || !SameNickname(it->second.recipient, nickname))
        return m_pending.end();
    return it;
}

std::optional<quint64> CMailStore::Filed(const QString& nickname, quint64 letterId) {
    auto it = findLetter(nickname, letterId);
    if (it == m_pending.end())
        return std::nullopt;
    const quint64 mailId = it->second.mailId;
    release(it->second);
    m_pending.erase(it);
    return mailId;
}

void CMailStore::release(const Pending& letter) {
    m_heldBytes -= letter.bytes;
    const auto held = m_senders.find(boxKey(letter.sender));
    if (held != m_senders.end()) {
        held->bytes -= letter.bytes;
        if (--held->letters <= 0)
            m_senders.erase(held);
    }
    auto box = m_boxes.find(boxKey(letter.recipient));
    if (box == m_boxes.end())
        return;
    box->bytes -= letter.bytes;
    if (--box->letters <= 0)
        m_boxes.erase(box);
}

void CMailStore::NotFiled(const QString& nickname, quint64 letterId, quint64 connection) {
    auto it = findLetter(nickname, letterId);
    if (it == m_pending.end())
        return;
    it->second.state = State::Refused;
    it->second.connection = connection;
}

void CMailStore::ConnectionClosed(quint64 connection) {
    for (auto& entry : m_pending) {
        Pending& p = entry.second;
        if (p.connection == connection && p.state != State::Waiting) {
            p.state = State::Waiting;
            p.connection = 0;
        }
    }
}

std::optional<CMailStore::Receipt> CMailStore::Delivered(quint64 mailId) {
    auto it = std::find_if(m_outstanding.begin(), m_outstanding.end(),
                           [&](const Outstanding& o) { return o.mailId == mailId; });
    if (it == m_outstanding.end() || --it->recipientsLeft > 0)
        return std::nullopt;
    const Receipt receipt = it->receipt;
    m_outstanding.erase(it);
    return receipt;
}

std::vector<CMailStore::Receipt> CMailStore::TakeReceipts(const QString& sender) {
    std::vector<Receipt> taken;
    for (auto it = m_receipts.begin(); it != m_receipts.end();) {
        if (SameNickname(it->sender, sender)) {
            taken.push_back(*it);
            it = m_receipts.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}
