#include "RelationStore.h"

#include "support/Utilities.h"
#include "support/Utilities.h"

#include <algorithm>

namespace {

bool containsName(const QStringList& names, const QString& nickname) {
    return std::any_of(names.begin(), names.end(),
                       [&](const QString& n) { return SameNickname(n, nickname); });
}

} // namespace

bool CRelationStore::Apply(const QString& owner, List list, const QString& request, QString* reason) {
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    QStringList words;
    SplitToStringList(words, request, u" \t\r\n");
    if (words.size() < 3 || words[0] != QLatin1String("~"))
        return fail(QStringLiteral("not a relation request"));
    // The sender is the connection's member, whatever the text says.
    if (!SameNickname(words[1], owner))
        return fail(QStringLiteral("a request about the lists of %1").arg(words[1]));
    const QString sign = words[2];
    if (sign == QLatin1String("="))
        return true;
    if (sign != QLatin1String("+") && sign != QLatin1String("-"))
        return fail(QStringLiteral("an unknown sign %1").arg(sign));
    QStringList& names = m_members[owner][size_t(list)];
    for (const QString& name : words.mid(3)) {
        if (!IsValidUserName(name) || SameNickname(name, owner))
            continue;
        if (sign == QLatin1String("+")) {
            if (!containsName(names, name))
                names.append(name);
        } else {
            names.removeIf([&](const QString& n) { return SameNickname(n, name); });
        }
    }
    return true;
}

const QStringList& CRelationStore::Names(const QString& owner, List list) const {
    static const QStringList none;
    const Lists* lists = m_members.Find(owner);
    return lists ? (*lists)[size_t(list)] : none;
}

bool CRelationStore::Contains(const QString& owner, List list, const QString& nickname) const {
    return containsName(Names(owner, list), nickname);
}

QString CRelationStore::FormatList(const QString& owner, List list) const {
    QString body = RelationPacket::FormatRequest(owner, QStringLiteral("="));
    for (const QString& name : Names(owner, list))
        body += QLatin1Char(' ') + name;
    return body;
}
