// The lobby directory under a large lobby: 5,000 arrivals in one packet, then bursts of changes,
// with a view and a packet target listening as the list views and game documents do.
#include "BenchMain.h"
#include "LobbyPackets.h"
#include "net/MessagePacket.h"
#include "platform/Cp1252.h"
#include "session/PacketTarget.h"
#include "session/SessionDoc.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>


namespace {

QByteArray Changes(int users, int count, int round) {
    QString body = QStringLiteral("%1 %2\n").arg(users).arg(count);
    for (int i = 0; i < count; ++i) {
        const int who = (i * 7 + round * 13) % users;
        body +=
            QStringLiteral("\"USER%1\" 0 3 %2 %3 \n").arg(who).arg(round % 2 ? 8 : 2).arg(round % 3 ? 8 : 2);
    }
    return platform::cp1252::encode(body);
}

class CountingView : public CSessionView {
public:
    void OnUpdate(platform::View*, int, platform::Object*) override { ++hints; }
    QWidget* GetFrameWindow() const override { return nullptr; }
    long hints = 0;
};

class ListeningTarget : public CPacketTarget {
public:
    using CPacketTarget::CPacketTarget;
    int OnSessionEvent(int, const QString& text) override {
        bytes += text.size();
        return 0;
    }
    long bytes = 0;
};

void BM_ArrivalsThenChangeBursts(benchmark::State& state) {
    const int users = int(state.range(0));
    const auto arrivals = CMessagePacket::MakePlain(97, benchpackets::ArrivalsText(users, [](int) { return 0; }, false));
    std::vector<CMessagePacketPtr> bursts;
    for (int round = 0; round < 20; ++round)
        bursts.push_back(CMessagePacket::MakePlain(110, Changes(users, 500, round)));
    for (auto _ : state) {
        CSessionDoc session;
        CountingView view;
        session.AddView(&view);
        ListeningTarget target(&session);
        session.DispatchPacket(*arrivals);
        for (const CMessagePacketPtr& burst : bursts)
            session.DispatchPacket(*burst);
        benchmark::DoNotOptimize(view.hints);
        benchmark::DoNotOptimize(target.bytes);
        session.RemoveView(&view);
    }
    state.SetItemsProcessed(state.iterations() * (users + 20 * 500));
}
BENCHMARK(BM_ArrivalsThenChangeBursts)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
