#include "session/ServiceName.h"

#include "support/Utilities.h"

CServiceName CServiceName::ConstructFromList(const QString& base, const QStringList& list) {
    QString text = QLatin1Char('.') + base;
    for (const QString& part : list)
        text += QLatin1Char('.') + part;
    return CServiceName(text);
}

QString CServiceName::GetBaseName() const {
    // The hidden tail starts at the first dot that is followed by '$' or '#'.
    for (qsizetype i = 0; i + 1 < m_text.size(); ++i) {
        if (m_text[i] == QLatin1Char('.') &&
            (m_text[i + 1] == QLatin1Char('$') || m_text[i + 1] == QLatin1Char('#')))
            return m_text.left(i);
    }
    return m_text;
}

QStringList CServiceName::pieces() const {
    QString base = GetBaseName();
    if (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    if (base.isEmpty())
        return {};
    return base.split(QLatin1Char('.'));
}

QString CServiceName::GetFirstPart() const {
    return GetPart(-1);
}

QString CServiceName::GetPart(int index) const {
    const QStringList p = pieces();
    const qsizetype at = qsizetype(index) + 1;
    return at >= 0 && at < p.size() ? p[at] : QString();
}

int CServiceName::CountParts() const {
    const QStringList p = pieces();
    int count = 0;
    for (qsizetype i = 1; i < p.size(); ++i)
        count += p[i].isEmpty() ? 0 : 1;
    return count;
}

int CServiceName::FindPart(const QString& word) const {
    const QStringList p = pieces();
    for (qsizetype i = 1; i < p.size(); ++i) {
        if (SameNickname(p[i], word))
            return int(i - 1);
    }
    return -1;
}

QStringList CServiceName::GetPartList() const {
    QStringList p = pieces();
    if (!p.isEmpty())
        p.removeFirst();
    return p;
}

QString CServiceName::GetPartsText() const {
    QString text;
    for (const QString& part : GetPartList())
        text += part + QLatin1Char(' ');
    return text;
}

QString CServiceName::GetDisplayName() const {
    const QString word = GetFirstPart();
    if (SameNickname(word, u"Private"))
        return QStringLiteral("Private Match");
    if (SameNickname(word, QString::fromLatin1(kLobbyWord)))
        return QStringLiteral("Backgammon Lobby");
    QStringList players = GetPartList();
    players.removeAll(QString());
    if (SameNickname(word, u"gb") || SameNickname(word, u"gp")) {
        if (players.size() == 2 && SameNickname(players[0], u"CONTEST_ID"))
            return QStringLiteral("Contest %1").arg(players[1]);
        const QString match = players.join(QStringLiteral(" vs. "));
        if (SameNickname(word, u"gp"))
            return match.isEmpty() ? QStringLiteral("Proposition")
                                   : QStringLiteral("Proposition: %1").arg(match);
        return match.isEmpty() ? QStringLiteral("Backgammon") : match;
    }
    return word;
}

bool CServiceName::IsSameService(const CServiceName& other) const {
    return SameNickname(GetBaseName(), other.GetBaseName());
}
