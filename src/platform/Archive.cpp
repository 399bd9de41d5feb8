#include "platform/Archive.h"

#include "platform/Cp1252.h"

#include <QtEndian>

#include <algorithm>

namespace platform {

namespace {

constexpr quint8 kByteEscape = 0xFF;
constexpr quint16 kWideTag = 0xFFFE;
constexpr quint16 kWordEscape = 0xFFFF;

} // namespace

void ArchiveWriter::WriteUInt8(quint8 value) { m_data.append(char(value)); }

void ArchiveWriter::WriteUInt16(quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    m_data.append(bytes, 2);
}

void ArchiveWriter::WriteUInt32(quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    m_data.append(bytes, 4);
}

void ArchiveWriter::WriteInt32(qint32 value) { WriteUInt32(quint32(value)); }

void ArchiveWriter::WriteLength(qint64 length) {
    if (length < kByteEscape) {
        WriteUInt8(quint8(length));
    } else if (length < kWideTag) {
        WriteUInt8(kByteEscape);
        WriteUInt16(quint16(length));
    } else {
        WriteUInt8(kByteEscape);
        WriteUInt16(kWordEscape);
        WriteUInt32(quint32(length));
    }
}

void ArchiveWriter::WriteString(const QString& text) {
    // Narrow when every character has a Windows-1252 code; otherwise the UTF-16 form, so that what
    // was read (a wide string from a file, a name outside the code page) is written back unchanged.
    if (std::all_of(text.cbegin(), text.cend(), cp1252::isEncodable)) {
        const QByteArray bytes = cp1252::encode(text);
        WriteLength(bytes.size());
        m_data.append(bytes);
        return;
    }
    WriteUInt8(kByteEscape);
    WriteUInt16(kWideTag);
    WriteLength(text.size());
    for (const QChar ch : text)
        WriteUInt16(ch.unicode());
}

void ArchiveWriter::WriteStringList(const QStringList& list) {
    if (list.size() < kWordEscape) {
        WriteUInt16(quint16(list.size()));
    } else {
        WriteUInt16(kWordEscape);
        WriteUInt32(quint32(list.size()));
    }
    for (const QString& text : list)
        WriteString(text);
}

void ArchiveWriter::WriteBytes(const QByteArray& bytes) { m_data.append(bytes); }

ArchiveReader::ArchiveReader(QByteArray data) : m_data(std::move(data)) {}

bool ArchiveReader::fail(const QString& why) {
    if (m_error.isEmpty())
        m_error = why;
    return false;
}

bool ArchiveReader::take(qint64 count, const char*& out) {
    if (!ok())
        return false;
    if (count < 0 || count > remaining())
        return fail(QStringLiteral("unexpected end of archive at byte %1").arg(m_pos));
    out = m_data.constData() + m_pos;
    m_pos += count;
    return true;
}

bool ArchiveReader::ReadUInt8(quint8& value) {
    const char* p = nullptr;
    if (!take(1, p))
        return false;
    value = quint8(*p);
    return true;
}

bool ArchiveReader::ReadUInt16(quint16& value) {
    const char* p = nullptr;
    if (!take(2, p))
        return false;
    value = qFromLittleEndian<quint16>(p);
    return true;
}

bool ArchiveReader::ReadUInt32(quint32& value) {
    const char* p = nullptr;
    if (!take(4, p))
        return false;
    value = qFromLittleEndian<quint32>(p);
    return true;
}

bool ArchiveReader::ReadInt32(qint32& value) {
    quint32 raw = 0;
    if (!ReadUInt32(raw))
        return false;
    value = qint32(raw);
    return true;
}

bool ArchiveReader::ReadString(QString& text) {
    // The prefix: a byte below 0xFF is the length; else a word, where 0xFFFE tags a UTF-16 string
    // whose own prefix follows (counted in UTF-16 units) and 0xFFFF means a 32-bit length follows.
    bool wide = false;
    qint64 length = 0;
    quint8 byteLength = 0;
    if (!ReadUInt8(byteLength))
        return false;
    length = byteLength;
    if (byteLength == kByteEscape) {
        quint16 wordLength = 0;
        if (!ReadUInt16(wordLength))
            return false;
        bool haveLength = false;
        if (wordLength == kWideTag) {
            wide = true;
            if (!ReadUInt8(byteLength))
                return false;
            length = byteLength;
            haveLength = byteLength != kByteEscape;
            if (!haveLength && !ReadUInt16(wordLength))
                return false;
        }
        if (!haveLength) {
            length = wordLength;
            if (wordLength == kWordEscape) {
                quint32 longLength = 0;
                if (!ReadUInt32(longLength))
                    return false;
                if (longLength == 0xFFFFFFFFu)
                    return fail(QStringLiteral("string of more than 4 GB at byte %1").arg(m_pos));
                length = longLength;
            }
        }
    }
    const qint64 byteCount = wide ? length * 2 : length;
    if (byteCount > remaining())
        return fail(QStringLiteral("string of %1 bytes runs past the end of the archive").arg(byteCount));
    const char* p = nullptr;
    if (!take(byteCount, p))
        return false;
    if (wide) {
        QString out(qsizetype(length), Qt::Uninitialized);
        for (qint64 i = 0; i < length; ++i)
            out[qsizetype(i)] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        text = out;
    } else {
        text = cp1252::decode(QByteArrayView(p, qsizetype(length)));
    }
    return true;
}

bool ArchiveReader::ReadStringList(QStringList& list, qint64 maxCount) {
    quint16 shortCount = 0;
    if (!ReadUInt16(shortCount))
        return false;
    qint64 count = shortCount;
    if (shortCount == kWordEscape) {
        quint32 longCount = 0;
        if (!ReadUInt32(longCount))
            return false;
        count = longCount;
    }
    if (count > maxCount)
        return fail(QStringLiteral("list of %1 strings where at most %2 are allowed").arg(count).arg(maxCount));
    // Every string takes at least its one-byte prefix, so a count beyond the bytes left is a lie.
    if (count > remaining())
        return fail(QStringLiteral("list of %1 strings runs past the end of the archive").arg(count));
    QStringList out;
    out.reserve(qsizetype(count));
    for (qint64 i = 0; i < count; ++i) {
        QString text;
        if (!ReadString(text))
            return false;
        out.append(text);
    }
    list = out;
    return true;
}

bool ArchiveReader::ReadBytes(qint64 count, QByteArray& bytes) {
    const char* p = nullptr;
    if (!take(count, p))
        return false;
    bytes = QByteArray(p, qsizetype(count));
    return true;
}

} // namespace platform
