#include "FuzzTarget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

QMap<QString, Entry>& registry() {
    static QMap<QString, Entry> targets;
    return targets;
}

void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

bool RegisterTarget(const char* name, Entry entry) {
    registry().insert(QString::fromLatin1(name), entry);
    return true;
}

Entry FindTarget(const QString& name) {
    return registry().value(name, nullptr);
}

static QTemporaryDir& scratchDir() {
    static QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/norvale-fuzz-XXXXXX"));
    return scratch;
}

QString WriteScratchFile(const QString& name, const QByteArray& bytes) {
    const QString path = scratchDir().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("cannot write a scratch file", path);
    return path;
}

QStringList TargetNames() {
    return registry().keys();
}

void SetUpProcess() {
    static bool done = false;
    if (done)
        return;
    done = true;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Anything a parser stores goes to a scratch home, never to the user's own settings.
    QTemporaryDir& scratch = scratchDir();
    if (scratch.isValid()) {
        qputenv("HOME", scratch.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (scratch.path() + QStringLiteral("/config")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (scratch.path() + QStringLiteral("/cache")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (scratch.path() + QStringLiteral("/data")).toLocal8Bit());
    }
    QStandardPaths::setTestModeEnabled(true);
    qInstallMessageHandler(quietMessages);
    static int argc = 1;
    static char name[] = "norvale-fuzz";
    static char* argv[] = {name, nullptr};
    // Lives for the whole process: targets may build widgets, fonts and colours.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

void Fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "fuzz check failed: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

#if defined(NORVALE_FUZZ_LIBFUZZER)
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::SetUpProcess();
    return 0;
}
#endif
