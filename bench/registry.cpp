// The settings tree is written whole a second after changes and read whole at start-up; both must
// stay quick for a tree of a few thousand values (many users, list layouts, macros).
#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void fill(platform::Registry& registry, int users) {
    for (int u = 0; u < users; ++u) {
        for (int s = 0; s < 20; ++s) {
            const QString key = QStringLiteral("Software\\Harrowgate\\Norvale\\User%1\\Section%2").arg(u).arg(s);
            for (int v = 0; v < 10; ++v) {
                registry.SetDWord(key, QStringLiteral("nValue%1").arg(v), quint32(v * 7));
                registry.SetString(key, QStringLiteral("strValue%1").arg(v), QStringLiteral("text \"%1\"").arg(v));
            }
        }
    }
}

void BM_ExportTree(benchmark::State& state) {
    platform::Registry registry;
    fill(registry, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(registry.ExportText());
}
BENCHMARK(BM_ExportTree)->Arg(10);

void BM_ImportTree(benchmark::State& state) {
    platform::Registry source;
    fill(source, int(state.range(0)));
    const QByteArray text = source.ExportText();
    for (auto _ : state) {
        platform::Registry registry;
        benchmark::DoNotOptimize(registry.ImportText(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ImportTree)->Arg(10);

void BM_ReadValue(benchmark::State& state) {
    platform::Registry registry;
    fill(registry, 10);
    const QString key = QStringLiteral("software\\harrowgate\\norvale\\user5\\section7");
    for (auto _ : state)
        benchmark::DoNotOptimize(registry.GetDWord(key, QStringLiteral("NVALUE3")));
}
BENCHMARK(BM_ReadValue);

// Settings files made as a hostile one would be: each must load well within a second.
// Arg 0: one key 3 700 levels deep (7 KB); 1: the same 16 000 levels deep (32 KB); 2: 15 MB of line
// feeds; 3: 512 levels of 255-character names (the deepest and longest key there may be).
void BM_LoadHostileSettings(benchmark::State& state) {
    QByteArray text = "REGEDIT4\n\n";
    const auto chain = [&](int levels, int nameLength) {
        text += "[HKEY_CURRENT_USER";
        for (int i = 0; i < levels; ++i)
            text += "\\" + QByteArray(nameLength, 'k');
        text += "]\n\"v\"=dword:00000001\n";
    };
    switch (state.range(0)) {
    case 0: chain(3700, 1); break;
    case 1: chain(16000, 1); break;
    case 2: text += QByteArray(15 << 20, '\n'); break;
    default: chain(platform::Registry::kMaxKeyDepth, platform::Registry::kMaxKeyNameLength);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.reg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    for (auto _ : state) {
        platform::Registry registry(path);
        benchmark::DoNotOptimize(registry.Load());
        benchmark::DoNotOptimize(registry.ExportText());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_LoadHostileSettings)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
