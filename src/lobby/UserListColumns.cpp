#include "lobby/UserListColumns.h"

#include "session/LobbyUserMap.h"
#include "session/UserInfo.h"

#include <cmath>

namespace {

template <class T> int ThreeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Numbers first, then whatever is not one.
int CompareRatings(float a, float b) {
    const bool aNumber = !std::isnan(a);
    const bool bNumber = !std::isnan(b);
    if (aNumber != bNumber)
        return aNumber ? 1 : -1;
    return aNumber ? ThreeWay(a, b) : 0;
}

QChar FoldToLower(QChar c) {
    const char16_t u = c.unicode();
    return u >= u'A' && u <= u'Z' ? QChar(char16_t(u + (u'a' - u'A'))) : c;
}

} // namespace

quint32 UserListColumn::ResortMask(int column) {
    switch (column) {
    case Status:
        return UserField::Presence | UserField::Activity;
    case Gender:
        return UserField::GenderIcon;
    case Country:
        return UserField::CountryIcon;
    case Rating:
        return UserField::Rating;
    case Experience:
        return UserField::Experience;
    case Money:
        return UserField::MoneyIcon;
    case Unfinished:
        return UserField::Unfinished;
    case PlayPreferences:
        return UserField::PlayPreferences;
    case FullName:
        return UserField::FullName;
    case Email:
        return UserField::Email;
    case Score:
        return UserField::Location | UserField::GameDescriptor | UserField::MatchPrivacy;
    case Location:
        return UserField::Location | UserField::MatchPrivacy;
    case Club:
        return UserField::Club;
    default:
        return 0;
    }
}

int CompareNoCase(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = FoldToLower(a[i]).unicode();
        const char16_t y = FoldToLower(b[i]).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return ThreeWay(a.size(), b.size());
}

int CompareUsersByColumn(const CClientUserInfo& a, const CClientUserInfo& b, int column) {
    using namespace UserListColumn;
    switch (column) {
    case Nickname:
        return CompareNoCase(a.GetNickname(), b.GetNickname());
    case Status:
        return CompareNoCase(a.GetStatusText(), b.GetStatusText());
    case Gender:
        return ThreeWay(quint32(a.GetGenderIconId()), quint32(b.GetGenderIconId()));
    case Country:
        return ThreeWay(quint32(a.GetCountryIconId()), quint32(b.GetCountryIconId()));
    case Rating:
    case Spare:
        return CompareRatings(a.GetRating(), b.GetRating());
    case Experience:
        return ThreeWay(a.GetExperience(), b.GetExperience());
    case Money:
        return ThreeWay(a.GetMoneyIconId(), b.GetMoneyIconId());
    case Unfinished:
        return ThreeWay(a.GetUnfinishedMatches(), b.GetUnfinishedMatches());
    case PlayPreferences:
        return CompareNoCase(a.GetPlayPreferences(), b.GetPlayPreferences());
    case FullName:
        return CompareNoCase(a.GetFullName(), b.GetFullName());
    case Email:
        return CompareNoCase(a.GetEmail(), b.GetEmail());
    case Score:
        return CompareNoCase(a.GetScoreText(), b.GetScoreText());
    case Location:
        return CompareNoCase(a.GetLocationText(), b.GetLocationText());
    case Club:
        return CompareNoCase(a.GetClub(), b.GetClub());
    default:
        return 0;
    }
}

std::optional<UserSortKey> SortKeyByColumn(const CClientUserInfo& user, int column) {
    using namespace UserListColumn;
    const auto number = [](double value) { return UserSortKey{1, value}; };
    switch (column) {
    case Gender:
        return number(quint32(user.GetGenderIconId()));
    case Country:
        return number(quint32(user.GetCountryIconId()));
    case Rating:
    case Spare:
        // A rating that is not a number sorts below every number.
        return std::isnan(user.GetRating()) ? UserSortKey{0, 0} : number(user.GetRating());
    case Experience:
        return number(user.GetExperience());
    case Money:
        return number(user.GetMoneyIconId());
    case Unfinished:
        return number(user.GetUnfinishedMatches());
    default:
        return std::nullopt;
    }
}

QString FormatRatingText(float rating) {
    if (!(rating > 2.0f))
        return QStringLiteral("Guest");
    return QString::asprintf("%4.2f", double(rating));
}

QString UserCellText(const CClientUserInfo& user, int column) {
    using namespace UserListColumn;
    const auto count = [](int value) { return value < 0 ? QString() : QString::number(value); };
    switch (column) {
    case Nickname:
        return user.GetNickname();
    case Status:
        return user.GetShortStatusText();
    case Rating:
        return FormatRatingText(user.GetRating());
    case Experience:
        return count(user.GetExperience());
    case Unfinished:
        return count(user.GetUnfinishedMatches());
    case PlayPreferences:
        return user.GetPlayPreferences();
    case FullName:
        return user.GetFullName();
    case Email:
        return user.GetEmail();
    case Score:
        return user.GetScoreText();
    case Location:
        return user.GetLocationText();
    case Club:
        return user.GetClub();
    default:
        return QString();
    }
}

int StatusIconId(const CClientUserInfo& user) {
    const int presence = user.GetPresence();
    const int activity = user.GetActivity();
    int icon = 0;
    if (presence == CUserInfo::kPresenceReady)
        icon = (user.GetStatusFlags() & 0x8000) ? 415 : 416;
    else if (presence == CUserInfo::kPresenceAway)
        icon = 414;
    if (activity == CUserInfo::kActivityWatching && presence == CUserInfo::kPresenceReady)
        icon = 382;
    else if (activity == CUserInfo::kActivityWatching && presence == 4)
        icon = 381;
    else if (activity == CUserInfo::kActivityPlaying)
        icon = 418;
    else if (activity == 128)
        icon = 417;
    return icon;
}
