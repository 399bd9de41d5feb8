// A money session end to end: two real sessions with their game rooms and game windows play through
// the development server, which offers each next game, and agree between games in their continue
// dialogs, clicked and typed into as the user does.

#include "DevServer.h"
#include "app/GameRoom.h"
#include "board/BgClientView.h"
#include "chat/CommandLineView.h"
#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "game/ClientGameFactory.h"
#include "lobby/invite/ContinueSessionController.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "lobby/invite/WagerEditControl.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "support/controls/Edit100ths.h"

#include <QTcpSocket>
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

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
        invitations = CInvitationManager::Attach(session);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered, [this](const QString& name) {
            service = name;
            room.OnServiceEntered(name);
        });
        // The game window, made as the application makes it.
        QObject::connect(&room, &CGameRoom::windowSetChanged, [this] {
            window.reset();
            if (const CBackgammonDoc* doc = room.GetDocument()) {
                window = std::make_unique<CMultiPaneFrame>(&session);
                window->Build(*CPaneLayout::Parse(doc->GetWindowLayout()));
                window->show();
            }
        });
        session.Connect({"127.0.0.1", port, nickname, "any", "1000 Norvale for Linux"});
    }
    ~Player() {
        window.reset();
        session.SetChatLog(nullptr);
        session.RemoveView(&view);
    }
    CContinueSessionDlg* Dialog() const { return Controller() ? Controller()->GetDialog() : nullptr; }
    bool Shows() const { return Dialog() && Dialog()->isVisible(); }
    bool Enabled(int id) const { return Dialog()->Item(id)->isEnabled(); }
    void Press(int id) const { QTest::mouseClick(Dialog()->ItemAs<QPushButton>(id), Qt::LeftButton); }
    CWagerEditControl* Limit() const { return Dialog()->GetLimitEdit(); }
    QString LimitText() const { return Limit()->GetText(); }
    CBgClientView* Board() const {
        return window ? qobject_cast<CBgClientView*>(window->FindPane("BgBoard")) : nullptr;
    }
    bool Lit(CBgClientView::Button button) const { return Board() && Board()->GetButton(button)->isEnabled(); }
    bool RollEnabled() const { return Lit(CBgClientView::kRoll); }
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
    std::unique_ptr<CMultiPaneFrame> window;
    CInvitationManager* invitations = nullptr;
    QString service;
    bool in = false;
};

// Without a wager the terms still hold the invitation's untouched stake and reserve.
CBGRuleOptions MoneyTerms(bool wager = true) {
    CBGRuleOptions::Values values;
    values.matchLength = 0;
    values.unlimited = true;
    values.jacoby = true;
    values.beavers = true;
    values.wager = wager;
    values.stake = wager ? 100 : 1000;
    values.reserve = wager ? 5000 : 16000;
    return CBGRuleOptions(values);
}

class MoneySessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        RegisterContinueSession();
        CBgClientView::RegisterPane();
        CBgMatchLogView::RegisterPane();
        RegisterChatPanes();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &CDevServer::packetRelayed,
                         [this](const QString& from, const QString& to, int type, const QString& payload) {
                             if (type == CContinueSessionController::kPacketPeer)
                                 peer << QStringLiteral("%1>%2 %3").arg(from, to, payload);
                         });
        alice = std::make_unique<Player>(server.Port(), "alice");
        bob = std::make_unique<Player>(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
        QObject::connect(&server, &CDevServer::logLine, [this](const QString& line) { log << line; });
        alice->session.AttachToGameService(kRoom + " " + terms.FormatText(), 1);
        bob->session.AttachToGameService(kRoom + " " + terms.FormatText(), 1);
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

    // The peer messages relayed since the last call, "from>to text".
    QStringList TakePeer() { return std::exchange(peer, {}); }
    bool Logged(const QString& text) const { return log.join('\n').contains(text); }
    // alice's program ends without a word (its connection goes), and she logs in again.
    void DropAlice() {
        alice.reset();
        ASSERT_TRUE(WaitFor([&] { return bob->SawLine("kept unfinished"); }));
        bob->chat.lines.clear();
        alice = std::make_unique<Player>(server.Port(), "alice");
        ASSERT_TRUE(WaitFor([&] { return alice->in; }));
    }
    // alice asks to resume her match with bob, and bob says yes.
    void Resume() {
        ASSERT_TRUE(WaitFor([&] { return alice->invitations->HasUnfinishedMatch(kRoom); }));
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) -> int {
            auto* waiting = dynamic_cast<CWaitingForResumeMatchDlg*>(dialog);
            if (!waiting || !WaitFor([&] { return bob->invitations->FindResumeDialog(kRoom); }))
                return platform::IDCANCEL;
            bob->invitations->FindResumeDialog(kRoom)->ItemAs<QPushButton>(CResumeMatchReceiverDlg::kIdResume)->click();
            WaitFor([&] { return waiting->HasEnded(); });
            return waiting->result();
        });
        EXPECT_TRUE(alice->invitations->ResumeWithPlayers(QStringList{"alice", "bob"}));
        testenv::scriptedUi().SetDialogHandler(nullptr);
    }
    // Both are back between two games: each is asked afresh, with the limit as it stood, and the game
    // is not rolled but agreed; both agree, and the next game starts with the running score.
    void GoOnTogether() {
        ASSERT_TRUE(WaitFor([&] { return alice->CanAnswer() && bob->CanAnswer(); }));
        const QString score = Score(*bob);
        for (Player* p : {alice.get(), bob.get()}) {
            EXPECT_TRUE(p->Shows());
            EXPECT_EQ(p->Dialog()->StatusText(), "Click on dice to continue.") << "nobody has answered yet";
            EXPECT_EQ(p->LimitText(), "50");
            EXPECT_EQ(Score(*p), score);
            EXPECT_FALSE(p->RollEnabled());
            EXPECT_FALSE(p->Doc()->StartNextGame());
        }
        alice->Press(CContinueSessionDlg::kIdNextGame);
        ASSERT_TRUE(WaitFor([&] { return bob->Controller()->IsPeerConfirmed(); }));
        bob->Press(CContinueSessionDlg::kIdNextGame);
        ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
        EXPECT_EQ(Score(*alice), score);
    }
    static QString Score(const Player& p) {
        const CBackgammonBoard& board = p.Doc()->GetBoard();
        return QStringLiteral("%1-%2").arg(board.GetScore(1)).arg(board.GetScore(2));
    }

    CBGRuleOptions terms = MoneyTerms();
    CDevServer server{CDevServer::Options{}};
    std::unique_ptr<Player> alice, bob;
    QStringList log;
    QStringList peer;
};

