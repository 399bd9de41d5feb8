#include "net/DatabaseTransaction.h"

#include "support/PacketText.h"

namespace {

void appendQuoted(QString& out, const QString& text) {
    out += QLatin1Char(' ');
    WritePacketCString(out, text);
}

bool readAll(CPacketCursor& cursor, std::initializer_list<QString*> fields) {
    for (QString* field : fields) {
        if (!ReadPacketString(cursor, *field))
            return false;
    }
    return true;
}

} // namespace

CUserMoneyInviteRequest::CUserMoneyInviteRequest(QString first, QString second, QString third, int firstNumber,
                                                 int secondNumber, QString fourth)
    : CDatabaseTransaction(kCode), m_first(std::move(first)), m_second(std::move(second)), m_third(std::move(third)),
      m_firstNumber(firstNumber), m_secondNumber(secondNumber), m_fourth(std::move(fourth)) {}

QString CUserMoneyInviteRequest::FormatRequest() const {
    QString out;
    WritePacketInt(out, kCode);
    appendQuoted(out, m_first);
    appendQuoted(out, m_second);
    appendQuoted(out, m_third);
    out += QLatin1Char(' ');
    WritePacketInt(out, m_firstNumber);
    out += QLatin1Char(' ');
    WritePacketInt(out, m_secondNumber);
    appendQuoted(out, m_fourth);
    return out;
}

bool CUserMoneyInviteRequest::ReadFields(CPacketCursor& cursor) {
    return readAll(cursor, {&m_first, &m_second, &m_third}) && ReadPacketInt(cursor, m_firstNumber) &&
           ReadPacketInt(cursor, m_secondNumber) && ReadPacketString(cursor, m_fourth);
}

QString CUserMoneyInviteResponse::FormatRequest() const {
    QString out;
    WritePacketInt(out, kCode);
    for (const QString* field : {&m_userName, &m_resultCode, &m_firstAmount, &m_secondAmount, &m_factor, &m_increments})
        appendQuoted(out, *field);
    return out;
}

bool CUserMoneyInviteResponse::ReadFields(CPacketCursor& cursor) {
    return readAll(cursor, {&m_userName, &m_resultCode, &m_firstAmount, &m_secondAmount, &m_factor, &m_increments});
}

QString CUnfinishedMatchesResponse::FormatRequest() const {
    QString out;
    WritePacketInt(out, kCode);
    appendQuoted(out, m_userName);
    out += QLatin1Char(' ');
    WritePacketInt(out, m_entries.size());
    for (const QString& entry : m_entries)
        appendQuoted(out, entry);
    return out;
}

bool CUnfinishedMatchesResponse::ReadFields(CPacketCursor& cursor) {
    m_entries.clear();
    int count = 0;
    if (!ReadPacketString(cursor, m_userName) || !ReadPacketInt(cursor, count) || count < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        QString entry;
        if (!ReadPacketString(cursor, entry))
            return false;
        m_entries.append(entry);
    }
    return true;
}

std::unique_ptr<CDatabaseTransaction> CreateDatabaseTransaction(const QString& text) {
    CPacketCursor cursor(text);
    int code = 0;
    if (!ReadPacketInt(cursor, code))
        return nullptr;
    std::unique_ptr<CDatabaseTransaction> transaction;
    switch (code) {
    case CUserMoneyInviteRequest::kCode: transaction = std::make_unique<CUserMoneyInviteRequest>(); break;
    case CUserMoneyInviteResponse::kCode: transaction = std::make_unique<CUserMoneyInviteResponse>(); break;
    case CUnfinishedMatchesResponse::kCode: transaction = std::make_unique<CUnfinishedMatchesResponse>(); break;
    default: return nullptr;
    }
    if (!transaction->ReadFields(cursor))
        return nullptr;
    return transaction;
}
