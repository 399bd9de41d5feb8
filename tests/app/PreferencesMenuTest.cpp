#include "AppTestSupport.h"

#include "app/ClientApp.h"
#include "app/MainFrame.h"
#include "board/BackgammonPropertySheet.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/MessageRecorder.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>

#include <gtest/gtest.h>

namespace {

const QString kViewChanged = "KELDERWICK_VIEW_PROPERTIES_CHANGED";

using apptest::MenuAction;

TEST(PreferencesMenu, EditMacrosOpensTheSheetOnItsMacrosAndTheAppTellsItsWindows) {
    testenv::ResetSettings();
    testenv::scriptedUi().clear();
    int page = -1;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        auto* sheet = dynamic_cast<CGeneralPropertiesSheet*>(dialog);
        if (!sheet)
            return platform::IDCANCEL; // the login dialog
        page = sheet->GetActiveIndex();
        EXPECT_EQ(sheet->parentWidget(), nullptr);
        sheet->MacrosPage().SetItemText(CMacroPreferences::IDC_FIRST_MACRO, "gg");
        return sheet->Press(platform::IDOK);
    });
    {
        CClientApp app;
        ASSERT_TRUE(app.InitInstance(CClientApp::Options{}));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        CMainFrame* frame = app.GetMainFrame();
        ASSERT_TRUE(frame);
        auto* inside = new testenv::MessageRecorder({kViewChanged});
        inside->setParent(frame->centralWidget());
        testenv::MessageRecorder stranger({kViewChanged});

        ASSERT_TRUE(MenuAction(*frame, CMainFrame::kCmdProperties));
        QAction* macros = MenuAction(*frame, CMainFrame::kCmdEditMacros);
        ASSERT_TRUE(macros);
        ASSERT_TRUE(macros->isEnabled());
        macros->trigger();
        EXPECT_EQ(page, CGeneralPropertiesSheet::kMacrosPage);
        EXPECT_EQ(GetSettingsStore().GetString("Macros", "Macro0"), "gg");
        EXPECT_EQ(inside->Count(kViewChanged), 1);
        EXPECT_TRUE(stranger.received.empty()); // delivered by the application, not to every window
        app.ExitInstance();
    }
    testenv::scriptedUi().SetDialogHandler(nullptr);
}

// Options > Backgammon Settings runs the sheet over the main window; what it announces reaches the
// windows inside the main window and no other top-level window.
TEST(PreferencesMenu, BackgammonSettingsAnnounceToTheMainWindowsDescendants) {
    testenv::ResetSettings();
    testenv::scriptedUi().clear();
    const QString properties = "KELDERWICK_BG_PROPERTIES_CHANGED";
    CMainFrame* owner = nullptr;
    QWidget* sheetParent = nullptr;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        auto* sheet = dynamic_cast<CBackgammonPropertySheet*>(dialog);
        if (!sheet)
            return platform::IDCANCEL; // the login dialog
        sheetParent = sheet->parentWidget();
        // The application gives the sheet the match log's print options as its third page.
        EXPECT_EQ(sheet->PageIndex(CBackgammonPropertySheet::kPrintOptionsPage), 2);
        sheet->SetActivePage(sheet->PageIndex(CBackgammonPropertySheet::kPlayOptionsPage));
        sheet->PlayOptionsPage().ItemAs<QSlider>(CBgPlayOptions::IDC_DIE_SIZE)->setValue(100);
        return sheet->Press(platform::IDOK);
    });
    {
        CClientApp app;
        ASSERT_TRUE(app.InitInstance(CClientApp::Options{}));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        CMainFrame* frame = app.GetMainFrame();
        ASSERT_TRUE(frame);
        owner = frame;
        auto* inside = new testenv::MessageRecorder({properties});
        inside->setParent(frame->centralWidget());
        testenv::MessageRecorder stranger({properties});

        QAction* settings = MenuAction(*frame, CMainFrame::kCmdBackgammonSettings);
        ASSERT_TRUE(settings);
        ASSERT_TRUE(settings->isEnabled());
        settings->trigger();
        EXPECT_EQ(sheetParent, owner);
        EXPECT_EQ(GetSettingsStore().GetIntEx("Backgammon", "nDieSize", 0), 100);
        EXPECT_EQ(inside->Count(properties), 1);
        EXPECT_TRUE(stranger.received.empty());
        app.ExitInstance();
    }
    testenv::scriptedUi().SetDialogHandler(nullptr);
}

} // namespace
