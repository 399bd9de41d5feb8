#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The client node's diagnostic log (the ".syslog" file). Lines at or below the level set by
// "nSyslogLevel" (section "Client") are written; the latest lines are also kept in memory.
class CSysLog {
public:
    enum Level { Off = 0, Errors = 1, Events = 2, Packets = 3 };

    void SetLevel(int level) { m_level = level; }
    int GetLevel() const { return m_level; }
    // The file the lines are appended to; empty keeps them in memory only.
    void SetFilePath(const QString& path) { m_path = path; }
    const QString& GetFilePath() const { return m_path; }
    // Also hands every written line to a sink (tests, a console).
    void SetSink(std::function<void(int level, const QString& line)> sink) { m_sink = std::move(sink); }

    void Write(int level, const QString& line);
    // The latest lines written (at most kKeptLines).
    const QStringList& RecentLines() const { return m_recent; }

    static constexpr int kKeptLines = 200;

private:
    int m_level = Errors;
    QString m_path;
    QStringList m_recent;
    std::function<void(int, const QString&)> m_sink;
};
