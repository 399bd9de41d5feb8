// The continuation of a money session between two games, both sides at once: two game documents with
// their controllers, the peer messages carried from one to the other as the server would route them.

#include "../../game/GameDocTestUtil.h"
#include "MoneySessionTestUtil.h"
#include "game/ClientGameFactory.h"
#include "game/RuleOptions.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "lobby/invite/WagerEditControl.h"
#include "net/DatabaseTransaction.h"
#include "platform/Ui.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kRoom = QStringLiteral(".gb.alice.bob");

using moneytest::Answer;

struct Side {
    explicit Side(const QString& nickname) : link(nickname, kRoom), doc(&link) {
        doc.SetupPlayersFromService();
        doc.StartMatch(moneytest::SessionTerms());
    }
    CContinueSessionController* Controller() const {
        return dynamic_cast<CContinueSessionController*>(doc.GetContinueSession());
    }
    CContinueSessionDlg* Dialog() const { return Controller() ? Controller()->GetDialog() : nullptr; }
    // A packet as the session hands it on: from that source, routed to that destination.
    int Receive(int type, const QString& text, const QString& source, const QString& destination) {
        link.source = source;
        link.destination = destination;
        return doc.OnPacket(type, text);
    }
    std::vector<QString> Sent(int type) const {
        std::vector<QString> texts;
        for (const auto& [t, text, target] : link.sent)
            if (t == type)
                texts.push_back(text);
        return texts;
    }
    gametest::FakeSession link;
    CBackgammonDoc doc;
    size_t carried = 0; // packets of link.sent already carried to the peer
};

class ContinueSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        RegisterContinueSession();
        ASSERT_TRUE(alice.doc.IsMoneySession() && bob.doc.IsMoneySession());
    }
    void TearDown() override {
        CClientGameFactory::GetFactory().SetContinueSessionCreator(nullptr);
        CClientGameFactory::GetFactory().SetContinueSessionDialogCreator(nullptr);
    }
    // Carries every 243 each side sent to the other, until nothing is left.
    void Carry() {
        for (bool moved = true; moved;) {
            moved = false;
            for (auto [from, to] : {std::pair{&alice, &bob}, std::pair{&bob, &alice}}) {
                while (from->carried < from->link.sent.size()) {
                    const auto [type, text, target] = from->link.sent[from->carried++];
                    if (type == 243 && target == to->link.nickname) {
                        to->Receive(type, text, from->link.nickname, to->link.nickname);
                        moved = true;
                    }
                }
            }
        }
    }
    // A game ended: the server offers the next and the database answers both.
    void Pause(int stake = 100, int limit = 5000) {
        for (Side* side : {&alice, &bob})
            ASSERT_EQ(side->Receive(37, QStringLiteral("%1 %2").arg(stake).arg(limit), QString(), QString()),
                      1);
        Carry();
        for (Side* side : {&alice, &bob})
            ASSERT_EQ(side->Receive(253, Answer(kRoom), ".db", side->link.nickname), 1);
        Carry();
    }
    static void Click(Side& side, int id) { side.Dialog()->ItemAs<QAbstractButton>(id)->click(); }
    static void DeleteLater() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    Side alice{QStringLiteral("alice")};
    Side bob{QStringLiteral("bob")};
};

