#pragma once

#include "app/ClientApp.h"
#include "platform/Ui.h"
#include "support/TestEnvironment.h"

#include <memory>

namespace apptest {

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

} // namespace apptest
