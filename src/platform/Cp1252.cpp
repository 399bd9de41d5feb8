#include "platform/Cp1252.h"

namespace platform::cp1252 {

namespace {

// 0x80-0x9F; 0 marks the five codes the page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int encodeChar(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    if (u < 0xA0 && kHigh[u - 0x80] == 0)
        return u; // an undefined code decoded as its C1 control goes back unchanged
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u && u != 0)
            return 0x80 + i;
    return -1;
}

} // namespace

QByteArray encode(QStringView text) {
    // Written in place: the server encodes every packet it sends.
    QByteArray out(text.size(), Qt::Uninitialized);
    char* data = out.data();
    qsizetype written = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            data[written++] = char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // one character outside the page, one '?'
            data[written++] = '?';
            continue;
        }
        const int code = encodeChar(u);
        data[written++] = code < 0 ? '?' : char(code);
    }
    out.truncate(written);
    return out;
}

QString decode(QByteArrayView bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* data = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0) {
            const char16_t u = kHigh[b - 0x80];
            // The undefined codes map to the C1 controls, as Windows itself does.
            data[i] = QChar(u ? u : char16_t(b));
        } else {
            data[i] = QChar(char16_t(b));
        }
    }
    return out;
}

bool isEncodable(QChar ch) { return encodeChar(ch.unicode()) >= 0; }

} // namespace platform::cp1252
