#include "DevServer.h"
#include "InviteClients.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/BackgammonInviteDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/WagerEditControl.h"
#include "session/SessionDoc.h"
#include "session/SessionServices.h"
#include "support/QtPrinters.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/controls/Edit100ths.h"
#include "support/controls/FittingScrollArea.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolButton>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

using testenv::WaitFor;

namespace {

using Client = testenv::InviteClient<CBackgammonInviteDlg>;

class BackgammonInviteEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        qputenv("NORVALE_WEB_ENGINE", "none");
        qputenv("NORVALE_WEB_HOST", "http://127.0.0.1:9");
        RegisterBackgammonInviteDialog();
    }
    void Start(CDevServer::Options options) {
        server = std::make_unique<CDevServer>(options);
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
        wire.Watch(*server);
        alice = std::make_unique<Client>(server->Port(), "alice");
        bob = std::make_unique<Client>(server->Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
    }
    // The user once invited for money, 5.00 a point with a reserve of 80; the server has no league.
    void StartRememberingMoneyTerms() {
        CSettingsStore& store = GetSettingsStore();
        const QString section = QString::fromLatin1(bginvite::kSection);
        store.WriteBool(section, "Unlimited", true);
        store.WriteBool(section, "DoWagerUnlimited", true);
        store.WriteInt(section, "StakePenniesUnlimited", 500);
        store.WriteInt(section, "ReservePenniesUnlimited", 8000);
        StartWithoutLeague();
    }
    // A server without a league (a league would fix the length and the kind of play).
    void StartWithoutLeague() {
        CDevServer::Options options;
        options.league.name.clear();
        Start(options);
    }
    // alice invites bob with the terms her dialog opens with; bob's dialog then offers Play.
    void AliceInvitesBob() {
        alice->manager->InvitePlayer("bob", 0, 0, false);
        ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
        alice->Click(CInvitationDlg::kIdInvite);
        ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    }
    void TearDown() override {
        alice.reset();
        bob.reset();
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        qunsetenv("NORVALE_WEB_ENGINE");
        qunsetenv("NORVALE_WEB_HOST");
    }

    std::unique_ptr<CDevServer> server;
    std::unique_ptr<Client> alice;
    std::unique_ptr<Client> bob;
    testenv::InviteWire wire;
    QStringList& records = wire.records;
    std::map<QString, QString>& transfers = wire.transfers;
};

TEST_F(BackgammonInviteEndToEndTest, TwoPlayersAgreeAMoneySession) {
    StartRememberingMoneyTerms();

    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_NE(alice->Dialog(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    CBackgammonInviteDlg* own = alice->Dialog();
    EXPECT_TRUE(own->IsWagerAgreed());
    EXPECT_FALSE(own->IsLeagueAvailable());
    EXPECT_TRUE(alice->Enabled(CWagerInviteDlg::kIdWager));
    TBackgammonTerms terms = own->GetTerms();
    EXPECT_TRUE(terms.money);
    EXPECT_TRUE(terms.wager);
    EXPECT_EQ(terms.stake, 500);
    EXPECT_EQ(terms.reserve, 8000);
    EXPECT_EQ(own->GetWarningText(), "This money session allows beavers.");
    // A money session is never rated, and its length is not typed.
    EXPECT_FALSE(alice->Enabled(CBackgammonInviteDlg::kIdRated));
    EXPECT_FALSE(alice->Enabled(CBackgammonInviteDlg::kIdLength));
    EXPECT_TRUE(alice->Enabled(CBackgammonInviteDlg::kIdBeavers));
    // Raising the stake of a money session raises the reserve with it (sixteen stakes at most).
    own->GetStakeControl()->StepAmount(1);
    EXPECT_EQ(own->GetStakeControl()->GetAmount(), 525);
    EXPECT_EQ(own->GetReserveControl()->GetAmount(), 8400);
    own->GetStakeControl()->StepAmount(-1);
    terms.reserve = 8000;
    own->GetReserveControl()->SetAmount(8000);

    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    const TBackgammonTerms received = bob->Dialog()->GetTerms();
    EXPECT_EQ(received, terms);
    EXPECT_EQ(bob->Dialog()->GetStakeControl()->GetText(), "5.00");
    EXPECT_EQ(bob->Dialog()->GetReserveControl()->GetText(), "80");

    // bob's dialog as small as it goes: Enter, on Play or elsewhere, shows him the wager, then takes it.
    CBackgammonInviteDlg* his = bob->Dialog();
    his->resize(his->minimumSizeHint());
    QApplication::processEvents();
    QWidget* wager = his->Item(CWagerInviteDlg::kIdWager)->parentWidget(); // with the two amounts
    QWidget* play = his->Item(CInvitationDlg::kIdPlay);
    for (QWidget* target : {play, static_cast<QWidget*>(his)}) {
        his->GetBody()->verticalScrollBar()->setValue(0);
        ASSERT_FALSE(his->GetBody()->IsWhollyInSight(wager));
        QTest::keyClick(target, Qt::Key_Return);
        EXPECT_TRUE(his->GetBody()->IsWhollyInSight(wager));
        EXPECT_FALSE(his->IsAcceptedHere());
    }
    QTest::keyClick(play, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return transfers.size() == 2; }));
    EXPECT_EQ(transfers["alice"], transfers["bob"]);
    EXPECT_TRUE(transfers["alice"].startsWith(".gb.alice.bob 0 1 0 1 0 0 1 0 1 0 1 500 8000!"))
        << transfers["alice"].toStdString();
    EXPECT_EQ(records, QStringList({"alice>bob 0", "bob>alice 2", "alice>bob 5"}));
    // The terms just proposed are remembered.
    EXPECT_TRUE(GetSettingsStore().GetBool(QString::fromLatin1(bginvite::kSection), "Unlimited", false));
}

