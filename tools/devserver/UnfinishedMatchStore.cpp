#include "UnfinishedMatchStore.h"

#include "support/Utilities.h"

#include <QTime>

#include <algorithm>

QStringList CUnfinishedMatchStore::MatchLeft(const CServiceName& room, const QString& score) {
    const QString base = room.GetBaseName();
    const QString foldedRoom = FoldNickname(base);
    if (m_byRoom.contains(foldedRoom))
        return {};
    const QString left = QStringLiteral("left at %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm")));
    const quint64 serial = m_nextKey++;
    Match match{QStringLiteral("M%1").arg(serial), base, score.isEmpty() ? left : score + QLatin1Char(' ') + left, {}};
    const QStringList players = CServiceName(base).GetPartList();
    for (const QString& player : players) {
        const QString folded = FoldNickname(player);
        match.foldedPlayers << folded;
        m_byPlayer[folded].insert(serial);
    }
    m_byKey.insert(match.key, serial);
    m_byRoom.insert(foldedRoom, serial);
    m_matches.emplace(serial, std::move(match));
    return players;
}

QStringList CUnfinishedMatchStore::Remove(const QString& key) {
    const auto found = m_byKey.constFind(key);
    if (found == m_byKey.constEnd())
        return {};
    const quint64 serial = *found;
    const auto it = m_matches.find(serial);
    const QStringList players = CServiceName(it->second.room).GetPartList();
    for (const QString& folded : it->second.foldedPlayers) {
        const auto entries = m_byPlayer.find(folded);
        if (entries == m_byPlayer.end())
            continue;
        entries->erase(serial);
        if (entries->empty())
            m_byPlayer.erase(entries);
    }
    m_byRoom.remove(FoldNickname(it->second.room));
    m_byKey.remove(key);
    m_matches.erase(it);
    return players;
}

bool CUnfinishedMatchStore::IsMatchOf(const QString& key, const CServiceName& room) const {
    const auto found = m_byKey.constFind(key);
    if (found == m_byKey.constEnd())
        return false;
    const QStringList& players = m_matches.at(*found).foldedPlayers;
    QStringList parts;
    for (const QString& part : room.GetPartList())
        parts << FoldNickname(part);
    // The same players, each of them: a room naming one of them twice is not theirs.
    return parts.size() == players.size() &&
           std::all_of(parts.begin(), parts.end(), [&](const QString& part) { return players.contains(part); }) &&
           std::all_of(players.begin(), players.end(), [&](const QString& player) { return parts.contains(player); });
}

QString CUnfinishedMatchStore::KeyOfTransfer(const QString& transferText) {
    const QStringList words = transferText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 3 && words[1] == QLatin1String("ResumeMatch"))
        return words[2];
    if (words.size() >= 2 && words[1].startsWith(QLatin1Char('!')))
        return words[1].mid(1);
    return QString();
}

const std::set<quint64>* CUnfinishedMatchStore::entriesOf(const QString& nickname) const {
    if (m_byPlayer.isEmpty())
        return nullptr;
    const auto found = m_byPlayer.constFind(FoldNickname(nickname));
    return found == m_byPlayer.constEnd() ? nullptr : &*found;
}

QString CUnfinishedMatchStore::FormatList(const QString& nickname, qsizetype longest, int* leftOut) const {
    QString list = QStringLiteral("~ ") + nickname + QStringLiteral(" = ");
    int left = 0;
    if (const std::set<quint64>* own = entriesOf(nickname)) {
        bool first = true;
        for (const quint64 serial : *own) {
            const Match& match = m_matches.at(serial);
            const qsizetype length = match.key.size() + match.room.size() + match.details.size() + 2;
            if (left > 0 || list.size() + (first ? 0 : 1) + length > longest) {
                ++left;
                continue;
            }
            if (!first)
                list += QLatin1Char('\t');
            first = false;
            list += match.key + QLatin1Char(' ') + match.room + QLatin1Char(' ') + match.details;
        }
    }
    if (leftOut)
        *leftOut = left;
    return list;
}

int CUnfinishedMatchStore::CountFor(const QString& nickname) const {
    const std::set<quint64>* own = entriesOf(nickname);
    return own ? int(own->size()) : 0;
}

bool CUnfinishedMatchStore::Between(const QString& a, const QString& b) const {
    const std::set<quint64>* ofA = entriesOf(a);
    const std::set<quint64>* ofB = ofA ? entriesOf(b) : nullptr;
    if (!ofB)
        return false;
    // The fewer entries are looked through: each names its players already folded.
    const bool fromA = ofA->size() <= ofB->size();
    const QString other = FoldNickname(fromA ? b : a);
    for (const quint64 serial : fromA ? *ofA : *ofB)
        if (m_matches.at(serial).foldedPlayers.contains(other))
            return true;
    return false;
}

QString CUnfinishedMatchStore::KeyOfRoom(const CServiceName& room) const {
    if (m_byRoom.isEmpty())
        return QString();
    const auto found = m_byRoom.constFind(FoldNickname(room.GetBaseName()));
    return found == m_byRoom.constEnd() ? QString() : m_matches.at(*found).key;
}
