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

    // Rolls and plays a random legal play until the game in progress ends; each command goes to
    // applied(command) once the board has taken it.
    template <typename Applied> void PlayOut(CBackgammonBoard& board, Applied&& applied) {
        while (board.IsGameInProgress()) {
            if (board.GetState() == CBackgammonBoard::kStateAwaitingRoll) {
                const QString roll = DiceCommand('r');
                board.ApplyCommand(roll);
                ++commands;
                applied(roll);
                continue;
            }
            board.GetLegalPlays(plays);
            const BgPlay& play = plays[random() % plays.size()];
            const QString command = CBackgammonBoard::MoveCommand(board.GetSideOnRoll(), play);
            if (board.ApplyCommand(command) != 1)
                ++refused;
            ++commands;
            applied(command);
        }
    }
    void PlayOut(CBackgammonBoard& board) {
        PlayOut(board, [](const QString&) {});
    }
};
