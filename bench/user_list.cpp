// The lobby's player list under a busy lobby: 5,000 users arrive in one packet, then 10,000 changes
// of presence and activity arrive in packets of 100, while the list is shown and sorted by status (so
// that most changes move their row). Reports the records handled per second and the slowest packet,
// painting included.
#include "BenchMain.h"
#include "LobbyPackets.h"
#include "lobby/LobbyUserListView.h"
#include "net/MessagePacket.h"
#include "session/LobbyUserMap.h"
#include "session/SessionDoc.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int kUsers = 5000;
constexpr int kChanges = 10000;
constexpr int kPacketSize = 100;

void BM_ArrivalsThenChangesSortedByStatus(benchmark::State& state) {
    const CMessagePacketPtr arrivals = CMessagePacket::MakePlain(
        CLobbyUserMap::kUsersArrived, benchpackets::ArrivalsText(kUsers, [](int i) { return i % 7 == 0 ? 2 : 0; }));
    std::vector<CMessagePacketPtr> packets;
    for (int packet = 0; packet < kChanges / kPacketSize; ++packet)
        packets.push_back(CMessagePacket::MakePlain(CLobbyUserMap::kUsersChanged,
                                                    benchpackets::ChangesText(kUsers, packet, kPacketSize, 0, false)));
    // Sorted by status, in its stored direction.
    GetSettingsStore().WriteString(QStringLiteral("CLobbyUserListView"), QStringLiteral("Column SortingV5"),
                                   QStringLiteral("1 1 1 1 1 0 0 1 0 1 1 1 0 1 1 1 "));

    double worstMs = 0;
    double arrivalMs = 0;
    for (auto _ : state) {
        CSessionDoc session;
        QWidget window;
        window.resize(900, 700);
        auto* list = new CLobbyUserListView(&window);
        list->setGeometry(0, 0, 900, 700);
        list->Create(&session);
        window.show();
        QApplication::processEvents();

        QElapsedTimer timer;
        timer.start();
        session.DispatchPacket(*arrivals);
        QApplication::processEvents();
        arrivalMs = std::max(arrivalMs, timer.nsecsElapsed() / 1e6);
        for (const CMessagePacketPtr& packet : packets) {
            timer.restart();
            session.DispatchPacket(*packet);
            list->repaint();
            QApplication::processEvents();
            worstMs = std::max(worstMs, timer.nsecsElapsed() / 1e6);
        }
        if (list->GetRowCount() != kUsers || !list->GetModel()) {
            state.SkipWithError("the list lost rows");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * (kUsers + kChanges));
    state.counters["records_per_second"] =
        benchmark::Counter(double(state.iterations()) * (kUsers + kChanges), benchmark::Counter::kIsRate);
    state.counters["worst_packet_ms"] = worstMs;
    state.counters["arrival_packet_ms"] = arrivalMs;
}
BENCHMARK(BM_ArrivalsThenChangesSortedByStatus)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(argc, argv);
}
