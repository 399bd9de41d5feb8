#pragma once

#include <QString>
#include <QStringList>

// The lines typed into the command lines of one session, oldest first, recalled with the arrow keys.
// A line typed again moves to the end instead of being kept twice; at most 29 lines are kept. The
// position runs from 0 to the line count, the count standing for the empty line after the newest.
class CCommandHistory {
public:
    static constexpr int kMaxLines = 29;

    // Adds a line (an equal one is removed first) and moves the position past the newest.
    void Add(const QString& line);
    // One line back or forward -> the line there, or an empty text past the newest.
    QString Previous();
    QString Next();
    // Moves the position past the newest line.
    void Reset() { m_position = int(m_lines.size()); }

    int GetCount() const { return int(m_lines.size()); }
    int GetPosition() const { return m_position; }
    const QStringList& GetLines() const { return m_lines; }

private:
    QString moveTo(int position);

    int m_position = 0;
    QStringList m_lines;
};
