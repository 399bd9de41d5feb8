#include "prefs/MatchBoardQuery.h"

#include "support/PacketText.h"
#include "support/SettingsStore.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

const QString kSection = QString::fromLatin1(CMatchBoardQuery::kSection);

// The thirteen stored group flags, in the order they are saved.
struct GroupFlag {
    const char* name;
    int CMatchBoardQuery::*field;
    bool defaultValue;
};

constexpr GroupFlag kGroupFlags[] = {
    {"bTrackAllGroups", &CMatchBoardQuery::trackAllGroups, false},
    {"bAffinityList", &CMatchBoardQuery::friends, true},
    {"bTrackGuides", &CMatchBoardQuery::guides, true},
    {"bTrackLeagueMembers", &CMatchBoardQuery::leagueMembers, false},
    {"bTrackMemberHelp", &CMatchBoardQuery::memberHelp, true},
    {"bTrackRobot", &CMatchBoardQuery::robots, true},
    {"bTrackSelf", &CMatchBoardQuery::self, true},
    {"bTrackSupport", &CMatchBoardQuery::support, true},
    {"bTrackSysops", &CMatchBoardQuery::sysops, true},
    {"bTrackTournamentStaff", &CMatchBoardQuery::tournamentStaff, true},
    {"bUnfinishedMatch", &CMatchBoardQuery::unfinishedMatch, true},
    {"bMoneyPlayers", &CMatchBoardQuery::moneyPlayers, true},
    {"bClubMembers", &CMatchBoardQuery::clubMembers, true},
};

// The fourteen group words of the server's text, in its order.
constexpr int CMatchBoardQuery::*kTextGroupWords[] = {
    &CMatchBoardQuery::friends,        &CMatchBoardQuery::unfinishedMatch, &CMatchBoardQuery::trackGroups,
    &CMatchBoardQuery::sysops,         &CMatchBoardQuery::guides,          &CMatchBoardQuery::tournamentStaff,
    &CMatchBoardQuery::support,        &CMatchBoardQuery::memberHelp,      &CMatchBoardQuery::robots,
    &CMatchBoardQuery::self,           &CMatchBoardQuery::leagueMembers,   &CMatchBoardQuery::trackAllGroups,
    &CMatchBoardQuery::moneyPlayers,   &CMatchBoardQuery::clubMembers,
};

void appendNumber(QString& out, qint64 number) {
    out += u' ';
    WritePacketInt(out, number);
}

} // namespace

int CMatchBoardQuery::MaxSize() {
    return std::max(kMinSize, GetSettingsStore().GetIntEx(kSection, QStringLiteral("nMaxQuerySize"), kDefaultSize));
}

void CMatchBoardQuery::Load(bool withGroups) {
    const CSettingsStore& store = GetSettingsStore();
    // Only two origins exist; anything else stored there is taken as the default.
    origin = store.GetIntEx(kSection, QStringLiteral("eQueryOrigin"), 0) == 1 ? 1 : 0;
    SetCentreFromText(store.GetString(kSection, QStringLiteral("szQueryCentre"), QStringLiteral("1500")));
    size = std::clamp(store.GetIntEx(kSection, QStringLiteral("nQuerySize"), kDefaultSize), kMinSize, MaxSize());
    statusMask = store.GetUInt(kSection, QStringLiteral("unQueryStatus"), kAny);
    actionMask = store.GetUInt(kSection, QStringLiteral("unQueryAction"), kAny);
    trackGroups = withGroups ? 1 : 0;
    for (const GroupFlag& flag : kGroupFlags)
        this->*flag.field = withGroups && store.GetBool(kSection, QLatin1String(flag.name), flag.defaultValue) ? 1 : 0;
}

void CMatchBoardQuery::Save() const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(kSection, QStringLiteral("nQuerySize"), size);
    store.WriteString(kSection, QStringLiteral("szQueryCentre"), FormatFloatValue(centre));
    store.WriteInt(kSection, QStringLiteral("eQueryOrigin"), origin);
    for (const GroupFlag& flag : kGroupFlags)
        store.WriteBool(kSection, QLatin1String(flag.name), this->*flag.field != 0);
    store.WriteUInt(kSection, QStringLiteral("unQueryStatus"), statusMask);
    store.WriteUInt(kSection, QStringLiteral("unQueryAction"), actionMask);
}

QString CMatchBoardQuery::ToText() const {
    QString text;
    WritePacketCString(text, FormatFloatValue(centre));
    appendNumber(text, size);
    appendNumber(text, origin);
    appendNumber(text, statusMask);
    appendNumber(text, actionMask);
    for (int CMatchBoardQuery::*word : kTextGroupWords)
        appendNumber(text, this->*word);
    return text;
}

void CMatchBoardQuery::SetCentreFromText(const QString& text) {
    // Read as atof would in the C locale: blanks, an optional sign, then the longest number there.
    QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.startsWith('+'))
        bytes.remove(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    (void)end;
    const bool usable = error == std::errc() && std::isfinite(value) &&
                        std::fabs(value) <= double(std::numeric_limits<float>::max());
    centre = usable ? float(value) : 0.0f;
}

QString CMatchBoardQuery::FormatFloatValue(float value) {
    char buffer[64];
    const double number = std::isfinite(value) ? double(value) : 0.0;
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed, 6);
    if (error != std::errc())
        return QStringLiteral("0.000000");
    return QString::fromLatin1(buffer, end - buffer);
}