TEST_F(MoneySessionTest, ThreeGamesALimitChangePlayLaterAndTheEnd) {
    PlayGame(true);
    EXPECT_EQ(alice->Controller()->GetStake(), 100);
    for (Player* p : {alice.get(), bob.get()}) {
        ASSERT_TRUE(p->Shows());
        EXPECT_EQ(p->Dialog()->StatusText(), "Click on dice to continue.");
        EXPECT_EQ(p->Dialog()->ItemAs<QLabel>(CContinueSessionDlg::kIdStake)->text(), " 1 US$/Point ");
        EXPECT_EQ(p->LimitText(), "50");
        EXPECT_FALSE(p->RollEnabled()) << "the next game is agreed in the dialog, not rolled";
    }
    EXPECT_FALSE(alice->Doc()->StartNextGame()) << "no game before both agree";
    TakePeer();

    // Typing into the limit changes nothing and tells bob nothing.
    CEdit100ths* edit = alice->Limit()->GetEdit();
    edit->setFocus();
    QTest::keyClicks(edit, "30", Qt::NoModifier, 20);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(alice->LimitText(), "50");
    EXPECT_EQ(alice->Controller()->GetLimit(), 5000);
    EXPECT_TRUE(edit->isEnabled());

    // Both go on: the server starts the second game by itself.
    alice->Press(CContinueSessionDlg::kIdNextGame);
    EXPECT_EQ(alice->Dialog()->StatusText(), "Awaiting bob's click.");
    ASSERT_TRUE(WaitFor([&] { return bob->Dialog()->StatusText() == "alice has rolled."; }));
    bob->Press(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_TRUE(Logged("next game at limit 5000"));
    ASSERT_TRUE(
        WaitFor([&] { return !alice->Doc()->GetContinueSession() && !bob->Doc()->GetContinueSession(); }));
    EXPECT_EQ(TakePeer(), QStringList({"alice>bob 4 \"5000 5000\"", "bob>alice 4 \"5000 5000\""}));

    // After the second game alice raises the limit with the arrow beside it and the Up key; bob's
    // dialog follows each step and his edit stays his to change.
    PlayGame(false);
    TakePeer();
    edit = alice->Limit()->GetEdit();
    edit->setFocus();
    QTest::mouseClick(alice->Limit()->GetArrow(true), Qt::LeftButton);
    EXPECT_EQ(alice->LimitText(), "51");
    EXPECT_TRUE(edit->isEnabled() && alice->Limit()->GetArrow(true)->isEnabled())
        << "a step keeps the arrows, so that holding one goes on";
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(alice->LimitText(), "52");
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->GetLimit() == 5200; }));
    EXPECT_EQ(bob->LimitText(), "52");
    EXPECT_TRUE(bob->Limit()->GetArrow(false)->isEnabled());
    EXPECT_EQ(TakePeer(), QStringList({"alice>bob 6 \"5100 5100\"", "alice>bob 6 \"5200 5200\"",
                                       "alice>bob 6 \"5300 5300\"", "alice>bob 6 \"5200 5200\""}));
    alice->Press(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->IsPeerConfirmed(); }));
    bob->Press(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_EQ(server.MoneyLimit(kRoom), 5200);
    TakePeer();

    // After the third, alice will play later: her dialog goes; bob's says so and keeps only its ways out.
    PlayGame(false);
    EXPECT_EQ(alice->LimitText(), "52") << "the agreed limit stands";
    TakePeer();
    alice->Press(CContinueSessionDlg::kIdPlayLater);
    EXPECT_FALSE(alice->Shows());
    ASSERT_TRUE(WaitFor([&] { return bob->Dialog()->StatusText() == "alice will play later."; }));
    EXPECT_FALSE(bob->Enabled(CContinueSessionDlg::kIdNextGame));
    EXPECT_FALSE(bob->Limit()->GetEdit()->isEnabled());
    EXPECT_TRUE(bob->Enabled(CContinueSessionDlg::kIdPlayLater));
    ASSERT_TRUE(bob->Enabled(CContinueSessionDlg::kIdEndSession));

    // bob ends the session: the server hears it, alice is told although she had stopped already.
    bob->Press(CContinueSessionDlg::kIdEndSession);
    EXPECT_FALSE(bob->Shows());
    ASSERT_TRUE(WaitFor([&] { return Logged("ended by bob"); }));
    ASSERT_TRUE(WaitFor([&] { return alice->SawLine("bob has ended this session."); }));
    EXPECT_EQ(TakePeer(), QStringList({"alice>bob 2 \"\"", "bob>alice 3 \"\""}));
    EXPECT_FALSE(server.IsAwaitingContinuation(kRoom));
    EXPECT_FALSE(alice->RollEnabled());
    EXPECT_FALSE(bob->RollEnabled());

    // An ended session is over: leaving the room leaves no unfinished match to warn about, and the
    // one who stays waits for nobody.
    EXPECT_FALSE(alice->Doc()->IsMatchInProgress()) << "bob ended it";
    EXPECT_FALSE(bob->Doc()->IsMatchInProgress());
    alice->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return alice->service == ".mb"; }));
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("alice has left the game."); }));
    EXPECT_FALSE(bob->SawLine("kept unfinished"));
    EXPECT_FALSE(bob->Doc()->IsOpponentAway());
    ASSERT_TRUE(WaitFor([&] { return alice->session.FindUser("bob"); }));
    EXPECT_EQ(alice->session.FindUser("bob")->GetActivity(), CUserInfo::kActivityPlaying);
    bob->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return bob->service == ".mb"; }));
    EXPECT_FALSE(alice->invitations->HasUnfinishedMatch(kRoom));
    EXPECT_FALSE(bob->invitations->HasUnfinishedMatch(kRoom));
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

