#include "net/StateTable.h"

#include "net/MessagePacket.h"

#include <exception>

CStateTable& CStateTable::On(int messageId, Handler handler, const CStateTable* next) {
    m_rows.push_back({messageId, std::move(handler), next});
    return *this;
}

const CStateTable::Row* CStateTable::Find(int messageId) const {
    const Row* any = nullptr;
    for (const Row& row : m_rows) {
        if (row.messageId == messageId)
            return &row;
        if (row.messageId == kAnyMessage && !any)
            any = &row;
    }
    return any;
}

QString CStateMan::IllegalPacketText(const QString& state, const CMessagePacket* packet, int messageId,
                                     const QString& peer) {
    const bool routed = packet && packet->IsRouted();
    const int raw = packet ? packet->GetType() : messageId;
    const QString typeText =
        raw >= 0x20 && raw < 0x7F ? QStringLiteral("'%1'").arg(QChar(raw)) : QStringLiteral("#%1").arg(raw);
    const QString from = routed ? packet->GetSourceName() : peer;
    return QStringLiteral("Illegal packet: %1%2 %3 from (%4)%5")
        .arg(state, routed ? QStringLiteral("-") : QString(), typeText, from)
        .arg(messageId);
}

QString CStateMan::ExceptionText(const QString& ownerClass, int messageId, const CMessagePacket* packet) {
    QString data = packet ? packet->GetPayload() : QString();
    if (data.size() > 200)
        data = data.left(200) + QStringLiteral("...");
    return QStringLiteral("StateMan Exception - Class: [%1], Message: [%2], Data: [%3]\n")
        .arg(ownerClass)
        .arg(messageId)
        .arg(data);
}

bool CStateMan::Dispatch(int messageId, const CMessagePacket* packet, const QString& peer) {
    const CStateTable* before = m_table;
    const CStateTable::Row* row = before ? before->Find(messageId) : nullptr;
    if (!row || !row->handler) {
        log(IllegalPacketText(before ? before->name() : QStringLiteral("(none)"), packet, messageId, peer));
        return false;
    }
    const CStateTable* next = row->next;
    try {
        row->handler(packet);
    } catch (const std::exception& e) {
        log(ExceptionText(m_ownerClass, messageId, packet) + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        log(ExceptionText(m_ownerClass, messageId, packet));
    }
    // A handler that switched the table itself (a close, a protocol error) wins over the row.
    if (next && m_table == before)
        m_table = next;
    return true;
}
