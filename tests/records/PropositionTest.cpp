#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BGPropDoc.h"
#include "records/BGPropSetupDlgs.h"
#include "records/BGPropositionView.h"
#include "session/SessionDoc.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The counts of board positions -1..26 as the saved-board text lists them.
QString BoardText(const std::vector<int>& counts, const QString& tail = "1 0 1 0 0 0 0") {
    QStringList parts;
    for (int c : counts)
        parts << QString::number(c);
    return "1.0 " + parts.join(' ') + ' ' + tail;
}

std::vector<int> OpeningCounts() {
    std::vector<int> v(28, 0);
    // Side 1 (positive) on 24, 13, 8, 6; side 2 (negative) on 1, 12, 17, 19.
    v[24 + 1] = 2, v[13 + 1] = 5, v[8 + 1] = 3, v[6 + 1] = 5;
    v[1 + 1] = -2, v[12 + 1] = -5, v[17 + 1] = -3, v[19 + 1] = -5;
    return v;
}

class PropositionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CBGPropositionView::RegisterPane(); }
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    // A proposition window the way the document manager makes it.
    CBGPropositionView* Open(CBGPropDoc& doc) {
        session.SetGameDocument(&doc);
        frame = std::make_unique<CMultiPaneFrame>(&session);
        frame->Build(*CPaneLayout::Parse(doc.GetWindowLayout()));
        frame->resize(700, 520);
        frame->show();
        return qobject_cast<CBGPropositionView*>(frame->FindPane("gp"));
    }

    QTemporaryDir dir;
    CSessionDoc session;
    std::unique_ptr<CMultiPaneFrame> frame;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Drag(CBackgammonBoardCtl* ctl, int from, int to) {
    const QPointF a = ctl->PositionCentre(from), b = ctl->PositionCentre(to);
    SendMouse(ctl, QEvent::MouseButtonPress, a, Qt::LeftButton);
    SendMouse(ctl, QEvent::MouseMove, (a + b) / 2, Qt::LeftButton);
    SendMouse(ctl, QEvent::MouseMove, b, Qt::LeftButton);
    SendMouse(ctl, QEvent::MouseButtonRelease, b, Qt::NoButton);
}

TEST_F(PropositionTest, AFileIsTheRoomNameAndTheBoardTextAndReopensByteForByte) {
    CBGPropDoc doc;
    const QString path = dir.filePath("opening.bgp");
    ASSERT_TRUE(doc.SaveMatchFile(path));
    const QByteArray bytes = ReadAll(path);
    const QString text = doc.GetBoard().GetSavedBoardText(1);
    QByteArray golden = QByteArray("\x0f.gp.Black.White", 16);
    golden += char(text.size());
    golden += text.toLatin1();
    EXPECT_EQ(bytes, golden);
    EXPECT_EQ(text, BoardText(OpeningCounts()));
    // The board's own writer (used by the proposition dialog) writes the same file.
    const QString other = dir.filePath("other.bgp");
    ASSERT_TRUE(doc.GetBoard().SaveToFile(other));
    EXPECT_EQ(ReadAll(other), bytes);

    // A set-up position with an owned cube and Black on roll survives the round trip exactly.
    CBackgammonBoard board = doc.GetBoard();
    ASSERT_TRUE(board.ApplyCommand("c 24/20"));
    ASSERT_TRUE(board.ApplyCommand("c 6/-1"));
    ASSERT_TRUE(board.SetCube(4, 2));
    board.SetSideOnRoll(2);
    ASSERT_TRUE(doc.SetBoard(board));
    const QString setUp = dir.filePath("set-up.bgp");
    ASSERT_TRUE(doc.SaveMatchFile(setUp));
    CBGPropDoc again;
    QString error;
    ASSERT_TRUE(again.LoadPropositionFile(setUp, &error)) << error.toStdString();
    EXPECT_EQ(again.GetBoard().GetCheckers(1, -1), 1);
    EXPECT_EQ(again.GetBoard().GetCubeValue(), 4);
    EXPECT_EQ(again.GetBoard().GetCubeOwner(), 2);
    EXPECT_EQ(again.GetBoard().GetSideOnRoll(), 2);
    EXPECT_EQ(again.GetBoard().GetState(), CBackgammonBoard::kStateEdit);
    EXPECT_EQ(again.GetPathName(), setUp);
    const QString copy = dir.filePath("copy.bgp");
    ASSERT_TRUE(again.SaveMatchFile(copy));
    EXPECT_EQ(ReadAll(copy), ReadAll(setUp));
}

