#include "BoardTestUtil.h"

#include <algorithm>

using gametest::BoardText;
using gametest::DrainLog;
using gametest::GameFrom;

namespace {

void Apply(CBackgammonBoard& board, const char* command) {
    ASSERT_EQ(board.ApplyCommand(command), 1) << command;
}

void Refuse(CBackgammonBoard& board, const char* command,
            CBackgammonBoard::CommandError why = CBackgammonBoard::kIllegal) {
    const QString before = board.GetSavedBoardText(1);
    const int state = board.GetState();
    const int steps = board.GetStepCount();
    EXPECT_EQ(board.ApplyCommand(command), 0) << command;
    EXPECT_EQ(board.GetLastCommandError(), why) << command;
    EXPECT_EQ(board.GetSavedBoardText(1), before) << command << ": a refused command changed the board";
    EXPECT_EQ(board.GetState(), state) << command;
    EXPECT_EQ(board.GetStepCount(), steps) << command;
}

// Opens a game that `starter` begins with 5-2 played 13/8 13/11; the other side is then on roll.
void OpenAndPlay(CBackgammonBoard& board, int starter) {
    if (starter == 1) {
        Apply(board, "n 5 2");
        Apply(board, "m 13/8 13/11");
    } else {
        Apply(board, "n 2 5");
        Apply(board, "m 12/17 12/14");
    }
}

// The side on roll doubles and the other side passes.
void DoubleAndDrop(CBackgammonBoard& board) {
    Apply(board, "d");
    Apply(board, "k");
}

} // namespace

TEST(BackgammonBoard, VariantStartingPositions) {
    CBackgammonBoard board;
    EXPECT_EQ(CBackgammonBoard::GetVariantName(0), "Backgammon");
    EXPECT_EQ(CBackgammonBoard::GetVariantName(1), "Nackgammon");
    EXPECT_EQ(CBackgammonBoard::GetVariantName(2), "Hypergammon");
    EXPECT_EQ(CBackgammonBoard::GetVariantName(3), "Propositions");
    EXPECT_TRUE(CBackgammonBoard::GetVariantName(4).isEmpty());

    struct Expect {
        int variant;
        int pips;
        int checkers;
        std::map<int, int> side1; // by position
    };
    const Expect cases[] = {
        {0, 167, 15, {{24, 2}, {13, 5}, {8, 3}, {6, 5}}},
        {1, 194, 15, {{24, 2}, {23, 2}, {13, 4}, {8, 3}, {6, 4}}},
        {2, 69, 3, {{24, 1}, {23, 1}, {22, 1}}},
        {3, 167, 15, {{24, 2}, {13, 5}, {8, 3}, {6, 5}}},
    };
    for (const Expect& e : cases) {
        ASSERT_TRUE(board.SetVariant(e.variant));
        EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAtRest);
        for (int side = 1; side <= 2; ++side) {
            EXPECT_EQ(board.GetPipCount(side), e.pips) << e.variant;
            EXPECT_EQ(board.GetTotalCheckers(side), e.checkers) << e.variant;
        }
        for (int position = -1; position <= 26; ++position) {
            const auto it = e.side1.find(position);
            EXPECT_EQ(board.GetCheckers(1, position), it == e.side1.end() ? 0 : it->second) << position;
            // Side 2 stands mirrored.
            const auto mirrored = e.side1.find(25 - position);
            if (position >= 1 && position <= 24) {
                EXPECT_EQ(board.GetCheckers(2, position), mirrored == e.side1.end() ? 0 : mirrored->second);
            }
        }
    }
    EXPECT_FALSE(board.SetVariant(7));
    EXPECT_EQ(board.GetVariant(), 3);
}

