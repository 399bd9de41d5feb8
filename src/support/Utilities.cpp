#include "support/Utilities.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <sys/statvfs.h>
#include <unistd.h>

QString NextToken(QString& source, QStringView delimiters) {
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (delimiters.contains(source.at(i))) {
            const QString token = source.left(i);
            source.remove(0, i + 1);
            return token;
        }
    }
    QString token;
    token.swap(source);
    return token;
}

void SplitToStringList(QStringList& list, QStringView text, QStringView delimiters) {
    list.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || delimiters.contains(text.at(i))) {
            if (i > start)
                list << text.mid(start, i - start).toString();
            start = i + 1;
        }
    }
}

QString JoinNameList(const QStringList& names, const QString& leaveOut) {
    const QString leftOut = FoldNickname(leaveOut);
    QStringList kept;
    for (const QString& name : names) {
        if (leaveOut.isEmpty() || FoldNickname(name) != leftOut)
            kept << name;
    }
    if (kept.size() <= 1)
        return kept.isEmpty() ? QString() : kept.front();
    const QString last = kept.takeLast();
    return kept.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

quint32 HexTextToInt(QStringView text) {
    quint32 value = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        quint32 digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}

namespace {
bool isAsciiLetterOrDigit(QChar ch) {
    const char16_t c = ch.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
} // namespace

bool IsValidUserName(QStringView text) {
    if (text.isEmpty() || text.size() > kMaxUserNameLength)
        return false;
    for (const QChar ch : text) {
        if (!isAsciiLetterOrDigit(ch))
            return false;
    }
    return true;
}

QString NormalizeUserName(QStringView text) {
    QString name;
    for (const QChar ch : text) {
        if (name.size() == kMaxUserNameLength)
            break;
        if (isAsciiLetterOrDigit(ch))
            name += ch;
    }
    return name;
}

QString FoldNickname(QStringView nickname) {
    QString folded = nickname.toString();
    for (QChar& ch : folded) {
        if (ch.unicode() >= u'a' && ch.unicode() <= u'z')
            ch = QChar(char16_t(ch.unicode() - u'a' + u'A'));
    }
    return folded;
}

bool SameNickname(QStringView a, QStringView b) {
    return a.size() == b.size() && FoldNickname(a) == FoldNickname(b);
}

namespace {
QString twoDigits(int number) { return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')); }
} // namespace

QString CurrentTimeStampText() { return TimeStampText(QDateTime::currentDateTime()); }

QString TimeStampText(const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    return QStringLiteral("%1/%2/%3:%4%5")
        .arg(QString::number(date.year()), twoDigits(date.month()),
             twoDigits(date.day()), twoDigits(clock.hour()), twoDigits(clock.minute()));
}

QString FormatLocalTimeStamp(int mode) { return FormatLocalTimeStamp(mode, QDateTime::currentDateTime()); }

QString FormatLocalTimeStamp(int mode, const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    const QString dateText =
        QStringLiteral("%1-%2-%3").arg(QString::number(date.year()), twoDigits(date.month()), twoDigits(date.day()));
    const QString timeText =
        QStringLiteral("%1:%2:%3").arg(twoDigits(clock.hour()), twoDigits(clock.minute()), twoDigits(clock.second()));
    if (mode == 0)
        return dateText;
    if (mode == 1)
        return timeText;
    return dateText + u' ' + timeText;
}

bool RemoveFile(const QString& path, bool clearReadOnlyFirst) {
    const QFileInfo info(path);
    if (path.isEmpty() || (info.isDir() && !info.isSymLink()))
        return false;
    if (clearReadOnlyFirst && info.exists() && !info.isSymLink())
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool FormatSystemResources(QString& memoryText, QString& diskText) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        memoryText = QStringLiteral("%1 KB total").arg(QLocale(QLocale::English).toString(quint64(pages) * quint64(pageSize) / 1024));
    else
        memoryText = QStringLiteral("cannot be read");

    struct statvfs disk {};
    if (::statvfs(".", &disk) != 0) {
        diskText = QStringLiteral("cannot be read");
        return false;
    }
    diskText = QStringLiteral("%1 KB free").arg(QLocale(QLocale::English).toString(quint64(disk.f_bavail) * quint64(disk.f_frsize) / 1024));
    return true;
}
