#include "net/RankingQuery.h"

#include "net/TextFields.h"
#include "support/SettingsStore.h"

void CRankingQuery::Load(const QString& section) {
    const CSettingsStore& store = GetSettingsStore();
    nEntries = store.GetIntEx(section, QStringLiteral("nEntries"), 10);
    nRankingOption = store.GetIntEx(section, QStringLiteral("nRankingOption"), 0);
    nRankingOrigin = store.GetIntEx(section, QStringLiteral("nRankingOrigin"), 0);
    nFixedRanking = store.GetIntEx(section, QStringLiteral("nFixedRanking"), 0);
    strNamedRanking = store.GetString(section, QStringLiteral("strNamedRanking"), QStringLiteral("UserName"));
}

void CRankingQuery::Save(const QString& section) const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(section, QStringLiteral("nEntries"), nEntries);
    store.WriteInt(section, QStringLiteral("nRankingOption"), nRankingOption);
    store.WriteInt(section, QStringLiteral("nRankingOrigin"), nRankingOrigin);
    store.WriteInt(section, QStringLiteral("nFixedRanking"), nFixedRanking);
    store.WriteString(section, QStringLiteral("strNamedRanking"), strNamedRanking);
}

QString CRankingQuery::FormatRequest() const {
    CTextFields fields;
    fields.Number(nEntries)
        .Number(nRankingOption)
        .Number(nRankingOrigin)
        .Number(nFixedRanking)
        .Text(strNamedRanking);
    for (const QString& field : further)
        fields.Text(field);
    return fields.str();
}
