#include "prefs/TipsFile.h"

#include "platform/Cp1252.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStringDecoder>

#include <ctime>

namespace {
// Enough bytes for 1000 characters of UTF-8; the rest of a longer line is skipped.
constexpr qint64 kMaxLineBytes = 4 * CTipsFile::kMaxLineLength + 8;
} // namespace

bool CTipsFile::Open(const QString& path) {
    m_file.close();
    if (path.isEmpty())
        return false;
    m_file.setFileName(path);
    if (!QFileInfo(path).isFile())
        return false;
    return m_file.open(QIODevice::ReadOnly);
}

QString CTipsFile::ModificationTimeText() const {
    const QFileInfo info(m_file.fileName());
    const std::time_t seconds = std::time_t(info.lastModified().toSecsSinceEpoch());
    char buffer[64] = {};
    if (!::ctime_r(&seconds, buffer))
        return QString();
    return QString::fromLatin1(buffer).trimmed();
}

bool CTipsFile::Seek(qint64 position) {
    if (!m_file.isOpen() || position < 0)
        return false;
    return m_file.seek(position);
}

bool CTipsFile::IsTipLine(QStringView line) {
    if (line.isEmpty())
        return false;
    const QChar first = line.front();
    return first != u' ' && first != u'\t' && first != u'\n' && first != u'\r' && first != u';';
}

QString CTipsFile::DecodeLine(const QByteArray& bytes) {
    QByteArray raw = bytes;
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3); // a byte order mark is no part of the first tip
    // Not stateless: a character cut off at the end of an overlong line is left out, not an error.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(raw);
    if (utf8.hasError())
        text = platform::cp1252::decode(raw);
    // The line end and any white space before it ('\r' of "\r\n" among it).
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    text.truncate(end);
    if (text.size() > kMaxLineLength)
        text.truncate(kMaxLineLength);
    return text;
}

bool CTipsFile::readLine(QByteArray& line, bool& error) {
    line.clear();
    error = false;
    if (m_file.atEnd())
        return false;
    char chunk[1024];
    bool any = false;
    while (true) {
        const qint64 n = m_file.readLine(chunk, sizeof chunk);
        if (n < 0) {
            error = !m_file.atEnd();
            return any && !error;
        }
        if (n == 0)
            return any;
        any = true;
        if (line.size() < kMaxLineBytes)
            line.append(chunk, int(qMin<qint64>(n, kMaxLineBytes - line.size())));
        if (chunk[n - 1] == '\n' || m_file.atEnd())
            return true;
    }
}

CTipsFile::Result CTipsFile::NextTip(QString& tip) {
    if (!m_file.isOpen())
        return Result::ReadError;
    int endsReached = 0;
    QByteArray bytes;
    while (true) {
        bool error = false;
        if (!readLine(bytes, error)) {
            if (error)
                return Result::ReadError;
            // At the end: once back to the beginning; a second end means a whole pass found nothing.
            if (++endsReached >= 2)
                return Result::NoTips;
            if (!m_file.seek(0))
                return Result::ReadError;
            continue;
        }
        const QString line = DecodeLine(bytes);
        if (IsTipLine(line)) {
            tip = line;
            return Result::Tip;
        }
    }
}
