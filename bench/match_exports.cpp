// The exports of a long match are built well within a second: a 25 point match of random games
// (several thousand moves, a chat line after every tenth), as plain text, Snowie text and RTF; the
// RTF once without pictures and once with a picture for each of 20 marked positions.
#include "BenchMain.h"
#include "RandomGames.h"
#include "game/BackgammonDoc.h"
#include "game/GameSessionLink.h"
#include "game/RuleOptions.h"
#include "records/MatchExports.h"
#include "records/MatchTextWriter.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

class BenchSession : public CGameSessionLink {
public:
    bool Send(int, const QString&, const QString&) override { return true; }
    QString GetNickname() const override { return QStringLiteral("Ann"); }
    QString GetServiceName() const override { return QStringLiteral(".gb.Ann.Bob"); }
    bool IsConnected() const override { return false; }
    QString CurrentPacketSource() const override { return source; }
    QString source;
};

// The match, played once: the board's random games go into the document as the server's moves.
struct LongMatch {
    BenchSession session;
    CBackgammonDoc doc{&session};

    LongMatch() {
        doc.SetupPlayersFromService();
        CBGRuleOptions::Values v;
        v.matchLength = 25;
        v.crawford = true;
        doc.StartMatch(CBGRuleOptions(v));
        CBackgammonBoard board = doc.GetBoard();
        RandomGamePlayer player(7);
        const auto send = [&](const QString& command) {
            session.source = QStringLiteral(".");
            doc.OnPacket(CBackgammonDoc::kMovePacket,
                         QStringLiteral("%1 %2").arg(doc.GetMatchRecord().GetMoveCount() + 1).arg(command));
        };
        while (!board.IsMatchOver()) {
            const QString opening = player.DiceCommand('n');
            if (board.ApplyCommand(opening) != 1)
                break;
            send(opening);
            while (board.IsGameInProgress()) {
                // One command at a time, so that the document gets each of them.
                if (board.GetState() == CBackgammonBoard::kStateAwaitingRoll) {
                    const QString roll = player.DiceCommand('r');
                    board.ApplyCommand(roll);
                    send(roll);
                    continue;
                }
                board.GetLegalPlays(player.plays);
                const BgPlay& play = player.plays[player.random() % player.plays.size()];
                const int side = board.GetSideOnRoll();
                QString command = QStringLiteral("m");
                for (int i = 0; i < play.count; ++i)
                    command += QStringLiteral(" %1/%2")
                                   .arg(CBackgammonBoard::PositionOf(side, play.steps[i].from))
                                   .arg(CBackgammonBoard::PositionOf(side, play.steps[i].to));
                board.ApplyCommand(command);
                send(command);
                if (doc.GetMatchRecord().GetCount() % 10 == 0) {
                    session.source = QStringLiteral("Bob");
                    doc.OnPacket(203, QStringLiteral("a line of chat"));
                }
            }
        }
    }
};

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
