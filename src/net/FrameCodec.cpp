#include "net/FrameCodec.h"

bool EncodeFrame(quint8 type, const QByteArray& body, QByteArray& out, QString* error) {
    if (body.size() > kMaxFrameBody) {
        if (error)
            *error = QStringLiteral("The packet is too long to send (%1 bytes; at most %2).")
                         .arg(body.size())
                         .arg(kMaxFrameBody);
        return false;
    }
    const quint16 length = quint16(body.size() + 1);
    out.reserve(out.size() + 3 + body.size());
    out.append(char(length & 0xFF));
    out.append(char(length >> 8));
    out.append(char(type));
    out.append(body);
    return true;
}

FrameDecoder::Result FrameDecoder::Next(quint8& type, QByteArray& body) {
    if (failed())
        return Error;
    const qsizetype available = m_buffer.size() - m_offset;
    if (available < 2)
        return NeedMore;
    const auto* p = reinterpret_cast<const unsigned char*>(m_buffer.constData() + m_offset);
    const int length = p[0] | (p[1] << 8);
    if (length == 0) {
        m_error = QStringLiteral("a frame with length 0");
        return Error;
    }
    if (available < 2 + length)
        return NeedMore;
    type = p[2];
    body = QByteArray(reinterpret_cast<const char*>(p + 3), length - 1);
    m_offset += 2 + length;
    // Drop what was taken once it makes up most of the buffer, so a long session does not keep
    // every byte it ever received.
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    } else if (m_offset > 65536 && m_offset * 2 > m_buffer.size()) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    return Frame;
}

void FrameDecoder::Reset() {
    m_buffer.clear();
    m_offset = 0;
    m_error.clear();
}
