#pragma once

#include <QList>
#include <QString>

// One entry of a relation list as the database service sends it.
struct CRelationEntry {
    QString nickname;
    QString text; // the rest of the entry's line in the line form; the nickname itself in the word form
};

// Reads the body of a relation list (packets 189, 202, 235). Three words come first and are skipped;
// the fourth decides the form:
//  - word form: it and the words after it are the nicknames, up to the first empty word (so two
//    adjacent blanks end the list);
//  - "@", line form: every following line is "<nickname> <text>", up to the first line that starts
//    with a blank or is empty (a blank rest of the "@" line itself is passed over).
// Words end at blanks and at line feeds, carriage returns are ignored, and words that cannot be
// nicknames are left out, so a damaged list never yields a key that no user can have. Entries come in
// the order received; the same nickname may come more than once.
QList<CRelationEntry> ParseRelationList(const QString& body);
