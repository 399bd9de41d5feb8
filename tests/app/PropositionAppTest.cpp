#include "AppTestSupport.h"
#include "app/ClientApp.h"
#include "app/KelderDocManager.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "records/BGPropDoc.h"
#include "records/BGPropositionView.h"
#include "platform/Win32Codes.h"
#include "support/FakeServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testenv::WaitFor;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PropositionAppTest : public ::testing::Test {
protected:
    void SetUp() override { apptest::Prepare(); }
    void TearDown() override { apptest::ShutDown(app); }
    std::unique_ptr<CClientApp> app;
};

// "norvale FILE.bgp" opens the proposition on its editing board; File > Save writes it back unchanged
// until it is edited, and File > Open takes propositions as well.
TEST_F(PropositionAppTest, APropositionOpensFromTheCommandLineAndSavesBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("race.bgp");
    {
        CBGPropDoc doc;
        CBackgammonBoard board = doc.GetBoard();
        ASSERT_TRUE(board.ApplyCommand("c 24/3"));
        ASSERT_TRUE(board.SetCube(2, 1));
        ASSERT_TRUE(doc.SetBoard(board));
        ASSERT_TRUE(doc.SaveMatchFile(path));
    }
    const QByteArray original = ReadAll(path);
    app = std::make_unique<CClientApp>();
    const auto options = CClientApp::ParseCommandLine({"norvale", path}, nullptr);
    ASSERT_TRUE(options);
    ASSERT_TRUE(app->InitInstance(*options));
    CMainFrame* main = app->GetMainFrame();
    ASSERT_TRUE(WaitFor([&] { return main->GetActiveServiceFrame() != nullptr; }));
    CMultiPaneFrame* frame = main->GetActiveServiceFrame();
    auto* view = qobject_cast<CBGPropositionView*>(frame->FindPane("gp"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetBoardCtl()->GetBoard().GetCheckers(1, 3), 1);
    EXPECT_EQ(view->GetBoardCtl()->GetBoard().GetCubeOwner(), 1);
    EXPECT_TRUE(frame->windowTitle().startsWith("White vs. Black: ")) << frame->windowTitle().toStdString();

    platform::CommandState state;
    ASSERT_TRUE(main->OnUpdateCommand(CMainFrame::kCmdFileSave, state));
    EXPECT_TRUE(state.enabled) << "a proposition has no match record, yet it can be saved";
    main->OnCommand(CMainFrame::kCmdFileSave);
    EXPECT_EQ(ReadAll(path), original);

    view->OnCommand(CBGPropositionView::kCmdResetBoard);
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.QueueFileAnswer(dir.filePath("opening"));
    main->OnCommand(CMainFrame::kCmdFileSaveAs);
    ASSERT_TRUE(QFile::exists(dir.filePath("opening.bgp")));
    EXPECT_EQ(ReadAll(path), original) << "Save As leaves the first file alone";

    ui.QueueFileAnswer(dir.filePath("opening.bgp"));
    main->OnCommand(CMainFrame::kCmdFileOpen);
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 2);
    auto* second = qobject_cast<CBGPropositionView*>(main->GetActiveServiceFrame()->FindPane("gp"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetBoardCtl()->GetBoard().GetCheckers(1, 24), 2);

    // Closing a window with changes asks first: Cancel keeps it, No lets the changes go.
    const QByteArray saved = ReadAll(dir.filePath("opening.bgp"));
    second->OnCommand(CBGPropositionView::kCmdClearBoard);
    QWidget* window = main->GetActiveServiceFrame()->parentWidget();
    ui.clear();
    ui.QueueMessageBoxAnswer(platform::IDCANCEL);
    window->close();
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 2);
    ASSERT_EQ(ui.asked().size(), 1u);
    EXPECT_EQ(ui.asked().back().text, "Save changes to opening.bgp?");
    ui.QueueMessageBoxAnswer(platform::IDNO);
    window->close();
    EXPECT_TRUE(WaitFor([&] { return app->GetDocManager()->GetOpenCount() == 1; }));
    EXPECT_EQ(ReadAll(dir.filePath("opening.bgp")), saved);
}

} // namespace
