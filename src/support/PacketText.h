#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Text packets: a decimal code followed by fields; integers in decimal, strings in double quotes with
// a backslash before each embedded double quote and backslash, fields separated by blanks.
// Numbers never follow the user's locale.

// A read position inside a packet body. The text must outlive the cursor.
class CPacketCursor {
public:
    explicit CPacketCursor(const QString& text, qsizetype pos = 0) : m_text(&text), m_pos(pos) {}

    const QString& text() const { return *m_text; }
    qsizetype pos() const { return m_pos; }
    void setPos(qsizetype pos) { m_pos = qBound<qsizetype>(0, pos, m_text->size()); }
    bool atEnd() const { return m_pos >= m_text->size(); }
    QStringView rest() const { return QStringView(*m_text).mid(m_pos); }
    // Skips blanks, tabs, carriage returns and line feeds.
    void skipWhiteSpace();

private:
    const QString* m_text;
    qsizetype m_pos;
};

// Each reader skips white space, reads one field and moves the cursor past it; false (cursor
// unchanged) when the next field is missing or not of that kind. An integer ends at its first
// non-digit; one that does not fit its type is refused, never wrapped. Inside quotes a backslash takes
// the next character as it is. A float field holds at most 32 characters of C-locale decimal text
// (optional sign, point, exponent; blanks around it allowed); "inf", "nan" and out-of-range values
// are refused.
bool ReadPacketInt(CPacketCursor& cursor, int& result);           // optional '-', decimal, fits an int
bool ReadPacketUnsigned(CPacketCursor& cursor, quint32& result);  // decimal, fits 32 bits
bool ReadPacketString(CPacketCursor& cursor, QString& result);    // quoted, escapes undone
bool ReadPacketFloat(CPacketCursor& cursor, double& result);      // quoted decimal text, <= 32 chars, finite
// Reads the next quoted field without moving the cursor.
bool ReadTokenFrom(const CPacketCursor& cursor, QString& result);

// Writers append one field with no separator; callers add the blanks.
// WritePacketFloat writes what printf's "%.*g" gives in the C locale: at most significantDigits
// significant digits (clamped to 1..17), trailing zeros dropped, exponent form only for very large or
// small values ("1.5" for 1.5 with 3 digits, "123.46" for 123.456 with 5). A non-finite value is
// written as "0" so that every written field reads back.
void WritePacketInt(QString& out, qint64 number);
void WritePacketCString(QString& out, QStringView text);
void WritePacketFloat(QString& out, double value, int significantDigits);
