#include "support/Cents.h"

bool ParseDollarsToCents(QStringView text, int& cents, CentsRounding rounding) {
    text = text.trimmed();
    qint64 whole = 0;
    int fraction = 0; // the first two decimals, as cents
    int decimals = 0; // decimals read
    bool roundUp = false;
    bool point = false;
    bool digit = false;
    for (const QChar c : text) {
        if (c == u'.') {
            if (point)
                return false;
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return false;
        digit = true;
        const int d = c.unicode() - u'0';
        if (!point) {
            whole = whole * 10 + d;
            if (whole > kMaxCents / 100)
                return false;
        } else if (decimals < 2) {
            fraction = fraction * 10 + d;
            ++decimals;
        } else {
            if (decimals == 2)
                roundUp = d >= 5;
            ++decimals;
        }
    }
    if (!digit)
        return false;
    if (decimals == 1)
        fraction *= 10;
    qint64 result = whole * 100 + fraction;
    if (roundUp && rounding == CentsRounding::HalfUp)
        ++result;
    if (result > kMaxCents)
        return false;
    cents = int(result);
    return true;
}

QString FormatCentsAsDollars(qint64 cents) {
    const qint64 magnitude = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}
