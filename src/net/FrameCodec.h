#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The frame on the wire: a 16-bit little-endian length (the body length plus one), one type byte,
// then the body.

// The longest body a frame can carry: the length field must still fit 16 bits.
constexpr int kMaxFrameBody = 65534;

// Appends one frame to out -> false (out unchanged, error set) when the body is too long to frame.
bool EncodeFrame(quint8 type, const QByteArray& body, QByteArray& out, QString* error = nullptr);

// Cuts a byte stream into frames. Bytes arrive in any pieces; frames come out whole and in order.
// Once the stream is found malformed the decoder stays failed: the connection cannot be trusted.
class FrameDecoder {
public:
    enum Result { NeedMore, Frame, Error };

    void Feed(const QByteArray& bytes) { m_buffer.append(bytes); }
    // Takes the next complete frame out of the buffer.
    Result Next(quint8& type, QByteArray& body);

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    qsizetype buffered() const { return m_buffer.size() - m_offset; }
    void Reset();

private:
    QByteArray m_buffer;
    qsizetype m_offset = 0; // bytes at the front already taken
    QString m_error;
};