TEST(BackgammonBoard, OpeningMovesAndIllegalPlays) {
    CBackgammonBoard board;
    Apply(board, "s 5 0");
    EXPECT_EQ(board.GetMatchLength(), 5);
    EXPECT_TRUE(board.GetRules().crawford);
    Refuse(board, "r 3 1"); // no game yet
    Apply(board, "n 5 2");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateMoving);
    EXPECT_EQ(board.GetSideOnRoll(), 1);
    EXPECT_EQ(board.GetGameNumber(), 1);
    EXPECT_EQ(board.GetDie(0), 5);
    EXPECT_EQ(board.GetDie(1), 2);

    Refuse(board, "m 13/8");           // both dice can be played
    Refuse(board, "m 13/7 13/11");     // 6 is not on the dice
    Refuse(board, "m 24/19 13/11");    // 19 is held by side 2
    Refuse(board, "m 1/6 13/11");      // side 2's checkers
    Refuse(board, "m 13/8 13/11 6/5"); // too many steps
    Refuse(board, "r 3 1");
    Refuse(board, "d");

    Apply(board, "m 13/8 13/11");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    EXPECT_EQ(board.GetDie(0), 0);
    EXPECT_EQ(board.GetCount(13), 3);
    EXPECT_EQ(board.GetCount(11), 1);
    EXPECT_EQ(board.GetCount(8), 4);

    Refuse(board, "m 1/7 12/16"); // side 2 has not rolled
    Apply(board, "r 6 4");
    // 24/18 13/9 in side 2's own view.
    Apply(board, "m 1/7 12/16");
    EXPECT_EQ(board.GetCount(1), -1);
    EXPECT_EQ(board.GetCount(7), -1);
    EXPECT_EQ(board.GetCount(12), -4);
    EXPECT_EQ(board.GetCount(16), -1);
    EXPECT_EQ(board.GetPipCount(1), 167 - 7);
    EXPECT_EQ(board.GetPipCount(2), 167 - 10);
}

TEST(BackgammonBoard, ParseErrorsAreToldApart) {
    CBackgammonBoard board;
    Apply(board, "s 0 0");
    for (const char* bad : {"", "   ", "q", "rr 3 1", "r 5", "r a b", "n 5", "m 13-8", "c 13/8/5", "c", "d 2",
                            "x", "x one", "s 5", "s 5 0 1 1 0 0 0 0 0", "c 27/3", "m 13/x"}) {
        EXPECT_EQ(board.ApplyCommand(bad), 0) << bad;
        EXPECT_EQ(board.GetLastCommandError(), CBackgammonBoard::kSyntaxError) << bad;
    }
    Refuse(board, "s 5 9");   // no such variant
    Refuse(board, "s 5 0 2"); // flags are 0 or 1
    Apply(board, "  n   5  2 ");
    Refuse(board, "x 4");
    EXPECT_EQ(board.ApplyCommand("c 13/8", CBackgammonBoard::kCheckOnly), 1);
    EXPECT_EQ(board.GetStepCount(), 0) << "a checked command changes nothing";
    EXPECT_EQ(board.ApplyCommand("c 13/7", CBackgammonBoard::kCheckOnly), 0);
    EXPECT_EQ(board.GetLastCommandError(), CBackgammonBoard::kIllegal);
}

TEST(BackgammonBoard, StepsUndoAndTheWholePlay) {
    CBackgammonBoard board;
    Apply(board, "s 0 0");
    Apply(board, "n 5 2");
    Apply(board, "c 13/8");
    EXPECT_EQ(board.GetStepCount(), 1);
    EXPECT_EQ(board.FormatPlayText(), " 13/8");
    Refuse(board, "c 13/8"); // the 5 is used
    Apply(board, "c 8/6");
    EXPECT_EQ(board.FormatPlayText(), " 13/6") << "one checker's steps join into one path";
    Refuse(board, "c 6/4"); // no die left
    Apply(board, "z");
    EXPECT_EQ(board.FormatPlayText(), " 13/8");
    Apply(board, "z");
    EXPECT_EQ(board.FormatPlayText(), "");
    Refuse(board, "z");

    // The whole play replaces whatever steps were shown.
    Apply(board, "c 24/22");
    Apply(board, "m 13/8 13/11");
    EXPECT_EQ(board.GetCount(24), 2);
    EXPECT_EQ(board.GetCount(13), 3);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    Refuse(board, "z"); // a finished play cannot be taken back
}

