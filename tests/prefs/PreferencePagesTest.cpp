#include "platform/Registry.h"
#include "platform/Sound.h"
#include "platform/Ui.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/MessageRecorder.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/TestEnvironment.h"
#include "support/controls/SpinButton.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using platform::IDCANCEL;
using platform::IDOK;
using platform::ScriptedUi;

const QString kViewChanged = "KELDERWICK_VIEW_PROPERTIES_CHANGED";

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        savedSounds = GetSoundSettings();
        GetSoundSettings() = CSoundSettings();
    }
    void TearDown() override { GetSoundSettings() = savedSounds; }

    std::unique_ptr<CGeneralPropertiesSheet> Open(int page) {
        auto sheet = std::make_unique<CGeneralPropertiesSheet>(page, 0);
        sheet->EnsureInitialized();
        return sheet;
    }
    int Int(const QString& section, const QString& name) const { return store.GetIntEx(section, name, -99); }
    int MessageBoxesAsked() const {
        int count = 0;
        for (const ScriptedUi::Asked& asked : testenv::scriptedUi().asked())
            count += asked.kind == ScriptedUi::Asked::MessageBoxKind ? 1 : 0;
        return count;
    }

    CSettingsStore& store = GetSettingsStore();
    CSoundSettings savedSounds;
};

// ---- View ----------------------------------------------------------------------------------------

TEST_F(PagesTest, ViewPageShowsTheDefaultsAndWritesAllSixWithABroadcast) {
    testenv::MessageRecorder receiver({kViewChanged});
    auto sheet = Open(CGeneralPropertiesSheet::kViewPage);
    CViewPref& page = sheet->ViewPage();
    EXPECT_EQ(page.GetItemText(CViewPref::IDC_LINES), "300");
    EXPECT_FALSE(page.IsItemChecked(CViewPref::IDC_SHOW_GAME_DATA));
    EXPECT_TRUE(page.IsItemChecked(CViewPref::IDC_BOLD_NOTIFICATIONS));
    EXPECT_TRUE(page.IsItemChecked(CViewPref::IDC_SHOW_SHOUTS));
    EXPECT_TRUE(page.IsItemChecked(CViewPref::IDC_QUALITY_CAPTION));
    EXPECT_EQ(page.GetItemText(CViewPref::IDC_EMOTE_PREFIX), "->");
    EXPECT_FALSE(page.IsModified());

    page.ItemAs<QCheckBox>(CViewPref::IDC_SHOW_GAME_DATA)->click();
    EXPECT_TRUE(page.showGameData); // taken at once
    EXPECT_TRUE(page.IsModified());
    page.ItemAs<QCheckBox>(CViewPref::IDC_SHOW_SHOUTS)->click();
    page.ItemAs<CSpinButton>(CViewPref::IDC_LINES_SPIN)->StepBy(-1);
    ASSERT_EQ(sheet->Press(IDOK), IDOK);

    EXPECT_EQ(Int("CChatLog", "Chat View Length"), 299);
    EXPECT_EQ(Int("CChatView", "Game Data in Chat View"), 1);
    EXPECT_EQ(Int("CChatView", "Bold Moves"), 1);
    EXPECT_EQ(Int("CClientNode", "Ignore Shouts"), 1);
    EXPECT_EQ(Int("CMainFrame", "Connection Quality Text"), 1);
    EXPECT_EQ(store.GetString("CLogElement", "Emote Prefix"), "->");
    EXPECT_EQ(receiver.Count(kViewChanged), 1);
}

TEST_F(PagesTest, ViewPageRefusesAChatLengthOutOfRangeUntilItIsMended) {
    store.WriteInt("CChatLog", "Chat View Length", 500);
    auto sheet = Open(CGeneralPropertiesSheet::kViewPage);
    CViewPref& page = sheet->ViewPage();
    EXPECT_EQ(page.GetItemText(CViewPref::IDC_LINES), "500"); // shown as stored
    EXPECT_EQ(sheet->Press(IDOK), 0);                          // refused: the sheet stays
    EXPECT_EQ(MessageBoxesAsked(), 1);
    EXPECT_EQ(Int("CChatLog", "Chat View Length"), 500);

    page.ItemAs<CSpinButton>(CViewPref::IDC_LINES_SPIN)->StepBy(1); // into the range
    EXPECT_EQ(page.GetItemText(CViewPref::IDC_LINES), "300");
    EXPECT_EQ(sheet->Press(IDOK), IDOK);
    EXPECT_EQ(Int("CChatLog", "Chat View Length"), 300);
}

