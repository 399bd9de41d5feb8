#include "net/SysLog.h"

#include <QDateTime>
#include <QFile>

void CSysLog::Write(int level, const QString& line) {
    if (level > m_level || level <= Off)
        return;
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    m_recent.append(text);
    if (m_recent.size() > kKeptLines)
        m_recent.removeFirst();
    if (m_sink)
        m_sink(level, text);
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    file.write((stamp + QLatin1Char(' ') + text + QLatin1Char('\n')).toUtf8());
}
