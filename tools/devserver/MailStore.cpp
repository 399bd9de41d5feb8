#include "MailStore.h"

#include "support/Utilities.h"

#include <QRegularExpression>

#include <algorithm>

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

quint64 CMailStore::Post(const QString& sender, const MailPacket::Message& message, const QStringList& recipients) {
    const quint64 id = ++m_lastId;
    for (const QString& recipient : recipients)
        m_pending.push_back({id, recipient, message});
    m_outstanding.push_back({id, {sender, message.messageId}, int(recipients.size())});
    return id;
}

std::vector<CMailStore::Letter> CMailStore::TakeLetters(const QString& nickname) {
    std::vector<Letter> letters;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (SameNickname(it->recipient, nickname)) {
            letters.push_back({it->mailId, it->message});
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    return letters;
}

int CMailStore::WaitingFor(const QString& nickname) const {
    return int(std::count_if(m_pending.begin(), m_pending.end(),
                             [&](const Pending& p) { return SameNickname(p.recipient, nickname); }));
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
