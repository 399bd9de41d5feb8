// The main of every test binary: a QApplication on the offscreen platform, numbers in the C locale,
// a fresh NORVALE_HOME, and the scripted UI seam so nothing modal can block a test.
#include "support/TestEnvironment.h"

#include "platform/Ui.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace {
platform::ScriptedUi* g_scriptedUi = nullptr;
}

namespace testenv {
platform::ScriptedUi& scriptedUi() { return *g_scriptedUi; }
} // namespace testenv

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("NORVALE_HOME", QDir(home.path()).absolutePath().toUtf8());

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the web engine shares its GL contexts
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Norvale");
    QApplication::setOrganizationName("Harrowgate");

    platform::ScriptedUi scripted;
    g_scriptedUi = &scripted;
    platform::SetUi(&scripted);

    const int result = RUN_ALL_TESTS();
    platform::SetUi(nullptr);
    g_scriptedUi = nullptr;
    return result;
}
