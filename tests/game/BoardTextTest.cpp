#include "BoardTestUtil.h"

namespace {
const QString kOpening = "1.0 0 0 -2 0 0 0 0 5 0 3 0 0 0 -5 5 0 0 0 -3 0 -5 0 0 0 0 2 0 0 ";
}

TEST(BoardText, OpeningPositionSeenFromEitherSide) {
    CBackgammonBoard board;
    EXPECT_EQ(board.GetSavedBoardText(1), kOpening + "1 0 1 0 0 0 0");
    // The opening is symmetric: only the side on roll changes.
    EXPECT_EQ(board.GetSavedBoardText(2), kOpening + "1 0 2 0 0 0 0");
}

TEST(BoardText, RoundTripsFromBothSides) {
    CBackgammonBoard board;
    board.SetPlayers({"Ann", "Bob"}, 0, false);
    for (const char* command : {"s 7 0", "n 6 1", "m 13/7 8/7", "d", "a", "r 5 3"})
        ASSERT_EQ(board.ApplyCommand(command), 1) << command;
    ASSERT_TRUE(board.SetScore(1, 3));
    const QString fromSide1 = board.GetSavedBoardText(1);
    const QString fromSide2 = board.GetSavedBoardText(2);
    EXPECT_EQ(fromSide1, "1.0 0 0 -2 0 0 0 0 5 2 2 0 0 0 -5 4 0 0 0 -3 0 -5 0 0 0 0 2 0 0 2 1 2 5 3 3 0");
    EXPECT_EQ(fromSide2, "1.0 0 0 -2 0 0 0 0 5 0 3 0 0 0 -4 5 0 0 0 -2 -2 -5 0 0 0 0 2 0 0 2 2 1 5 3 0 3");

    CBackgammonBoard copy;
    ASSERT_TRUE(copy.ReadBoardText(fromSide1, 1));
    EXPECT_EQ(copy.GetSavedBoardText(1), fromSide1);
    CBackgammonBoard mirrored;
    ASSERT_TRUE(mirrored.ReadBoardText(fromSide2, 2));
    EXPECT_EQ(mirrored.GetSavedBoardText(1), fromSide1);
    EXPECT_EQ(mirrored.GetCubeOwner(), 1);
    EXPECT_EQ(mirrored.GetSideOnRoll(), 2);
    EXPECT_EQ(mirrored.GetDie(0), 5);
    EXPECT_EQ(mirrored.GetScore(1), 3);
    // Read as the other side, the same text swaps the sides.
    ASSERT_TRUE(mirrored.ReadBoardText(fromSide1, 2));
    EXPECT_EQ(mirrored.GetSavedBoardText(1), fromSide2);
}

TEST(BoardText, BadTextsAreRefusedAndTheBoardKept) {
    CBackgammonBoard board;
    ASSERT_EQ(board.ApplyCommand("s 0 0"), 1);
    ASSERT_EQ(board.ApplyCommand("n 3 1"), 1);
    ASSERT_EQ(board.ApplyCommand("m 8/5 6/5"), 1);
    const QString before = board.GetSavedBoardText(1);

    const QString tail = " 1 0 1 0 0 0 0";
    const QStringList bad = {
        // sixteen checkers of side 1 (one more on its 6 point)
        "1.0 0 0 -2 0 0 0 0 6 0 3 0 0 0 -5 5 0 0 0 -3 0 -5 0 0 0 0 2 0 0" + tail,
        // sixteen of one side though each position holds fifteen or fewer
        "1.0 15 0 -2 0 0 0 0 1 0 0 0 0 0 -5 0 0 0 0 -3 0 -5 0 0 0 0 0 0 0" + tail,
        // side 1's checker on side 2's bar, side 2's in side 1's tray
        "1.0 0 1 -2 0 0 0 0 4 0 3 0 0 0 -5 5 0 0 0 -3 0 -5 0 0 0 0 2 0 0" + tail,
        "1.0 -1 0 -1 0 0 0 0 5 0 3 0 0 0 -5 5 0 0 0 -3 0 -5 0 0 0 0 2 0 0" + tail,
        // no checkers at all for side 2
        "1.0 0 0 0 0 0 0 0 5 0 3 0 0 0 0 5 0 0 0 0 0 0 0 0 0 0 2 0 0" + tail,
        // count out of range
        "1.0 0 0 -99 0 0 0 0 5 0 3 0 0 0 -5 5 0 0 0 -3 0 -5 0 0 0 0 2 0 0" + tail,
        kOpening + "3 0 1 0 0 0 0",    // cube not a power of two
        kOpening + "8192 0 1 0 0 0 0", // cube too high
        kOpening + "2 3 1 0 0 0 0",    // owner
        kOpening + "1 0 0 0 0 0 0",    // nobody on roll
        kOpening + "1 0 1 7 1 0 0",    // die
        kOpening + "1 0 1 3 0 0 0",    // one die only
        kOpening + "1 0 1 0 0 -1 0",   // score
        kOpening + "1 0 1 0 0 0",      // a field missing
        kOpening + "1 0 1 0 0 0 0 0",  // a field too many
        kOpening + "1 0 1 0 0 x 0",
        "1.0 " // nothing after the version
    };
    for (const QString& text : bad) {
        EXPECT_FALSE(board.ReadBoardText(text, 1)) << text.toStdString();
        EXPECT_EQ(board.GetSavedBoardText(1), before) << text.toStdString();
    }
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
}

TEST(BoardText, AnotherVersionLeavesAClearedBoard) {
    for (const QString& text : {QString("2.0 0 0"), QString(), QString("garbage"), QString("1.0")}) {
        CBackgammonBoard board;
        ASSERT_TRUE(board.SetCube(4, 1));
        EXPECT_FALSE(board.ReadBoardText(text, 1));
        EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 15) << text.toStdString();
        EXPECT_EQ(board.GetCheckers(2, CBackgammonBoard::kTray2), 15);
        EXPECT_EQ(board.GetPipCount(1), 0);
        EXPECT_EQ(board.GetCubeValue(), 1);
    }
}

TEST(BoardText, ReadingDuringATurnEndsIt) {
    CBackgammonBoard board;
    ASSERT_EQ(board.ApplyCommand("n 3 1"), 1);
    ASSERT_EQ(board.ApplyCommand("c 8/5"), 1);
    ASSERT_TRUE(board.ReadBoardText(kOpening + "1 0 2 4 4 0 0", 1));
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAtRest);
    EXPECT_EQ(board.GetStepCount(), 0);
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    EXPECT_EQ(board.GetDie(1), 4);
    EXPECT_EQ(board.ApplyCommand("z"), 0);
}
