#include "support/PacketText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

constexpr qsizetype kMaxFloatFieldLength = 32;

bool isPacketWhiteSpace(QChar ch) {
    const char16_t c = ch.unicode();
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar ch) { return ch.unicode() >= u'0' && ch.unicode() <= u'9'; }

qsizetype skipWhiteSpaceFrom(const QString& text, qsizetype pos) {
    while (pos < text.size() && isPacketWhiteSpace(text.at(pos)))
        ++pos;
    return pos;
}

// Reads decimal digits at pos into magnitude; false when there is no digit or the value passes limit.
// end receives the position after the last digit.
bool readDigits(const QString& text, qsizetype pos, quint64 limit, quint64& magnitude, qsizetype& end) {
    quint64 value = 0;
    qsizetype p = pos;
    while (p < text.size() && isDigit(text.at(p))) {
        value = value * 10 + (text.at(p).unicode() - u'0');
        if (value > limit)
            return false;
        ++p;
    }
    if (p == pos)
        return false;
    magnitude = value;
    end = p;
    return true;
}

// Reads a quoted field at pos (after white space); end receives the position after the closing quote.
bool readQuoted(const QString& text, qsizetype pos, QString& result, qsizetype& end) {
    if (pos >= text.size() || text.at(pos) != u'"')
        return false;
    QString value;
    for (qsizetype p = pos + 1; p < text.size(); ++p) {
        const QChar ch = text.at(p);
        if (ch == u'"') {
            result = value;
            end = p + 1;
            return true;
        }
        if (ch == u'\\') {
            if (++p >= text.size())
                return false;
            value += text.at(p);
        } else {
            value += ch;
        }
    }
    return false; // no closing quote
}

// A decimal number as text, in the C locale whatever the user's locale says.
bool parseDecimal(QStringView text, double& result) {
    while (!text.isEmpty() && isPacketWhiteSpace(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && isPacketWhiteSpace(text.back()))
        text.chop(1);
    if (!text.isEmpty() && text.front() == u'+') {
        text = text.mid(1);
        if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+'))
            return false;
    }
    if (text.isEmpty() || text.size() > kMaxFloatFieldLength)
        return false;
    char buffer[kMaxFloatFieldLength];
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c > 0x7F)
            return false;
        buffer[i] = static_cast<char>(c);
    }
    // from_chars also takes "inf" and "nan": the finiteness check below turns them away.
    double value = 0;
    const char* last = buffer + text.size();
    const auto [ptr, ec] = std::from_chars(buffer, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        return false;
    result = value;
    return true;
}

} // namespace

void CPacketCursor::skipWhiteSpace() { m_pos = skipWhiteSpaceFrom(*m_text, m_pos); }

bool ReadPacketInt(CPacketCursor& cursor, int& result) {
    const QString& text = cursor.text();
    qsizetype pos = skipWhiteSpaceFrom(text, cursor.pos());
    const bool negative = pos < text.size() && text.at(pos) == u'-';
    if (negative)
        ++pos;
    const quint64 limit = negative ? quint64(std::numeric_limits<int>::max()) + 1
                                   : quint64(std::numeric_limits<int>::max());
    quint64 magnitude = 0;
    qsizetype end = 0;
    if (!readDigits(text, pos, limit, magnitude, end))
        return false;
    result = negative ? int(-qint64(magnitude)) : int(magnitude);
    cursor.setPos(end);
    return true;
}

bool ReadPacketUnsigned(CPacketCursor& cursor, quint32& result) {
    const QString& text = cursor.text();
    const qsizetype pos = skipWhiteSpaceFrom(text, cursor.pos());
    quint64 magnitude = 0;
    qsizetype end = 0;
    if (!readDigits(text, pos, std::numeric_limits<quint32>::max(), magnitude, end))
        return false;
    result = quint32(magnitude);
    cursor.setPos(end);
    return true;
}

bool ReadPacketString(CPacketCursor& cursor, QString& result) {
    const QString& text = cursor.text();
    qsizetype end = 0;
    if (!readQuoted(text, skipWhiteSpaceFrom(text, cursor.pos()), result, end))
        return false;
    cursor.setPos(end);
    return true;
}

bool ReadPacketFloat(CPacketCursor& cursor, double& result) {
    const QString& text = cursor.text();
    QString field;
    qsizetype end = 0;
    if (!readQuoted(text, skipWhiteSpaceFrom(text, cursor.pos()), field, end))
        return false;
    if (field.size() > kMaxFloatFieldLength || !parseDecimal(field, result))
        return false;
    cursor.setPos(end);
    return true;
}

bool ReadTokenFrom(const CPacketCursor& cursor, QString& result) {
    CPacketCursor probe(cursor);
    return ReadPacketString(probe, result);
}

void WritePacketInt(QString& out, qint64 number) { out += QString::number(number); }

void WritePacketCString(QString& out, QStringView text) {
    out.reserve(out.size() + text.size() + 2);
    out += u'"';
    for (const QChar ch : text) {
        if (ch == u'"' || ch == u'\\')
            out += u'\\';
        out += ch;
    }
    out += u'"';
}

void WritePacketFloat(QString& out, double value, int significantDigits) {
    out += u'"';
    if (!std::isfinite(value)) {
        out += u'0';
    } else {
        char buffer[64];
        const int digits = qBound(1, significantDigits, std::numeric_limits<double>::max_digits10);
        const auto [ptr, ec] =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
        out += ec == std::errc() ? QLatin1StringView(buffer, ptr - buffer) : QLatin1StringView("0");
    }
    out += u'"';
}