TEST_F(PropositionTest, DamagedForeignAndImpossibleFilesAreRefusedNamingTheFile) {
    const auto archive = [](const QString& header, const QString& text) {
        platform::ArchiveWriter w;
        w.WriteString(header);
        w.WriteString(text);
        return w.data();
    };
    std::vector<int> sixteen = OpeningCounts();
    sixteen[6 + 1] = 6;
    std::vector<int> fourteen = OpeningCounts();
    fourteen[6 + 1] = 4;
    const QByteArray good = archive(".gp.Black.White", BoardText(OpeningCounts()));
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", QByteArray(), "is damaged or is not a proposition file"},
        {"truncated", good.left(good.size() - 5), "is damaged or is not a proposition file"},
        {"a match", archive(".gb.Ann.Bob", "x"), "is damaged or is not a proposition file"},
        {"another version", archive(".gp.Black.White", "2.0 " + BoardText(OpeningCounts()).mid(4)),
         "holds a position of another version"},
        {"sixteen checkers", archive(".gp.Black.White", BoardText(sixteen)), "does not hold a valid position"},
        {"fourteen checkers", archive(".gp.Black.White", BoardText(fourteen)), "does not hold a valid position"},
        {"cube of 3", archive(".gp.Black.White", BoardText(OpeningCounts(), "3 1 1 0 0 0 0")),
         "does not hold a valid position"},
        {"too large", good + QByteArray(70000, 'x'), "too large"},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("bad.bgp");
        WriteAll(path, c.bytes);
        CBGPropDoc doc;
        CBackgammonBoard edited = doc.GetBoard();
        ASSERT_TRUE(edited.ApplyCommand("c 13/10"));
        ASSERT_TRUE(doc.SetBoard(edited));
        const QString before = doc.GetBoard().GetSavedBoardText(1);
        QString error;
        EXPECT_FALSE(doc.LoadPropositionFile(path, &error)) << c.name;
        EXPECT_TRUE(error.contains(path)) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(c.message)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(doc.GetBoard().GetSavedBoardText(1), before) << c.name << ": the position is kept";
    }
}

TEST_F(PropositionTest, TheCubeStepsRoundAndOnlyPowersOfTwoUpTo32Pass) {
    const int steps[][3] = {{-1, 1, 2}, {-1, 16, 32}, {-1, 32, 1}, {1, 32, 16}, {1, 2, 1}, {0, 1, 32}, {1, 1, 32}};
    for (const auto& s : steps)
        EXPECT_EQ(StepCubeValue(s[0], s[1]), s[2]) << s[0] << " from " << s[1];
    for (int v : {1, 2, 4, 8, 16, 32})
        EXPECT_TRUE(IsValidPropCubeValue(v)) << v;
    for (int v : {0, -2, 3, 6, 64, 33})
        EXPECT_FALSE(IsValidPropCubeValue(v)) << v;
}

