#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <memory>

class CMessagePacket;
// Packets are shared by whoever holds them (the dispatch, a match record, a log) and freed by the last.
using CMessagePacketPtr = std::shared_ptr<const CMessagePacket>;

// One packet in memory: the frame's type byte and body, when it arrived, and its serial number.
// A routed packet (frame type '-') carries a header in its body: destination name, NUL, source name,
// NUL, one byte of inner type, then the payload. Bodies are Windows-1252; the text accessors decode.
class CMessagePacket {
public:
    static constexpr quint8 kRoutedType = '-';
    static constexpr int kMaxSourceName = 512;

    // A packet as read from a frame -> null (error set) when a routed header is malformed.
    static CMessagePacketPtr FromFrame(quint8 frameType, QByteArray body, QString* error = nullptr);
    // A plain packet (type below 128).
    static CMessagePacketPtr MakePlain(quint8 type, QByteArray body);
    // A routed packet of effective type (128 or above) with its header.
    static CMessagePacketPtr MakeRouted(int type, const QString& destination, const QString& source,
                                        const QByteArray& payload);
    // The same as MakeRouted, for building bodies (server side, tests).
    static QByteArray RoutedBody(int type, const QString& destination, const QString& source,
                                 const QByteArray& payload);

    quint8 GetType() const { return m_type; }
    const QByteArray& GetBody() const { return m_body; }
    bool IsRouted() const { return m_type == kRoutedType; }

    // The type byte, or for a routed packet its inner type with bit 0x80 set.
    int GetEffectiveType() const;
    // The body after any routed header.
    QByteArray GetPayloadBytes() const;
    QString GetPayload() const;
    // For a routed packet the sender's name (at most maxLength characters), else empty.
    QString GetSourceName(int maxLength = kMaxSourceName) const;
    QString GetDestinationName() const;

    // Arrival time (local clock) and a serial number counting every packet made in this process.
    const QDateTime& GetArrivalTime() const { return m_arrival; }
    quint64 GetSerialNumber() const { return m_serial; }

private:
    CMessagePacket(quint8 type, QByteArray body);

    quint8 m_type = 0;
    QByteArray m_body;
    // Positions inside a routed body, checked when the packet was made.
    qsizetype m_sourceStart = 0;
    qsizetype m_sourceEnd = 0;
    qsizetype m_payloadStart = 0;
    int m_innerType = 0;
    QDateTime m_arrival;
    quint64 m_serial = 0;
};
