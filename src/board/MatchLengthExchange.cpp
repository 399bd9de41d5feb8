#include "board/MatchLengthExchange.h"

#include "platform/Dialog.h"

#include <algorithm>

bool ReadMatchLengthText(const QString& text, int& length) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        length = 0;
        return true;
    }
    qint64 value = 0;
    for (const QChar c : trimmed) {
        if (c < u'0' || c > u'9')
            return false;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), 1000);
    }
    length = value < 1 ? 1 : value > kMaxMatchLengthPoints ? kMaxMatchLengthPoints : int(value);
    return true;
}

QString MatchLengthText(int length) {
    return length <= 0 ? QString() : QString::number(length);
}

void DDX_MatchLength(platform::DataExchange& dx, int id, int& length) {
    if (dx.failed() || !dx.dialog().Item(id))
        return;
    if (!dx.saving()) {
        QString text = MatchLengthText(length);
        dx.Text(id, text);
        return;
    }
    QString text;
    dx.Text(id, text);
    int read = 0;
    if (!ReadMatchLengthText(text, read))
        return dx.Fail(id, QStringLiteral("Enter a match length of 1 to 25 points."));
    length = read;
    if (MatchLengthText(read) != text.trimmed())
        dx.dialog().SetItemText(id, MatchLengthText(read));
}
