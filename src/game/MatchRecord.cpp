#include "game/MatchRecord.h"

#include <algorithm>

bool CMatchRecordEntry::IsMove() const {
    return type == CMatchRecord::kMovePacketType;
}

const CMatchRecordEntry* CMatchRecord::GetPacket(int index) const {
    return index >= 0 && index < GetCount() ? &m_entries[index] : nullptr;
}

int CMatchRecord::Add(CMatchRecordEntry entry) {
    if (entry.IsMove())
        ++m_moveCount;
    m_entries.push_back(std::move(entry));
    return GetCount() - 1;
}

void CMatchRecord::Clear() {
    m_entries.clear();
    m_marks.clear();
    m_moveCount = 0;
}

bool CMatchRecord::IsNonMoveEntry(int index) const {
    const CMatchRecordEntry* entry = GetPacket(index);
    return entry && !entry->IsMove();
}

int CMatchRecord::GetMoveEntryIndex(int moveNumber) const {
    return std::clamp(moveNumber, 0, GetCount());
}

bool CMatchRecord::GetMoveText(int index, QString& command) const {
    command.clear();
    const CMatchRecordEntry* entry = GetPacket(index);
    int sequence = 0;
    return entry && entry->IsMove() && SplitMoveText(entry->payload, sequence, command);
}

int CMatchRecord::GetMoveMark(int index) const {
    return index >= 0 && index < GetMarkCount() ? m_marks[index] : 0;
}

bool CMatchRecord::SetMoveMark(int index, int mark) {
    if (index < 0 || index >= GetCount())
        return false;
    if (index >= GetMarkCount())
        m_marks.resize(index + 1, 0);
    m_marks[index] = mark;
    return true;
}

bool CMatchRecord::AppendMoveMark(int index, int mark) {
    return index >= GetMarkCount() && SetMoveMark(index, mark);
}

bool CMatchRecord::SplitMoveText(const QString& payload, int& sequence, QString& command) {
    const QString text = payload.trimmed();
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank <= 0)
        return false;
    bool ok = false;
    sequence = text.left(blank).toInt(&ok);
    if (!ok || sequence < 1)
        return false;
    command = text.mid(blank + 1).trimmed();
    return !command.isEmpty();
}

QString CMatchRecord::JoinMoveText(int sequence, const QString& command) {
    return QString::number(sequence) + QLatin1Char(' ') + command;
}
