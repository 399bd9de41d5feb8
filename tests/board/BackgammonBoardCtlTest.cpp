#include "board/BackgammonBoardCtl.h"
#include "board/BackgammonBoardWithSound.h"
#include "game/BoardTestUtil.h"
#include "platform/Color.h"
#include "platform/Sound.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using gametest::GameFrom;
using Hit = CBoardGeometry::Hit;

// The opening position, side 1 on roll with the dice given.
CBackgammonBoard Rolled(int side, int die1, int die2) {
    CBackgammonBoard board =
        GameFrom({{24, 2}, {13, 5}, {8, 3}, {6, 5}}, {{24, 2}, {13, 5}, {8, 3}, {6, 5}}, side);
    EXPECT_EQ(board.ApplyCommand(QStringLiteral("r %1 %2").arg(die1).arg(die2)), 1);
    return board;
}

struct BoardWidget {
    CBackgammonBoardCtl ctl;
    QStringList commands;
    explicit BoardWidget(const CBackgammonBoard& board, int userSide, int viewer = 0,
                         QSize size = QSize(700, 520)) {
        ctl.resize(size);
        ctl.SetBoard(board);
        ctl.SetUserSide(userSide);
        ctl.SetViewerSide(viewer ? viewer : (userSide ? userSide : 1));
        ctl.SetCommandHandler([this](const QString& command) { commands << command; });
    }
    QPoint At(int position) const { return ctl.PositionCentre(position).toPoint(); }
    void Drag(int from, int to) {
        QTest::mousePress(&ctl, Qt::LeftButton, {}, At(from));
        QMouseEvent move(QEvent::MouseMove, QPointF(At(to)), ctl.mapToGlobal(QPointF(At(to))), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&ctl, &move);
        QTest::mouseRelease(&ctl, Qt::LeftButton, {}, At(to));
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(&ctl, button, {}, at);
        QTest::mouseRelease(&ctl, button, {}, at);
    }
};

class BoardCtlTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
};

// Every place a checker can stand is found again where the control draws it, for both viewers and at
// several sizes; the viewer's home lies at the bottom right.
TEST_F(BoardCtlTest, EveryPlaceHitsItselfFromBothSides) {
    for (const QSize size : {QSize(700, 520), QSize(230, 170), QSize(1200, 500), QSize(400, 900)}) {
        for (int viewer : {1, 2}) {
            CBackgammonBoardCtl ctl;
            ctl.resize(size);
            ctl.SetViewerSide(viewer);
            for (int position = -1; position <= 26; ++position) {
                const Hit hit = ctl.HitTest(ctl.PositionCentre(position));
                const CBoardGeometry::Area area = position >= 1 && position <= 24   ? CBoardGeometry::kPoint
                                                  : position == 0 || position == 25 ? CBoardGeometry::kBar
                                                                                    : CBoardGeometry::kTray;
                EXPECT_EQ(hit, (Hit{area, position})) << "viewer " << viewer << " position " << position
                                                      << " size " << size.width() << "x" << size.height();
            }
            EXPECT_EQ(ctl.HitTest(QPointF(-5, -5)).area, CBoardGeometry::kNone);
        }
    }
}

TEST_F(BoardCtlTest, ThePointsLieWhereTheViewerCountsThem) {
    struct Case {
        int viewer, position;
        bool right, bottom;
    };
    const Case cases[] = {
        {1, 1, true, true},    {1, 6, true, true},    {1, 7, false, true}, {1, 12, false, true},
        {1, 13, false, false}, {1, 24, true, false},  {2, 24, true, true}, {2, 19, true, true},
        {2, 13, false, true},  {2, 12, false, false}, {2, 1, true, false}, {1, 25, false, true},
        {1, 0, false, false},  {2, 0, false, true},   {1, -1, true, true}, {2, 26, true, true},
        {2, -1, true, false},
    };
    for (const Case& c : cases) {
        CBackgammonBoardCtl ctl;
        ctl.resize(700, 520);
        ctl.SetViewerSide(c.viewer);
        const QPointF at = ctl.PositionCentre(c.position);
        const QRectF board = ctl.Geometry().BoardRect();
        if (c.position != 0 && c.position != 25) { // the bar is in the middle
            EXPECT_EQ(at.x() > board.center().x(), c.right) << c.viewer << "/" << c.position;
        }
        EXPECT_EQ(at.y() > board.center().y(), c.bottom) << c.viewer << "/" << c.position;
    }
    // Point 1 is the outermost of the viewer's home, next to the tray.
    CBackgammonBoardCtl ctl;
    ctl.resize(700, 520);
    EXPECT_GT(ctl.PositionCentre(1).x(), ctl.PositionCentre(6).x());
    EXPECT_LT(ctl.PositionCentre(13).x(), ctl.PositionCentre(18).x());
}

