// The settings tree is written whole a second after changes and read whole at start-up; both must
// stay quick for a tree of a few thousand values (many users, list layouts, macros).
#include "platform/Registry.h"

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

} // namespace

BENCHMARK_MAIN();
