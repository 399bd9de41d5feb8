// A money session end to end: two real sessions with their game rooms play through the development
// server, which offers each next game, and agree between games in their continue dialogs.

#include "DevServer.h"
#include "app/GameRoom.h"
#include "game/BackgammonDoc.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "lobby/invite/WagerEditControl.h"
#include "platform/Ui.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

const QString kRoom = QStringLiteral(".gb.alice.bob");

struct Player {
    Player(quint16 port, const QString& nickname) : room(&session) {
        view.frame = &frame;
        session.AddView(&view);
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered,
                         [this](const QString& name) { room.OnServiceEntered(name); });
        session.Connect({"127.0.0.1", port, nickname, "any", "1000 Norvale for Linux"});
    }
    ~Player() {
        session.SetChatLog(nullptr);
        session.RemoveView(&view);
    }
    CBackgammonDoc* Doc() const { return room.GetDocument(); }
    CContinueSessionController* Controller() const {
        return Doc() ? dynamic_cast<CContinueSessionController*>(Doc()->GetContinueSession()) : nullptr;
    }
    bool CanAnswer() const { return Controller() && Controller()->CanAnswer() && Controller()->GetDialog(); }
    void Click(int id) const { Controller()->GetDialog()->ItemAs<QAbstractButton>(id)->click(); }
    bool GameOn() const { return Doc() && Doc()->GetBoard().IsGameInProgress(); }
    bool SawLine(const QString& text) const {
        for (const auto& line : chat.lines)
            if (line.text.contains(text))
                return true;
        return false;
    }

    CSessionDoc session;
    testenv::RecordingView view;
    QWidget frame;
    testenv::RecordingChatLog chat;
    CGameRoom room;
    bool in = false;
};

CBGRuleOptions MoneyTerms() {
    CBGRuleOptions::Values values;
    values.matchLength = 0;
    values.unlimited = true;
    values.jacoby = true;
    values.wager = true;
    values.stake = 100;
    values.reserve = 5000;
    return CBGRuleOptions(values);
}

class MoneySessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        RegisterContinueSession();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        alice = std::make_unique<Player>(server.Port(), "alice");
        bob = std::make_unique<Player>(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
        QObject::connect(&server, &CDevServer::logLine, [this](const QString& line) { log << line; });
        alice->session.AttachToGameService(kRoom + " " + MoneyTerms().FormatText(), 1);
        bob->session.AttachToGameService(kRoom + " " + MoneyTerms().FormatText(), 1);
        ASSERT_TRUE(WaitFor([&] {
            return server.MatchNumber(kRoom) == 1 && alice->Doc() && bob->Doc() &&
                   alice->Doc()->IsMoneySession() && bob->Doc()->IsMoneySession();
        }));
    }
    void TearDown() override {
        alice.reset();
        bob.reset();
        CClientGameFactory::GetFactory().SetContinueSessionCreator(nullptr);
        CClientGameFactory::GetFactory().SetContinueSessionDialogCreator(nullptr);
    }
    // A game that the side on roll gives up at once; it ends in the continue dialogs of both.
    void PlayGame(bool opening) {
        if (opening) {
            ASSERT_TRUE(alice->Doc()->StartNextGame());
        }
        ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
        const int onRoll = alice->Doc()->GetBoard().GetActingSide();
        Player& first = onRoll == alice->Doc()->GetLocalSide() ? *alice : *bob;
        Player& second = &first == alice.get() ? *bob : *alice;
        ASSERT_TRUE(first.Doc()->SendGameCommand("x 1"));
        ASSERT_TRUE(WaitFor([&] { return second.Doc()->GetBoard().GetResignLevel() > 0; }));
        ASSERT_TRUE(second.Doc()->SendGameCommand("y"));
        ASSERT_TRUE(WaitFor([&] { return alice->CanAnswer() && bob->CanAnswer(); }));
        EXPECT_TRUE(server.IsAwaitingContinuation(kRoom));
    }

    CDevServer server{CDevServer::Options{}};
    std::unique_ptr<Player> alice, bob;
    QStringList log;
};

TEST_F(MoneySessionTest, TwoGamesALimitChangeAndTheEnd) {
    PlayGame(true);
    EXPECT_EQ(alice->Controller()->GetStake(), 100);
    EXPECT_EQ(bob->Controller()->GetLimit(), 5000);
    EXPECT_FALSE(alice->Doc()->StartNextGame()) << "no game before both agree";

    // Both go on: the server starts the second game by itself.
    alice->Click(CContinueSessionDlg::kIdNextGame);
    bob->Click(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_FALSE(server.IsAwaitingContinuation(kRoom));
    ASSERT_TRUE(
        WaitFor([&] { return !alice->Doc()->GetContinueSession() && !bob->Doc()->GetContinueSession(); }));

    // After the second game alice asks for a higher limit and bob follows it.
    PlayGame(false);
    alice->Controller()->GetDialog()->GetLimitEdit()->SetAmount(6000);
    alice->Controller()->OnLimitChanged(6000);
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->GetLimit() == 6000; }));
    alice->Click(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->IsPeerConfirmed(); }));
    bob->Click(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_EQ(server.MoneyLimit(kRoom), 6000);

    // After the third, bob ends the session: alice is told and no further game starts.
    PlayGame(false);
    EXPECT_EQ(alice->Controller()->GetLimit(), 6000) << "the agreed limit stands";
    bob->Click(CContinueSessionDlg::kIdEndSession);
    ASSERT_TRUE(WaitFor([&] { return alice->SawLine("bob has ended this session."); }));
    ASSERT_TRUE(WaitFor([&] { return log.join('\n').contains("ended by bob"); }));
    EXPECT_TRUE(alice->Controller()->IsStopped());
    alice->Click(CContinueSessionDlg::kIdNextGame);
    WaitFor([] { return false; }, 300);
    EXPECT_FALSE(alice->GameOn());
    EXPECT_FALSE(server.IsAwaitingContinuation(kRoom));
}

TEST_F(MoneySessionTest, TheServerStartsNoGameWhileTheLimitsDiffer) {
    PlayGame(true);
    // Hostile or confused clients: answers with different limits, and one not from a player.
    alice->session.Send(36, "1 5000 5000", -1, QString());
    bob->session.Send(36, "1 7000 7000", -1, QString());
    ASSERT_TRUE(WaitFor([&] { return log.join('\n').contains("the limits differ"); }));
    EXPECT_TRUE(server.IsAwaitingContinuation(kRoom));
    EXPECT_FALSE(alice->GameOn());
    bob->session.Send(36, "1 5000 5000", -1, QString());
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_EQ(server.MoneyLimit(kRoom), 5000);
}

} // namespace