TEST(BackgammonBoard, AStepThatStrandsTheOtherDieIsRefused) {
    // After 12/7 neither 7/1 nor 8/2 can play the 6, while 12/6 8/3 plays both dice.
    CBackgammonBoard board = GameFrom({{12, 1}, {8, 1}}, {{24, 2}, {23, 2}}, 1);
    Apply(board, "r 6 5");
    Refuse(board, "c 12/7");
    Refuse(board, "m 12/7");
    Apply(board, "c 8/3");
    Apply(board, "c 12/6");
    Apply(board, "m 8/3 12/6");
}

TEST(BackgammonBoard, HigherDieRuleAndForcedSingleDie) {
    // A lone checker on 24; after either die the other is blocked: the 6 must be played.
    CBackgammonBoard board = GameFrom({{24, 1}, {3, 14}}, {{12, 2}, {17, 2}}, 1);
    Apply(board, "r 6 5");
    Refuse(board, "m 24/19");
    Refuse(board, "c 24/19");
    Refuse(board, "m 24/18 18/13");
    Apply(board, "m 24/18");
}

TEST(BackgammonBoard, BarEntryAndAutomaticPassWhenNothingCanBePlayed) {
    // Side 2 holds side 1's entry points 24 to 20; only the 19 is open.
    CBackgammonBoard board =
        GameFrom({{25, 1}, {6, 14}}, {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {12, 5}}, 1);
    board.SetLogging(true);
    Apply(board, "r 3 1");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll) << "no move: the turn passes";
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    EXPECT_TRUE(DrainLog(board).contains("1 -SGP-| Cannot move"));

    Apply(board, "r 1 2");
    Apply(board, "m 13/14 13/15");
    Apply(board, "r 6 1");
    Refuse(board, "m 6/5 25/19"); // the bar first
    Refuse(board, "m 25/24 6/0");
    Apply(board, "m 25/19 19/18");
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kBar1), 0);
    EXPECT_EQ(board.GetCheckers(1, 18), 1);
}

TEST(BackgammonBoard, HittingSendsTheBlotToItsBar) {
    CBackgammonBoard board = GameFrom({{13, 2}}, {{15, 1}}, 1);
    Apply(board, "r 3 1");
    Apply(board, "m 13/10 10/9");
    EXPECT_EQ(board.GetCheckers(2, CBackgammonBoard::kBar2), 1);
    EXPECT_EQ(board.GetCheckers(2, 10), 0);
    // Side 2 must enter from its bar (0) before anything else.
    Apply(board, "r 4 2");
    Refuse(board, "m 0/4 0/2");
    Apply(board, "m 0/4 4/6");
}

TEST(BackgammonBoard, BearingOff) {
    CBackgammonBoard board = GameFrom({{6, 1}, {4, 2}, {8, 1}}, {{12, 3}}, 1);
    Apply(board, "r 6 2");
    Refuse(board, "m 6/-1 4/2"); // the 8 is not home yet
    Refuse(board, "m 8/2 6/0");  // 0 is side 2's bar, not side 1's tray
    Apply(board, "m 8/2 2/-1");
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 12);
}

TEST(BackgammonBoard, BearingOffWithLargerDice) {
    CBackgammonBoard board = GameFrom({{5, 1}, {3, 2}}, {{12, 3}}, 1);
    Apply(board, "r 6 4");
    Refuse(board, "m 3/-1 5/-1"); // a larger die bears off only from the highest point
    Apply(board, "m 5/-1 3/-1");
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 14);
    EXPECT_EQ(board.GetCheckers(1, 3), 1);
}

TEST(BackgammonBoard, DoublingTakingAndPassing) {
    CBackgammonBoard board;
    Apply(board, "s 0 0");
    OpenAndPlay(board, 1);
    EXPECT_TRUE(board.CanDouble());
    Apply(board, "d");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateCubeOffered);
    EXPECT_EQ(board.GetActingSide(), 1);
    EXPECT_EQ(board.GetOfferedCubeValue(), 2);
    Refuse(board, "r 3 1");
    Refuse(board, "d"); // no beavers in these rules
    Apply(board, "a");
    EXPECT_EQ(board.GetCubeValue(), 2);
    EXPECT_EQ(board.GetCubeOwner(), 1);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    Refuse(board, "d"); // side 1 owns the cube
    Apply(board, "r 6 4");
    Apply(board, "m 1/7 12/16");
    Apply(board, "d"); // the owner redoubles
    EXPECT_EQ(board.GetOfferedCubeValue(), 4);
    Apply(board, "k");
    EXPECT_EQ(board.GetLastWinner(), 1);
    EXPECT_EQ(board.GetLastPoints(), 2) << "a pass gives the cube value before the double";
    EXPECT_EQ(board.GetScore(1), 2);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAtRest);
    EXPECT_FALSE(board.IsGameInProgress());

    // The next game starts afresh: opening position and a centred cube.
    Apply(board, "n 1 6");
    EXPECT_EQ(board.GetCubeValue(), 1);
    EXPECT_EQ(board.GetCubeOwner(), 0);
    EXPECT_EQ(board.GetPipCount(1), 167);
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    EXPECT_EQ(board.GetGameNumber(), 2);
}