TEST_F(ContinueSessionTest, BothClickNextGameAndTheSessionContinues) {
    Pause();
    ASSERT_TRUE(alice.Dialog() && bob.Dialog());
    EXPECT_TRUE(alice.Controller()->CanAnswer());
    EXPECT_EQ(alice.Sent(251).size(), 1u) << "the limits are asked of the database";
    EXPECT_EQ(alice.Dialog()->ItemAs<QLabel>(CContinueSessionDlg::kIdStake)->text(), " 1 US$/Point ");

    Click(alice, CContinueSessionDlg::kIdNextGame);
    EXPECT_EQ(alice.Dialog()->StatusText(), "Awaiting bob's click.");
    EXPECT_TRUE(alice.Sent(36).empty()) << "nothing is agreed before bob answers";
    Carry();
    EXPECT_EQ(bob.Dialog()->StatusText(), "alice has rolled.");
    QPointer<QObject> aliceController = alice.doc.GetContinueSession();
    QPointer<QObject> bobDialog = bob.Dialog();
    Click(bob, CContinueSessionDlg::kIdNextGame);
    Carry();
    EXPECT_EQ(alice.Sent(36), std::vector<QString>{"1 5000 5000"});
    EXPECT_EQ(bob.Sent(36), std::vector<QString>{"1 5000 5000"});

    // The controllers go once the call in hand is over, their dialogs with them; a late word then
    // finds nobody.
    EXPECT_EQ(alice.doc.GetContinueSession(), nullptr);
    EXPECT_FALSE(aliceController.isNull());
    DeleteLater();
    EXPECT_TRUE(aliceController.isNull());
    EXPECT_TRUE(bobDialog.isNull());
    EXPECT_EQ(alice.Receive(243, "6 \"7000 7000\"", "bob", "alice"), 0);
    EXPECT_EQ(alice.doc.GetContinueSession(), nullptr);

    // The next pause starts afresh.
    Pause();
    ASSERT_NE(alice.Controller(), nullptr);
    EXPECT_FALSE(alice.Controller()->IsAnswered());
}

TEST_F(ContinueSessionTest, EndSessionStopsBothSidesAndTellsThePeer) {
    Pause();
    Click(alice, CContinueSessionDlg::kIdEndSession);
    Carry();
    EXPECT_EQ(alice.Sent(36), std::vector<QString>{"0 5000 5000"});
    EXPECT_EQ(bob.link.chatLines, QStringList{"alice has ended this session."});
    EXPECT_TRUE(bob.Controller()->IsStopped());

    // Play Later (the close box too) stops this side and closes the window.
    Pause();
    bob.Dialog()->close();
    Carry();
    EXPECT_TRUE(bob.Controller()->IsStopped());
    EXPECT_FALSE(bob.Dialog()->isVisible());
    EXPECT_TRUE(alice.Controller()->IsStopped());
    EXPECT_GE(bob.link.temporaryConnectionsRemoved, 1);
}

TEST_F(ContinueSessionTest, BothChangingAtOnceStartsNoGameWhileTheLimitsDiffer) {
    Pause();
    alice.Controller()->OnLimitChanged(6000);
    bob.Controller()->OnLimitChanged(7000);
    Carry(); // each takes the other's: the two limits cross
    EXPECT_NE(alice.Controller()->GetLimit(), bob.Controller()->GetLimit());
    Click(alice, CContinueSessionDlg::kIdNextGame);
    Click(bob, CContinueSessionDlg::kIdNextGame);
    Carry();
    EXPECT_TRUE(alice.Sent(36).empty());
    EXPECT_TRUE(bob.Sent(36).empty());
    // One more change settles it: bob's edit shows it, his answer is cleared.
    alice.Controller()->OnLimitChanged(8000);
    Carry();
    EXPECT_EQ(bob.Dialog()->GetLimitEdit()->GetAmount(), 8000);
    EXPECT_TRUE(bob.Dialog()->IsRefreshPending());
    EXPECT_FALSE(bob.Controller()->IsAnswered());
    Click(alice, CContinueSessionDlg::kIdNextGame);
    Click(bob, CContinueSessionDlg::kIdNextGame);
    Carry();
    EXPECT_EQ(alice.Sent(36), std::vector<QString>{"1 8000 8000"});
    EXPECT_EQ(bob.Sent(36), std::vector<QString>{"1 8000 8000"});
}