TEST_F(PagesTest, ViewPageRefusesALongEmotePrefixButShowsAStoredOne) {
    store.WriteString("CLogElement", "Emote Prefix", "12345678901");
    auto sheet = Open(CGeneralPropertiesSheet::kViewPage);
    CViewPref& page = sheet->ViewPage();
    EXPECT_EQ(page.GetItemText(CViewPref::IDC_EMOTE_PREFIX), "12345678901");
    EXPECT_EQ(sheet->Press(IDOK), 0);
    EXPECT_EQ(MessageBoxesAsked(), 1);

    page.SetItemText(CViewPref::IDC_EMOTE_PREFIX, "*** ");
    EXPECT_EQ(sheet->Press(IDOK), IDOK);
    EXPECT_EQ(store.GetString("CLogElement", "Emote Prefix"), "*** ");
}

TEST_F(PagesTest, IgnoreShoutsIsShownInvertedAndWrittenAsAFlag) {
    for (int stored : {1, 5}) {
        store.WriteInt("CClientNode", "Ignore Shouts", stored);
        auto sheet = Open(CGeneralPropertiesSheet::kViewPage);
        EXPECT_FALSE(sheet->ViewPage().IsItemChecked(CViewPref::IDC_SHOW_SHOUTS)) << stored;
        sheet->Press(IDOK);
        EXPECT_EQ(Int("CClientNode", "Ignore Shouts"), 1) << stored;
    }
    store.WriteInt("CClientNode", "Ignore Shouts", -3);
    EXPECT_TRUE(Open(CGeneralPropertiesSheet::kViewPage)->ViewPage().IsItemChecked(CViewPref::IDC_SHOW_SHOUTS));
}

// ---- Macros --------------------------------------------------------------------------------------

TEST_F(PagesTest, MacrosAreEditedInTheirBoxesAndWrittenWithABroadcast) {
    store.WriteString("Macros", "Macro0", "gg");
    store.WriteString("Macros", "Macro9", "thanks for the match");
    testenv::MessageRecorder receiver({kViewChanged});
    auto sheet = Open(CGeneralPropertiesSheet::kMacrosPage);
    CMacroPreferences& page = sheet->MacrosPage();
    EXPECT_EQ(page.GetItemText(1301), "gg");
    EXPECT_EQ(page.GetItemText(1310), "thanks for the match");
    EXPECT_EQ(page.GetItemText(1305), "");

    auto* edit = page.ItemAs<QLineEdit>(1305);
    edit->setFocus();
    QTest::keyClicks(edit, "hi all");
    EXPECT_TRUE(page.IsModified());
    ASSERT_EQ(sheet->Press(IDOK), IDOK);
    for (int n = 0; n < 10; ++n)
        EXPECT_TRUE(store.GetRegistry()
                        .GetString(CSettingsStore::RecentKey("Macros"), CMacroPreferences::ValueName(n))
                        .has_value())
            << n;
    EXPECT_EQ(store.GetString("Macros", "Macro4"), "hi all");
    EXPECT_EQ(store.GetString("Macros", "Macro0"), "gg");
    EXPECT_EQ(receiver.Count(kViewChanged), 1);
}

// ---- Sound ---------------------------------------------------------------------------------------

TEST_F(PagesTest, SoundBoxesFollowTheEnableSwitchAndKeepTheirStates) {
    GetSoundSettings().Set(CSoundSettings::kChat, true);
    auto sheet = Open(CGeneralPropertiesSheet::kSoundPage);
    CSoundPropertyPg& page = sheet->SoundPage();
    EXPECT_TRUE(page.IsItemChecked(CSoundPropertyPg::IDC_CHAT));
    EXPECT_FALSE(page.IsItemChecked(CSoundPropertyPg::IDC_TALK_MESSAGES));
    EXPECT_TRUE(page.Item(CSoundPropertyPg::IDC_CHAT)->isEnabled());

    page.ItemAs<QCheckBox>(CSoundPropertyPg::IDC_ENABLE_SOUND)->click();
    EXPECT_TRUE(page.IsModified());
    for (const auto& shown : CSoundPropertyPg::ShownSwitches()) {
        if (shown.which == CSoundSettings::kEnableSound)
            continue;
        EXPECT_FALSE(page.Item(shown.id)->isEnabled()) << shown.id;
        EXPECT_FALSE(page.Item(shown.id + CSoundPropertyPg::kPlayButtonOffset)->isEnabled()) << shown.id;
    }
    EXPECT_TRUE(page.IsItemChecked(CSoundPropertyPg::IDC_CHAT)); // kept while disabled

    // Nothing reaches the process-wide switches before Apply.
    EXPECT_TRUE(GetSoundSettings().Get(CSoundSettings::kEnableSound));
    sheet->Press(platform::ID_APPLY_NOW);
    EXPECT_FALSE(GetSoundSettings().Get(CSoundSettings::kEnableSound));
    EXPECT_TRUE(GetSoundSettings().Get(CSoundSettings::kChat));
    EXPECT_EQ(Int("Sounds", "bEnableSound"), 0);
    EXPECT_EQ(Int("Sounds", "bChat"), 1);
    // The switches of the board's page are written too, as they were.
    EXPECT_EQ(Int("Sounds", "bGameEvents"), 1);
    EXPECT_EQ(Int("Sounds", "bRollOrDouble"), 0);
    EXPECT_EQ(Int("Sounds", "bDance"), 0);
}

