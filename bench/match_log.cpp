// The match log of a 25-point match (about 2,000 entries): the whole log laid out in the view's font,
// and the selection moved entry by entry through a real log view. A layout must fit in one 60 Hz
// frame (16 ms).
#include "BenchMain.h"
#include "RandomGames.h"

#include "game/BackgammonBoard.h"
#include "game/GameLogRecord.h"
#include "records/MatchLogView.h"

#include <QApplication>

#include <memory>
#include <vector>

namespace {

// A 25-point match of random legal plays, as the board logs it.
const std::vector<CGameLogRecord>& MatchLog() {
    static const std::vector<CGameLogRecord> log = [] {
        std::vector<CGameLogRecord> out;
        RandomGamePlayer player(25);
        CBackgammonBoard board;
        board.SetPlayers({"Ann", "Bob"}, 0, true);
        board.SetLogging(true);
        board.ApplyCommand("s 25 0");
        auto drain = [&] {
            while (std::unique_ptr<CGameLogRecord> record = board.PopLogRecord())
                out.push_back(*record);
        };
        while (!board.IsMatchOver()) {
            while (board.GetState() == CBackgammonBoard::kStateAtRest && !board.IsMatchOver())
                board.ApplyCommand(player.DiceCommand('n'));
            player.PlayOut(board);
            drain();
        }
        return out;
    }();
    return log;
}

std::unique_ptr<CMatchLogTextDisplayItem> ItemOf(const CGameLogRecord& r, int index) {
    auto item = std::make_unique<CMatchLogTextDisplayItem>(r.text);
    item->SetFlags(r.column, r.endsLine, r.selectable, r.gameStart, r.hasPosition, r.numberLabel, index);
    return item;
}

// A log view filled straight from the records.
class BenchLogView : public CMatchLogView {
public:
    void AppendEntries(int) override {}
    void Fill() {
        const std::vector<CGameLogRecord>& log = MatchLog();
        for (int i = 0; i < static_cast<int>(log.size()); ++i)
            AppendItem(ItemOf(log[i], i), false, false);
        LayoutFrom(0, true);
    }
};

void BM_LayoutWholeMatchLog(benchmark::State& state) {
    const std::vector<CGameLogRecord>& log = MatchLog();
    CMatchLogLayout layout;
    for (int i = 0; i < static_cast<int>(log.size()); ++i)
        layout.AppendItem(ItemOf(log[i], i));
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const CFontLogMetrics kept(font);
    const int width = static_cast<int>(state.range(0));
    const bool cold = state.range(1) != 0;
    for (auto _ : state) {
        // Cold: a new font's first layout, nothing measured yet; warm: the view's next layout.
        const CFontLogMetrics fresh(font);
        layout.Layout(0, width, cold ? fresh : kept);
        benchmark::DoNotOptimize(layout.GetListHeight());
    }
    state.counters["entries"] = double(layout.GetCount());
    state.counters["frame_ms"] = 16.0;
}
// A wide pane, and a narrow one where many entries wrap.
BENCHMARK(BM_LayoutWholeMatchLog)
    ->ArgNames({"width", "cold"})
    ->Args({600, 0})
    ->Args({220, 0})
    ->Args({600, 1})
    ->Args({220, 1})
    ->Unit(benchmark::kMillisecond);

void BM_SelectionEntryByEntry(benchmark::State& state) {
    BenchLogView view;
    view.resize(420, 500);
    view.Fill();
    // Shown, so that every step repaints the log as on the screen.
    view.show();
    int moves = 0;
    for (auto _ : state) {
        view.OnNavigateKey(CMatchLogLayout::kKeyHome, false);
        while (view.GetSelection() < view.GetItemCount() - 1) {
            view.OnNavigateKey(CMatchLogLayout::kKeyRight, false);
            ++moves;
        }
    }
    state.counters["entries"] = double(view.GetItemCount());
    state.counters["moves/s"] = benchmark::Counter(double(moves), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SelectionEntryByEntry)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(argc, argv);
}