TEST(BackgammonBoard, GammonsAndBackgammonsCountWithTheCube) {
    struct Case {
        gametest::SideSpec loser;
        int cube;
        int points;
    };
    const Case cases[] = {
        {{{12, 15}}, 1, 2},           // nothing borne off: gammon
        {{{12, 14}}, 1, 1},           // one borne off: single game
        {{{12, 14}, {22, 1}}, 2, 6},  // a checker in the winner's home: backgammon, cube 2
        {{{12, 14}, {3, 1}}, 2, 4},   // only in its own home: gammon
        {{{12, 14}, {25, 1}}, 4, 12}, // on the bar: backgammon, cube 4
    };
    for (const Case& c : cases) {
        CBackgammonBoard board;
        CBackgammonBoard::Rules rules;
        rules.matchLength = 0;
        ASSERT_TRUE(board.ReadBoardText(BoardText({{2, 1}}, c.loser, 1, c.cube, c.cube > 1 ? 1 : 0), 1));
        board.SetRules(rules);
        board.MarkStartPosition();
        Apply(board, "n");
        EXPECT_EQ(board.GetCubeValue(), c.cube);
        Apply(board, "r 6 5");
        Apply(board, "m 2/-1");
        EXPECT_EQ(board.GetLastWinner(), 1);
        EXPECT_EQ(board.GetLastPoints(), c.points);
        EXPECT_EQ(board.GetScore(1), c.points);
    }
}

TEST(BackgammonBoard, JacobyRuleNeedsATurnedCube) {
    CBackgammonBoard::Rules rules;
    rules.jacoby = true;
    CBackgammonBoard board = GameFrom({{2, 1}}, {{12, 15}}, 1, rules);
    Apply(board, "r 6 5");
    Apply(board, "m 2/-1");
    EXPECT_EQ(board.GetLastPoints(), 1) << "no gammon while the cube is centred";

    board = CBackgammonBoard();
    board.SetRules(rules);
    ASSERT_TRUE(board.ReadBoardText(BoardText({{2, 1}}, {{12, 15}}, 1, 2, 2), 1));
    board.MarkStartPosition();
    Apply(board, "n");
    Apply(board, "r 6 5");
    Apply(board, "m 2/-1");
    EXPECT_EQ(board.GetLastPoints(), 4) << "a turned cube lets the gammon count";

    // An automatic double leaves the cube in the middle, unturned: the gammon counts single.
    board = CBackgammonBoard();
    board.SetRules(rules);
    ASSERT_TRUE(board.ReadBoardText(BoardText({{2, 1}}, {{12, 15}}, 1, 2, 0), 1));
    board.MarkStartPosition();
    Apply(board, "n");
    Apply(board, "r 6 5");
    Apply(board, "m 2/-1");
    EXPECT_EQ(board.GetLastPoints(), 2) << "single game times the cube";
}

