#pragma once

#include <QString>
#include <QStringList>

// The filter of a ranking request: how many entries, which ranking (top, bottom, around a player,
// from a place on) and around whom. Kept in a settings section between requests.
class CRankingQuery {
public:
    int nEntries = 10;
    int nRankingOption = 0;
    int nRankingOrigin = 0;
    int nFixedRanking = 0;
    QString strNamedRanking = QStringLiteral("UserName");
    // Further fields the game module adds to the request, each sent quoted after the named ranking.
    QStringList further;

    // Reads and writes the first five fields (defaults 10, 0, 0, 0, "UserName").
    void Load(const QString& section);
    void Save(const QString& section) const;

    // "<entries> <option> <origin> <fixed> \"<named>\"" and the further quoted fields, blank-separated.
    QString FormatRequest() const;
};
