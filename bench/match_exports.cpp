// The exports of a long match are built well within a second: a 25 point match of random games
// (several thousand moves, a chat line after every tenth), as plain text, Snowie text and RTF; the
// RTF once without pictures and once with a picture for each of 20 marked positions.
#include "BenchMain.h"
#include "LongMatch.h"
#include "records/MatchExports.h"
#include "records/MatchTextWriter.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

LongMatch& Match() {
    static LongMatch match;
    return match;
}

void BM_MatchText(benchmark::State& state) {
    const CBackgammonDoc& doc = Match().doc;
    for (auto _ : state)
        benchmark::DoNotOptimize(MatchTextFileBytes(doc));
    state.counters["records"] = doc.GetMatchRecord().GetCount();
}
BENCHMARK(BM_MatchText)->Unit(benchmark::kMillisecond);

void BM_SnvText(benchmark::State& state) {
    const CBackgammonDoc& doc = Match().doc;
    for (auto _ : state)
        benchmark::DoNotOptimize(SnvFileBytes(doc));
}
BENCHMARK(BM_SnvText)->Unit(benchmark::kMillisecond);

// Arg: the number of marked positions (each a board picture).
void BM_MatchRtf(benchmark::State& state) {
    CBackgammonDoc& doc = Match().doc;
    const int marks = int(state.range(0));
    const int count = doc.GetMatchRecord().GetCount();
    for (int i = 0; i < count; ++i)
        doc.SetMoveMark(i, 0);
    for (int i = 0, set = 0; i < count && set < marks; i += count / std::max(1, marks) + 1)
        if (!doc.GetMatchRecord().IsNonMoveEntry(i)) {
            doc.SetMoveMark(i, 1);
            ++set;
        }
    const auto pictures = MakeBoardPictureMaker(150);
    for (auto _ : state)
        benchmark::DoNotOptimize(MatchRtfBytes(doc, pictures));
}
BENCHMARK(BM_MatchRtf)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(argc, argv);
}
