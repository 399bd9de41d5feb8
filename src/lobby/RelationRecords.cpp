#include "lobby/RelationRecords.h"

#include "support/NoCaseStringMap.h"

CClientUserInfo* CRelationRecords::Find(const QString& nickname, Match match) const {
    const QString folded = match == Match::IgnoringCase ? FoldNickname(nickname) : nickname;
    for (const auto& record : m_records) {
        const QString& name = record->GetNickname();
        if (match == Match::Exactly ? name == nickname : FoldNickname(name) == folded)
            return record.get();
    }
    return nullptr;
}

CClientUserInfo* CRelationRecords::Append(const QString& nickname) {
    m_records.push_back(std::make_unique<CClientUserInfo>(nickname));
    return m_records.back().get();
}

QStringList CRelationRecords::Nicknames() const {
    QStringList names;
    for (const auto& record : m_records)
        names.append(record->GetNickname());
    return names;
}

QString CRelationRecords::ChangeText(const QString& sign, const QString& typed, Match match) const {
    QString text = sign + QLatin1Char(' ');
    bool taken = false;
    for (const QString& word : typed.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (Find(word, match))
            continue;
        text += word + QLatin1Char(' ');
        taken = true;
    }
    return taken ? text.trimmed() : QString();
}
