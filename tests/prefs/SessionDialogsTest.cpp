#include "prefs/PreInviteeDialog.h"
#include "prefs/UpdateEmailDlg.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/SessionFixture.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using platform::IDCANCEL;
using platform::IDOK;

class EmailDialogTest : public testenv::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(Login());
        server->DropReceived();
    }
    void TearDown() override {
        delete dialog.data();
        SessionTest::TearDown();
    }
    QStringList boxes() const {
        QStringList texts;
        for (const auto& asked : testenv::scriptedUi().asked())
            if (asked.kind == platform::ScriptedUi::Asked::MessageBoxKind)
                texts << asked.text;
        return texts;
    }
    void submit(const QString& address) {
        dialog->SetItemText(CUpdateEmailDlg::kIdAddress, address);
        dialog->Press(IDOK);
    }
    bool okEnabled() const { return dialog->Item(IDOK)->isEnabled(); }

    QPointer<CUpdateEmailDlg> dialog;
};

TEST_F(EmailDialogTest, TheRequestGoesToTheDatabaseAndANoKeepsTheDialogOpen) {
    dialog = CUpdateEmailDlg::Open(session.get(), "first", "second", nullptr);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(CUpdateEmailDlg::Open(session.get(), "other", "other", nullptr), dialog.data()); // never two
    EXPECT_EQ(dialog->windowTitle(), "Update Confidential Email Address");

    submit("  ann@example.org ");
    auto request = server->Expect(251);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Destination(), ".db");
    EXPECT_TRUE(request->Text().endsWith(" first DeprecatedEmailChallengeResponse ann@example.org"))
        << request->Text().toStdString();
    EXPECT_FALSE(okEnabled());
    EXPECT_TRUE(dialog->IsWaitingForAnswer());

    ServerSend(192, "ann N");
    EXPECT_EQ(boxes(), QStringList({CUpdateEmailDlg::kFailed}));
    EXPECT_TRUE(okEnabled());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(CUpdateEmailDlg::FindOpen(session.get()), dialog.data());
}

TEST_F(EmailDialogTest, AYesClosesAndDeletesTheDialog) {
    dialog = CUpdateEmailDlg::Open(session.get(), "first", "second", nullptr);
    submit("ann@example.org");
    ASSERT_TRUE(server->Expect(251));
    ServerSend(192, "ann Y");
    EXPECT_EQ(boxes(), QStringList({CUpdateEmailDlg::kSubmitted}));
    EXPECT_EQ(CUpdateEmailDlg::FindOpen(session.get()), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    // Later answers find no dialog and do no harm.
    ServerSend(192, "ann Y");
    EXPECT_EQ(boxes().size(), 1);
}

TEST_F(EmailDialogTest, ARefusalIsShownAsPlainTextAndClosesTheDialog) {
    dialog = CUpdateEmailDlg::Open(session.get(), "first", "second", nullptr);
    submit("ann@example.org");
    ServerSend(70, "<b>Not now</b>");
    EXPECT_EQ(boxes(), QStringList({"<b>Not now</b>"}));
    EXPECT_EQ(CUpdateEmailDlg::FindOpen(session.get()), nullptr);
    // A new request opens a new dialog.
    QPointer<CUpdateEmailDlg> second = CUpdateEmailDlg::Open(session.get(), "first", "second", nullptr);
    EXPECT_NE(second.data(), dialog.data());
    delete second.data();
}

TEST_F(EmailDialogTest, EmptyOrUnusableAddressesSendNothing) {
    dialog = CUpdateEmailDlg::Open(session.get(), "first", "second", nullptr);
    submit("   ");
    submit("ann example.org@x");
    submit("\"ann\"@example.org");
    submit("no-at-sign");
    EXPECT_EQ(boxes(), QStringList({CUpdateEmailDlg::kNoAddress, CUpdateEmailDlg::kBadAddress,
                                    CUpdateEmailDlg::kBadAddress, CUpdateEmailDlg::kBadAddress}));
    EXPECT_TRUE(server->NothingReceived());
    EXPECT_TRUE(okEnabled());
    EXPECT_TRUE(dialog->isVisible());

    // Cancel closes it without a word to the service.
    dialog->Press(IDCANCEL);
    EXPECT_EQ(CUpdateEmailDlg::FindOpen(session.get()), nullptr);
}

TEST(EmailDialog, AnAddressThatCannotBeSentCanBeTriedAgain) {
    testenv::scriptedUi().clear();
    CSessionDoc offline; // never connected: the request cannot go out
    auto* dialog = new CUpdateEmailDlg(&offline, "first", "second", nullptr);
    dialog->SetItemText(CUpdateEmailDlg::kIdAddress, "ann@example.org");
    dialog->Press(IDOK);
    EXPECT_TRUE(dialog->Item(IDOK)->isEnabled());
    EXPECT_FALSE(dialog->IsWaitingForAnswer());
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, CUpdateEmailDlg::kFailed);
    delete dialog;
    testenv::scriptedUi().clear();
}

