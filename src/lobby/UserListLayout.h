#pragma once

#include "lobby/UserListColumns.h"

#include <QString>

#include <array>
#include <vector>

class CSettingsStore;

// The column layout of one kind of player list, kept in the list's settings section: which columns
// are shown, in which order, how wide, how aligned, and how the rows are sorted.
//
// Stored texts (each number followed by one blank):
//   "Column InformationV5"  shown, width and alignment of columns 0 to 14 (45 numbers)
//   "Column SortingV5"      the sort column, then the fifteen directions (1 ascending)
//   "Column IndicesV5"      the display order: fifteen column numbers; hidden columns keep their
//                           places in it
// with "nVersion" 5. Version 4 stored fourteen columns under "Column InformationV4" and
// "Column IndicesV4"; it is read once and moved on by the club-column rule.
struct CUserListLayout {
    static constexpr int kColumns = UserListColumn::kCount;
    using Row = std::array<int, kColumns>;

    Row order{};     // display order: column numbers
    Row width{};     // pixels
    Row shown{};     // 0 or 1
    Row alignment{}; // UserListAlign
    Row ascending{}; // 0 or 1
    int sortColumn = 0;

    // Everything zero, the order 0 to 14.
    CUserListLayout();

    bool operator==(const CUserListLayout&) const = default;

    QString InformationText() const;
    QString SortingText() const;
    QString IndicesText() const;

    // Read as many numbers of the text as there are and parse, in order; the rest keep their values.
    // Reading stops at the first word that is not a number.
    void ReadInformation(const QString& text, int count);
    void ReadSorting(const QString& text);
    void ReadIndices(const QString& text, int count);

    // Makes a stored layout safe to use: the order becomes a permutation of the fifteen columns (the
    // first place of each column is kept, unknown numbers and repeats are dropped, missing columns
    // follow in the order of fallback), the sort column a valid one (fallback's when it is not),
    // widths no less than 0, flags 0 or 1, alignments known ones. -> whether anything changed.
    bool Repair(const CUserListLayout& fallback);

    // The shown columns in display order.
    std::vector<int> ShownInOrder() const;
};

// The one-time rule that put the club column (14) behind the country column (3) when it was added:
// every 14 is dropped, a 14 is written after each 3, or after the fourth number when the text has no
// "3 ", or at the end when neither placed it. Each number is followed by a blank.
QString MoveClubColumn(const QString& indices);

// A stored order is usable only when it names column 0: the text with every "10" removed must still
// hold a "0".
bool IsIndicesTextValid(const QString& indices);

// The watermark's tint from the list's background colour: on a dark background (no component above
// 96) each component is raised by 32 when above 64, else by 64; otherwise the components above 96 are
// lowered by 32 when below 128, else by 16.
platform::COLORREF MakeWatermarkColour(platform::COLORREF background);

// What LoadUserListLayout found besides the layout.
struct CUserListLayoutLoad {
    // The stored order did not name column 0: the caller restores the defaults.
    bool needsDefaults = false;
};

// Reads the layout of a section over layout (what is not stored keeps its value), applying the
// club-column rule once per section, hiding column 8 and repairing what was stored with the help of
// the defaults.
CUserListLayoutLoad LoadUserListLayout(CSettingsStore& settings, const QString& section,
                                       CUserListLayout& layout, const CUserListLayout& defaults);
// Writes "nVersion", "Column InformationV5", "Column SortingV5" and "Column IndicesV5".
void SaveUserListLayout(CSettingsStore& settings, const QString& section, const CUserListLayout& layout);