TEST_F(BackgammonInviteEndToEndTest, TheKindOfPlayIsOneChoiceAndAmountsMoveOnlyByTheirArrows) {
    // The user once invited for money; his match terms are remembered as well.
    GetSettingsStore().WriteInt(QString::fromLatin1(bginvite::kSection), "Match Length", 5);
    StartRememberingMoneyTerms();
    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    CBackgammonInviteDlg* own = alice->Dialog();
    own->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(own));
    auto* match = own->ItemAs<QRadioButton>(CBackgammonInviteDlg::kIdMatchPlay);
    auto* money = own->ItemAs<QRadioButton>(CBackgammonInviteDlg::kIdMoneyPlay);
    ASSERT_TRUE(money->isChecked());

    // Both ways, with the mouse on the button and on its label, and with the Alt keys.
    // The middle of a radio button's label, where a click on its text lands.
    const auto label = [](QRadioButton* button) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()->subElementRect(QStyle::SE_RadioButtonFocusRect, &option, button).center();
    };
    const QPoint onButton(6, match->height() / 2);
    const struct {
        const char* what;
        std::function<void()> act;
        bool money;
    } steps[] = {
        {"Match Play clicked", [&] { QTest::mouseClick(match, Qt::LeftButton, {}, onButton); }, false},
        {"Money Play clicked", [&] { QTest::mouseClick(money, Qt::LeftButton, {}, onButton); }, true},
        {"Match Play's label clicked", [&] { QTest::mouseClick(match, Qt::LeftButton, {}, label(match)); }, false},
        {"Alt+O", [&] { QTest::keyClick(own, Qt::Key_O, Qt::AltModifier); }, true},
        {"Alt+A", [&] { QTest::keyClick(own, Qt::Key_A, Qt::AltModifier); }, false},
        {"Money Play's label clicked", [&] { QTest::mouseClick(money, Qt::LeftButton, {}, label(money)); }, true},
    };
    for (const auto& step : steps) {
        step.act();
        // A mnemonic clicks the button a moment later, as a click of the mouse would look.
        WaitFor([&] { return match->isChecked() != step.money; }, 1000);
        EXPECT_EQ(money->isChecked(), step.money) << step.what;
        EXPECT_EQ(match->isChecked(), !step.money) << step.what;
        const TBackgammonTerms terms = own->GetTerms();
        EXPECT_EQ(terms.money, step.money) << step.what;
        // Each kind comes back with its own remembered terms.
        EXPECT_EQ(terms.matchLength, step.money ? 0 : 5) << step.what;
        if (step.money) {
            EXPECT_EQ(terms.stake, 500) << step.what;
            EXPECT_EQ(terms.reserve, 8000) << step.what;
        }
        EXPECT_EQ(own->GetItemText(CBackgammonInviteDlg::kIdLength), step.money ? "" : "5") << step.what;
    }

    // The amounts move by their arrows (and the arrow keys) and take no typing.
    CWagerEditControl* stake = own->GetStakeControl();
    CWagerEditControl* reserve = own->GetReserveControl();
    QTest::mouseClick(stake->GetArrow(true), Qt::LeftButton);
    EXPECT_EQ(stake->GetAmount(), 525);
    EXPECT_EQ(reserve->GetAmount(), 8400) << "sixteen stakes at most";
    QTest::mouseClick(reserve->GetArrow(false), Qt::LeftButton);
    EXPECT_EQ(reserve->GetAmount(), 7875) << "the reserve of a money session steps by the stake";
    reserve->GetEdit()->setFocus();
    QTest::keyClicks(reserve->GetEdit(), "100", Qt::NoModifier, 20);
    QTest::keyClick(reserve->GetEdit(), Qt::Key_Backspace);
    QTest::keyClicks(stake->GetEdit(), "9");
    EXPECT_EQ(reserve->GetAmount(), 7875);
    EXPECT_EQ(reserve->GetText(), "78.75");
    EXPECT_EQ(stake->GetText(), "5.25");
    QTest::keyClick(reserve->GetEdit(), Qt::Key_Up);
    EXPECT_EQ(reserve->GetAmount(), 8400);

    // The peer reads the amounts as they are shown here.
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_EQ(bob->Dialog()->GetStakeControl()->GetText(), stake->GetText());
    EXPECT_EQ(bob->Dialog()->GetReserveControl()->GetText(), reserve->GetText());
    EXPECT_TRUE(bob->Dialog()->GetTerms().money);
}

