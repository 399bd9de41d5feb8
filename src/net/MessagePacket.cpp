#include "net/MessagePacket.h"

#include "platform/Cp1252.h"

#include <atomic>

namespace {
std::atomic<quint64> g_serial{0};
}

CMessagePacket::CMessagePacket(quint8 type, QByteArray body)
    : m_type(type), m_body(std::move(body)), m_arrival(QDateTime::currentDateTime()), m_serial(++g_serial) {}

CMessagePacketPtr CMessagePacket::FromFrame(quint8 frameType, QByteArray body, QString* error) {
    std::shared_ptr<CMessagePacket> packet(new CMessagePacket(frameType, std::move(body)));
    if (frameType != kRoutedType)
        return packet;
    const QByteArray& b = packet->m_body;
    const qsizetype firstNul = b.indexOf('\0');
    const qsizetype secondNul = firstNul < 0 ? -1 : b.indexOf('\0', firstNul + 1);
    if (secondNul < 0 || secondNul + 1 >= b.size()) {
        if (error)
            *error = QStringLiteral("a routed packet without its header");
        return nullptr;
    }
    const int inner = static_cast<unsigned char>(b.at(secondNul + 1));
    if (inner > 0x7F) {
        if (error)
            *error = QStringLiteral("a routed packet with inner type %1").arg(inner);
        return nullptr;
    }
    packet->m_sourceStart = firstNul + 1;
    packet->m_sourceEnd = secondNul;
    packet->m_payloadStart = secondNul + 2;
    packet->m_innerType = inner;
    return packet;
}

CMessagePacketPtr CMessagePacket::MakePlain(quint8 type, QByteArray body) {
    Q_ASSERT(type < 0x80 && type != kRoutedType);
    return CMessagePacketPtr(new CMessagePacket(type, std::move(body)));
}

QByteArray CMessagePacket::RoutedBody(int type, const QString& destination, const QString& source,
                                      const QByteArray& payload) {
    QByteArray body = platform::cp1252::encode(destination);
    body.append('\0');
    body.append(platform::cp1252::encode(source));
    body.append('\0');
    body.append(char(type & 0x7F));
    body.append(payload);
    return body;
}

CMessagePacketPtr CMessagePacket::MakeRouted(int type, const QString& destination, const QString& source,
                                             const QByteArray& payload) {
    return FromFrame(kRoutedType, RoutedBody(type, destination, source, payload));
}

int CMessagePacket::GetEffectiveType() const {
    return IsRouted() ? (m_innerType | 0x80) : m_type;
}

QByteArray CMessagePacket::GetPayloadBytes() const {
    return IsRouted() ? m_body.mid(m_payloadStart) : m_body;
}

QString CMessagePacket::GetPayload() const {
    return platform::cp1252::decode(GetPayloadBytes());
}

QString CMessagePacket::GetSourceName(int maxLength) const {
    if (!IsRouted())
        return QString();
    const qsizetype length = qMin<qsizetype>(m_sourceEnd - m_sourceStart, qMax(0, maxLength));
    return platform::cp1252::decode(QByteArrayView(m_body).sliced(m_sourceStart, length));
}

QString CMessagePacket::GetDestinationName() const {
    if (!IsRouted())
        return QString();
    return platform::cp1252::decode(QByteArrayView(m_body).first(m_sourceStart - 1));
}
