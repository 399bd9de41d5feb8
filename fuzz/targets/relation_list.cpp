// Relation lists (packets 189, 202, 235): every entry has a nickname that could be a user's.

#include "FuzzTarget.h"

#include "lobby/RelationList.h"

NORVALE_FUZZ_TARGET(relation_list)(const uint8_t* data, size_t size) {
    const QString body = QString::fromLatin1(fuzz::Bytes(data, size));
    const QList<CRelationEntry> entries = ParseRelationList(body);
    fuzz::Check(entries.size() <= body.size(), "more entries than characters");
    for (const CRelationEntry& entry : entries) {
        fuzz::Check(!entry.nickname.isEmpty(), "an entry without a nickname");
        for (const QChar ch : entry.nickname)
            fuzz::Check(ch != u' ' && ch != u'\n' && ch != u'\r' && ch != u'\t', "white space in a nickname",
                        entry.nickname);
    }
}
