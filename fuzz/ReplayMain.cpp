// Replays committed fuzz inputs through their targets without libFuzzer, so that the ordinary build
// and test run catch a parser that fails again on an input that once broke it.
//
//   fuzz_replay <target> <file or folder>...   feeds every file (folders recursively, sorted)
//   fuzz_replay --list                          prints the targets
//
// Folders that do not exist are passed over (a target need not have regressions); a target with no
// input at all is an error, as is an unknown target. A failing input aborts the process, after its
// name was printed.

#include "FuzzTarget.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

QStringList inputFiles(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile())
        return {path};
    QStringList files;
    if (!info.isDir())
        return files;
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!QFileInfo(file).fileName().startsWith(QLatin1Char('.')))
            files.append(file);
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <target> <file or folder>... | --list\n", argv[0]);
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    if (target == QLatin1String("--list")) {
        for (const QString& name : fuzz::TargetNames())
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    const fuzz::Entry entry = fuzz::FindTarget(target);
    if (!entry) {
        std::fprintf(stderr, "no fuzz target named \"%s\"\n", qPrintable(target));
        return 2;
    }
    fuzz::SetUpProcess();

    int count = 0;
    qint64 slowestMs = -1;
    QString slowest;
    for (int i = 2; i < argc; ++i) {
        for (const QString& file : inputFiles(QString::fromLocal8Bit(argv[i]))) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
                return 1;
            }
            const QByteArray data = f.readAll();
            std::fprintf(stderr, "%s\n", qPrintable(file)); // names the input should it fail
            QElapsedTimer timer;
            timer.start();
            entry(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
            const qint64 ms = timer.elapsed();
            if (ms > slowestMs) {
                slowestMs = ms;
                slowest = file;
            }
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "no inputs for target \"%s\"\n", qPrintable(target));
        return 1;
    }
    std::printf("%s: %d inputs replayed clean; slowest %lld ms (%s)\n", qPrintable(target), count,
                static_cast<long long>(slowestMs), qPrintable(QFileInfo(slowest).fileName()));
    return 0;
}
