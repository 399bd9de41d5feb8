#include "AppTestSupport.h"

#include "app/MainFrame.h"
#include "board/BackgammonPropertySheet.h"
#include "board/BgSaveOptions.h"
#include "game/BgSaveSettings.h"
#include "platform/Commands.h"
#include "platform/Registry.h"
#include "platform/Win32Codes.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using apptest::MenuAction;

// The settings file (text) as it is once everything changed so far is written.
std::string SettingsFile() {
    EXPECT_TRUE(GetSettingsStore().Save());
    QFile file(GetSettingsStore().GetRegistry().FilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Every tab of the sheet clicked in turn, then what the test does on the last one and a click on OK.
struct SheetTour {
    QStringList titles;
    std::function<void(platform::PropertySheet&)> beforeOk;

    int operator()(QDialog* dialog) {
        auto* sheet = dynamic_cast<platform::PropertySheet*>(dialog);
        if (!sheet)
            return platform::IDCANCEL; // the login dialog
        sheet->show();
        auto* tabs = sheet->findChild<QTabBar*>();
        for (int index = 0; tabs && index < tabs->count(); ++index) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
            EXPECT_EQ(sheet->GetActiveIndex(), index) << tabs->tabText(index).toStdString();
            titles << tabs->tabText(index);
        }
        if (beforeOk)
            beforeOk(*sheet);
        QTest::mouseClick(sheet->ItemAs<QPushButton>(platform::IDOK), Qt::LeftButton);
        EXPECT_FALSE(sheet->isVisible()) << "OK closes the sheet";
        return sheet->result();
    }
};

class SettingsSheetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::Prepare();
        app = std::make_unique<CClientApp>();
        testenv::scriptedUi().SetDialogHandler([](QDialog*) { return int(platform::IDCANCEL); });
        ASSERT_TRUE(app->InitInstance(CClientApp::Options{}));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        frame = app->GetMainFrame();
        ASSERT_TRUE(frame);
    }
    void TearDown() override { apptest::ShutDown(app); }

    void Open(int command, SheetTour& tour) {
        testenv::scriptedUi().SetDialogHandler(std::ref(tour));
        QAction* action = MenuAction(*frame, command);
        ASSERT_TRUE(action && action->isEnabled());
        action->trigger();
    }

    std::unique_ptr<CClientApp> app;
    CMainFrame* frame = nullptr;
};

// Looking is not changing: the sheets opened from the menus, every page viewed and OK pressed, leave
// the settings file byte for byte as it was, whether the values were stored or only defaults, and
// whatever unit the printed width is shown in (3600 twips are 6.34 cm, which is not 3600 again).
TEST_F(SettingsSheetsTest, ViewingEveryPageAndPressingOkChangesNoSetting) {
    {
        SheetTour tour;
        const std::string before = SettingsFile();
        Open(CMainFrame::kCmdBackgammonSettings, tour);
        EXPECT_EQ(tour.titles.join(", "), "Display, Printing, Move Log Printing, Play Options, AutoSave");
        EXPECT_EQ(SettingsFile(), before);
    }

    // Widths that do not come back from what is shown, in centimetres and in inches (the unit is the
    // locale's).
    const QLocale locale;
    for (const QLocale& place : {QLocale(QLocale::German, QLocale::Germany),
                                 QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(place);
        GetSettingsStore().WriteInt("CBgMatchLogView", "Printed Image Width", 1000);
        GetSettingsStore().WriteInt("CBgMatchLogView", "Columns To Print", 2);
        SheetTour tour;
        const std::string before = SettingsFile();
        Open(CMainFrame::kCmdBackgammonSettings, tour);
        EXPECT_TRUE(tour.titles.contains("Move Log Printing")) << tour.titles.join(", ").toStdString();
        EXPECT_EQ(SettingsFile(), before) << place.name().toStdString();
    }
    QLocale::setDefault(locale);
}

// An emptied AutoSave folder is the default folder again, for the page and for the saves.
TEST_F(SettingsSheetsTest, AnEmptiedAutoSaveFolderMeansTheDefaultFolder) {
    GetSettingsStore().WriteString("Backgammon", "SaveFolder", "/tmp/somewhere/else");
    QString shown;
    SheetTour tour;
    tour.beforeOk = [&](platform::PropertySheet& sheet) {
        auto& bg = dynamic_cast<CBackgammonPropertySheet&>(sheet);
        auto* folder = bg.SaveOptionsPage().ItemAs<QLineEdit>(CBgSaveOptions::IDC_FOLDER);
        QTest::mouseClick(folder, Qt::LeftButton);
        QTest::keyClick(folder, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(folder, Qt::Key_Delete);
        EXPECT_TRUE(folder->text().isEmpty());
    };
    Open(CMainFrame::kCmdBackgammonSettings, tour);
    EXPECT_EQ(CBgSaveSettings::GetSaveFolder(), CBgSaveSettings::GetDefaultSaveFolder());
    EXPECT_FALSE(CBgSaveSettings::GetDefaultSaveFolder().isEmpty());

    SheetTour again;
    again.beforeOk = [&](platform::PropertySheet& sheet) {
        auto& bg = dynamic_cast<CBackgammonPropertySheet&>(sheet);
        shown = bg.SaveOptionsPage().GetItemText(CBgSaveOptions::IDC_FOLDER);
    };
    Open(CMainFrame::kCmdBackgammonSettings, again);
    EXPECT_EQ(shown, CBgSaveSettings::GetDefaultSaveFolder());
}

} // namespace