TEST(BackgammonBoard, CrawfordGameHasNoDoubling) {
    CBackgammonBoard board;
    board.SetLogging(true);
    Apply(board, "s 3 0");
    OpenAndPlay(board, 1);
    DoubleAndDrop(board); // side 2 wins 1
    OpenAndPlay(board, 1);
    DoubleAndDrop(board); // side 2 wins 1: 0-2, one away from 3
    DrainLog(board);
    EXPECT_FALSE(board.IsCrawfordGame());
    Apply(board, "n 5 2");
    EXPECT_TRUE(board.IsCrawfordGame());
    EXPECT_TRUE(DrainLog(board).contains("Game 3: White 0, Black 2 (3 point match, Crawford game)"));
    Apply(board, "m 13/8 13/11");
    EXPECT_FALSE(board.CanDouble());
    Refuse(board, "d");
    Apply(board, "x 1"); // side 2 resigns a single game
    Apply(board, "y");
    EXPECT_EQ(board.GetScore(1), 1);

    // Post-Crawford: doubling is allowed again.
    Apply(board, "n 5 2");
    EXPECT_FALSE(board.IsCrawfordGame());
    Apply(board, "m 13/8 13/11");
    EXPECT_TRUE(board.CanDouble());
    DoubleAndDrop(board);
    EXPECT_TRUE(board.IsMatchOver());
    EXPECT_EQ(board.GetScore(2), 3);
    EXPECT_TRUE(DrainLog(board).contains("2 ES-P-| Wins 1 point and the match"));
    Refuse(board, "n 5 2");
}

TEST(BackgammonBoard, ResignationsOfferedAcceptedAndRejected) {
    CBackgammonBoard board;
    Apply(board, "s 0 0");
    OpenAndPlay(board, 1);
    Apply(board, "d");
    Apply(board, "a"); // cube 2 on side 1's side; side 2 on roll
    Apply(board, "r 6 4");
    Apply(board, "c 1/7");
    Refuse(board, "x 0");
    Apply(board, "x 2");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateResignOffered);
    EXPECT_EQ(board.GetActingSide(), 1);
    EXPECT_EQ(board.GetResignLevel(), 2);
    Refuse(board, "c 12/16");
    Apply(board, "u");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateMoving) << "the turn goes on where it stopped";
    EXPECT_EQ(board.GetStepCount(), 1);
    Apply(board, "c 12/16");
    Apply(board, "m 1/7 12/16");
    Apply(board, "r 3 1");
    Apply(board, "x 3"); // side 1 offers a backgammon
    Apply(board, "y");
    EXPECT_EQ(board.GetLastWinner(), 2);
    EXPECT_EQ(board.GetLastPoints(), 6);
}

TEST(BackgammonBoard, BeaversRaccoonsAndAutomaticDoubles) {
    CBackgammonBoard board;
    board.SetLogging(true);
    Apply(board, "s 0 0 1 0 0 1 1 1"); // cube, automatic doubles, beavers, raccoons
    Apply(board, "n 3 3");
    EXPECT_EQ(board.GetCubeValue(), 2);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAtRest);
    Apply(board, "n 4 4"); // only one automatic double a game
    EXPECT_EQ(board.GetCubeValue(), 2);
    Apply(board, "n 5 2");
    EXPECT_EQ(board.GetCubeValue(), 2);
    EXPECT_TRUE(DrainLog(board).contains("0 E----|Automatic double => 2\n"));
    Apply(board, "m 13/8 13/11");
    Apply(board, "d"); // side 2 offers 4
    Apply(board, "d"); // side 1 beavers: 8, its own cube
    EXPECT_EQ(board.GetCubeValue(), 8);
    EXPECT_EQ(board.GetCubeOwner(), 1);
    EXPECT_EQ(board.GetActingSide(), 2) << "the doubler may raccoon";
    Refuse(board, "k");
    Apply(board, "d"); // raccoon: 16, back to side 2
    EXPECT_EQ(board.GetCubeValue(), 16);
    EXPECT_EQ(board.GetCubeOwner(), 2);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    EXPECT_EQ(board.GetSideOnRoll(), 2);
    const QString log = DrainLog(board);
    EXPECT_TRUE(log.contains("| Beavers => 8")) << qPrintable(log);
    EXPECT_TRUE(log.contains("| Raccoons => 16")) << qPrintable(log);
}