// The session allows beavers: offered the cube, the taker's Double is lit beside Take and Pass, and
// pressing it beavers: he keeps the cube at twice the offer.
TEST_F(MoneySessionTest, TheTakerMayBeaverWhenTheTermsAllowIt) {
    ASSERT_TRUE(alice->Doc()->StartNextGame());
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    Player& opener = alice->Doc()->GetBoard().GetActingSide() == alice->Doc()->GetLocalSide() ? *alice : *bob;
    Player& doubler = &opener == alice.get() ? *bob : *alice;
    ASSERT_TRUE(WaitFor([&] { return opener.Doc()->GetBoard().GetState() == CBackgammonBoard::kStateMoving; }));
    std::vector<BgPlay> plays;
    opener.Doc()->GetBoard().GetLegalPlays(plays);
    ASSERT_TRUE(!plays.empty() && opener.Doc()->SendGameCommand(CBackgammonBoard::MoveCommand(opener.Doc()->GetLocalSide(), plays[0])));
    ASSERT_TRUE(WaitFor([&] { return doubler.Lit(CBgClientView::kDouble); }));
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(doubler.Board()->PressButton(CBgClientView::kDouble));
    ASSERT_TRUE(WaitFor([&] { return opener.Lit(CBgClientView::kTake); }));
    ASSERT_TRUE(opener.Lit(CBgClientView::kDouble)) << "a beaver is offered";
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    ASSERT_TRUE(opener.Board()->PressButton(CBgClientView::kDouble));
    ASSERT_TRUE(WaitFor([&] { return doubler.Lit(CBgClientView::kRoll); }));
    for (const Player* p : {alice.get(), bob.get()}) {
        EXPECT_EQ(p->Doc()->GetBoard().GetCubeValue(), 4);
        EXPECT_EQ(p->Doc()->GetBoard().GetCubeOwner(), opener.Doc()->GetLocalSide());
    }
}

TEST_F(MoneySessionTest, ASessionEndedAfterTheOtherWentOwesNothing) {
    // After a game alice goes without a word: a game is owed, and bob waits for her. Then he ends
    // the session: nothing is owed any more, nobody waits.
    PlayGame(true);
    alice->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("kept unfinished") && server.HoldsUnfinishedMatch(kRoom); }));
    const auto bobSeen = [&] { return alice->session.FindUser("bob"); };
    ASSERT_TRUE(WaitFor([&] { return bobSeen() && bobSeen()->GetActivity() == CUserInfo::kActivityWaiting; }));
    bob->Press(CContinueSessionDlg::kIdEndSession);
    ASSERT_TRUE(WaitFor([&] { return bobSeen()->GetActivity() == CUserInfo::kActivityPlaying; }));
    EXPECT_FALSE(server.HoldsUnfinishedMatch(kRoom));
    ASSERT_TRUE(WaitFor([&] { return !alice->invitations->HasUnfinishedMatch(kRoom); }));
    EXPECT_FALSE(bob->invitations->HasUnfinishedMatch(kRoom));
    EXPECT_EQ(bobSeen()->GetUnfinishedMatches(), 0);
    EXPECT_EQ(bob->session.FindUser("alice")->GetUnfinishedMatches(), 0);

    // She comes back to the room all the same (Rejoin Game, bob is there): she is told, is offered
    // nothing, and has nothing to roll.
    EXPECT_FALSE(alice->SawLine("bob has ended this session."));
    alice->session.ExamineMatch(kRoom, QString());
    ASSERT_TRUE(WaitFor([&] { return alice->SawLine("bob has ended this session."); }));
    alice->session.SendChat("after the return", 0);
    ASSERT_TRUE(WaitFor([&] { return alice->SawLine("after the return") && bob->SawLine("after the return"); }));
    ASSERT_TRUE(alice->Board() && alice->Doc()->GetLocalSide() == 1);
    EXPECT_EQ(alice->Doc()->GetContinueSession(), nullptr);
    EXPECT_FALSE(alice->RollEnabled());
    EXPECT_FALSE(alice->Doc()->StartNextGame());
    EXPECT_FALSE(server.IsAwaitingContinuation(kRoom));
}