// A talk window that only records who is in it.
class FakeTalk : public CTalkSession {
public:
    void AddIncomingText(const QString&, const CTalkLine&) override {}
};

class PreInviteeTest : public testenv::SessionTest {};

TEST_F(PreInviteeTest, FillsItsTextsAndAnswersNewDeclineOrTalk) {
    std::vector<QStringList> talks;
    session->SetTalkFactory([&](CSessionDoc&, const QStringList& people, bool) {
        talks.push_back(people);
        return std::make_unique<FakeTalk>();
    });
    ASSERT_TRUE(Login());
    CPreInviteeDialog dialog(session.get(), "bob", "7 point match", "3-2");
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.windowTitle(), "Match Invitation");
    EXPECT_EQ(dialog.GetItemText(CPreInviteeDialog::kIdUnfinished), "You have an unfinished match with bob.");
    EXPECT_EQ(dialog.GetItemText(CPreInviteeDialog::kIdInviting), "bob is inviting you to start a new match.");
    EXPECT_EQ(dialog.GetItemText(CPreInviteeDialog::kIdGame), "Game: 7 point match");
    EXPECT_EQ(dialog.GetItemText(CPreInviteeDialog::kIdScore), "Score: 3-2");
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_ShowWithoutActivating));

    testenv::scriptedUi().SetDialogHandler([](QDialog* d) {
        auto* question = static_cast<CPreInviteeDialog*>(d);
        question->ItemAs<QPushButton>(CPreInviteeDialog::kIdTalk)->click();
        EXPECT_FALSE(question->HasEnded()); // talking leaves the question open
        question->ItemAs<QPushButton>(CPreInviteeDialog::kIdNew)->click();
        return question->result();
    });
    EXPECT_EQ(dialog.DoModal(), CPreInviteeDialog::kIdNew);
    testenv::scriptedUi().SetDialogHandler(nullptr);
    ASSERT_EQ(talks.size(), 1u);
    EXPECT_TRUE(talks[0].contains("alice"));
    EXPECT_TRUE(talks[0].contains("bob"));

    CPreInviteeDialog declined(session.get(), "bob", "", "");
    declined.EnsureInitialized();
    EXPECT_EQ(declined.Press(IDCANCEL), IDCANCEL);
}

TEST(PreInviteeDialog, OutsideTextIsNeverReadAsAFormat) {
    EXPECT_EQ(CPreInviteeDialog::FillIn("Game: %s", "%s and %1 %d"), "Game: %s and %1 %d");
    EXPECT_EQ(CPreInviteeDialog::FillIn("No placeholder", "x"), "No placeholder");
    CPreInviteeDialog dialog(nullptr, "<i>eve</i>", "g", "s");
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.ItemAs<QLabel>(CPreInviteeDialog::kIdInviting)->textFormat(), Qt::PlainText);
    dialog.OnTalk(); // without a session: nothing
}

} // namespace
