#include "lobby/RelationList.h"

#include "support/Utilities.h"

QList<CRelationEntry> ParseRelationList(const QString& body) {
    QList<CRelationEntry> entries;
    QString rest = body;
    rest.remove(QLatin1Char('\r'));
    static constexpr QStringView kWordEnds = u" \n";
    for (int i = 0; i < 3; ++i)
        NextToken(rest, kWordEnds);
    QString word = NextToken(rest, kWordEnds);
    if (word != QLatin1String("@")) {
        for (; !word.isEmpty(); word = NextToken(rest, kWordEnds)) {
            if (IsValidUserName(word))
                entries.append({word, word});
        }
        return entries;
    }
    bool firstLine = true;
    while (!rest.isEmpty()) {
        QString line = NextToken(rest, u"\n");
        if (firstLine && line.trimmed().isEmpty()) {
            firstLine = false;
            continue;
        }
        firstLine = false;
        const QString nickname = NextToken(line, u" ");
        if (nickname.isEmpty())
            break;
        if (IsValidUserName(nickname))
            entries.append({nickname, line});
    }
    return entries;
}
