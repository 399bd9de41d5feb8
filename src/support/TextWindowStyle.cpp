#include "support/TextWindowStyle.h"

#include "platform/Color.h"
#include "support/SettingsStore.h"

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