// What the user's mouse turns into: only steps the rules allow, by the side the user moves.
TEST_F(BoardCtlTest, DragsAndClicksMakeTheStepsTheRulesAllow) {
    struct Case {
        const char* name;
        int userSide;
        int onRoll;
        int die1, die2;
        int from, to; // a drag; to == from for a click
        Qt::MouseButton button;
        QString expected; // empty: no command
    };
    const Case cases[] = {
        {"drag 8 to 5", 1, 1, 3, 1, 8, 5, Qt::LeftButton, "c 8/5"},
        {"drag 6 to 5", 1, 1, 3, 1, 6, 5, Qt::LeftButton, "c 6/5"},
        {"both dice at once is not one step", 1, 1, 3, 1, 24, 20, Qt::LeftButton, ""},
        {"onto the opponent's point", 1, 1, 6, 5, 24, 19, Qt::LeftButton, ""},
        {"backwards", 1, 1, 3, 1, 8, 9, Qt::LeftButton, ""},
        {"click takes the larger die", 1, 1, 3, 1, 8, 8, Qt::LeftButton, "c 8/5"},
        {"right click the smaller", 1, 1, 3, 1, 8, 8, Qt::RightButton, "c 8/7"},
        {"a blocked die leaves one step", 1, 1, 3, 1, 13, 13, Qt::RightButton, "c 13/10"},
        {"the opponent's checker", 1, 1, 3, 1, 19, 16, Qt::LeftButton, ""},
        {"not the user's turn", 2, 1, 3, 1, 8, 5, Qt::LeftButton, ""},
        {"a watcher", 0, 1, 3, 1, 8, 5, Qt::LeftButton, ""},
        {"side 2 drags its 13 (board 12)", 2, 2, 4, 2, 12, 16, Qt::LeftButton, "c 12/16"},
        {"side 2 clicks its 24 (board 1)", 2, 2, 6, 4, 1, 1, Qt::LeftButton, "c 1/7"},
    };
    for (const Case& c : cases) {
        BoardWidget w(Rolled(c.onRoll, c.die1, c.die2), c.userSide);
        if (c.from == c.to)
            w.Click(w.At(c.from), c.button);
        else
            w.Drag(c.from, c.to);
        EXPECT_EQ(w.commands, c.expected.isEmpty() ? QStringList() : QStringList{c.expected}) << c.name;
        EXPECT_FALSE(w.ctl.IsDragging()) << c.name;
    }
}

TEST_F(BoardCtlTest, CheckersEnterFromTheBarAndBearOffIntoTheTray) {
    struct Case {
        const char* name;
        gametest::SideSpec me;
        int die1, die2, from, to;
        QString expected;
    };
    const Case cases[] = {
        {"enter", {{25, 1}, {6, 14}}, 5, 3, 25, 20, "c 25/20"},
        {"enter on the other die", {{25, 1}, {6, 14}}, 5, 3, 25, 22, "c 25/22"},
        {"nothing else while on the bar", {{25, 1}, {6, 14}}, 5, 3, 6, 1, ""},
        {"bear off", {{3, 2}, {1, 13}}, 3, 2, 3, -1, "c 3/-1"},
        {"bear off needs every checker home", {{7, 1}, {3, 14}}, 3, 2, 3, -1, ""},
    };
    for (const Case& c : cases) {
        CBackgammonBoard board = GameFrom(c.me, {{1, 2}}, 1);
        ASSERT_EQ(board.ApplyCommand(QStringLiteral("r %1 %2").arg(c.die1).arg(c.die2)), 1) << c.name;
        BoardWidget w(board, 1);
        w.Drag(c.from, c.to);
        EXPECT_EQ(w.commands, c.expected.isEmpty() ? QStringList() : QStringList{c.expected}) << c.name;
    }
    // Side 2 bears off into its own tray, which its viewer sees at the bottom right.
    CBackgammonBoard board = GameFrom({{24, 2}}, {{2, 15}}, 2);
    ASSERT_EQ(board.ApplyCommand("r 2 1"), 1);
    BoardWidget w(board, 2);
    w.Drag(23, 26);
    EXPECT_EQ(w.commands, QStringList{"c 23/26"});
}

