// Playing a proposition: the match start a room's terms stand for, games from the agreed position, and
// a contract counted in games.

#include "game/PropRuleOptions.h"

#include <gtest/gtest.h>

namespace {

// A board text seen from side 1 with these counts by position (side 2 negative), cube and side on roll.
QString Position(const std::map<int, int>& counts, int cube, int owner, int onRoll) {
    QStringList fields;
    for (int position = -1; position <= 26; ++position)
        fields << QString::number(counts.count(position) ? counts.at(position) : 0);
    return QStringLiteral("1.0 %1 %2 %3 %4 0 0 0 0").arg(fields.join(' ')).arg(cube).arg(owner).arg(onRoll);
}

// White: three on its six point; Black: three on its six point; White owns a cube of 2, Black on roll.
const QString kRace = Position({{-1, 12}, {6, 3}, {19, -3}, {26, -12}}, 2, 1, 2);

QString StartOf(const QString& position, int games) {
    return MatchStartOfRoomRules(CPropRuleOptions("", "race", position, games, 100, 0, 0, true, 100, 1600).FormatText());
}

TEST(PropositionPlay, EveryGameStartsFromTheAgreedPositionAndTheContractCountsGames) {
    CBackgammonBoard board;
    board.SetLogging(true);
    const QString start = StartOf(kRace, 2);
    ASSERT_EQ(board.ApplyCommand(start), 1) << start.toStdString();
    EXPECT_EQ(board.GetSavedBoardText(1), kRace);
    auto record = board.PopLogRecord();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->text, "Propositions, 2 games");
    EXPECT_EQ(board.FormatGameHeader(), "Propositions, 2 games");

    // Black, on roll in the position, rolls 6-6 and bears off: 2 points with White's cube. A match up
    // to 2 points would be over now; the proposition goes on to its second game.
    for (int game = 1; game <= 2; ++game) {
        SCOPED_TRACE(game);
        ASSERT_EQ(board.ApplyCommand("n"), 1);
        EXPECT_EQ(board.GetSideOnRoll(), 2);
        EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
        // The scores aside, the game starts where the proposition does.
        EXPECT_EQ(board.GetSavedBoardText(1).section(' ', 0, 31), kRace.section(' ', 0, 31));
        ASSERT_EQ(board.ApplyCommand("r 6 6"), 1);
        ASSERT_EQ(board.ApplyCommand("m 19/26 19/26 19/26"), 1);
        EXPECT_EQ(board.GetScore(2), 2 * game);
        EXPECT_EQ(board.IsMatchOver(), game == 2);
    }
    EXPECT_TRUE(board.FormatGameHeader().endsWith("(Propositions, 2 games)"));
    EXPECT_EQ(board.ApplyCommand("n"), 0) << "no third game";
    // The last game's winner, ahead on the total, wins the match.
    QStringList wins;
    while (auto logged = board.PopLogRecord())
        if (logged->kind == CGameLogRecord::kWin)
            wins << logged->text;
    EXPECT_EQ(wins, QStringList({" Wins 2 points", " Wins 2 points and the match"}));
}

TEST(PropositionPlay, GammonsCountOnlyOnceTheCubeWasTurned) {
    struct Case {
        int cube, owner, points;
    } cases[] = {{1, 0, 1}, {2, 1, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cube);
        // Black has one checker left; White has borne off none.
        CBackgammonBoard board;
        ASSERT_EQ(board.ApplyCommand(StartOf(Position({{6, 15}, {24, -1}, {26, -14}}, c.cube, c.owner, 2), 1)), 1);
        ASSERT_EQ(board.ApplyCommand("n"), 1);
        ASSERT_EQ(board.ApplyCommand("r 2 1"), 1);
        ASSERT_EQ(board.ApplyCommand("m 24/26"), 1);
        EXPECT_EQ(board.GetScore(2), c.points);
        EXPECT_TRUE(board.IsMatchOver());
    }
}

TEST(PropositionPlay, AStartWithABadPositionIsRefused) {
    const QString flags = "s 3 3 1 0 1 0 0 0 ";
    const QString numbers = "12 0 0 0 0 0 0 3 0 0 0 0 0 0 0 0 0 0 0 0 -3 0 0 0 0 0 0 -12 2 1 2";
    const struct {
        const char* what;
        QString command;
    } cases[] = {
        {"a position in a backgammon match", "s 3 0 1 0 1 0 0 0 " + numbers},
        {"sixteen checkers", flags + QString(numbers).replace(0, 2, "13")},
        {"fourteen checkers", flags + QString(numbers).replace(0, 2, "11")},
        {"a cube of 3", flags + QString(numbers).replace("-12 2 1 2", "-12 3 1 2")},
        {"nobody on roll", flags + QString(numbers).replace("-12 2 1 2", "-12 2 1 0")},
        {"a number short", flags + numbers.section(' ', 1)},
        {"a flag that is not 0 or 1", "s 3 3 1 0 7 0 0 0 " + numbers},
    };
    ASSERT_EQ(CBackgammonBoard().ApplyCommand(flags + numbers), 1);
    for (const auto& c : cases) {
        CBackgammonBoard board;
        const QString before = board.GetSavedBoardText(1);
        EXPECT_EQ(board.ApplyCommand(c.command), 0) << c.what;
        EXPECT_EQ(board.GetSavedBoardText(1), before) << c.what;
        EXPECT_EQ(board.GetVariant(), CBackgammonBoard::kBackgammon) << c.what;
    }
    // Terms whose position is not whole stand for no match start at all.
    EXPECT_TRUE(StartOf(Position({{6, 15}, {24, -1}}, 1, 0, 2), 3).isEmpty());
    EXPECT_TRUE(MatchStartOfRoomRules("garbage").isEmpty());
}

} // namespace
