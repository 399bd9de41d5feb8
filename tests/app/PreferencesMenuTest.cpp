#include "app/ClientApp.h"
#include "app/MainFrame.h"
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

#include <gtest/gtest.h>

namespace {

const QString kViewChanged = "KELDERWICK_VIEW_PROPERTIES_CHANGED";

// The action of that command in the main window's menus, after its menu was opened.
QAction* MenuAction(CMainFrame& frame, int id) {
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>()) {
        emit menu->aboutToShow();
        for (QAction* action : menu->actions())
            if (platform::CommandId(action) == id)
                return action;
    }
    return nullptr;
}

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

} // namespace
