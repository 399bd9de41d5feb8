#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <clocale>

// The main of a benchmark program that needs the client's environment: a fresh NORVALE_HOME, the
// offscreen platform unless another is asked for, the application object App (QCoreApplication or
// QApplication), and numbers that do not follow the locale.
template <class App> int RunBenchmarks(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("NORVALE_HOME", home.path().toUtf8());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
