#pragma once

#include "platform/Win32Codes.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <compare>
#include <optional>

class CClientUserInfo;

// The fifteen fixed columns of every player list. Each list names them itself (GetColumnTitles);
// what a cell shows, how rows compare and which field changes move a row are the same everywhere.
namespace UserListColumn {
enum : int {
    Nickname = 0,
    Status = 1,
    Gender = 2,
    Country = 3,
    Rating = 4,
    Experience = 5,
    Money = 6,
    Unfinished = 7,
    PlayPreferences = 8,
    FullName = 9,
    Email = 10,
    Score = 11,
    Location = 12,
    Spare = 13, // shows nothing; sorts by rating
    Club = 14,
};
constexpr int kCount = 15;

constexpr bool IsValid(int column) {
    return column >= 0 && column < kCount;
}

// The change-mask bits of the fields a column's sort key is made of: a change with any of them
// moves the row. The status text follows presence and activity, the location text the location
// and the match privacy, the score text those and the game descriptor. 0: the key never changes.
quint32 ResortMask(int column);
} // namespace UserListColumn

// Text alignment of a column (the values the layout stores).
namespace UserListAlign {
constexpr int Left = 0;
constexpr int Centre = 1;
constexpr int Right = 2;
} // namespace UserListAlign

// Three-way comparison without regard to the case of ASCII letters; A-Z compare as a-z, so '_'
// sorts before letters. Other characters compare by their UTF-16 code units.
int CompareNoCase(QStringView a, QStringView b);

// Ascending three-way comparison of two users by a column's key (text columns without regard to
// case, numbers numerically; a rating that is not a number sorts below every number).
int CompareUsersByColumn(const CClientUserInfo& a, const CClientUserInfo& b, int column);

// A number a column orders by: users compare as their keys do (tier first). A busy list sorts on
// keys taken once per user instead of reading two records at every comparison.
struct UserSortKey {
    int tier = 0;
    double value = 0;
    auto operator<=>(const UserSortKey&) const = default;
};
// The key CompareUsersByColumn orders the column by, ascending; none for the columns of texts.
std::optional<UserSortKey> SortKeyByColumn(const CClientUserInfo& user, int column);

// "%4.2f" above 2.0; "Guest" for 2.0 and less (guests and unrated users).
QString FormatRatingText(float rating);

// The text a column shows for a user (icon columns: none; negative counts: none).
QString UserCellText(const CClientUserInfo& user, int column);

// Status icon resource of a user, 0 for none: presence 2 gives 416 (415 with status flag 0x8000),
// presence 8 gives 414; then activity 4 gives 382 with presence 2 and 381 with presence 4,
// activity 8 gives 418, activity 128 gives 417.
int StatusIconId(const CClientUserInfo& user);