TEST(BackgammonBoard, UncheckedStepsAndEditing) {
    CBackgammonBoard board;
    Apply(board, "s 0 0");
    Apply(board, "n 5 2");
    board.SetUncheckedStep(true);
    Apply(board, "c 24/3");   // no die moves that far
    Refuse(board, "c 13/19"); // side 2 holds 19
    Refuse(board, "c 13/13");
    Refuse(board, "c 1/7"); // not the mover's checker
    Apply(board, "m 24/3 6/-1");
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 1);
    EXPECT_EQ(board.GetCheckers(1, 3), 1);
    board.SetUncheckedStep(false);

    // Edit state: checkers of either side move freely once editing is allowed; no hits.
    ASSERT_TRUE(board.SetState(CBackgammonBoard::kStateEdit));
    Refuse(board, "c 13/12");
    board.SetEditingAllowed(true);
    Refuse(board, "c 1/-1"); // side 2's checker into side 1's tray
    Apply(board, "c 1/26");
    Apply(board, "c -1/5");
    Refuse(board, "c 6/19"); // onto side 2's point
    EXPECT_EQ(board.GetStepCount(), 2);
    Apply(board, "z");
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 1);
    EXPECT_EQ(board.GetCheckers(2, CBackgammonBoard::kTray2), 1);
    Refuse(board, "r 3 1");

    const std::vector<int> destinations = board.GetLegalDestinations(CBackgammonBoard::kTray1);
    EXPECT_EQ(std::count(destinations.begin(), destinations.end(), 19), 0);
    EXPECT_EQ(std::count(destinations.begin(), destinations.end(), 25), 1);
    EXPECT_EQ(std::count(destinations.begin(), destinations.end(), 0), 0);
}

TEST(BackgammonBoard, AddingAndRemovingCheckers) {
    CBackgammonBoard board;
    EXPECT_FALSE(board.AddChecker(1, 5)) << "fifteen already";
    ASSERT_TRUE(board.RemoveChecker(6));
    EXPECT_FALSE(board.AddChecker(1, 19)) << "side 2 holds 19";
    EXPECT_FALSE(board.AddChecker(1, CBackgammonBoard::kTray2));
    EXPECT_FALSE(board.AddChecker(1, CBackgammonBoard::kBar2));
    EXPECT_FALSE(board.AddChecker(3, 5));
    EXPECT_TRUE(board.AddChecker(1, CBackgammonBoard::kBar1));
    EXPECT_EQ(board.GetCount(CBackgammonBoard::kBar1), 1);
    EXPECT_FALSE(board.RemoveChecker(3));
    EXPECT_FALSE(board.RemoveChecker(30));

    // Clearing the board as the proposition view does: every checker to its own tray.
    for (int position = -1; position <= 26; ++position) {
        while (board.GetCheckers(1, position) > 0 && position != CBackgammonBoard::kTray1) {
            ASSERT_TRUE(board.RemoveChecker(position));
            ASSERT_TRUE(board.AddChecker(1, CBackgammonBoard::kTray1));
        }
        while (board.GetCheckers(2, position) > 0 && position != CBackgammonBoard::kTray2) {
            ASSERT_TRUE(board.RemoveChecker(position));
            ASSERT_TRUE(board.AddChecker(2, CBackgammonBoard::kTray2));
        }
    }
    EXPECT_EQ(board.GetCheckers(1, CBackgammonBoard::kTray1), 15);
    EXPECT_EQ(board.GetCheckers(2, CBackgammonBoard::kTray2), 15);
    EXPECT_EQ(board.GetPipCount(1), 0);
}

TEST(BackgammonBoard, CopiesAreIndependentValues) {
    CBackgammonBoard board;
    board.SetLogging(true);
    Apply(board, "s 0 0");
    Apply(board, "n 5 2");
    Apply(board, "c 13/8");
    CBackgammonBoard copy;
    copy = board;
    Apply(copy, "c 13/11");
    Apply(copy, "m 13/8 13/11");
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateMoving);
    EXPECT_EQ(board.GetStepCount(), 1);
    EXPECT_EQ(board.GetCount(11), 0);
    EXPECT_EQ(copy.GetCount(11), 1);
    EXPECT_EQ(board.GetLogRecordCount() + 1, copy.GetLogRecordCount())
        << "the play is logged in the copy only";
    Apply(board, "c 13/11");
    Apply(board, "m 13/8 13/11");
    EXPECT_EQ(board.GetSavedBoardText(1), copy.GetSavedBoardText(1));
}
