#pragma once

#include "session/ServiceName.h"

#include <QString>
#include <QStringList>

#include <vector>

// The unfinished matches of the development server: a game room that all its players had entered
// and one of them left. Each has a key ("M1", "M2" ...) and an entry "<key> <room> <details>"; it
// goes when the match is resumed or replaced by a new match of the same players.
class CUnfinishedMatchStore {
public:
    // A player left the room while every player of it was there -> the players whose list changed.
    // The entry's details are the score ("<length> <score> <score>") when given, and the time.
    QStringList MatchLeft(const CServiceName& room, const QString& score = QString());
    // The key is gone (resumed or replaced) -> the players whose list changed.
    QStringList Remove(const QString& key);
    // The transfer text of a room entry ("<room> ResumeMatch <key> ..." or "<room> !<key> <terms>")
    // -> the key it resumes or replaces, empty when none.
    static QString KeyOfTransfer(const QString& transferText);
    // Packet 233's body for that player: "~ <nickname> = " then his entries, separated by tabs.
    QString FormatList(const QString& nickname) const;
    int CountFor(const QString& nickname) const;
    // The key of the room's unfinished match, empty when it holds none.
    QString KeyOfRoom(const CServiceName& room) const;
    // Whether the two have an unfinished match together.
    bool Between(const QString& a, const QString& b) const;

private:
    struct Match {
        QString key;
        CServiceName room;
        QString details;
    };
    std::vector<Match> m_matches;
    int m_nextKey = 1;
};
