#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QTimer>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

using namespace platform;

class ScriptedUiTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::scriptedUi().clear(); }
    void TearDown() override {
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler(nullptr);
    }
    ScriptedUi& scripted() { return testenv::scriptedUi(); }
};

// A box with a short question is made wide enough for its title.
TEST(QtUiBoxes, AShortQuestionLeavesRoomForTheWholeTitle) {
    QMessageBox box;
    box.setText(QStringLiteral("Double?"));
    box.setWindowTitle(QStringLiteral("Confirm the double of the cube to the opponent"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarAllowance;
    ASSERT_LT(box.sizeHint().width(), wanted);
    WidenForTitle(box);
    EXPECT_GE(box.sizeHint().width(), wanted);
}

// The real prompt, as the invitation asks for names: its title is not cut.
TEST(QtUiBoxes, APromptIsAsWideAsItsTitle) {
    QtUi real;
    Ui* scripted = SetUi(&real);
    int width = 0;
    int wanted = 0;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            width = dialog->width();
            wanted = TitleBarWidth(*dialog);
            dialog->reject();
        }
    });
    QString value = "bob";
    EXPECT_FALSE(ui().Prompt(nullptr, "Backgammon Invite", "Player to invite:", value));
    SetUi(scripted);
    EXPECT_EQ(value, "bob");
    ASSERT_GT(wanted, kTitleBarAllowance);
    EXPECT_GE(width, wanted);
}

TEST_F(ScriptedUiTest, UnansweredBoxesAnswerTheirDefaultButton) {
    EXPECT_EQ(ui().MessageBox(nullptr, "a", "", MB_OK), IDOK);
    EXPECT_EQ(ui().MessageBox(nullptr, "b", "", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(ui().MessageBox(nullptr, "c", "", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(ui().MessageBox(nullptr, "d", "", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(ui().MessageBox(nullptr, "e", "", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    EXPECT_EQ(ui().MessageBox(nullptr, "f", "", MB_RETRYCANCEL), IDRETRY);
    ASSERT_EQ(scripted().asked().size(), 6u);
    EXPECT_EQ(scripted().asked()[3].type, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(ScriptedUiTest, PromptsTakeQueuedAnswersAndCancelWithoutOne) {
    scripted().QueuePromptAnswer("Alice");
    scripted().QueuePromptAnswer("ignored", false);
    QString value = "start";
    EXPECT_TRUE(ui().Prompt(nullptr, "Talk", "Talk to:", value));
    EXPECT_EQ(value, "Alice");
    value = "start";
    EXPECT_FALSE(ui().Prompt(nullptr, "Watch", "Player to watch:", value));
    EXPECT_EQ(value, "start"); // a cancelled prompt leaves the value alone
    EXPECT_FALSE(ui().Prompt(nullptr, "Add", "Nicknames:", value));
    ASSERT_EQ(scripted().asked().size(), 3u);
    EXPECT_EQ(scripted().asked()[0].kind, ScriptedUi::Asked::PromptKind);
    EXPECT_EQ(scripted().asked()[0].text, "Talk to:");
    EXPECT_EQ(scripted().asked()[0].caption, "Talk");
}

TEST_F(ScriptedUiTest, ChoosersShareOneQueueOfPaths) {
    scripted().QueueFileAnswer("/tmp/a.cbg");
    scripted().QueueFileAnswer("/tmp/out.txt");
    EXPECT_EQ(ui().OpenFileName(nullptr, "Open", "/home", "*.cbg"), "/tmp/a.cbg");
    EXPECT_EQ(ui().SaveFileName(nullptr, "Save", "/home", "*.txt"), "/tmp/out.txt");
    EXPECT_EQ(ui().ExistingDirectory(nullptr, "Folder", "/home"), QString()); // cancelled
    ASSERT_EQ(scripted().asked().size(), 3u);
    EXPECT_EQ(scripted().asked()[2].kind, ScriptedUi::Asked::DirectoryKind);
}

TEST_F(ScriptedUiTest, DialogsRunTheHandlerOrCancel) {
    QDialog dialog;
    dialog.setObjectName("CPromptDlg");
    EXPECT_EQ(ui().ExecDialog(&dialog), IDCANCEL);
    EXPECT_EQ(dialog.result(), IDCANCEL);
    QDialog* seen = nullptr;
    scripted().SetDialogHandler([&](QDialog* d) {
        seen = d;
        return IDOK;
    });
    EXPECT_EQ(ui().ExecDialog(&dialog), IDOK);
    EXPECT_EQ(seen, &dialog);
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_FALSE(dialog.isVisible()); // never shown, never blocks
    EXPECT_EQ(ui().ExecDialog(nullptr), IDCANCEL);
    ASSERT_EQ(scripted().asked().size(), 3u);
    EXPECT_EQ(scripted().asked()[0].text, "CPromptDlg");
}

} // namespace
