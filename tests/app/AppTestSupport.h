#pragma once

#include "app/ClientApp.h"
#include "app/MainFrame.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <memory>

namespace apptest {

// Fresh settings without the tip of the day, an empty script of answers and a password for the
// login, for a test that starts an application.
inline void Prepare() {
    testenv::ResetSettings();
    GetSettingsStore().WriteInt("Tip", "StartUp", 1);
    testenv::scriptedUi().clear();
    qputenv(CClientApp::kPasswordVariable, "any");
}

// Ends a test's application the way the program ends (so its windows, sessions and workers go in
// order) and takes back what the test set up for it.
inline void ShutDown(std::unique_ptr<CClientApp>& app) {
    if (app) {
        app->ExitInstance();
        app.reset();
    }
    qunsetenv(CClientApp::kPasswordVariable);
    testenv::scriptedUi().SetDialogHandler(nullptr);
}

// The action of that command in the main window's menus, after its menu was opened.
inline QAction* MenuAction(CMainFrame& frame, int id) {
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>()) {
        emit menu->aboutToShow();
        for (QAction* action : menu->actions())
            if (platform::CommandId(action) == id)
                return action;
    }
    return nullptr;
}

} // namespace apptest