TEST_F(BackgammonInviteEndToEndTest, WithAutoPlayAgainBothSidesAcceptTheRematch) {
    StartWithoutLeague();
    GetSettingsStore().WriteBool("CGameDoc", "bAutoPlayAgain", true);
    ASSERT_NO_FATAL_FAILURE(AliceInvitesBob());
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->room == ".gb.alice.bob" && bob->room == ".gb.alice.bob"; }));
    const QString agreed = transfers["bob"];
    records.clear();
    transfers.clear();

    // The match is over; the second player's dialog waits for the first player's invitation, and
    // neither user touches a button.
    bob->manager->OpenInvitationFromGame(".gb.alice.bob", 1);
    alice->manager->OpenInvitationFromGame(".gb.alice.bob", 0);
    ASSERT_TRUE(WaitFor([&] { return transfers.size() == 2; }, 10000)) << records.join(", ").toStdString();
    EXPECT_EQ(records, QStringList({"alice>bob 0", "bob>alice 2", "alice>bob 5"}));
    EXPECT_EQ(transfers["bob"], agreed);
    GetSettingsStore().WriteBool("CGameDoc", "bAutoPlayAgain", false);
}

TEST_F(BackgammonInviteEndToEndTest, PlayAgainShowsThePlayedTermsOnBothSidesAndEndsOnBoth) {
    CSettingsStore& store = GetSettingsStore();
    const QString section = QString::fromLatin1(bginvite::kSection);
    store.WriteInt(section, "Match Length", 5);
    StartWithoutLeague();
    ASSERT_NO_FATAL_FAILURE(AliceInvitesBob());
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->room == ".gb.alice.bob" && bob->room == ".gb.alice.bob"; }));
    // Both now remember other terms than the ones just played.
    store.WriteInt(section, "Match Length", 3);
    store.WriteBool(section, "Unlimited", true);

    const auto playAgain = [&] {
        bob->manager->OpenInvitationFromGame(".gb.alice.bob", 1);
        alice->manager->OpenInvitationFromGame(".gb.alice.bob", 0);
        return WaitFor([&] {
            return alice->Enabled(CInvitationDlg::kIdInvite) && bob->Dialog() && bob->Dialog()->IsInitialized();
        });
    };
    ASSERT_TRUE(playAgain());
    for (const Client* side : {alice.get(), bob.get()}) {
        const TBackgammonTerms terms = side->Dialog()->GetTerms();
        EXPECT_FALSE(terms.money);
        EXPECT_EQ(terms.matchLength, 5);
        EXPECT_EQ(side->Dialog()->GetItemText(CBackgammonInviteDlg::kIdLength), "5");
    }
    EXPECT_TRUE(bob->Dialog()->windowTitle().endsWith(" - waiting for alice"));

    // alice cancels before inviting: bob's waiting dialog hears it and closes.
    records.clear();
    alice->Click(CInvitationDlg::kIdCancel);
    ASSERT_TRUE(WaitFor([&] { return bob->Dialog() == nullptr; }));
    EXPECT_EQ(records, QStringList{"alice>bob 4"});
    EXPECT_TRUE(bob->SystemLines().contains("alice has cancelled the Backgammon invitation."))
        << bob->SystemLines().join(" | ").toStdString();

    // bob says no while he waits: alice's dialog closes.
    ASSERT_TRUE(playAgain());
    records.clear();
    bob->Click(CInvitationDlg::kIdNoThanks);
    ASSERT_TRUE(WaitFor([&] { return alice->Dialog() == nullptr; }));
    EXPECT_EQ(records, QStringList{"bob>alice 3"});
    EXPECT_TRUE(alice->SystemLines().contains("bob has declined the invitation."))
        << alice->SystemLines().join(" | ").toStdString();
}

