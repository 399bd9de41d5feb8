#include "net/DatabaseTransaction.h"

#include "net/TextFields.h"
#include "support/PacketText.h"

namespace {

bool readAll(CPacketCursor& cursor, std::initializer_list<QString*> fields) {
    for (QString* field : fields) {
        if (!ReadPacketString(cursor, *field))
            return false;
    }
    return true;
}

} // namespace

CUserMoneyInviteRequest::CUserMoneyInviteRequest(QString first, QString second, QString third,
                                                 int firstNumber, int secondNumber, QString fourth)
    : CDatabaseTransaction(kCode), m_first(std::move(first)), m_second(std::move(second)),
      m_third(std::move(third)), m_firstNumber(firstNumber), m_secondNumber(secondNumber),
      m_fourth(std::move(fourth)) {}

QString CUserMoneyInviteRequest::FormatRequest() const {
    return CTextFields()
        .Number(kCode)
        .Text(m_first)
        .Text(m_second)
        .Text(m_third)
        .Number(m_firstNumber)
        .Number(m_secondNumber)
        .Text(m_fourth)
        .str();
}

bool CUserMoneyInviteRequest::ReadFields(CPacketCursor& cursor) {
    return readAll(cursor, {&m_first, &m_second, &m_third}) && ReadPacketInt(cursor, m_firstNumber) &&
           ReadPacketInt(cursor, m_secondNumber) && ReadPacketString(cursor, m_fourth);
}

QString CUserMoneyInviteResponse::FormatRequest() const {
    CTextFields fields;
    fields.Number(kCode);
    for (const QString* field :
         {&m_userName, &m_resultCode, &m_firstAmount, &m_secondAmount, &m_factor, &m_increments})
        fields.Text(*field);
    return fields.str();
}

bool CUserMoneyInviteResponse::ReadFields(CPacketCursor& cursor) {
    return readAll(cursor,
                   {&m_userName, &m_resultCode, &m_firstAmount, &m_secondAmount, &m_factor, &m_increments});
}

QString CUnfinishedMatchesResponse::FormatRequest() const {
    CTextFields fields;
    fields.Number(kCode).Text(m_userName).Number(m_entries.size());
    for (const QString& entry : m_entries)
        fields.Text(entry);
    return fields.str();
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
    case CUserMoneyInviteRequest::kCode:
        transaction = std::make_unique<CUserMoneyInviteRequest>();
        break;
    case CUserMoneyInviteResponse::kCode:
        transaction = std::make_unique<CUserMoneyInviteResponse>();
        break;
    case CUnfinishedMatchesResponse::kCode:
        transaction = std::make_unique<CUnfinishedMatchesResponse>();
        break;
    default:
        return nullptr;
    }
    if (!transaction->ReadFields(cursor))
        return nullptr;
    return transaction;
}