TEST_F(PagesTest, ACancelledSoundPageChangesNothing) {
    const QByteArray before = store.GetRegistry().ExportText();
    auto sheet = Open(CGeneralPropertiesSheet::kSoundPage);
    sheet->SoundPage().ItemAs<QCheckBox>(CSoundPropertyPg::IDC_INVITATIONS)->click();
    sheet->Press(IDCANCEL);
    EXPECT_EQ(GetSoundSettings(), CSoundSettings());
    EXPECT_EQ(store.GetRegistry().ExportText(), before);
}

TEST_F(PagesTest, EachEventsSoundCanBeHeard) {
    platform::RecordingSoundPlayer player;
    platform::SoundPlayer* previous = platform::SetSoundPlayer(&player);
    auto sheet = Open(CGeneralPropertiesSheet::kSoundPage);
    CSoundPropertyPg& page = sheet->SoundPage();
    // Even an event whose switch is off can be tried.
    page.ItemAs<QToolButton>(CSoundPropertyPg::IDC_CHAT + CSoundPropertyPg::kPlayButtonOffset)->click();
    page.ItemAs<QToolButton>(CSoundPropertyPg::IDC_INVITATIONS + CSoundPropertyPg::kPlayButtonOffset)->click();
    EXPECT_EQ(player.played(), QStringList({"ChatFX", "InviteFX"}));
    EXPECT_EQ(page.Item(CSoundPropertyPg::IDC_ENABLE_SOUND + CSoundPropertyPg::kPlayButtonOffset), nullptr);
    platform::SetSoundPlayer(previous);
}

// ---- Notification --------------------------------------------------------------------------------

int CheckedColumn(platform::Dialog& page, CNotificationPrefs::Event event) {
    for (int column = 0; column < 3; ++column)
        if (page.IsItemChecked(CNotificationPrefs::FirstButtonId(event) + column * CNotificationPrefs::kButtonStep))
            return column;
    return -1;
}

QRadioButton* Radio(platform::Dialog& page, CNotificationPrefs::Event event, int column) {
    return page.ItemAs<QRadioButton>(CNotificationPrefs::FirstButtonId(event) + column * CNotificationPrefs::kButtonStep);
}

TEST_F(PagesTest, NotificationDefaultsAreChatLogButForInterruptedDepartures) {
    auto sheet = Open(CGeneralPropertiesSheet::kNotificationPage);
    CNotificationPrefs& page = sheet->NotificationPage();
    for (int e = 0; e < CNotificationPrefs::kEventCount; ++e) {
        const auto event = CNotificationPrefs::Event(e);
        EXPECT_EQ(CheckedColumn(page, event), event == CNotificationPrefs::kInterruptDeparture ? 2 : 0) << e;
    }
    ASSERT_EQ(sheet->Press(IDOK), IDOK);
    EXPECT_EQ(Int("General Preferences", "Affinity Arrival"), 0);
    EXPECT_EQ(Int("General Preferences", "Interrupt Departure"), 2);
    EXPECT_EQ(Int("General Preferences", "Watcher Departure"), 0);
}

TEST_F(PagesTest, NotificationPageIsModifiedOnlyWhileAChoiceDiffers) {
    store.WriteInt("General Preferences", "Watcher Arrival", 1);
    store.WriteInt("General Preferences", "Opponent Leaves Game", 7); // no such choice
    auto sheet = Open(CGeneralPropertiesSheet::kNotificationPage);
    CNotificationPrefs& page = sheet->NotificationPage();
    EXPECT_EQ(CheckedColumn(page, CNotificationPrefs::kWatcherArrival), 1);
    EXPECT_EQ(CheckedColumn(page, CNotificationPrefs::kOpponentLeavesGame), 0);

    Radio(page, CNotificationPrefs::kAffinityDeparture, 2)->click();
    EXPECT_TRUE(page.IsModified());
    EXPECT_TRUE(sheet->IsApplyEnabled());
    Radio(page, CNotificationPrefs::kAffinityDeparture, 0)->click();
    EXPECT_FALSE(page.IsModified());
    EXPECT_FALSE(sheet->IsApplyEnabled());

    Radio(page, CNotificationPrefs::kInterruptArrival, 1)->click();
    sheet->Press(platform::ID_APPLY_NOW);
    EXPECT_EQ(Int("General Preferences", "Interrupt Arrival"), 1);
    EXPECT_EQ(Int("General Preferences", "Opponent Leaves Game"), 0);
    // Measured against what is stored now.
    Radio(page, CNotificationPrefs::kInterruptArrival, 0)->click();
    Radio(page, CNotificationPrefs::kInterruptArrival, 1)->click();
    EXPECT_FALSE(page.IsModified());
}

} // namespace
