#include "session/CommandHistory.h"

#include <algorithm>

void CCommandHistory::Add(const QString& line) {
    m_lines.removeOne(line);
    m_lines.append(line);
    if (m_lines.size() > kMaxLines)
        m_lines.removeFirst();
    Reset();
}

QString CCommandHistory::Previous() {
    return moveTo(m_position - 1);
}

QString CCommandHistory::Next() {
    return moveTo(m_position + 1);
}

QString CCommandHistory::moveTo(int position) {
    m_position = std::clamp(position, 0, int(m_lines.size()));
    return m_position < m_lines.size() ? m_lines.at(m_position) : QString();
}
