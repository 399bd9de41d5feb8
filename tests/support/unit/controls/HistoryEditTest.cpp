#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/controls/HistoryEdit.h"
#include "support/dialogs/PersistentDlg.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class CRankingLikeDlg : public CPersistentDlg {
    NV_DECLARE_RUNTIME_CLASS(CRankingLikeDlg, CPersistentDlg)
public:
    QString names;
    QString notAHistory = "plain";

    CRankingLikeDlg() : CPersistentDlg(231, nullptr) {
        auto* layout = new QVBoxLayout(this);
        edit = new CHistoryEdit(this);
        SetItemId(edit, 1027);
        layout->addWidget(edit);
        auto* plain = new QLineEdit(this);
        SetItemId(plain, 1028);
        layout->addWidget(plain);
    }
    void DoDataExchange(platform::DataExchange& dx) override {
        ForwardToHistoryEdit(dx, 1027, names, "CRankingLikeDlg.Names");
        ForwardToHistoryEdit(dx, 1028, notAHistory, "CRankingLikeDlg.Plain"); // not a history edit
        ForwardToHistoryEdit(dx, 4040, notAHistory, "CRankingLikeDlg.None");  // no such control
    }
    CHistoryEdit* edit;
};

class HistoryEditTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
};

TEST_F(HistoryEditTest, SavingPutsTheTextAtTheHeadAndLoadingBringsTheListBack) {
    for (const char* typed : {"ann", "bob", "ann", "  ", "cy"}) {
        CRankingLikeDlg dialog;
        dialog.UpdateData(false);
        dialog.edit->setEditText(typed);
        ASSERT_TRUE(dialog.UpdateData(true));
        EXPECT_EQ(dialog.names, typed);
    }
    EXPECT_EQ(CHistoryEdit::LoadHistory("CRankingLikeDlg.Names"), QStringList({"cy", "ann", "bob"}));

    CRankingLikeDlg reopened;
    reopened.names = "dee";
    reopened.UpdateData(false);
    EXPECT_EQ(reopened.edit->currentText(), "dee");
    ASSERT_EQ(reopened.edit->count(), 3);
    EXPECT_EQ(reopened.edit->itemText(0), "cy");
    // Controls that are not history edits are left alone.
    EXPECT_EQ(GetSettingsStore().GetString("History", "CRankingLikeDlg.Plain", "absent"), "absent");
}

TEST_F(HistoryEditTest, HistoryIsBoundedAndOneLinePerEntry) {
    for (int i = 0; i < CHistoryEdit::kMaxEntries + 5; ++i)
        CHistoryEdit::AddToHistory("Key", QString::number(i));
    const QStringList history = CHistoryEdit::LoadHistory("Key");
    ASSERT_EQ(history.size(), CHistoryEdit::kMaxEntries);
    EXPECT_EQ(history.first(), QString::number(CHistoryEdit::kMaxEntries + 4));

    // A pasted line break would otherwise split one entry into two.
    CHistoryEdit::AddToHistory("Lines", "one\r\ntwo\nthree");
    EXPECT_EQ(CHistoryEdit::LoadHistory("Lines"), QStringList({"one two three"}));
}

} // namespace
