#include "session/Nickname.h"

QString FoldNickname(QStringView name) {
    QString folded = name.toString();
    for (QChar& ch : folded) {
        if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
            ch = QChar(ch.unicode() - 'a' + 'A');
    }
    return folded;
}

bool SameNickname(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 'a' && x <= 'z')
            x = char16_t(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char16_t(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}
