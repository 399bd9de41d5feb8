#pragma once

#include "session/LobbyUserMap.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The user records a relation list's window owns, one per listed player, in list order. The list
// control shows them but does not own them; a record lives until it is taken out or the list is
// cleared.
class CRelationRecords {
public:
    enum class Match { Exactly, IgnoringCase };

    // The record of that nickname, null when none.
    CClientUserInfo* Find(const QString& nickname, Match match) const;
    // Appends a record for the nickname -> it.
    CClientUserInfo* Append(const QString& nickname);
    void Clear() { m_records.clear(); }
    int Count() const { return int(m_records.size()); }
    CClientUserInfo* At(int index) const { return m_records[size_t(index)].get(); }
    QStringList Nicknames() const;

    // The words of typed text that are not listed yet, after sign and a blank ("+ bob carol"); empty
    // when no word was taken.
    QString ChangeText(const QString& sign, const QString& typed, Match match) const;

private:
    std::vector<std::unique_ptr<CClientUserInfo>> m_records;
};
