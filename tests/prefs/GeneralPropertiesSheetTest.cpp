#include "prefs/GeneralPropertiesSheet.h"

#include "platform/Registry.h"
#include "platform/Ui.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/TestEnvironment.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <gtest/gtest.h>

namespace {

class GeneralPropertiesSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }
    CSettingsStore& store = GetSettingsStore();
};

TEST_F(GeneralPropertiesSheetTest, FivePagesInOrderStartingWhereAsked) {
    CGeneralPropertiesSheet sheet(CGeneralPropertiesSheet::kMacrosPage, kFontKindBlinded);
    sheet.EnsureInitialized();
    EXPECT_EQ(sheet.windowTitle(), "General Properties");
    EXPECT_EQ(sheet.parentWidget(), nullptr);
    ASSERT_EQ(sheet.GetPageCount(), 5);
    const QStringList titles = {"Font", "View", "Macros", "Sound", "Notification"};
    const char* classes[] = {"CFontPage", "CViewPref", "CMacroPreferences", "CSoundPropertyPg", "CNotificationPrefs"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheet.GetPage(i)->Title(), titles[i]);
        EXPECT_STREQ(sheet.GetPage(i)->RuntimeClassName(), classes[i]);
    }
    EXPECT_EQ(sheet.GetActiveIndex(), CGeneralPropertiesSheet::kMacrosPage);
    EXPECT_FALSE(sheet.FontPage().IsInitialized()); // built only when shown

    ASSERT_TRUE(sheet.SetActivePage(0));
    EXPECT_EQ(sheet.FontPage().GetSelectedKind(), kFontKindBlinded);
    EXPECT_EQ(sheet.FontPage().ItemAs<QListWidget>(CFontPage::IDC_KIND_LIST)->currentRow(), kFontKindBlinded);

    CGeneralPropertiesSheet outOfRange(9, 42);
    outOfRange.EnsureInitialized();
    EXPECT_EQ(outOfRange.GetActiveIndex(), 0);
    EXPECT_EQ(outOfRange.FontPage().GetSelectedKind(), 0);
}

TEST_F(GeneralPropertiesSheetTest, OnlyPagesThatWereShownSave) {
    CGeneralPropertiesSheet sheet(CGeneralPropertiesSheet::kMacrosPage, 0);
    sheet.EnsureInitialized();
    sheet.MacrosPage().SetItemText(1302, "glhf");
    ASSERT_EQ(sheet.Press(platform::IDOK), platform::IDOK);
    EXPECT_EQ(store.GetString("Macros", "Macro1"), "glhf");
    for (const char* untouched : {"CChatView", "CCommandLineView", "CChatLog", "Sounds", "General Preferences"})
        EXPECT_FALSE(store.GetRegistry().KeyExists(CSettingsStore::RecentKey(untouched))) << untouched;
}

TEST_F(GeneralPropertiesSheetTest, EveryShownPageSavesOnOk) {
    CGeneralPropertiesSheet sheet(0, 0);
    sheet.EnsureInitialized();
    for (int i = 1; i < sheet.GetPageCount(); ++i)
        ASSERT_TRUE(sheet.SetActivePage(i));
    ASSERT_EQ(sheet.Press(platform::IDOK), platform::IDOK);
    for (const char* written : {"CChatView", "CCommandLineView", "CChatLog", "Macros", "Sounds", "General Preferences"})
        EXPECT_TRUE(store.GetRegistry().KeyExists(CSettingsStore::RecentKey(written))) << written;
}

TEST_F(GeneralPropertiesSheetTest, ShowRunsTheSheetModallyThroughTheUi) {
    QString caption;
    int activePage = -1;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        caption = dialog->windowTitle();
        auto* sheet = dynamic_cast<CGeneralPropertiesSheet*>(dialog);
        if (!sheet)
            return platform::IDCANCEL;
        activePage = sheet->GetActiveIndex();
        sheet->MacrosPage().SetItemText(1301, "hello");
        return sheet->Press(platform::IDOK);
    });
    // Edit Macros opens the sheet on the macros page.
    EXPECT_EQ(ShowGeneralPropertiesSheet(CGeneralPropertiesSheet::kMacrosPage, 0), platform::IDOK);
    EXPECT_EQ(caption, "General Properties");
    EXPECT_EQ(activePage, CGeneralPropertiesSheet::kMacrosPage);
    EXPECT_EQ(store.GetString("Macros", "Macro0"), "hello");

    testenv::scriptedUi().SetDialogHandler([](QDialog*) { return platform::IDCANCEL; });
    EXPECT_EQ(ShowGeneralPropertiesSheet(0, kFontKindMatchBoard), platform::IDCANCEL);
}

} // namespace