TEST_F(ContinueSessionTest, OnlyThePeerTheServerAndTheDatabaseAreHeard) {
    Pause();
    CContinueSessionController* controller = alice.Controller();
    struct Case {
        const char* what;
        int type;
        QString text, source, destination;
    };
    const Case cases[] = {
        {"a watcher ends the session", 243, "3 \"\"", "cy", "alice"},
        {"the room hears the peer", 243, "3 \"\"", "bob", "&"},
        {"a negative limit", 243, "6 \"-5 -5\"", "bob", "alice"},
        {"a limit that is not a number", 243, "6 \"12x 12x\"", "bob", "alice"},
        {"two different limits", 243, "6 \"5 6\"", "bob", "alice"},
        {"a limit that overflows", 243, "6 \"99999999999 99999999999\"", "bob", "alice"},
        {"an offer from a member", 37, "100 9000", "bob", "alice"},
        {"an offer that is not two numbers", 37, "100 90x", "", ""},
        {"another room's money answer", 253, Answer(".gb.alice.cy"), ".db", "alice"},
    };
    for (const Case& c : cases) {
        alice.Receive(c.type, c.text, c.source, c.destination);
        EXPECT_EQ(alice.Controller(), controller) << c.what;
        EXPECT_FALSE(controller->IsStopped()) << c.what;
        EXPECT_EQ(controller->GetLimit(), 5000) << c.what;
        EXPECT_TRUE(alice.link.chatLines.isEmpty()) << c.what;
    }
    // A watcher's document makes no controller at all.
    gametest::FakeSession watcherLink("cy", kRoom);
    CBackgammonDoc watcher(&watcherLink);
    watcher.SetupPlayersFromService();
    EXPECT_EQ(watcher.OnPacket(37, "100 5000"), 0);
    EXPECT_EQ(watcher.GetContinueSession(), nullptr);
}

TEST_F(ContinueSessionTest, AutomaticSidesContinueWithoutADialogUnlessTheLimitIsRefused) {
    CGameDoc::SetAutoPlayAgain(true);
    Pause();
    EXPECT_EQ(alice.Sent(36), std::vector<QString>{"1 5000 5000"});
    EXPECT_EQ(bob.Sent(36), std::vector<QString>{"1 5000 5000"});
    EXPECT_EQ(alice.Dialog(), nullptr);
    DeleteLater();

    // A limit beyond the funds brings the dialog up instead.
    Pause(100, 500000);
    ASSERT_NE(alice.Dialog(), nullptr);
    EXPECT_FALSE(alice.Controller()->IsAutomatic());
    EXPECT_TRUE(alice.Dialog()->isVisible());
    // Its "Next Game" refuses the limit until the user brings it into range.
    Click(alice, CContinueSessionDlg::kIdNextGame);
    testenv::WaitFor([] { return !testenv::scriptedUi().asked().empty(); }, 1000);
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, "Your limit is out of range.");
    EXPECT_FALSE(alice.Controller()->IsAnswered());
    EXPECT_EQ(alice.Sent(36).size(), 1u);
}

TEST_F(ContinueSessionTest, TextsOfTheDialogAndTheWire) {
    EXPECT_EQ(CContinueSessionController::FormatStakeText(250), " 2.50 US$/Point ");
    EXPECT_EQ(CContinueSessionController::FormatStakeText(300), " 3 US$/Point ");

    // Long nicknames give way to "opponent" and "Your opponent".
    const QString room = ".gb.alice.abcdefghijklmn";
    gametest::FakeSession link("alice", room);
    CBackgammonDoc doc(&link);
    doc.SetupPlayersFromService();
    CContinueSessionController controller(&doc, nullptr, false);
    CContinueSessionDlg* dialog = controller.GetDialog();
    ASSERT_NE(dialog, nullptr);
    controller.OnLimitsPacket("100 5000");
    link.source = "abcdefghijklmn";
    controller.OnSessionPacket("1 \"\"");
    controller.OnMoneyInviteResponse(Answer(room));
    controller.OnSessionPacket("4 \"5000 5000\"");
    EXPECT_EQ(dialog->StatusText(), "Your opponent has rolled.");
    controller.OnNextGame();
    EXPECT_EQ(link.sent.back(), std::make_tuple(36, QString("1 5000 5000"), QString()));
    CContinueSessionController waiting(&doc, nullptr, false);
    waiting.OnLimitsPacket("100 5000");
    waiting.OnSessionPacket("1 \"\"");
    waiting.OnMoneyInviteResponse(Answer(room));
    waiting.OnNextGame();
    EXPECT_EQ(waiting.GetDialog()->StatusText(), "Awaiting opponent's click.");
    DeleteLater();
}

} // namespace
