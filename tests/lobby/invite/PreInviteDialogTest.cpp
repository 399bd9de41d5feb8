// The inviter's question about an unfinished match: resume it, start a new one, or give up.

#include "lobby/invite/PreInviteDialog.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(PreInviteDialogTest, EachChoiceEndsWithItsCodeAndTheTextsAreData) {
    testenv::ResetSettings();
    struct Case {
        bool hideResume;
        int button;
        int result;
    };
    for (const Case& c : {Case{false, CPreInviteDialog::kIdResume, CPreInviteDialog::kIdResume},
                          Case{false, CPreInviteDialog::kIdNew, CPreInviteDialog::kIdNew},
                          Case{true, CPreInviteDialog::kIdNew, CPreInviteDialog::kIdNew},
                          Case{false, platform::IDCANCEL, platform::IDCANCEL}}) {
        SCOPED_TRACE(c.button);
        CPreInviteDialog dialog("100% <b>bob</b>", "gb alice bob", "3-2 of 7", c.hideResume);
        testenv::scriptedUi().SetDialogHandler([&](QDialog* shown) -> int {
            auto* question = static_cast<CPreInviteDialog*>(shown);
            EXPECT_EQ(question->Item(CPreInviteDialog::kIdResume)->isVisibleTo(question), !c.hideResume);
            EXPECT_EQ(question->GetItemText(CPreInviteDialog::kIdName),
                      "You have an unfinished match with 100% <b>bob</b>.");
            EXPECT_EQ(question->ItemAs<QLabel>(CPreInviteDialog::kIdName)->textFormat(), Qt::PlainText);
            EXPECT_EQ(question->GetItemText(CPreInviteDialog::kIdGame), "Game: gb alice bob");
            EXPECT_EQ(question->GetItemText(CPreInviteDialog::kIdScore), "Score: 3-2 of 7");
            question->ItemAs<QPushButton>(c.button)->click();
            return question->result();
        });
        EXPECT_EQ(dialog.DoModal(), c.result);
    }
    testenv::scriptedUi().SetDialogHandler(nullptr);
}
