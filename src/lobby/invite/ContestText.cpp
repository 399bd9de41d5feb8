#include "lobby/invite/ContestText.h"

#include "support/PacketText.h"
#include "support/Utilities.h"

void FormatContestDescription(QString& out, const QString& idHex, const QString& name, const QString& extra,
                              const QString& description, const QString& first, const QString& second) {
    out = name + QStringLiteral(" i") + QString::number(HexTextToInt(idHex)) + QStringLiteral(" 0 ") + description;
    if (!extra.isEmpty())
        out += QStringLiteral("; ") + extra;
    out += QLatin1Char(':');
    WritePacketCString(out, first);
    WritePacketCString(out, second);
}

void SplitContestDescription(const QString& text, QString& head, QString& first, QString& second) {
    first.clear();
    second.clear();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        head = text;
        return;
    }
    head = text.left(colon);
    const QString tail = text.mid(colon + 1);
    if (tail.isEmpty())
        return;
    CPacketCursor cursor(tail);
    cursor.skipWhiteSpace();
    if (cursor.atEnd() || tail.at(cursor.pos()) != QLatin1Char('"')) {
        second = tail; // the older, unquoted form
        return;
    }
    if (ReadPacketString(cursor, first))
        ReadPacketString(cursor, second);
}

void ParseContestRules(const QString& text, int (&values)[10], QString& outText) {
    // Where each of the twelve numbers goes; -1 is read and dropped.
    static constexpr int kTarget[12] = {0, 1, 2, 3, 4, -1, 5, 6, 7, 9, 8, -1};
    const qsizetype bang = text.indexOf(QLatin1Char('!'));
    const QString numbers = bang < 0 ? text : text.left(bang);
    CPacketCursor cursor(numbers);
    for (int target : kTarget) {
        int value = 0;
        if (!ReadPacketInt(cursor, value))
            break;
        if (target >= 0)
            values[target] = value;
    }
    outText.clear();
    if (bang >= 0) {
        const QString rest = text.mid(bang + 1);
        CPacketCursor quoted(rest);
        if (!ReadPacketString(quoted, outText))
            outText.clear();
    }
}

void FormatFourIntegers(QString& out, int a, int b, int c, int d) {
    out = QStringLiteral("%1 %2 %3 %4").arg(a).arg(b).arg(c).arg(d);
}

void FormatThreeIntegers(QString& out, int a, int b, int c) {
    out = QStringLiteral("%1 %2 %3").arg(a).arg(b).arg(c);
}

bool ReadFourIntegers(const QString& text, int& a, int& b, int& c, int& d) {
    a = b = c = d = 0;
    if (text.isEmpty())
        return true;
    CPacketCursor cursor(text);
    return ReadPacketInt(cursor, a) && ReadPacketInt(cursor, b) && ReadPacketInt(cursor, c) &&
           ReadPacketInt(cursor, d);
}

bool ReadContestTerms(CPacketCursor& cursor, QString& first, QString& second, QString& third, int& number,
                      double& amount, int& fourth, int& fifth) {
    return ReadPacketString(cursor, first) && ReadPacketString(cursor, second) && ReadPacketString(cursor, third) &&
           ReadPacketInt(cursor, number) && ReadPacketFloat(cursor, amount) && ReadPacketInt(cursor, fourth) &&
           ReadPacketInt(cursor, fifth);
}
