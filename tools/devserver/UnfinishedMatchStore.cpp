#include "UnfinishedMatchStore.h"

#include <QTime>

#include <algorithm>

QStringList CUnfinishedMatchStore::MatchLeft(const CServiceName& room, const QString& score) {
    const CServiceName base(room.GetBaseName());
    for (const Match& match : m_matches) {
        if (match.room.IsSameService(base))
            return {};
    }
    const QString left = QStringLiteral("left at %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm")));
    m_matches.push_back({QStringLiteral("M%1").arg(m_nextKey++), base,
                         score.isEmpty() ? left : score + QLatin1Char(' ') + left});
    return base.GetPartList();
}

QStringList CUnfinishedMatchStore::Remove(const QString& key) {
    for (auto it = m_matches.begin(); it != m_matches.end(); ++it) {
        if (it->key == key) {
            const QStringList players = it->room.GetPartList();
            m_matches.erase(it);
            return players;
        }
    }
    return {};
}

QString CUnfinishedMatchStore::KeyOfTransfer(const QString& transferText) {
    const QStringList words = transferText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 3 && words[1] == QLatin1String("ResumeMatch"))
        return words[2];
    if (words.size() >= 2 && words[1].startsWith(QLatin1Char('!')))
        return words[1].mid(1);
    return QString();
}

QString CUnfinishedMatchStore::FormatList(const QString& nickname) const {
    QStringList entries;
    for (const Match& match : m_matches) {
        if (match.room.HasPart(nickname))
            entries << match.key + QLatin1Char(' ') + match.room.GetText() + QLatin1Char(' ') + match.details;
    }
    return QStringLiteral("~ ") + nickname + QStringLiteral(" = ") + entries.join(QLatin1Char('\t'));
}

int CUnfinishedMatchStore::CountFor(const QString& nickname) const {
    return int(std::count_if(m_matches.begin(), m_matches.end(),
                             [&](const Match& match) { return match.room.HasPart(nickname); }));
}

bool CUnfinishedMatchStore::Between(const QString& a, const QString& b) const {
    return std::any_of(m_matches.begin(), m_matches.end(),
                       [&](const Match& match) { return match.room.HasPart(a) && match.room.HasPart(b); });
}

QString CUnfinishedMatchStore::KeyOfRoom(const CServiceName& room) const {
    const CServiceName base(room.GetBaseName());
    for (const Match& match : m_matches)
        if (match.room.IsSameService(base))
            return match.key;
    return QString();
}
