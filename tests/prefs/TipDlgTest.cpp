#include "prefs/TipDlg.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

class TipDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        path = dir.filePath("Tips.txt");
        writeTips("; header\nT1\nT2\n\nT3\nT4\nT5\nT6\n");
    }
    void writeTips(const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static int settingInt(const char* name, int fallback = -99) {
        return GetSettingsStore().GetIntEx("Tip", name, fallback);
    }
    bool nextEnabled(CTipDlg& dialog) { return dialog.Item(CTipDlg::kIdNextTip)->isEnabled(); }

    QTemporaryDir dir;
    QString path;
};

TEST_F(TipDlgTest, TheNextRunContinuesAfterTheLastTipShown) {
    {
        CTipDlg dialog(nullptr, path);
        dialog.EnsureInitialized();
        EXPECT_EQ(dialog.GetItemText(CTipDlg::kIdTip), "T1");
        for (int i = 0; i < 3; ++i)
            dialog.OnNextTip();
        EXPECT_EQ(dialog.GetItemText(CTipDlg::kIdTip), "T4");
    }
    EXPECT_EQ(settingInt("FilePos"), int(QByteArray("; header\nT1\nT2\n\nT3\nT4\n").size()));
    CTipDlg again(nullptr, path);
    EXPECT_EQ(again.GetTip(), "T5");
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());
}

TEST_F(TipDlgTest, AChangedFileStartsAtItsFirstTip) {
    { CTipDlg dialog(nullptr, path); } // stores the time stamp and the place after T1
    EXPECT_FALSE(GetSettingsStore().GetString("Tip", "TimeStamp").isEmpty());
    GetSettingsStore().WriteString("Tip", "TimeStamp", "Mon Jan  1 00:00:00 2001");
    CTipDlg dialog(nullptr, path);
    EXPECT_EQ(dialog.GetTip(), "T1");
    EXPECT_NE(GetSettingsStore().GetString("Tip", "TimeStamp"), "Mon Jan  1 00:00:00 2001");
}

TEST_F(TipDlgTest, MissingFileShowsWhyAndDisablesNextTip) {
    CTipDlg dialog(nullptr, dir.filePath("absent.txt"));
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.GetItemText(CTipDlg::kIdTip), CTipDlg::kNoFile);
    EXPECT_FALSE(nextEnabled(dialog));
    dialog.OnNextTip(); // harmless
    EXPECT_EQ(dialog.GetTip(), CTipDlg::kNoFile);
}

TEST_F(TipDlgTest, AFileWithoutTipsDoesNotHang) {
    writeTips("; nothing but comments\r\n\r\n   \r\n");
    CTipDlg dialog(nullptr, path);
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.GetTip(), CTipDlg::kNoTips);
    EXPECT_FALSE(nextEnabled(dialog));
}

TEST_F(TipDlgTest, ABadStoredPositionIsReportedAndTheTipsStartOver) {
    { CTipDlg dialog(nullptr, path); }
    GetSettingsStore().WriteInt("Tip", "FilePos", -40);
    CTipDlg dialog(nullptr, path);
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, CTipDlg::kTrouble);
    EXPECT_EQ(dialog.GetTip(), "T1");
}

TEST_F(TipDlgTest, OkStoresTheStartUpChoiceAndCancelDoesNot) {
    EXPECT_TRUE(CTipDlg::ShowAtStartUp());
    {
        CTipDlg dialog(nullptr, path);
        dialog.EnsureInitialized();
        EXPECT_TRUE(dialog.IsItemChecked(CTipDlg::kIdStartUp));
        dialog.CheckItem(CTipDlg::kIdStartUp, false);
        EXPECT_EQ(dialog.Press(platform::IDCANCEL), platform::IDCANCEL);
    }
    EXPECT_EQ(settingInt("StartUp"), -99);
    {
        CTipDlg dialog(nullptr, path);
        dialog.EnsureInitialized();
        dialog.CheckItem(CTipDlg::kIdStartUp, false);
        EXPECT_EQ(dialog.Press(platform::IDOK), platform::IDOK);
    }
    EXPECT_EQ(settingInt("StartUp"), 1);
    EXPECT_FALSE(CTipDlg::ShowAtStartUp());
    CTipDlg dialog(nullptr, path);
    dialog.EnsureInitialized();
    EXPECT_FALSE(dialog.IsItemChecked(CTipDlg::kIdStartUp));
}

TEST_F(TipDlgTest, TheProgramsOwnTipsFileHoldsTips) {
    const QString own = CTipDlg::DefaultTipsPath();
    ASSERT_FALSE(own.isEmpty());
    CTipsFile file;
    ASSERT_TRUE(file.Open(own));
    QStringList seen;
    QString tip;
    while (file.NextTip(tip) == CTipsFile::Result::Tip && !seen.contains(tip))
        seen << tip;
    EXPECT_GE(seen.size(), 20);
    for (const QString& t : seen)
        EXPECT_LT(t.size(), CTipsFile::kMaxLineLength) << t.toStdString();
}

} // namespace
