// The lobby's player list under a busy lobby: 5,000 users arrive in one packet, then 10,000 changes
// of presence and activity arrive in packets of 100, while the list is shown and sorted by status (so
// that most changes move their row). Reports the records handled per second and the slowest packet,
// painting included.
#include "BenchMain.h"
#include "lobby/LobbyUserListView.h"
#include "net/MessagePacket.h"
#include "platform/Cp1252.h"
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

QByteArray Arrivals() {
    QString body = QStringLiteral("%1 %1\n").arg(kUsers);
    for (int i = 0; i < kUsers; ++i)
        body += QStringLiteral("\"user%1\" %2 16777247 %3 %4 \"%5.5\" %6 \".mb\" \"Club %7\"\n")
                    .arg(i)
                    .arg(i % 7 == 0 ? 2 : 0)
                    .arg(i % 3 == 0 ? 8 : 2)
                    .arg(i % 5 == 0 ? 8 : 2)
                    .arg(1400 + i % 300)
                    .arg(i % 2000)
                    .arg(i % 40);
    return platform::cp1252::encode(body);
}

QByteArray Changes(int packet) {
    QString body = QStringLiteral("%1 %2\n").arg(kUsers).arg(kPacketSize);
    for (int i = 0; i < kPacketSize; ++i) {
        const int who = (packet * 389 + i * 53) % kUsers;
        const int presence = (packet + i) % 3 == 0 ? 8 : 2;
        const int activity = (packet + i) % 4 == 0 ? 8 : ((packet + i) % 4 == 1 ? 4 : 2);
        body += QStringLiteral("\"USER%1\" 0 3 %2 %3 \n").arg(who).arg(presence).arg(activity);
    }
    return platform::cp1252::encode(body);
}

void BM_ArrivalsThenChangesSortedByStatus(benchmark::State& state) {
    const CMessagePacketPtr arrivals = CMessagePacket::MakePlain(CLobbyUserMap::kUsersArrived, Arrivals());
    std::vector<CMessagePacketPtr> packets;
    for (int packet = 0; packet < kChanges / kPacketSize; ++packet)
        packets.push_back(CMessagePacket::MakePlain(CLobbyUserMap::kUsersChanged, Changes(packet)));
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
