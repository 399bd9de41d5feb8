// Board text (as proposition files and saved positions hold it) and then game commands on that
// board: the board stays sound, and a position that reads writes back to the same text.

#include "BoardChecks.h"

NORVALE_FUZZ_TARGET(board_text)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const int side = input.TakeByte() % 2 + 1;
    const QString text = QString::fromLatin1(input.TakeField());

    CBackgammonBoard board;
    if (!board.ReadBoardText(text, side))
        return;
    // A set-up position holds 1 to 15 checkers a side, and keeps them.
    int checkers1 = board.GetTotalCheckers(1), checkers2 = board.GetTotalCheckers(2);
    fuzz::Check(checkers1 >= 1 && checkers1 <= 15 && checkers2 >= 1 && checkers2 <= 15,
                "a position with too many or too few checkers read", text);
    CheckBoardSound(board, text, checkers1, checkers2);
    const QString saved = board.GetSavedBoardText(side);
    CBackgammonBoard again;
    fuzz::Check(again.ReadBoardText(saved, side), "a saved position does not read", saved);
    fuzz::Check(again.GetSavedBoardText(side) == saved, "a saved position reads differently", saved);

    // Commands follow, one a line.
    board.SetEditingAllowed(true);
    for (const QByteArray& line : input.TakeRest().split('\n')) {
        const QString command = QString::fromLatin1(line);
        const bool tryOnly = line.startsWith('?');
        const int applied = board.ApplyCommand(command, tryOnly ? CBackgammonBoard::kCheckOnly : 0);
        const QString letter = command.trimmed().left(1);
        if (applied == 1 && !tryOnly && (letter == u"s" || letter == u"n")) {
            // A match start or a new game sets up its start position afresh.
            checkers1 = board.GetTotalCheckers(1);
            checkers2 = board.GetTotalCheckers(2);
            fuzz::Check(checkers1 >= 1 && checkers1 <= 15 && checkers2 >= 1 && checkers2 <= 15,
                        "a start position with too many or too few checkers", command);
        }
        CheckBoardSound(board, command, checkers1, checkers2);
        (void)board.FormatPlayText();
        board.PopLogRecord();
    }
}
