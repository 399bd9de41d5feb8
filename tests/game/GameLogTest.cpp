#include "BoardTestUtil.h"

using gametest::DrainLog;

namespace {

QString Play(CBackgammonBoard& board, const QStringList& commands) {
    for (const QString& command : commands)
        EXPECT_EQ(board.ApplyCommand(command), 1) << qPrintable(command);
    return DrainLog(board);
}

} // namespace

// The log notation is read back by the match log, its text and RTF exports: these texts are frozen.
TEST(GameLog, AShortMatchGame) {
    CBackgammonBoard board;
    board.SetPlayers({"Ann", "Bob"}, 0, false);
    board.SetLogging(true);
    const QString log = Play(board, {"s 3 0", "n 5 2", "m 13/8 13/11", "r 6 4", "m 1/7 12/16", "d", "a",
                                     "r 3 1", "m 8/5 6/5", "d", "k"});
    EXPECT_EQ(log, "0 E----|3 point match\n"
                   "0 E----|Game 1: Ann 0, Bob 0 (3 point match)\n"
                   "0 ----N|1\n"
                   "1 -----|52:\n"
                   "1 -SGP-| 13/8 13/11\n"
                   "2 -----|64:\n"
                   "2 ES-P-| 24/18 13/9\n"
                   "0 ----N|2\n"
                   "1 -S-P-| Doubles => 2\n"
                   "2 ES---| Takes\n"
                   "0 ----N|3\n"
                   "1 -----|31:\n"
                   "1 -S-P-| 8/5 6/5\n"
                   "2 ES-P-| Doubles => 4\n"
                   "0 ----N|4\n"
                   "1 -S---| Drops\n"
                   "2 ES-P-| Wins 2 points\n");
    EXPECT_EQ(board.FormatPlayersTitle(), "Ann vs. Bob");

    // The next game is the Crawford game, and side 2 opens it.
    const QString next = Play(board, {"n 1 3", "m 12/15 1/2", "r 2 2"});
    EXPECT_EQ(next, "0 E----|Game 2: Ann 0, Bob 2 (3 point match, Crawford game)\n"
                    "0 ----N|1\n"
                    "2 -----|13:\n"
                    "2 ESGP-| 13/10 24/23\n"
                    "0 ----N|2\n"
                    "1 -----|22:\n");
}

TEST(GameLog, PlayNotationJoinsPathsAndMarksHits) {
    // Side 1: 24 and 13; side 2 has blots on side 1's 18 and 11 points.
    CBackgammonBoard board = gametest::GameFrom({{24, 1}, {13, 1}, {6, 13}}, {{7, 1}, {14, 1}, {6, 13}}, 1);
    board.SetLogging(true);
    DrainLog(board);
    EXPECT_EQ(Play(board, {"r 6 5", "m 24/18 18/13"}), "0 ----N|1\n"
                                                       "1 -----|65:\n"
                                                       "1 -SGP-| 24/18*/13\n");
    // Side 2 enters and plays on; then side 1 rolls doubles and takes four steps with two checkers,
    // hitting on the way.
    Play(board, {"r 2 1", "m 0/2 2/3"});
    EXPECT_EQ(Play(board, {"r 2 2", "m 13/11 11/9 6/4 9/7"}), "0 ----N|2\n"
                                                              "1 -----|22:\n"
                                                              "1 -S-P-| 13/11*/7 6/4\n");
    EXPECT_EQ(board.GetCount(11), 0);
    EXPECT_EQ(board.GetCount(CBackgammonBoard::kBar2), -1);
}

TEST(GameLog, BearOffWinsAndTheMatch) {
    CBackgammonBoard board;
    board.SetPlayers({"Ann", "Bob"}, 1, false);
    board.SetLogging(true);
    ASSERT_EQ(board.ApplyCommand("s 1 0"), 1);
    ASSERT_TRUE(board.ReadBoardText(gametest::BoardText({{1, 1}, {2, 1}}, {{12, 15}}, 1), 1));
    board.MarkStartPosition();
    DrainLog(board);
    EXPECT_EQ(Play(board, {"n", "r 2 1", "m 2/-1 1/-1"}), "0 E----|Game 1: Ann 0, Bob 0 (1 point match)\n"
                                                          "0 ----N|1\n"
                                                          "1 -----|21:\n"
                                                          "1 ESGP-| 2/off 1/off\n"
                                                          "1 ES-P-| Wins 2 points and the match\n");
    EXPECT_TRUE(board.IsMatchOver());
}

TEST(GameLog, ResignationsAndLoggingSwitch) {
    CBackgammonBoard board;
    board.SetLogging(true);
    Play(board, {"s 0 0", "n 2 5", "m 12/17 12/14"});
    EXPECT_EQ(Play(board, {"x 1", "u", "r 3 1", "x 2", "y"}), "0 ----N|2\n"
                                                              "1 -S---| Offers to resign a single game\n"
                                                              "2 ES---| Rejects\n"
                                                              "0 ----N|3\n"
                                                              "1 -----|31:\n"
                                                              "1 -S---| Offers to resign a gammon\n"
                                                              "2 ES---| Accepts\n"
                                                              "2 ES-P-| Wins 2 points\n");
    // Without logging nothing is queued, but the move numbers go on.
    board.SetLogging(false);
    Play(board, {"n 5 2", "m 13/8 13/11"});
    EXPECT_EQ(board.GetLogRecordCount(), 0);
    board.SetLogging(true);
    EXPECT_EQ(Play(board, {"r 1 1"}), "2 -----|11:\n");
    EXPECT_EQ(board.FormatPlayText(), "");
    ASSERT_EQ(board.ApplyCommand("c 1/2"), 1);
    EXPECT_EQ(board.FormatPlayText(), " 24/23");
}

TEST(GameLog, RecordsCarryTheEventsForExports) {
    CBackgammonBoard board;
    board.SetLogging(true);
    for (const char* command : {"s 5 1", "n 2 6", "m 1/7 12/14", "d", "k"})
        ASSERT_EQ(board.ApplyCommand(command), 1) << command;
    std::vector<std::unique_ptr<CGameLogRecord>> records;
    while (auto record = board.PopLogRecord())
        records.push_back(std::move(record));
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records[0]->kind, CGameLogRecord::kMatchStart);
    EXPECT_EQ(records[0]->text, "Nackgammon, 5 point match");
    EXPECT_EQ(records[0]->a, 5);
    EXPECT_EQ(records[0]->b, 1);
    EXPECT_EQ(records[1]->kind, CGameLogRecord::kGameStart);
    EXPECT_EQ(records[1]->c, 2) << "side 2 starts";
    EXPECT_EQ(records[3]->kind, CGameLogRecord::kRoll);
    EXPECT_EQ(records[3]->a, 2);
    EXPECT_EQ(records[3]->b, 6);
    EXPECT_EQ(records[4]->kind, CGameLogRecord::kPlay);
    const std::vector<std::pair<int, int>> steps{{24, 18}, {13, 11}};
    EXPECT_EQ(records[4]->steps, steps);
    EXPECT_EQ(records[6]->kind, CGameLogRecord::kDouble);
    EXPECT_EQ(records[6]->a, 2);
    EXPECT_EQ(records[7]->kind, CGameLogRecord::kDrop);
    EXPECT_EQ(records[8]->kind, CGameLogRecord::kWin);
    EXPECT_EQ(records[8]->side, 1);
    EXPECT_EQ(records[8]->a, 1);
    EXPECT_EQ(records[8]->b, 0);
    EXPECT_EQ(records[8]->text, " Wins 1 point");
}
