#pragma once

#include "session/ServiceName.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <map>
#include <set>

// The unfinished matches of the development server: a game room that all its players had entered
// and one of them left. Each has a key ("M1", "M2" ...) and an entry "<key> <room> <details>"; it
// goes when the match is resumed or replaced by a new match of the same players.
//
// Every entry is indexed by its key, its room and each of its players (room names parsed once, when
// it is stored): what a login or a directory entry asks costs the asker's own entries, never a walk
// over all of them.
class CUnfinishedMatchStore {
public:
    // A player left the room while every player of it was there -> the players whose list changed.
    // The entry's details are the score ("<length> <score> <score>") when given, and the time.
    QStringList MatchLeft(const CServiceName& room, const QString& score = QString());
    // The key is gone (resumed or replaced) -> the players whose list changed.
    QStringList Remove(const QString& key);
    // Whether the key names an unfinished match of that room's players (in either seat).
    bool IsMatchOf(const QString& key, const CServiceName& room) const;
    // The transfer text of a room entry ("<room> ResumeMatch <key> ..." or "<room> !<key> <terms>")
    // -> the key it resumes or replaces, empty when none.
    static QString KeyOfTransfer(const QString& transferText);
    // Packet 233's body for that player: "~ <nickname> = " then his entries, oldest first, separated
    // by tabs.
    QString FormatList(const QString& nickname) const;
    int CountFor(const QString& nickname) const;
    // The key of the room's unfinished match, empty when it holds none.
    QString KeyOfRoom(const CServiceName& room) const;
    // Whether the two have an unfinished match together.
    bool Between(const QString& a, const QString& b) const;
    int Count() const { return int(m_matches.size()); }

private:
    struct Match {
        QString key;
        QString room;             // its base name as the first player to leave it wrote it
        QString details;
        QStringList foldedPlayers; // the room's parts, folded
    };
    // The serials of a player's entries, oldest first.
    const std::set<quint64>* entriesOf(const QString& nickname) const;

    std::map<quint64, Match> m_matches; // by serial: the order they were left in
    QHash<QString, quint64> m_byKey;
    QHash<QString, quint64> m_byRoom;                  // folded base name
    QHash<QString, std::set<quint64>> m_byPlayer;      // folded nickname
    quint64 m_nextKey = 1;
};
