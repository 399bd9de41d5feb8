#include "AppTestSupport.h"
#include "app/ClientApp.h"
#include "app/KelderDocManager.h"
#include "app/MainFrame.h"
#include "frame/MultiPaneFrame.h"
#include "frame/TwoPlayerGameDocTemplate.h"
#include "records/BGPropDoc.h"
#include "records/BGPropositionDocTemplate.h"
#include "records/BGPropositionView.h"
#include "platform/Commands.h"
#include "platform/Win32Codes.h"
#include "support/FakeServer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

    // The window's menu tells each set-up command with the pane's own status text.
    const CTwoPlayerGameDocTemplate* proposition = CTwoPlayerGameDocTemplate::FindFor(view->GetPropDoc());
    ASSERT_NE(proposition, nullptr);
    EXPECT_EQ(proposition->GetResourceId(), CBGPropositionDocTemplate::kResourceId);
    int tips = 0;
    for (const QAction* action : frame->findChildren<QAction*>()) {
        const int id = platform::CommandId(action);
        if (!CBGPropositionView::CommandPrompt(id).isEmpty()) {
            EXPECT_EQ(action->statusTip(), CBGPropositionView::CommandPrompt(id)) << id;
            ++tips;
        }
    }
    EXPECT_GE(tips, 4);

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

// A FIFO, a folder or any other thing that is not a regular file is refused with a message, from the
// command line and from File > Open alike; nothing waits on it.
TEST_F(PropositionAppTest, WhatIsNotARegularFileIsRefusedWithAMessage) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.bgp");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.cbg"));
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();
    app = std::make_unique<CClientApp>();
    const auto options = CClientApp::ParseCommandLine({"norvale", fifo}, nullptr);
    ASSERT_TRUE(options);
    ASSERT_TRUE(app->InitInstance(*options));
    ASSERT_TRUE(WaitFor([&] { return !ui.asked().empty(); }));
    EXPECT_TRUE(ui.asked().back().text.contains("fifo.bgp")) << ui.asked().back().text.toStdString();
    EXPECT_TRUE(ui.asked().back().text.contains("not a regular file")) << ui.asked().back().text.toStdString();
    EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 0);

    CMainFrame* main = app->GetMainFrame();
    for (const QString& path : {fifo, dir.filePath("folder.cbg")}) {
        ui.clear();
        ui.QueueFileAnswer(path);
        main->OnCommand(CMainFrame::kCmdFileOpen);
        ASSERT_TRUE(WaitFor([&] { return ui.asked().size() >= 2; })) << path.toStdString();
        EXPECT_TRUE(ui.asked().back().text.contains(QFileInfo(path).fileName())) << ui.asked().back().text.toStdString();
        EXPECT_EQ(app->GetDocManager()->GetOpenCount(), 0);
    }
}

} // namespace
