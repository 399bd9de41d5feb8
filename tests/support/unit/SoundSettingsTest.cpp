#include "support/SoundSettings.h"

#include "platform/Sound.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

class SoundSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        previousPlayer = platform::SetSoundPlayer(&player);
        saved = GetSoundSettings();
    }
    void TearDown() override {
        platform::SetSoundPlayer(previousPlayer);
        GetSoundSettings() = saved;
    }
    platform::RecordingSoundPlayer player;
    platform::SoundPlayer* previousPlayer = nullptr;
    CSoundSettings saved;
};

TEST_F(SoundSettingsTest, EmptySettingsGiveTheDefaults) {
    CSoundSettings settings;
    settings.Set(CSoundSettings::kChat, true);
    settings.Load();
    EXPECT_EQ(settings, CSoundSettings());
    const bool expected[] = {false, true, true, true, true, true, false, false, false, true};
    for (int i = 0; i < CSoundSettings::kSwitchCount; ++i)
        EXPECT_EQ(settings.Get(CSoundSettings::Switch(i)), expected[i]) << CSoundSettings::ValueName(CSoundSettings::Switch(i));
}

TEST_F(SoundSettingsTest, SaveWritesAllTenUnderTheirNames) {
    CSoundSettings settings;
    settings.Set(CSoundSettings::kDance, true);
    settings.Set(CSoundSettings::kWatch, false);
    settings.Save();
    const CSettingsStore& store = GetSettingsStore();
    const char* names[] = {"bChat",   "bEnableSound",  "bCloseTalk",    "bGameEvents", "bInvitations",
                           "bOpenTalk", "bRollOrDouble", "bTalkMessages", "bDance",      "bWatch"};
    for (int i = 0; i < CSoundSettings::kSwitchCount; ++i)
        EXPECT_EQ(store.GetIntEx("Sounds", names[i], -5), settings.Get(CSoundSettings::Switch(i)) ? 1 : 0) << names[i];
    CSoundSettings reread;
    reread.Load();
    EXPECT_EQ(reread, settings);
}

TEST_F(SoundSettingsTest, EventSoundsPlayOnlyWhenBothSwitchesAreOn) {
    CSoundSettings& settings = GetSoundSettings();
    settings = CSoundSettings();
    EXPECT_TRUE(PlayEventSound(CSoundSettings::kInvitations));
    EXPECT_FALSE(PlayEventSound(CSoundSettings::kChat)); // off by default
    settings.Set(CSoundSettings::kChat, true);
    EXPECT_TRUE(PlayEventSound(CSoundSettings::kChat));
    settings.Set(CSoundSettings::kEnableSound, false);
    EXPECT_FALSE(settings.IsOn(CSoundSettings::kInvitations));
    EXPECT_FALSE(PlayEventSound(CSoundSettings::kInvitations));
    EXPECT_FALSE(PlayEventSound(CSoundSettings::kGameEvents)); // the board's own sounds
    EXPECT_EQ(player.played(), QStringList({"InviteFX", "ChatFX"}));
}

TEST_F(SoundSettingsTest, EveryNamedSoundHasItsFile) {
    platform::QtSoundPlayer files;
    for (int i = 0; i < CSoundSettings::kSwitchCount; ++i) {
        const QString name = CSoundSettings::SoundName(CSoundSettings::Switch(i));
        if (!name.isEmpty()) {
            EXPECT_FALSE(files.FileFor(name).isEmpty()) << name.toStdString();
        }
    }
}

} // namespace
