#pragma once

#include "game/BackgammonBoard.h"

#include <QString>

#include <cstdint>
#include <random>
#include <vector>

// Random games through the board's command interpreter, for the benchmarks that need played-out
// games: every roll and play goes in as command text.
struct RandomGamePlayer {
    std::mt19937 random;
    std::uniform_int_distribution<int> die{1, 6};
    std::vector<BgPlay> plays;
    int64_t commands = 0;
    int64_t refused = 0;

    explicit RandomGamePlayer(unsigned seed) : random(seed) {}

    // A command with two random dice: "n 3 5" (the opening roll) or "r 6 2".
    QString DiceCommand(char verb) {
        const int first = die(random);
        const int second = die(random);
        return QStringLiteral("%1 %2 %3").arg(QLatin1Char(verb)).arg(first).arg(second);
    }

    // Rolls and plays a random legal play until the game in progress ends.
    void PlayOut(CBackgammonBoard& board) {
        while (board.IsGameInProgress()) {
            if (board.GetState() == CBackgammonBoard::kStateAwaitingRoll) {
                board.ApplyCommand(DiceCommand('r'));
                ++commands;
                continue;
            }
            board.GetLegalPlays(plays);
            const BgPlay& play = plays[random() % plays.size()];
            const int side = board.GetSideOnRoll();
            QString command = QStringLiteral("m");
            for (int i = 0; i < play.count; ++i)
                command += QStringLiteral(" %1/%2")
                               .arg(CBackgammonBoard::PositionOf(side, play.steps[i].from))
                               .arg(CBackgammonBoard::PositionOf(side, play.steps[i].to));
            if (board.ApplyCommand(command) != 1)
                ++refused;
            ++commands;
        }
    }
};
