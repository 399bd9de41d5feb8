#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/MainWindow.h"
#include "support/TestEnvironment.h"
#include "support/dialogs/DeferredMessageBox.h"
#include "support/dialogs/PromptDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace platform;

class DeferredMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::scriptedUi().clear(); }
    void TearDown() override {
        SetMainWindow(nullptr);
        SetDeferredMessageBoxHandler(nullptr);
        testenv::scriptedUi().clear();
    }
    static size_t boxes() {
        size_t n = 0;
        for (const auto& asked : testenv::scriptedUi().asked())
            n += asked.kind == ScriptedUi::Asked::MessageBoxKind;
        return n;
    }
};

TEST_F(DeferredMessageBoxTest, WithoutAMainWindowTheBoxIsShownAtOnce) {
    testenv::scriptedUi().QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(PostDeferredMessageBox("Play again?", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(boxes(), 1u);
    const auto& asked = testenv::scriptedUi().asked().front();
    EXPECT_EQ(asked.text, "Play again?");
    EXPECT_EQ(asked.caption, QApplication::applicationDisplayName());
    EXPECT_EQ(asked.type, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(DeferredMessageBoxTest, WithAMainWindowTheBoxWaitsForTheEventLoop) {
    QWidget frame;
    SetMainWindow(&frame);
    EXPECT_NE(PostDeferredMessageBox("<b>server text</b>", MB_OK | MB_ICONEXCLAMATION, 7), 0);
    EXPECT_NE(PostDeferredMessageBox("second", MB_OK), 0);
    EXPECT_EQ(boxes(), 0u); // nothing modal inside the caller
    QApplication::processEvents();
    ASSERT_EQ(boxes(), 2u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "<b>server text</b>"); // handed on untouched, in order
    EXPECT_EQ(testenv::scriptedUi().asked()[1].text, "second");
}

TEST_F(DeferredMessageBoxTest, BoxesQueuedForAWindowThatGoesAreDropped) {
    auto frame = std::make_unique<QWidget>();
    SetMainWindow(frame.get());
    PostDeferredMessageBox("lost", MB_OK);
    frame.reset();
    EXPECT_EQ(GetMainWindow(), nullptr);
    QApplication::processEvents();
    EXPECT_EQ(boxes(), 0u);
}

TEST_F(DeferredMessageBoxTest, TheMainFramesHandlerGetsTheRecord) {
    QWidget frame;
    SetMainWindow(&frame);
    std::vector<CDeferredMessageBox> seen;
    SetDeferredMessageBoxHandler([&](const CDeferredMessageBox& box) { seen.push_back(box); });
    PostDeferredMessageBox("handled", MB_OKCANCEL, 12);
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "handled");
    EXPECT_EQ(seen[0].type, MB_OKCANCEL);
    EXPECT_EQ(seen[0].helpId, 12u);
    EXPECT_EQ(boxes(), 0u);
}

// Records the help context that is current while a box is open.
class HelpContextUi : public ScriptedUi {
public:
    int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) override {
        contexts.push_back(GetMessageBoxHelpContext());
        owners.push_back(parent);
        return ScriptedUi::MessageBox(parent, text, caption, type);
    }
    std::vector<unsigned> contexts;
    std::vector<QWidget*> owners;
};

TEST_F(DeferredMessageBoxTest, TheHelpContextIsSetOnlyWhileTheBoxIsOpen) {
    HelpContextUi recorder;
    Ui* previous = SetUi(&recorder);
    QWidget frame;
    SetMainWindow(&frame);
    DoMessageBox("with help", MB_OK, 0x45);
    DoMessageBox("without", MB_OK, 0);
    SetUi(previous);
    ASSERT_EQ(recorder.contexts.size(), 2u);
    EXPECT_EQ(recorder.contexts[0], 0x30045u);
    EXPECT_EQ(recorder.contexts[1], 0u);
    EXPECT_EQ(recorder.owners[0], &frame); // owned by the main window
    EXPECT_EQ(GetMessageBoxHelpContext(), 0u);
}

TEST_F(DeferredMessageBoxTest, NoticesLeaveTheKeyboardAloneAndOnlyAFewStandOpen) {
    std::vector<QPointer<QMessageBox>> shown;
    for (int i = 0; i <= kMaxNoticeBoxes; ++i)
        shown.emplace_back(ShowNoticeBox(QStringLiteral("notice %1").arg(i), MB_ICONEXCLAMATION));
    EXPECT_EQ(CountOpenNoticeBoxes(), kMaxNoticeBoxes);
    EXPECT_FALSE(shown.back());
    ASSERT_TRUE(shown.front());
    EXPECT_FALSE(shown.front()->isModal());
    EXPECT_TRUE(shown.front()->testAttribute(Qt::WA_ShowWithoutActivating));
    for (const auto& box : shown)
        delete box.data();
}

TEST(PromptDlg, AsksOneLineAndGivesTheAnswerAfterOk) {
    CPromptDlg prompt("Watch", "Player to watch:", nullptr);
    prompt.SetAnswer("ann");
    testenv::scriptedUi().SetDialogHandler([](QDialog* dialog) {
        auto* prompt = static_cast<CPromptDlg*>(dialog);
        EXPECT_EQ(prompt->windowTitle(), "Watch");
        EXPECT_EQ(prompt->GetItemText(CPromptDlg::kIdQuestion), "Player to watch:");
        EXPECT_EQ(prompt->GetItemText(CPromptDlg::kIdAnswer), "ann");
        EXPECT_FALSE(prompt->ItemAs<QLabel>(CPromptDlg::kIdIcon)->pixmap().isNull());
        prompt->SetItemText(CPromptDlg::kIdAnswer, "bob");
        return prompt->Press(IDOK);
    });
    EXPECT_EQ(prompt.DoModal(), IDOK);
    testenv::scriptedUi().SetDialogHandler(nullptr);
    EXPECT_EQ(prompt.GetAnswer(), "bob");
    EXPECT_TRUE(prompt.IsPositionOnly());
}

TEST(PromptDlg, AnOverlongQuestionIsCutAndCanStillBeConfirmed) {
    CPromptDlg prompt("Add", QString(300, QChar('x')), nullptr);
    EXPECT_EQ(prompt.GetQuestion().size(), CPromptDlg::kMaxQuestion);
    prompt.EnsureInitialized();
    EXPECT_EQ(prompt.ItemAs<QLabel>(CPromptDlg::kIdQuestion)->textFormat(), Qt::PlainText);
    EXPECT_EQ(prompt.Press(IDOK), IDOK);
    testenv::scriptedUi().clear();
}

} // namespace