// The server stops under two open invitations: neither Invite nor Play shows what could not be sent
// (the user invited, the terms accepted), and the chat says it was not sent.
TEST_F(BackgammonInviteEndToEndTest, WithTheServerGoneInviteAndPlayShowNothingSent) {
    StartWithoutLeague();
    ASSERT_NO_FATAL_FAILURE(AliceInvitesBob());
    Client carol(server->Port(), "carol");
    ASSERT_TRUE(WaitFor([&] { return carol.in; }));
    alice->manager->InvitePlayer("carol", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite, ".gb.alice.carol"); }));
    server.reset();
    ASSERT_TRUE(WaitFor([&] { return !alice->session.IsConnected() && !bob->session.IsConnected(); }));

    bob->Click(CInvitationDlg::kIdPlay);
    EXPECT_NE(bob->Dialog()->GetMarker(0), CInvitationDlg::kMarkerAccepted);
    EXPECT_TRUE(bob->Enabled(CInvitationDlg::kIdNoThanks));
    EXPECT_EQ(bob->SystemLines().last(), "Not connected: the acceptance was not sent.");
    alice->Click(CInvitationDlg::kIdInvite, ".gb.alice.carol");
    EXPECT_TRUE(alice->Enabled(CInvitationDlg::kIdInvite, ".gb.alice.carol")) << "not invited";
    EXPECT_NE(alice->Dialog(".gb.alice.carol")->GetMarker(0), CInvitationDlg::kMarkerAccepted);
    EXPECT_EQ(alice->SystemLines().last(), "Not connected: the invitation was not sent.");
}

TEST_F(BackgammonInviteEndToEndTest, ALeagueFixesItsOptions) {
    Start(CDevServer::Options{});
    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_NE(alice->Dialog(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    CBackgammonInviteDlg* own = alice->Dialog();
    ASSERT_TRUE(own->IsLeagueChosen());
    EXPECT_EQ(own->GetItemText(CLeagueInvitationDlg::kIdLeague), "Loopback League");
    EXPECT_EQ(own->GetTerms().matchLength, 5);
    EXPECT_TRUE(own->GetTerms().rated);
    // What the league fixes cannot be changed; the rest can.
    EXPECT_FALSE(alice->Enabled(CBackgammonInviteDlg::kIdLength));
    EXPECT_FALSE(alice->Enabled(CBackgammonInviteDlg::kIdMoneyPlay));
    EXPECT_FALSE(alice->Enabled(CBackgammonInviteDlg::kIdRated));
    EXPECT_TRUE(alice->Enabled(CBackgammonInviteDlg::kIdCube));

    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_TRUE(bob->Dialog()->IsLeagueChosen());
    EXPECT_EQ(bob->Dialog()->GetTerms().matchLength, 5);
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return transfers.size() == 2; }));
    EXPECT_EQ(transfers["alice"], transfers["bob"]);
    EXPECT_TRUE(transfers["alice"].endsWith("! : \"Loopback\"")) << transfers["alice"].toStdString();
    EXPECT_TRUE(transfers["alice"].startsWith(".gb.alice.bob 5 0 1 0 1 0 0 0 1"))
        << transfers["alice"].toStdString();
}

