#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The class library's binary archive format, as the original's files use it: little-endian integers,
// strings with a 1/3/7-byte length prefix (0xFF 0xFFFE marks a UTF-16 string), string lists with a
// 16-bit count (0xFFFF then a 32-bit count beyond that). Narrow strings are Windows-1252.
namespace platform {

class ArchiveWriter {
public:
    void WriteUInt8(quint8 value);
    void WriteUInt16(quint16 value);
    void WriteUInt32(quint32 value);
    void WriteInt32(qint32 value);
    void WriteString(const QString& text); // narrow (Windows-1252) unless it holds other characters
    void WriteStringList(const QStringList& list);
    void WriteBytes(const QByteArray& bytes);

    const QByteArray& data() const { return m_data; }

private:
    void WriteLength(qint64 length);

    QByteArray m_data;
};

// Reads from bytes that came from a file or a stream: every length is checked against the bytes
// left; a short or malformed read returns false, sets an error and leaves the reader failed.
class ArchiveReader {
public:
    explicit ArchiveReader(QByteArray data);

    bool ReadUInt8(quint8& value);
    bool ReadUInt16(quint16& value);
    bool ReadUInt32(quint32& value);
    bool ReadInt32(qint32& value);
    bool ReadString(QString& text); // narrow or wide
    // A list of more than maxCount strings is refused before anything is read or allocated.
    bool ReadStringList(QStringList& list, qint64 maxCount);
    bool ReadBytes(qint64 count, QByteArray& bytes);

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    qint64 remaining() const { return m_data.size() - m_pos; }
    qint64 position() const { return m_pos; }

private:
    bool fail(const QString& why);
    bool take(qint64 count, const char*& out);

    QByteArray m_data;
    qint64 m_pos = 0;
    QString m_error;
};

} // namespace platform