TEST_F(BoardCtlTest, DiceAndCubeClicks) {
    const QPointF dice1 = [] {
        CBackgammonBoardCtl ctl;
        ctl.resize(700, 520);
        const CBoardGeometry g = ctl.Geometry();
        return g.ToTarget(g.DiceRect(1).center());
    }();
    struct Case {
        const char* name;
        CBackgammonBoard board;
        int userSide;
        bool cube;
        QString expected;
    };
    CBackgammonBoard atRest;
    atRest.ApplyCommand("s 3 0");
    CBackgammonBoard awaiting = GameFrom({{6, 15}}, {{6, 15}}, 1);
    CBackgammonBoard played = Rolled(1, 3, 1);
    played.ApplyCommand("c 8/5");
    played.ApplyCommand("c 6/5");
    CBackgammonBoard halfPlayed = Rolled(1, 3, 1);
    halfPlayed.ApplyCommand("c 8/5");
    const Case cases[] = {
        {"roll", awaiting, 1, false, "r"},
        {"not the user's roll", awaiting, 2, false, ""},
        {"opening roll of the next game", atRest, 1, false, "n"},
        {"side 2 does not open", atRest, 2, false, ""},
        {"the whole play when every die is used", played, 1, false, "m 8/5 6/5"},
        {"not before", halfPlayed, 1, false, ""},
        {"double", awaiting, 1, true, "d"},
        {"no double when not on roll", awaiting, 2, true, ""},
        {"no double while moving", played, 1, true, ""},
    };
    for (const Case& c : cases) {
        BoardWidget w(c.board, c.userSide, 1);
        const CBoardGeometry g = w.ctl.Geometry();
        const QPointF cube = g.ToTarget(g.CubeRect(c.board.GetCubeOwner()).center());
        w.Click((c.cube ? cube : dice1).toPoint());
        EXPECT_EQ(w.commands, c.expected.isEmpty() ? QStringList() : QStringList{c.expected}) << c.name;
    }
}

TEST_F(BoardCtlTest, ADragShowsTheCheckerOffItsPointUntilDroppedOrCancelled) {
    BoardWidget w(Rolled(1, 3, 1), 1);
    QTest::mousePress(&w.ctl, Qt::LeftButton, {}, w.At(8));
    EXPECT_TRUE(w.ctl.IsDragging());
    EXPECT_EQ(w.ctl.GetDragTargets(), (std::vector<int>{5, 7}));
    EXPECT_EQ(w.ctl.GetBoard().GetCheckers(1, 8), 3); // the board itself is not touched
    QTest::keyClick(&w.ctl, Qt::Key_Escape);
    EXPECT_FALSE(w.ctl.IsDragging());
    QTest::mouseRelease(&w.ctl, Qt::LeftButton, {}, w.At(5));
    EXPECT_TRUE(w.commands.isEmpty());

    // A new board (the opponent moved meanwhile) ends a drag without a command.
    QTest::mousePress(&w.ctl, Qt::LeftButton, {}, w.At(8));
    w.ctl.SetBoard(Rolled(1, 3, 1));
    EXPECT_FALSE(w.ctl.IsDragging());
    QTest::mouseRelease(&w.ctl, Qt::LeftButton, {}, w.At(5));
    EXPECT_TRUE(w.commands.isEmpty());
}

TEST_F(BoardCtlTest, EditingMovesEitherSidesCheckers) {
    CBackgammonBoard board;
    board.SetupPosition();
    board.SetEditingAllowed(true);
    ASSERT_TRUE(board.SetState(CBackgammonBoard::kStateEdit));
    BoardWidget w(board, 0);
    w.ctl.SetEditing(true);
    w.Drag(13, 10);
    w.Drag(12, 15); // side 2's mid-point
    w.Drag(6, 19);  // onto the other side's point: refused
    EXPECT_EQ(w.commands, (QStringList{"c 13/10", "c 12/15"}));
}

TEST_F(BoardCtlTest, ThePictureHasThePrintedWidthAndDrawsTheBoard) {
    struct Case {
        int stored; // 0: none
        QSize twips;
    };
    const Case cases[] = {{0, QSize(3600, 3342)}, {2800, QSize(2800, 2600)}, {-5, QSize(144, 133)}};
    for (const Case& c : cases) {
        testenv::ResetSettings();
        if (c.stored)
            GetSettingsStore().WriteInt(CBackgammonBoardCtl::kPictureSection,
                                        CBackgammonBoardCtl::kPictureWidthName, c.stored);
        CBackgammonBoardCtl ctl;
        const CBoardPicture picture = ctl.MakeMetafilePicture(CBgColorScheme(0));
        EXPECT_EQ(picture.sizeTwips, c.twips) << c.stored;
        QImage png;
        ASSERT_TRUE(png.loadFromData(picture.ToPng(144), "PNG"));
        EXPECT_EQ(png.size(), QSize(c.twips.width() / 10, c.twips.height() / 10));
    }
    // Not blank: the frame colour of the scheme fills the middle of the top edge.
    testenv::ResetSettings();
    CBgColorScheme scheme(0, BuiltInSchemeText(0, "Default"));
    QImage png;
    ASSERT_TRUE(png.loadFromData(CBackgammonBoardCtl().MakeMetafilePicture(scheme).ToPng(96), "PNG"));
    const QColor frame = platform::ToQColor(scheme.m_elements[CBgColorScheme::kBoardFrame].color1);
    const CBoardGeometry g(QRectF(0, 0, png.width(), png.height()), 1);
    const QPoint top = g.ToTarget(QPointF(CBoardGeometry::kWidth / 2, CBoardGeometry::kFrame / 2)).toPoint();
    const QColor seen = png.pixelColor(top);
    EXPECT_LE(std::abs(seen.red() - frame.red()) + std::abs(seen.green() - frame.green()) +
                  std::abs(seen.blue() - frame.blue()),
              12);
}

