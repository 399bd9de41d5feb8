#pragma once

#include "net/ServicePackets.h"

#include <QString>

#include <algorithm>
#include <vector>

// One packet of a match as the match record keeps it: its effective type (217 for moves), its payload
// and, for routed packets, the sender's name.
struct CMatchRecordEntry {
    int type = 0;
    QString payload;
    QString source;

    int GetEffectiveType() const { return type; }
    const QString& GetPayload() const { return payload; }
    const QString& GetSourceName() const { return source; }
    bool IsMove() const;
};

// The ordered packets of one match with the print mark of each entry. Every index is a position in
// the packet list; reads out of range give nothing instead of failing.
class CMatchRecord {
public:
    static constexpr int kMovePacketType = ServicePacket::Move;

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // The entry at the index, null out of range.
    const CMatchRecordEntry* GetPacket(int index) const;
    // Appends an entry -> its index.
    int Add(CMatchRecordEntry entry);
    // Makes room for count entries in all, so that a record read whole grows in one step.
    void Reserve(int count) { m_entries.reserve(size_t(std::max(count, 0))); }
    void Clear();

    // Nonzero when the index is in range and the entry is not a move.
    bool IsNonMoveEntry(int index) const;
    // The entry index of a move number: entries and moves share one index, so this clamps to 0..count.
    int GetMoveEntryIndex(int moveNumber) const;
    // The game command of a move entry without its sequence number; false (empty) for other entries.
    bool GetMoveText(int index, QString& command) const;
    // The number of move entries.
    int GetMoveCount() const { return m_moveCount; }

    // Print marks: 0 past the end of the mark list.
    int GetMoveMark(int index) const;
    int GetMarkCount() const { return static_cast<int>(m_marks.size()); }
    // Sets the mark of an entry, extending the mark list as needed; false when there is no such entry.
    bool SetMoveMark(int index, int mark);
    // The same, only for an index at or past the end of the mark list (marks already set stay).
    bool AppendMoveMark(int index, int mark);

    // "<sequence> <command>" -> its parts; false when the text is not of that form.
    static bool SplitMoveText(const QString& payload, int& sequence, QString& command);
    static QString JoinMoveText(int sequence, const QString& command);

private:
    std::vector<CMatchRecordEntry> m_entries;
    std::vector<int> m_marks;
    int m_moveCount = 0;
};
