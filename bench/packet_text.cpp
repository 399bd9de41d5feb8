// Reading and writing text packet fields: a lobby update carries hundreds of user records, each a
// dozen fields, so the field readers sit on the hot path of every directory refresh.
#include "support/PacketText.h"

#include <benchmark/benchmark.h>

namespace {

QString makeRecords(int count) {
    QString text;
    for (int i = 0; i < count; ++i) {
        WritePacketCString(text, QStringLiteral("Player%1").arg(i));
        text += QStringLiteral(" 2 31 2 1 ");
        WritePacketFloat(text, 1500.25 + i, 6);
        text += QStringLiteral(" 412 ");
        WritePacketCString(text, u"Somewhere \"quoted\" far away");
        text += u'\n';
    }
    return text;
}

void BM_ReadRecords(benchmark::State& state) {
    const QString text = makeRecords(int(state.range(0)));
    for (auto _ : state) {
        CPacketCursor cursor(text);
        QString name, location;
        int number = 0;
        double rating = 0;
        while (ReadPacketString(cursor, name)) {
            for (int i = 0; i < 4; ++i)
                ReadPacketInt(cursor, number);
            ReadPacketFloat(cursor, rating);
            ReadPacketInt(cursor, number);
            ReadPacketString(cursor, location);
        }
        benchmark::DoNotOptimize(rating);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadRecords)->Arg(100)->Arg(1000);

void BM_WriteRecords(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(makeRecords(int(state.range(0))));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteRecords)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
