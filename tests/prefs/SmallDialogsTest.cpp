#include "prefs/AboutNVDlg.h"
#include "prefs/ChangePswd.h"
#include "prefs/KWColorDlg.h"

#include "platform/Color.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

using platform::IDCANCEL;
using platform::IDOK;
using platform::RGB;

// Qt's colour dialog keeps its own copy of the custom colours in the user's configuration folder:
// keep the tests out of the real one.
const bool kQtConfigAside = [] {
    qputenv("XDG_CONFIG_HOME", "/tmp/norvale-tests-qtconfig");
    return true;
}();

class ColorDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        CKWColorDlg::ForgetCustomColors();
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }
    static QString stored() { return GetSettingsStore().GetString("Colors", "CustomColors", "absent"); }
};

TEST_F(ColorDlgTest, CustomColourTextIsReadWordByWord) {
    const auto colors = CKWColorDlg::ParseCustomColors("255 x 65280  -1 16777216 16711680");
    EXPECT_EQ(colors[0], RGB(255, 0, 0));
    EXPECT_EQ(colors[1], 0xFFFFFFu); // not a number
    EXPECT_EQ(colors[2], RGB(0, 255, 0));
    EXPECT_EQ(colors[3], 0xFFFFFFu); // -1 is no colour a custom slot can hold
    EXPECT_EQ(colors[4], 0xFFFFFFu); // beyond 24 bits
    EXPECT_EQ(colors[5], RGB(0, 0, 255));
    for (size_t i = 6; i < colors.size(); ++i)
        EXPECT_EQ(colors[i], 0xFFFFFFu); // missing numbers
    EXPECT_EQ(CKWColorDlg::FormatCustomColors(colors),
              "255 16777215 65280 16777215 16777215 16711680 16777215 16777215 16777215 16777215 16777215 "
              "16777215 16777215 16777215 16777215 16777215");
}

TEST_F(ColorDlgTest, TheStoredColoursWinAndAnUnchangedSetIsNotWritten) {
    GetSettingsStore().WriteString("Colors", "CustomColors", "255 65280");
    QColorDialog::setCustomColor(0, Qt::yellow); // what Qt itself may remember from another run
    {
        CKWColorDlg dialog(RGB(1, 2, 3));
        EXPECT_EQ(platform::FromQColor(QColorDialog::customColor(0)), RGB(255, 0, 0));
        EXPECT_EQ(platform::FromQColor(QColorDialog::customColor(1)), RGB(0, 255, 0));
        EXPECT_EQ(platform::FromQColor(QColorDialog::customColor(2)), 0xFFFFFFu);
        EXPECT_EQ(dialog.GetColor(), RGB(1, 2, 3));
        GetSettingsStore().DeleteValue("Colors", "CustomColors");
    }
    EXPECT_EQ(stored(), "absent"); // closed without a change: nothing written
}

TEST_F(ColorDlgTest, AChangedCustomColourWritesAllSixteen) {
    {
        CKWColorDlg dialog(0);
        QColorDialog::setCustomColor(3, QColor(0x10, 0x20, 0x30));
    }
    const auto expected = [] {
        CKWColorDlg::CustomColors c;
        c.fill(0xFFFFFF);
        c[3] = RGB(0x10, 0x20, 0x30);
        return CKWColorDlg::FormatCustomColors(c);
    }();
    EXPECT_EQ(stored(), expected);
    // The next dialog of the run starts from the same set; closing it unchanged writes nothing more.
    GetSettingsStore().DeleteValue("Colors", "CustomColors");
    { CKWColorDlg dialog(0); }
    EXPECT_EQ(stored(), "absent");
    EXPECT_EQ(CKWColorDlg::GetCustomColors()[3], RGB(0x10, 0x20, 0x30));
}

