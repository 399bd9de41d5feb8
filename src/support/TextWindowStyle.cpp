#include "support/TextWindowStyle.h"

#include "platform/Color.h"
#include "support/SettingsStore.h"

namespace {

// The match log's and the match board's sections are the backgammon module's view class names.
const FontWindowKindInfo kKinds[kFontWindowKindCount] = {
    {"CChatView", "Chat View", false, true},
    {"CBGMatchLogView", "Match Log", false, true},
    {"CPlayerListView", "Watcher Lists", true, true},
    {"CBGMatchBoardView", "Lobby", true, true},
    {"CAnnotationView", "Annotation View", false, true},
    {"CAffinityListView", "Friends", true, true},
    {"CGagListView", "Gagged Players", true, true},
    {"CBlindListView", "Blinded Players", true, true},
    {"CMsgDisplayEditWnd", "Quorl Messages", false, false},
};

} // namespace

const FontWindowKindInfo& GetFontWindowKind(int index) {
    return kKinds[index >= 0 && index < kFontWindowKindCount ? index : 0];
}

CTextWindowColors CTextWindowColors::SystemDefaults() {
    CTextWindowColors colors;
    colors.text = platform::GetSysColor(platform::COLOR_WINDOWTEXT);
    colors.background = platform::GetSysColor(platform::COLOR_WINDOW);
    colors.selectedBackground = platform::GetSysColor(platform::COLOR_HIGHLIGHT);
    colors.selectedText = platform::GetSysColor(platform::COLOR_HIGHLIGHTTEXT);
    colors.showWatermark = true;
    return colors;
}

CTextWindowColors CTextWindowColors::Load(const QString& section) {
    const CSettingsStore& store = GetSettingsStore();
    CTextWindowColors colors = SystemDefaults();
    colors.text = store.GetUInt(section, kTextColour, colors.text);
    colors.background = store.GetUInt(section, kBackgroundColour, colors.background);
    colors.selectedBackground = store.GetUInt(section, kSelectedBackgroundColour, colors.selectedBackground);
    colors.selectedText = store.GetUInt(section, kSelectedTextColour, colors.selectedText);
    colors.showWatermark = store.GetIntEx(section, kShowWatermark, 1) != 0;
    return colors;
}

void CTextWindowColors::Save(const QString& section) const {
    CSettingsStore& store = GetSettingsStore();
    store.WriteInt(section, kTextColour, int(text));
    store.WriteInt(section, kSelectedBackgroundColour, int(selectedBackground));
    store.WriteInt(section, kSelectedTextColour, int(selectedText));
    store.WriteInt(section, kBackgroundColour, int(background));
    store.WriteInt(section, kShowWatermark, showWatermark ? 1 : 0);
}
