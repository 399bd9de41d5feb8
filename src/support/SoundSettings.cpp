#include "support/SoundSettings.h"

#include "platform/Sound.h"
#include "support/SettingsStore.h"

namespace {

struct SwitchInfo {
    const char* valueName;
    bool defaultValue;
    const char* sound;
};

const SwitchInfo kSwitches[CSoundSettings::kSwitchCount] = {
    {"bChat", false, "ChatFX"},
    {"bEnableSound", true, ""},
    {"bCloseTalk", true, "CloseTalkFX"},
    {"bGameEvents", true, ""},
    {"bInvitations", true, "InviteFX"},
    {"bOpenTalk", true, "OpenTalkFX"},
    {"bRollOrDouble", false, ""},
    {"bTalkMessages", false, "TalkFX"},
    {"bDance", false, ""},
    {"bWatch", true, "WatcherFX"},
};

bool isSwitch(CSoundSettings::Switch which) { return which >= 0 && which < CSoundSettings::kSwitchCount; }

} // namespace

CSoundSettings::CSoundSettings() {
    for (int i = 0; i < kSwitchCount; ++i)
        m_on[i] = kSwitches[i].defaultValue;
}

void CSoundSettings::Load() {
    const CSettingsStore& store = GetSettingsStore();
    for (int i = 0; i < kSwitchCount; ++i)
        m_on[i] = store.GetIntEx(kSection, kSwitches[i].valueName, kSwitches[i].defaultValue ? 1 : 0) != 0;
}

void CSoundSettings::Save() const {
    CSettingsStore& store = GetSettingsStore();
    for (int i = 0; i < kSwitchCount; ++i)
        store.WriteInt(kSection, kSwitches[i].valueName, m_on[i] ? 1 : 0);
}

bool CSoundSettings::Get(Switch which) const { return isSwitch(which) && m_on[which]; }

void CSoundSettings::Set(Switch which, bool on) {
    if (isSwitch(which))
        m_on[which] = on;
}

bool CSoundSettings::IsOn(Switch which) const { return Get(kEnableSound) && Get(which); }

const char* CSoundSettings::ValueName(Switch which) { return isSwitch(which) ? kSwitches[which].valueName : ""; }

bool CSoundSettings::DefaultValue(Switch which) { return isSwitch(which) && kSwitches[which].defaultValue; }

QString CSoundSettings::SoundName(Switch which) {
    return isSwitch(which) ? QString::fromLatin1(kSwitches[which].sound) : QString();
}

CSoundSettings& GetSoundSettings() {
    static CSoundSettings settings = [] {
        CSoundSettings loaded;
        loaded.Load();
        return loaded;
    }();
    return settings;
}

bool PlayEventSound(CSoundSettings::Switch which) {
    const QString name = CSoundSettings::SoundName(which);
    if (name.isEmpty() || !GetSoundSettings().IsOn(which))
        return false;
    platform::PlaySound(name);
    return true;
}