TEST_F(BackgammonInviteEndToEndTest, TermsThatBreakTheRulesAreCorrectedAndSentBack) {
    StartWithoutLeague();
    ASSERT_NO_FATAL_FAILURE(AliceInvitesBob());
    records.clear();

    struct Case {
        const char* terms;
        const char* what;
    };
    // Each goes to alice as new terms from bob; she answers with terms she can play.
    const Case cases[] = {
        {"0 1 0 0 0 0 1 0 0 1 0 0 0! : \"\"", "a cubeless Nackgammon session with beavers"},
        {"999 0 1 0 1 0 0 0 1 0 0 0 0! : \"\"", "a length out of range"},
        {"7 0 1 0 1 0 0 0 1 99 0 0 0! : \"\"", "an unknown variant"},
        {"garbage", "no terms at all"},
    };
    for (const Case& c : cases) {
        CInviteData record(0, CServiceName(".gb.alice.bob"), QString());
        record.SetMessage(CInviteData::kNewTerms, "bob", c.terms);
        bob->manager->SendInvitationRecord("alice", record.Format(), false);
        ASSERT_TRUE(WaitFor([&] { return records.contains("alice>bob 1"); })) << c.what;
        bool ok = false;
        const CBGRuleOptions back =
            CBGRuleOptions::CBGRuleOptionsFromText(alice->Dialog()->GetOwnRulesText(), &ok);
        EXPECT_TRUE(ok) << c.what;
        EXPECT_LE(back.GetMatchLength(), 25) << c.what;
        EXPECT_LT(back.GetVariant(), 3) << c.what;
        records.clear();
    }
    EXPECT_EQ(alice->Dialog()->GetWarningText(), "This is a cubeless Nackgammon money session.");
}

TEST_F(BackgammonInviteEndToEndTest, RobotsGetTheirOwnTerms) {
    StartWithoutLeague();
    GetSettingsStore().WriteInt(QString::fromLatin1(bginvite::kSection), "VariantLimited", 1);
    Client xbot(server->Port(), "Xbot");
    Client hyper(server->Port(), "ZoRavedIvu");
    ASSERT_TRUE(WaitFor([&] { return xbot.in && hyper.in; }));

    // A robot that plays for money: the wager is asked and cannot be taken back.
    alice->manager->InvitePlayer("Xbot", 0, 0, false);
    CBackgammonInviteDlg* money = alice->Dialog(".gb.alice.Xbot");
    ASSERT_NE(money, nullptr);
    ASSERT_TRUE(WaitFor([&] { return money->IsReady(); }));
    EXPECT_TRUE(money->IsWagerAsked());
    EXPECT_FALSE(money->Item(CWagerInviteDlg::kIdWager)->isEnabled());
    money->OnCancel();

    // The Hypergammon robot plays Hypergammon whatever was remembered, and that is not remembered.
    alice->manager->InvitePlayer("ZoRavedIvu", 0, 0, false);
    CBackgammonInviteDlg* hyperDialog = alice->Dialog(".gb.alice.ZoRavedIvu");
    ASSERT_NE(hyperDialog, nullptr);
    ASSERT_TRUE(WaitFor([&] { return hyperDialog->IsReady(); }));
    EXPECT_EQ(hyperDialog->GetTerms().variant, 2);
    EXPECT_EQ(hyperDialog->GetWarningText(), "This is a Hypergammon match.");
}

// alice unticks the offered league and they play a 5-point match. Play again offers both the terms just
// played; the side that waits says whom for and may chat; a later invitation keeps her choice.
TEST_F(BackgammonInviteEndToEndTest, PlayAgainOffersTheMatchJustPlayedAndTheLeagueChoiceIsRemembered) {
    Start(CDevServer::Options{});
    struct Talk : CTalkSession {
        void AddIncomingText(const QString&, const CTalkLine&) override {}
    };
    bob->session.SetTalkFactory([](CSessionDoc&, const QStringList&, bool) { return std::make_unique<Talk>(); });
    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    ASSERT_TRUE(alice->Dialog()->IsLeagueChosen()) << "offered the first time";
    alice->Dialog()->ItemAs<QCheckBox>(CLeagueInvitationDlg::kIdLeague)->click();
    ASSERT_FALSE(alice->Dialog()->IsLeagueChosen());
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_FALSE(bob->Dialog()->IsLeagueChosen());
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->room == ".gb.alice.bob" && bob->room == ".gb.alice.bob"; }));

    // The match has ended: each side's game opens the play-again invitation.
    alice->manager->OpenInvitationFromGame(".gb.alice.bob", 1);
    bob->manager->OpenInvitationFromGame(".gb.alice.bob", 2);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite) && bob->Dialog(); }));
    EXPECT_FALSE(alice->Dialog()->IsLeagueChosen());
    EXPECT_EQ(alice->Dialog()->GetTerms().matchLength, 5);
    EXPECT_TRUE(alice->Enabled(CBackgammonInviteDlg::kIdLength));
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdChat); }));
    EXPECT_EQ(bob->Dialog()->windowTitle(), "Norvale Backgammon Invitation - waiting for alice");
    EXPECT_EQ(bob->Dialog()->GetTerms().matchLength, 5);
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_EQ(bob->Dialog()->windowTitle(), "Norvale Backgammon Invitation from alice");
    EXPECT_FALSE(bob->Dialog()->IsLeagueChosen());
    alice->Dialog()->OnCancel();

    // A new invitation opens with the league unticked, as she last chose.
    ASSERT_TRUE(WaitFor([&] { return alice->Dialog() == nullptr; }));
    alice->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return alice->room == ".mb"; }));
    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    EXPECT_TRUE(alice->Dialog()->IsLeagueAvailable());
    EXPECT_FALSE(alice->Dialog()->IsLeagueChosen());
}

} // namespace

