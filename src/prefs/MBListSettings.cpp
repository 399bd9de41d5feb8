#include "prefs/MBListSettings.h"

#include "support/SettingsStore.h"

#include <algorithm>

namespace {

using platform::COLORREF;

struct ColorValue {
    const char* name;
    COLORREF CMBColorSettings::*field;
    COLORREF defaultValue;
};

// In stored order; the first nine are the ones the old-default test looks at.
constexpr ColorValue kColors[] = {
    {"Friends Color", &CMBColorSettings::friends, 0xF00000},
    {"Guides Color", &CMBColorSettings::guides, CMBColorSettings::kOldDefault},
    {"Member Help Color", &CMBColorSettings::memberHelp, CMBColorSettings::kOldDefault},
    {"Tallybank Color", &CMBColorSettings::moneyPlayers, CMBColorSettings::kOldDefault},
    {"Robot Color", &CMBColorSettings::robots, CMBColorSettings::kOldDefault},
    {"Self Color", &CMBColorSettings::self, 0xF000},
    {"Sysops Color", &CMBColorSettings::sysops, CMBColorSettings::kOldDefault},
    {"Tournament Color", &CMBColorSettings::tournamentStaff, CMBColorSettings::kOldDefault},
    {"Unfinished Color", &CMBColorSettings::unfinishedMatch, 0xF0},
    {"Club Members", &CMBColorSettings::clubMembers, 0x8080},
};
constexpr int kOldDefaultTested = 9;

const QString kColorSection = QString::fromLatin1(CMBColorSettings::kSection);
const QString kColorByGroup = QStringLiteral("Color by Group");
const QString kFlyoverSection = QString::fromLatin1(CMBFlyoverSettings::kSection);
const QString kFlyoverOn = QStringLiteral("bDetailedListFlyover");
const QString kFlyoverDelay = QStringLiteral("nDetailedListFlyoverDelay");

} // namespace

void CMBColorSettings::Load() {
    const CSettingsStore& store = GetSettingsStore();
    colorByGroup = store.GetIntEx(kColorSection, kColorByGroup, 1) != 0 ? 1 : 0;
    for (const ColorValue& color : kColors)
        this->*color.field = COLORREF(store.GetIntEx(kColorSection, QLatin1String(color.name), int(color.defaultValue)));
    const bool allOldDefault = std::all_of(std::begin(kColors), std::begin(kColors) + kOldDefaultTested,
                                           [this](const ColorValue& color) { return this->*color.field == kOldDefault; });
    if (colorByGroup && allOldDefault) {
        friends = 0xF00000;
        self = 0xF000;
        unfinishedMatch = 0xF0;
    }
}

void CMBColorSettings::Save() const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(kColorSection, kColorByGroup, colorByGroup);
    for (const ColorValue& color : kColors)
        store.WriteInt(kColorSection, QLatin1String(color.name), int(this->*color.field));
}

void CMBFlyoverSettings::Load() {
    const CSettingsStore& store = GetSettingsStore();
    flyover = store.GetBool(kFlyoverSection, kFlyoverOn, false) ? 1 : 0;
    delay = store.GetIntEx(kFlyoverSection, kFlyoverDelay, 50);
}

void CMBFlyoverSettings::Save() const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteBool(kFlyoverSection, kFlyoverOn, flyover != 0);
    store.WriteInt(kFlyoverSection, kFlyoverDelay, delay);
}
