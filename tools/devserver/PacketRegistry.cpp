#include "PacketRegistry.h"

CPacketRegistry::To CPacketRegistry::destinationOf(const QString& destination) {
    if (destination == QLatin1String("&"))
        return To::Room;
    if (destination == QLatin1String("."))
        return To::Server;
    if (destination == QLatin1String(".db"))
        return To::Database;
    if (destination == QLatin1String(".rt"))
        return To::Ranking;
    return destination.startsWith(QLatin1Char('.')) ? To::Elsewhere : To::Member;
}

void CPacketRegistry::add(To to, int type, Rule rule, Handler handler) {
    Q_ASSERT(!m_index.contains(keyOf(to, type)));
    m_index.insert(keyOf(to, type), m_entries.size());
    m_entries.push_back({to, type, std::move(rule), std::move(handler)});
}

const CPacketRegistry::Entry* CPacketRegistry::find(To to, int type) const {
    auto found = m_index.constFind(keyOf(to, type));
    if (found == m_index.constEnd())
        found = m_index.constFind(keyOf(to, kOtherTypes));
    return found == m_index.constEnd() ? nullptr : &m_entries[*found];
}

void CPacketRegistry::Dispatch(CDevClient* client, const CMessagePacket& packet) const {
    const int type = packet.GetEffectiveType();
    const To to = packet.IsRouted() ? destinationOf(packet.GetDestinationName()) : To::Plain;
    const Entry* entry = find(to, type);
    if (!client->loggedIn) {
        if (entry && entry->rule.sender == Sender::Connection)
            entry->handler(client, packet);
        else
            client->connection->Close();
        return;
    }
    const QString sender = client->record.GetNickname();
    const qint64 bytes = packet.GetBody().size() + 3;
    if (!entry || entry->rule.sender == Sender::Connection)
        return m_refused(client, bytes, QStringLiteral("packet %1 from %2 ignored").arg(type).arg(sender));
    switch (entry->rule.sender) {
    case Sender::Nobody:
        return m_refused(client, bytes,
                         QStringLiteral("packet %1 of %2 to %3 dropped: %4")
                             .arg(type)
                             .arg(sender,
                                  packet.IsRouted() ? packet.GetDestinationName() : QStringLiteral("the server"),
                                  packet.GetPayload().left(80)));
    case Sender::RightHolder:
        if ((client->rights & entry->rule.right) == 0) {
            m_refused(client, bytes, QStringLiteral("packet %1 of %2 refused: %3").arg(type).arg(sender, entry->rule.refusal));
            return CDevServerCore::SystemLine(client, entry->rule.refusal);
        }
        break;
    case Sender::Member:
    case Sender::Connection:
        break;
    }
    entry->handler(client, packet);
}