namespace {

// The Win/Lose estimates follow the Points box as the user types in it (the server is asked again
// within a second of a change); the keys stay in the box (Invite, enabled by the first, does not take
// the focus from it). The box keeps what is typed: emptied it stays empty with Invite off, and the
// peer gets the length it shows, a length out of range once the box shows it corrected.
TEST_F(BackgammonInviteEndToEndTest, ThePointsBoxKeepsWhatIsTypedAndThePeerGetsWhatItShows) {
    StartWithoutLeague();
    alice->manager->InvitePlayer("bob", 0, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    CBackgammonInviteDlg* dialog = alice->Dialog();
    dialog->ItemAs<QRadioButton>(CBackgammonInviteDlg::kIdMatchPlay)->click();
    if (!dialog->ItemAs<QCheckBox>(CBackgammonInviteDlg::kIdRated)->isChecked())
        dialog->ItemAs<QCheckBox>(CBackgammonInviteDlg::kIdRated)->click();
    auto* length = dialog->ItemAs<QLineEdit>(CBackgammonInviteDlg::kIdLength);
    dialog->activateWindow();
    QApplication::setActiveWindow(dialog);
    length->setFocus();
    length->selectAll();
    // Equal ratings: a win gains 2 * sqrt(length) points. Each key goes where the focus is.
    const auto type = [&](const char* keys, const char* win) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), keys, Qt::NoModifier, 50);
        EXPECT_TRUE(WaitFor([&] { return dialog->GetPanelText(CInvitationDlg::kIdWinDelta0) == win; }, 10000))
            << length->text().toStdString() << " shows " << dialog->GetPanelText(CInvitationDlg::kIdWinDelta0).toStdString();
    };
    type("1", "+2.0");
    type("3", "+7.2");
    EXPECT_EQ(length->text(), "13");
    QTest::keyClick(length, Qt::Key_Backspace);
    QTest::keyClick(length, Qt::Key_Backspace);
    EXPECT_EQ(length->text(), "") << "nothing is written into an emptied box";
    EXPECT_FALSE(alice->Enabled(CInvitationDlg::kIdInvite)) << "no length, no invitation";
    type("5", "+4.5");
    EXPECT_EQ(length->text(), "5");
    EXPECT_TRUE(alice->Enabled(CInvitationDlg::kIdInvite));
    QTest::keyClick(length, Qt::Key_Tab);
    EXPECT_EQ(length->text(), "5");
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_EQ(bob->Dialog()->GetTerms().matchLength, 5);
    EXPECT_EQ(bob->Dialog()->GetItemText(CBackgammonInviteDlg::kIdLength), "5");

    // Invited, she changes the length: an empty box sends nothing; "3" goes as it is typed, "30" once
    // the box shows 25, when she leaves it.
    records.clear();
    QApplication::setActiveWindow(dialog);
    length->setFocus();
    ASSERT_TRUE(length->hasFocus());
    length->selectAll();
    QTest::keyClick(length, Qt::Key_Backspace);
    QTest::keyClicks(length, "30", Qt::NoModifier, 50);
    EXPECT_EQ(length->text(), "30");
    ASSERT_TRUE(WaitFor([&] { return bob->Dialog()->GetTerms().matchLength == 3; }));
    QTest::keyClick(length, Qt::Key_Tab);
    EXPECT_EQ(length->text(), "25");
    ASSERT_TRUE(WaitFor([&] { return bob->Dialog()->GetTerms().matchLength == 25; }));
    EXPECT_EQ(records, QStringList({"alice>bob 1", "alice>bob 1"}));
}

} // namespace
