#include "DevServer.h"
#include "InviteClients.h"
#include "game/ClientGameFactory.h"
#include "game/RuleOptions.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/MatchInviteDlg.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/QtPrinters.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"

#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

using Client = testenv::InviteClient<CInvitationDlg>;

class InvitationEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        qputenv("NORVALE_WEB_ENGINE", "none");
        qputenv("NORVALE_WEB_HOST", "http://127.0.0.1:9");
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        RegisterInvitationDialogs();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        wire.Watch(server);
        alice = std::make_unique<Client>(server.Port(), "alice");
        bob = std::make_unique<Client>(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
    }
    void TearDown() override {
        alice.reset();
        bob.reset();
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        qunsetenv("NORVALE_WEB_ENGINE");
        qunsetenv("NORVALE_WEB_HOST");
    }

    // alice invites bob; both dialogs are open and bob may play.
    void Invite() {
        alice->manager->InvitePlayer("bob", 0, 0, false);
        ASSERT_NE(alice->Dialog(), nullptr);
        ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
        alice->Click(CInvitationDlg::kIdInvite);
        ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
        EXPECT_EQ(bob->Dialog()->windowTitle(), "Norvale Backgammon Invitation from alice");
    }

    CDevServer server{CDevServer::Options{}};
    std::unique_ptr<Client> alice;
    std::unique_ptr<Client> bob;
    testenv::InviteWire wire;
    QStringList& records = wire.records;
    std::map<QString, QString>& transfers = wire.transfers;
};

TEST_F(InvitationEndToEndTest, TheInvitedPlayerChangesTheTermsAndBothEnterTheMatch) {
    Invite();
    // bob wants five points and accepts them.
    bob->Dialog()->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->setValue(5);
    ASSERT_TRUE(
        WaitFor([&] { return alice->Dialog()->ItemAs<QSpinBox>(CMatchInviteDlg::kIdLength)->value() == 5; }));
    EXPECT_EQ(alice->Dialog()->GetMarker(1), CInvitationDlg::kMarkerChanged);
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->Dialog()->GetMarker(1) == CInvitationDlg::kMarkerAccepted; }));
    // alice accepts too: the match starts on both sides.
    ASSERT_TRUE(alice->Enabled(CInvitationDlg::kIdPlay));
    alice->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->room == ".gb.alice.bob" && bob->room == ".gb.alice.bob"; }));
    CBGRuleOptions five;
    five.SetMatchLength(5);
    five.SetRated(true);
    EXPECT_EQ(transfers["alice"], ".gb.alice.bob " + five.FormatText());
    EXPECT_EQ(transfers["bob"], transfers["alice"]);
    EXPECT_EQ(records, QStringList({"alice>bob 0", "bob>alice 1", "bob>alice 2", "alice>bob 5"}));
    EXPECT_EQ(alice->manager->GetInvitationCount(), 0);
    EXPECT_EQ(bob->manager->GetInvitationCount(), 0);
}

TEST_F(InvitationEndToEndTest, ADeclineAndAWithdrawalEndBothDialogs) {
    struct Case {
        const char* what;
        bool bobDeclines;
        QStringList records;
        const char* aliceLine;
        const char* bobLine;
    };
    const Case cases[] = {
        {"bob says no thanks",
         true,
         {"alice>bob 0", "bob>alice 3"},
         "bob has declined the invitation.",
         nullptr},
        {"alice withdraws",
         false,
         {"alice>bob 0", "alice>bob 4"},
         nullptr,
         "alice has cancelled the Backgammon invitation."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        records.clear();
        alice->chat.lines.clear();
        bob->chat.lines.clear();
        Invite();
        if (c.bobDeclines)
            bob->Click(CInvitationDlg::kIdNoThanks);
        else
            alice->Click(CInvitationDlg::kIdCancel);
        ASSERT_TRUE(WaitFor([&] {
            return alice->manager->GetInvitationCount() == 0 && bob->manager->GetInvitationCount() == 0;
        }));
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(alice->SystemLines(), c.aliceLine ? QStringList{c.aliceLine} : QStringList());
        EXPECT_EQ(bob->SystemLines(), c.bobLine ? QStringList{c.bobLine} : QStringList());
        EXPECT_TRUE(alice->room.isEmpty() || alice->room == ".mb");
    }
}

} // namespace