TEST_F(BoardCtlTest, PendingStepsBecomeTheWholePlay) {
    struct Case {
        QStringList steps;
        QString expected;
    };
    const Case cases[] = {
        {{}, "m"},
        {{"c 8/5", "c 6/5"}, "m 8/5 6/5"},
        {{"c 13/10", "c 10/9"}, "m 13/10 10/9"},
    };
    for (const Case& c : cases) {
        CBackgammonBoard board = Rolled(1, 3, 1);
        for (const QString& step : c.steps)
            ASSERT_EQ(board.ApplyCommand(step), 1) << step.toStdString();
        EXPECT_EQ(board.FormatPendingPlayCommand(), c.expected);
        CBackgammonBoard copy = Rolled(1, 3, 1);
        EXPECT_EQ(copy.ApplyCommand(c.expected), c.steps.isEmpty() ? 0 : 1) << c.expected.toStdString();
    }
    CBackgammonBoard side2 = Rolled(2, 3, 1);
    ASSERT_EQ(side2.ApplyCommand("c 17/20"), 1);
    ASSERT_EQ(side2.ApplyCommand("c 19/20"), 1);
    EXPECT_EQ(side2.FormatPendingPlayCommand(), "m 17/20 19/20");
    EXPECT_EQ(CBackgammonBoard().FormatPendingPlayCommand(), QString());
}

} // namespace

namespace {

// Every game event sounds, as far as the switches allow; the user's turn and a dance have their own.
TEST(BackgammonBoardWithSound, EventsPlayTheirSoundsByTheSwitches) {
    platform::RecordingSoundPlayer player;
    platform::SoundPlayer* previous = platform::SetSoundPlayer(&player);
    const CSoundSettings saved = GetSoundSettings();
    struct Case {
        const char* name;
        bool events, turn, dance;
        QStringList commands;
        int soundSide;
        QStringList sounds;
    };
    const Case cases[] = {
        {"roll, steps, double",
         true,
         false,
         false,
         {"r 3 1", "c 8/5", "m 8/5 6/5", "d"},
         0,
         {"RollFX", "MoveFX", "MoveFX", "DoubleFX"}},
        {"game events off", false, true, true, {"r 3 1", "m 8/5 6/5"}, 0, {}},
        {"the user's turn comes", false, true, false, {"r 3 1", "m 8/5 6/5"}, 2, {"TurnFX"}},
        {"not the watcher's", false, true, false, {"r 3 1", "m 8/5 6/5"}, 0, {}},
        {"refused commands are silent", true, true, true, {"r 3 1", "m 24/20", "x 9"}, 0, {"RollFX"}},
    };
    for (const Case& c : cases) {
        GetSoundSettings() = CSoundSettings();
        GetSoundSettings().Set(CSoundSettings::kEnableSound, true);
        GetSoundSettings().Set(CSoundSettings::kGameEvents, c.events);
        GetSoundSettings().Set(CSoundSettings::kRollOrDouble, c.turn);
        GetSoundSettings().Set(CSoundSettings::kDance, c.dance);
        CBackgammonBoardWithSound board;
        static_cast<CBackgammonBoard&>(board) =
            GameFrom({{24, 2}, {13, 5}, {8, 3}, {6, 5}}, {{24, 2}, {13, 5}, {8, 3}, {6, 5}}, 1);
        board.SetSoundSide(c.soundSide);
        player.clear();
        for (const QString& command : c.commands)
            board.ApplyCommandWithSound(command);
        EXPECT_EQ(player.played(), c.sounds) << c.name;
    }
    // Dancing: side 1 on the bar against a closed board.
    GetSoundSettings().Set(CSoundSettings::kDance, true);
    GetSoundSettings().Set(CSoundSettings::kGameEvents, false);
    CBackgammonBoardWithSound board;
    static_cast<CBackgammonBoard&>(board) =
        GameFrom({{25, 1}, {6, 14}}, {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}}, 1);
    player.clear();
    board.ApplyCommandWithSound("r 3 1");
    EXPECT_EQ(player.played(), QStringList{"DanceFX"});
    GetSoundSettings() = saved;
    platform::SetSoundPlayer(previous);
}

} // namespace