TEST_F(ColorDlgTest, ChooseColorGivesTheColourOnlyOnOk) {
    testenv::scriptedUi().SetDialogHandler([](QDialog* dialog) {
        static_cast<QColorDialog*>(dialog)->setCurrentColor(QColor(0xF0, 0, 0));
        return IDOK;
    });
    platform::COLORREF color = 0xF00000;
    EXPECT_TRUE(CKWColorDlg::ChooseColor(color));
    EXPECT_EQ(color, 0xF0u); // red sits in the low byte
    ASSERT_FALSE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(testenv::scriptedUi().asked().back().text, "CKWColorDlg");

    testenv::scriptedUi().SetDialogHandler([](QDialog* dialog) {
        static_cast<QColorDialog*>(dialog)->setCurrentColor(Qt::green);
        return IDCANCEL;
    });
    EXPECT_FALSE(CKWColorDlg::ChooseColor(color));
    EXPECT_EQ(color, 0xF0u);
}

TEST(ChangePswd, DifferentNewPasswordsKeepTheDialogOpenWithBothEmptied) {
    testenv::scriptedUi().clear();
    CChangePswd dialog;
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.ItemAs<QLineEdit>(CChangePswd::kIdNew)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.ItemAs<QLineEdit>(CChangePswd::kIdOld)->maxLength(), 64);
    dialog.SetItemText(CChangePswd::kIdOld, "old");
    dialog.SetItemText(CChangePswd::kIdNew, "secret1");
    dialog.SetItemText(CChangePswd::kIdConfirm, "secret2");
    EXPECT_EQ(dialog.Press(IDOK), 0);
    EXPECT_EQ(dialog.GetItemText(CChangePswd::kIdNew), "");
    EXPECT_EQ(dialog.GetItemText(CChangePswd::kIdConfirm), "");
    EXPECT_EQ(dialog.GetItemText(CChangePswd::kIdOld), "old");
    EXPECT_EQ(dialog.focusWidget(), dialog.Item(CChangePswd::kIdNew));
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, CChangePswd::kMismatch);

    // Both empty match, but a password cannot be changed to nothing.
    EXPECT_EQ(dialog.Press(IDOK), 0);
    EXPECT_EQ(testenv::scriptedUi().asked().back().text, CChangePswd::kEmpty);

    dialog.SetItemText(CChangePswd::kIdNew, "secret3");
    dialog.SetItemText(CChangePswd::kIdConfirm, "secret3");
    EXPECT_EQ(dialog.Press(IDOK), IDOK);
    EXPECT_EQ(dialog.GetOldPassword(), "old");
    EXPECT_EQ(dialog.GetNewPassword(), "secret3");
    EXPECT_EQ(dialog.GetConfirmedPassword(), "secret3");
    EXPECT_FALSE(dialog.SendChange(nullptr));
    EXPECT_EQ(CChangePswd::FormatRequest("o\\ld", "n\"w"), "ChangePassword \"o\\\\ld\" \"n\\\"w\"");
    testenv::scriptedUi().clear();
}

TEST(AboutNVDlg, ShowsVersionAndResourcesAndSizesToThePicture) {
    CAboutNVDlg about;
    about.EnsureInitialized();
    EXPECT_EQ(about.windowTitle(), "About Norvale");
    EXPECT_TRUE(about.GetItemText(CAboutNVDlg::kIdProductVersion).contains("1.0"));
    EXPECT_TRUE(about.GetItemText(CAboutNVDlg::kIdMemory).startsWith("Memory: "));
    EXPECT_TRUE(about.GetItemText(CAboutNVDlg::kIdDisk).startsWith("Disk space: "));
    ASSERT_TRUE(about.HasPicture());
    about.adjustSize();
    EXPECT_GE(about.width(), about.ItemAs<QLabel>(CAboutNVDlg::kIdPicture)->pixmap().width());

    CAboutNVDlg bare(nullptr, "/nonexistent/Splash.bmp");
    bare.EnsureInitialized();
    EXPECT_FALSE(bare.HasPicture());
    EXPECT_FALSE(bare.Item(CAboutNVDlg::kIdPicture)->isVisibleTo(&bare));
    EXPECT_EQ(bare.Press(IDOK), IDOK);
}

} // namespace