TEST_F(PropositionTest, TheUserSetsAPositionUpOnTheBoardAndWithTheCommands) {
    CBGPropDoc doc;
    CBGPropositionView* view = Open(doc);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(frame->windowTitle(), "White vs. Black: " + doc.GetBoard().FormatGameHeader());
    CBackgammonBoardCtl* ctl = view->GetBoardCtl();
    EXPECT_EQ(ctl->objectName(), "BgBoard");

    // Dragging moves checkers of either side anywhere they may stand; the document keeps the result.
    Drag(ctl, 24, 18);
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, 24), 1);
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, 18), 1);
    Drag(ctl, 12, 10);
    EXPECT_EQ(doc.GetBoard().GetCheckers(2, 10), 1);
    Drag(ctl, 13, 12); // onto Black's point: refused
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, 13), 5);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ctl->GetBoard().GetSavedBoardText(1), doc.GetBoard().GetSavedBoardText(1));

    // Clear moves every checker to its tray (and ends).
    view->OnCommand(CBGPropositionView::kCmdClearBoard);
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, CBackgammonBoard::kTray1), 15);
    EXPECT_EQ(doc.GetBoard().GetCheckers(2, CBackgammonBoard::kTray2), 15);
    EXPECT_EQ(ctl->GetBoard().GetCheckers(1, CBackgammonBoard::kTray1), 15);
    // From the tray a checker can be put back on the board.
    Drag(ctl, CBackgammonBoard::kTray1, 5);
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, 5), 1);

    // Set Cube: an owner and a power of two; "None" centres a cube of 1 whatever was typed; 3 is refused.
    platform::ScriptedUi& ui = testenv::scriptedUi();
    struct CubeCase {
        int ownerId;
        const char* value;
        int cube, owner;
        bool refused;
    };
    const CubeCase cubes[] = {
        {CBGPropSetCube::kIdBlack, "8", 8, 2, false},
        {CBGPropSetCube::kIdNone, "16", 1, 0, false},
        {CBGPropSetCube::kIdWhite, "3", 1, 0, true},
        {CBGPropSetCube::kIdWhite, "1", 1, 0, false}, // an owned cube of 1 is no owned cube
        {CBGPropSetCube::kIdWhite, "32", 32, 1, false},
    };
    for (const CubeCase& c : cubes) {
        ui.clear();
        bool valueEnabled = true;
        ui.SetDialogHandler([&](QDialog* d) {
            auto* dialog = dynamic_cast<CBGPropSetCube*>(d);
            if (!dialog)
                return platform::IDCANCEL;
            dialog->CheckItem(c.ownerId);
            dialog->SetItemText(CBGPropSetCube::kIdValue, c.value);
            valueEnabled = dialog->Item(CBGPropSetCube::kIdValue)->isEnabled();
            const int result = dialog->Press(platform::IDOK);
            return result ? result : dialog->Press(platform::IDCANCEL);
        });
        const int before = doc.GetBoard().GetCubeValue();
        view->OnCommand(CBGPropositionView::kCmdSetCube);
        EXPECT_EQ(valueEnabled, c.ownerId != CBGPropSetCube::kIdNone) << c.value;
        if (c.refused) {
            EXPECT_EQ(doc.GetBoard().GetCubeValue(), before) << c.value;
            bool told = false;
            for (const auto& asked : ui.asked())
                told |= asked.text.contains("Cube value must be between 1 and 32 and be a power of 2.");
            EXPECT_TRUE(told);
            continue;
        }
        EXPECT_EQ(doc.GetBoard().GetCubeValue(), c.cube) << c.value;
        EXPECT_EQ(doc.GetBoard().GetCubeOwner(), c.owner) << c.value;
    }

    // Set Turn opens on the side on roll and puts the chosen one on roll.
    int shown = -1;
    ui.SetDialogHandler([&](QDialog* d) {
        auto* dialog = dynamic_cast<CBGPropSetTurn*>(d);
        shown = dialog->IsItemChecked(CBGPropSetTurn::kIdBlack) ? 1 : 0;
        dialog->CheckItem(CBGPropSetTurn::kIdBlack);
        return dialog->Press(platform::IDOK);
    });
    view->OnCommand(CBGPropositionView::kCmdSetTurn);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(doc.GetBoard().GetSideOnRoll(), 2);

    // Reset brings the opening position back, still editable.
    view->OnCommand(CBGPropositionView::kCmdResetBoard);
    EXPECT_EQ(doc.GetBoard().GetSavedBoardText(1), BoardText(OpeningCounts()));
    Drag(ctl, 8, 4);
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, 4), 1);

    // The context menu offers the four commands.
    std::unique_ptr<QMenu> menu(view->CreateContextMenu(view->GetContextMenuId()));
    ASSERT_TRUE(menu);
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator() ? "-" : action->text() + (action->isEnabled() ? "" : " (off)"));
    EXPECT_EQ(entries.join('|'), "&Clear Board|&Reset Board|-|Set C&ube...|Set &Turn...");
    menu->actions().first()->trigger();
    EXPECT_EQ(doc.GetBoard().GetCheckers(1, CBackgammonBoard::kTray1), 15);
    // The pane's tool bar carries the same commands.
    ASSERT_EQ(view->GetToolBar()->actions().size(), 4);
    view->GetToolBar()->actions().at(1)->trigger();
    EXPECT_EQ(doc.GetBoard().GetSavedBoardText(1), BoardText(OpeningCounts()));

    // A scheme broadcast without a scheme keeps the line art; one with a scheme applies it.
    const QString lineArt = ctl->GetScheme().WriteText();
    platform::SendMessageTo(view, platform::RegisterMessage("KELDERWICK_BG_PROPERTIES_CHANGED"), 0, nullptr);
    EXPECT_EQ(ctl->GetScheme().WriteText(), lineArt);
}

} // namespace
