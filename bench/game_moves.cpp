// Legal-play generation: plays generated per second over a fixed set of played-out positions and
// every roll, and whole games played through command texts.
#include "RandomGames.h"

#include "game/BackgammonBoard.h"
#include "game/BgMoves.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct Position {
    BgSide me;
    BgSide opp;
};

// Positions from random games with a fixed seed: openings, contact, races and bear-offs.
const std::vector<Position>& Positions() {
    static const std::vector<Position> positions = [] {
        std::vector<Position> out;
        std::mt19937 random(7);
        std::uniform_int_distribution<int> die(1, 6);
        std::vector<BgPlay> plays;
        while (out.size() < 400) {
            BgSide sides[2];
            for (BgSide& s : sides) {
                s.c[24] = 2;
                s.c[13] = 5;
                s.c[8] = 3;
                s.c[6] = 5;
            }
            for (int turn = 0; sides[0].InPlay() > 0 && sides[1].InPlay() > 0 && turn < 300; ++turn) {
                BgSide& me = sides[turn % 2];
                BgSide& opp = sides[1 - turn % 2];
                if (turn % 5 == 0)
                    out.push_back({me, opp});
                bgmoves::GenerateLegalPlays(me, opp, die(random), die(random), plays);
                if (!plays.empty()) {
                    const BgPlay& play = plays[random() % plays.size()];
                    me = play.me;
                    opp = play.opp;
                }
            }
        }
        return out;
    }();
    return positions;
}

void BM_LegalPlays(benchmark::State& state) {
    const std::vector<Position>& positions = Positions();
    std::vector<BgPlay> plays;
    int64_t generated = 0;
    for (auto _ : state) {
        for (const Position& p : positions)
            for (int d1 = 1; d1 <= 6; ++d1)
                for (int d2 = d1; d2 <= 6; ++d2) {
                    bgmoves::GenerateLegalPlays(p.me, p.opp, d1, d2, plays);
                    generated += static_cast<int64_t>(plays.size());
                }
        benchmark::DoNotOptimize(plays.data());
    }
    state.counters["plays/s"] = benchmark::Counter(double(generated), benchmark::Counter::kIsRate);
    state.counters["positions"] = double(positions.size());
}
BENCHMARK(BM_LegalPlays)->Unit(benchmark::kMillisecond);

// Whole money games through the command interpreter: every roll, play and check as text.
void BM_GamesThroughCommands(benchmark::State& state) {
    RandomGamePlayer player(11);
    for (auto _ : state) {
        CBackgammonBoard board;
        board.ApplyCommand("s 0 0");
        while (board.GetState() == CBackgammonBoard::kStateAtRest) {
            board.ApplyCommand(player.DiceCommand('n'));
            ++player.commands;
        }
        player.PlayOut(board);
        if (player.refused > 0)
            state.SkipWithError("a generated play was refused");
    }
    state.counters["commands/s"] = benchmark::Counter(double(player.commands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GamesThroughCommands)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
