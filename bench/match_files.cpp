// Match files made as a hostile one would be are refused well within a second.
// Arg 0: a 64 MB file; 1: a 3 MB list of three million players; 2: a record of a million empty
// entries without its marks (read whole before it is refused).
#include "BenchMain.h"
#include "game/BackgammonDoc.h"
#include "game/RuleOptions.h"
#include "platform/Archive.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_RefuseHostileMatchFile(benchmark::State& state) {
    platform::ArchiveWriter w;
    w.WriteString(".gb.Ann.Bob");
    w.WriteString(CBackgammonDoc::kFileTag);
    w.WriteString(CBGRuleOptions().FormatText());
    QByteArray bytes;
    switch (state.range(0)) {
    case 0:
        w.WriteUInt16(0xFFFF);
        w.WriteUInt32(64u << 20);
        bytes = w.data() + QByteArray(64 << 20, '\0');
        break;
    case 1:
        w.WriteUInt16(0xFFFF);
        w.WriteUInt32(3u << 20);
        bytes = w.data() + QByteArray(3 << 20, '\0');
        break;
    default:
        w.WriteStringList({"Ann", "Bob"});
        w.WriteInt32(0);
        for (int i = 0; i < 4; ++i)
            w.WriteString("");
        w.WriteUInt32(1000000);
        bytes = w.data() + QByteArray(1000000 * 4, '\0');
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.cbg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    for (auto _ : state) {
        CBackgammonDoc doc;
        benchmark::DoNotOptimize(doc.LoadMatchFile(path));
    }
}
BENCHMARK(BM_RefuseHostileMatchFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
