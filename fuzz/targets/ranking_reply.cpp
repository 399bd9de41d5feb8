// Ranking replies (packet 240) as the ranking service sends them to the rankings window. A reply
// with another cookie is left alone; ours never yields more rows than it announced or than its text
// can hold, and the rows write back to a reply that reads to the same rows.

#include "FuzzTarget.h"

#include "lobby/RankingDlg.h"
#include "net/TextFields.h"

NORVALE_FUZZ_TARGET(ranking_reply)(const uint8_t* data, size_t size) {
    const QString text = QString::fromLatin1(fuzz::Bytes(data, size));
    using Dialog = CBGDisplayRankingDlg;

    const std::optional<std::vector<Dialog::Row>> rows = Dialog::ParseReply(text);
    if (!rows)
        return;
    // A row takes at least two digits and two empty quoted texts.
    fuzz::Check(rows->size() <= size_t(text.size()) / 6, "more rows than the reply can hold", text);

    CTextFields fields;
    fields.Raw(QLatin1String(Dialog::kCookie)).Number(qint64(rows->size()));
    for (const Dialog::Row& row : *rows) {
        // No single-precision number takes more than 39 digits before the point.
        fuzz::Check(Dialog::FormatRating(row.rating).size() <= 48, "a rating shown at length", row.rating);
        fields.Number(row.place).Text(row.nickname).Text(row.rating).Number(row.experience);
    }
    const std::optional<std::vector<Dialog::Row>> again = Dialog::ParseReply(fields.str());
    fuzz::Check(again && again->size() == rows->size(), "the rows do not read back", fields.str());
    for (size_t i = 0; i < rows->size(); ++i) {
        const Dialog::Row& a = (*rows)[i];
        const Dialog::Row& b = (*again)[i];
        fuzz::Check(a.place == b.place && a.nickname == b.nickname && a.rating == b.rating &&
                        a.experience == b.experience,
                    "a row reads back to other values", fields.str());
    }
}
