#pragma once

#include "session/RelationPackets.h"
#include "support/NoCaseStringMap.h"

#include <QString>
#include <QStringList>

#include <array>

// The relation lists (gagged, friends, blinded) of every member the development server has seen,
// kept in memory for the server's life so that members find their lists again when they come back.
class CRelationStore {
public:
    using List = RelationPacket::List;

    // Applies a request text ("~ <nickname> =", "+ names" or "- names") from the member owner to his
    // list -> false, with a reason for the log, when the text is not a request of his. Nicknames that
    // are not valid, the owner himself, names already listed (when adding) and names not listed (when
    // removing) are passed over.
    bool Apply(const QString& owner, List list, const QString& request, QString* reason = nullptr);

    // The list packet body: "~ <owner> =" and the nicknames, each after a blank.
    QString FormatList(const QString& owner, List list) const;
    const QStringList& Names(const QString& owner, List list) const;
    bool Contains(const QString& owner, List list, const QString& nickname) const;

private:
    using Lists = std::array<QStringList, 3>;
    CNoCaseStringMap<Lists> m_members;
};