TEST_F(MoneySessionTest, PlayersWhoLeaveBetweenGamesComeBackToTheNextGame) {
    // Both had answered when alice's program ended (her answer reached the server, bob's not): at her
    // return by Rejoin Game both are asked again, and bob's answer alone starts nothing.
    PlayGame(true);
    bob->Press(CContinueSessionDlg::kIdNextGame);
    alice->session.Send(CContinueSessionController::kPacketContinue, "1 5000 5000", -1, QString());
    // Her connection ends first: her dialog answers nothing it could not send.
    ASSERT_TRUE(WaitFor([&] { return alice->Controller()->IsPeerConfirmed(); }));
    const QString status = alice->Dialog()->StatusText();
    QList<QTcpSocket*> sockets = alice->session.findChildren<QTcpSocket*>();
    ASSERT_EQ(sockets.size(), 1);
    sockets.front()->abort();
    ASSERT_TRUE(WaitFor([&] { return !alice->session.IsConnected(); }));
    EXPECT_FALSE(alice->Enabled(CContinueSessionDlg::kIdNextGame));
    EXPECT_FALSE(alice->Enabled(CContinueSessionDlg::kIdEndSession));
    EXPECT_TRUE(alice->Enabled(CContinueSessionDlg::kIdPlayLater));
    EXPECT_FALSE(alice->Limit()->GetEdit()->isEnabled());
    alice->Controller()->OnNextGame();
    EXPECT_FALSE(alice->Controller()->IsAnswered());
    EXPECT_EQ(alice->Dialog()->StatusText(), status);
    ASSERT_NO_FATAL_FAILURE(DropAlice());
    EXPECT_EQ(bob->Dialog()->StatusText(), "Awaiting alice's click.");
    alice->session.ExamineMatch(kRoom, QString());
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("alice is back") && alice->Controller(); }));
    bob->session.Send(CContinueSessionController::kPacketContinue, "1 5000 5000", -1, QString());
    bob->session.SendChat("answered", 0);
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("answered"); }));
    EXPECT_TRUE(server.IsAwaitingContinuation(kRoom));
    ASSERT_NO_FATAL_FAILURE(GoOnTogether());

    // Her program ends again after the next game; she comes back by Resume..., bob says yes.
    PlayGame(false);
    ASSERT_NO_FATAL_FAILURE(DropAlice());
    ASSERT_NO_FATAL_FAILURE(Resume());
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("alice is back"); }));
    ASSERT_NO_FATAL_FAILURE(GoOnTogether());

    // After the third both will play later and go; later she resumes.
    PlayGame(false);
    alice->Press(CContinueSessionDlg::kIdPlayLater);
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->GetPeerStop() != 0; }));
    bob->Press(CContinueSessionDlg::kIdPlayLater);
    for (Player* p : {alice.get(), bob.get()})
        p->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return alice->service == ".mb" && bob->service == ".mb"; }));
    ASSERT_NO_FATAL_FAILURE(Resume());
    ASSERT_NO_FATAL_FAILURE(GoOnTogether());
    EXPECT_EQ(alice->Doc()->GetBoard().GetGameNumber(), 4);
}

// A session agreed with Wager unticked is played for nothing: its next game is offered at "0 0", and
// Next Game on both sides starts it.
class MoneySessionWithoutWagerTest : public MoneySessionTest {
protected:
    MoneySessionWithoutWagerTest() { terms = MoneyTerms(false); }
};

TEST_F(MoneySessionWithoutWagerTest, TheNextGameIsOfferedForNothing) {
    PlayGame(true);
    EXPECT_TRUE(Logged("next game offered at 0/point, limit 0"));
    for (Player* p : {alice.get(), bob.get()}) {
        ASSERT_TRUE(p->Shows());
        EXPECT_TRUE(p->Controller()->IsWithoutWager());
        EXPECT_EQ(p->Controller()->GetLimit(), 0);
        EXPECT_EQ(p->Dialog()->ItemAs<QLabel>(CContinueSessionDlg::kIdStake)->text(), " 0 US$/Point ");
        EXPECT_FALSE(p->Limit()->GetEdit()->isEnabled()) << "no limit to agree on";
        EXPECT_TRUE(p->Enabled(CContinueSessionDlg::kIdNextGame));
    }
    alice->Press(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return bob->Controller()->IsPeerConfirmed(); }));
    bob->Press(CContinueSessionDlg::kIdNextGame);
    ASSERT_TRUE(WaitFor([&] { return alice->GameOn() && bob->GameOn(); }));
    EXPECT_TRUE(Logged("next game at limit 0"));
}

} // namespace
