// Refereed play end to end: real sessions with their game rooms play through the development
// server, whose referee alone decides what a move is.

#include "ScriptedDice.h"
#include "DevServer.h"
#include "app/GameRoom.h"
#include "app/SessionGameLink.h"
#include "game/BackgammonDoc.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "lobby/invite/WaitingForResumeMatchDlg.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/SessionDoc.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

using testenv::WaitFor;

namespace {

// One client: a session with its game room (no windows), its invitation manager and a chat log.
struct Player {
    Player(quint16 port, const QString& nickname) : room(&session) {
        view.frame = &frame;
        session.AddView(&view);
        session.SetChatLog(&chat);
        invitations = CInvitationManager::Attach(session);
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
    const CBackgammonBoard& Board() const { return room.GetDocument()->GetBoard(); }
    int Moves() const { return Doc() ? Doc()->GetMatchRecord().GetMoveCount() : -1; }
    QStringList Log() const {
        QStringList payloads;
        for (int i = 0; Doc() && i < Doc()->GetMatchRecord().GetCount(); ++i)
            payloads << Doc()->GetMatchRecord().GetPacket(i)->payload;
        return payloads;
    }
    bool SawLine(const QString& text) const {
        for (const auto& line : chat.lines)
            if (line.text.contains(text))
                return true;
        return false;
    }
    // Sends a packet the way a hostile client could: straight through the session.
    void SendRaw(int type, const QString& text, const QString& target) {
        session.Send(type, text, -1, target);
    }

    CSessionDoc session;
    testenv::RecordingView view;
    QWidget frame;
    testenv::RecordingChatLog chat;
    CGameRoom room;
    CInvitationManager* invitations = nullptr;
    bool in = false;
};

CBGRuleOptions MatchOf(int length) {
    CBGRuleOptions::Values values;
    values.matchLength = length;
    values.crawford = length > 0;
    return CBGRuleOptions(values);
}

QString Position(const CBackgammonBoard& board) {
    return board.GetSavedBoardText(1) + QStringLiteral(" state %1").arg(board.GetState());
}

class RefereedPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        alice = std::make_unique<Player>(server.Port(), "alice");
        bob = std::make_unique<Player>(server.Port(), "bob");
        cy = std::make_unique<Player>(server.Port(), "cy");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in && cy->in; }));
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    // Both players enter the room with these terms and cy watches; the match is set up for all three.
    void EnterRoom(const CBGRuleOptions& terms, int matchNumber = 1) {
        alice->session.AttachToGameService(".gb.alice.bob " + terms.FormatText(), 1);
        bob->session.AttachToGameService(".gb.alice.bob " + terms.FormatText(), 1);
        cy->session.ExamineMatch(".gb.alice.bob", QString());
        ASSERT_TRUE(WaitFor([&] {
            return server.MatchNumber(".gb.alice.bob") == matchNumber && InStep(0) && cy->Doc() &&
                   cy->Doc()->GetMatchRecord().GetCount() > 0;
        }));
    }
    // The three documents and the referee have the same match and nothing awaits an answer.
    bool InStep(int moves) const {
        const CMatchReferee* referee = server.FindMatch(".gb.alice.bob");
        if (!referee || referee->MoveCount() != moves + 1)
            return false;
        for (const Player* player : {alice.get(), bob.get(), cy.get()})
            if (!player->Doc() || player->Moves() != moves + 1 || player->Doc()->IsAwaitingAnswer() ||
                Position(player->Board()) != Position(referee->Board()))
                return false;
        return true;
    }
    // alice opens with the server's 6-1 and plays it.
    void Open() {
        ASSERT_TRUE(alice->Doc()->StartNextGame());
        ASSERT_TRUE(WaitFor([&] { return InStep(1); }));
        ASSERT_TRUE(alice->Doc()->SendGameCommand("m 13/7 8/7"));
        ASSERT_TRUE(WaitFor([&] { return InStep(2); }));
    }

    std::deque<int> dice;
    CDevServer server{[this] {
        CDevServer::Options options;
        options.dice = testenv::ScriptedDice(dice);
        return options;
    }()};
    std::unique_ptr<Player> alice, bob, cy;
};

TEST_F(RefereedPlayTest, AWatcherWhoComesFirstLeavesThePlayersTermsAlone) {
    cy->session.ExamineMatch(".gb.alice.bob", QString());
    ASSERT_TRUE(WaitFor([&] { return cy->Doc() != nullptr; }));
    EXPECT_EQ(server.FindMatch(".gb.alice.bob"), nullptr) << "a watcher sets up nothing";

    // Terms that differ start nothing; both players are told.
    alice->session.AttachToGameService(".gb.alice.bob " + MatchOf(3).FormatText(), 1);
    bob->session.AttachToGameService(".gb.alice.bob " + MatchOf(5).FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return alice->SawLine("do not agree") && bob->SawLine("do not agree"); }));
    EXPECT_EQ(server.FindMatch(".gb.alice.bob"), nullptr);
    EXPECT_FALSE(alice->Doc()->StartNextGame()) << "no match to play";

    // Terms of a player who has left again start nothing either.
    alice->session.AttachToGameService(".gb.alice.bob " + MatchOf(3).FormatText(), 1);
    alice->session.DetachFromGameService();
    ASSERT_TRUE(WaitFor([&] { return alice->session.GetServiceName().GetText() == ".mb"; }));
    bob->session.AttachToGameService(".gb.alice.bob " + MatchOf(3).FormatText(), 1);
    bob->session.SendChat("barrier", 0);
    ASSERT_TRUE(WaitFor([&] { return cy->SawLine("barrier"); }));
    EXPECT_EQ(server.FindMatch(".gb.alice.bob"), nullptr);

    // The same terms from both: the match is theirs, and the watcher follows it.
    EnterRoom(MatchOf(3));
    for (const Player* player : {alice.get(), bob.get(), cy.get()})
        EXPECT_EQ(player->Doc()->GetRuleOptions().GetMatchLength(), 3);
    EXPECT_EQ(server.FindMatch(".gb.alice.bob")->Options().GetMatchLength(), 3);
}

TEST_F(RefereedPlayTest, AMoveRoutedToAPersonChangesNoBoard) {
    dice = {6, 1};
    EnterRoom(MatchOf(1));
    ASSERT_TRUE(alice->Doc()->StartNextGame());
    ASSERT_TRUE(WaitFor([&] { return InStep(1); }));
    const QString before = Position(bob->Board());
    // alice routes her play to bob instead of the room, then tells him something behind it.
    alice->SendRaw(217, "3 m 13/7 8/7", "bob");
    alice->SendRaw(217, "3 m 13/7 8/7", "cy");
    alice->SendRaw(ChatPacket::Tell, "after the move", "bob");
    ASSERT_TRUE(WaitFor([&] { return bob->SawLine("after the move"); }));
    EXPECT_EQ(Position(bob->Board()), before);
    EXPECT_TRUE(InStep(1));
    // Played to the room, it counts for everybody.
    ASSERT_TRUE(alice->Doc()->SendGameCommand("m 13/7 8/7"));
    EXPECT_TRUE(WaitFor([&] { return InStep(2); }));
}

TEST_F(RefereedPlayTest, ARollRequestAndADoubleAtOnceLeaveAllBoardsEqual) {
    dice = {6, 1, 5, 2};
    EnterRoom(MatchOf(3));
    Open();
    // bob asks for his roll and, before the answer, doubles: the double waits for nothing, it is not sent.
    ASSERT_TRUE(bob->Doc()->RollDice());
    EXPECT_TRUE(bob->Doc()->IsAwaitingAnswer());
    EXPECT_FALSE(bob->Doc()->SendGameCommand("d"));
    EXPECT_FALSE(bob->Doc()->RollDice());
    ASSERT_TRUE(WaitFor([&] { return InStep(3); }));
    EXPECT_EQ(bob->Board().GetState(), CBackgammonBoard::kStateMoving);
    EXPECT_EQ(bob->Board().GetCubeValue(), 1);
}

TEST_F(RefereedPlayTest, ACommandTheRefereeDoesNotTakeGoesBackToItsBoard) {
    dice = {6, 1};
    EnterRoom(MatchOf(3));
    ASSERT_TRUE(alice->Doc()->StartNextGame());
    ASSERT_TRUE(WaitFor([&] { return InStep(1); }));
    // Another play of alice's reaches the referee first (a second program of hers, say); the one her
    // window shows at once is refused, and her window comes back to the referee's board.
    alice->SendRaw(217, "3 m 24/18 24/23", "&");
    ASSERT_TRUE(alice->Doc()->SendGameCommand("m 13/7 8/7"));
    EXPECT_EQ(alice->Board().GetCount(7), 2) << "shown at once";
    ASSERT_TRUE(WaitFor([&] { return InStep(2); }));
    EXPECT_EQ(alice->Board().GetCount(7), 0);
    EXPECT_EQ(alice->Board().GetCount(18), 1);
    EXPECT_EQ(alice->Doc()->GetMatchRecord().GetPacket(2)->payload, "3 m 24/18 24/23");
}

TEST_F(RefereedPlayTest, PlayAgainStartsTheNextMatchOnBothSidesWithAFreshLog) {
    // A one-point match that alice resigns after her opening roll: bob wins it.
    const auto playShortMatch = [this] {
        ASSERT_TRUE(alice->Doc()->StartNextGame());
        ASSERT_TRUE(WaitFor([&] { return InStep(1); }));
        ASSERT_TRUE(alice->Doc()->SendGameCommand("x 1"));
        ASSERT_TRUE(WaitFor([&] { return InStep(2); }));
        ASSERT_TRUE(bob->Doc()->SendGameCommand("y"));
        ASSERT_TRUE(WaitFor([&] { return InStep(3) && bob->Board().IsMatchOver(); }));
    };
    dice = {6, 1, 4, 2};
    EnterRoom(MatchOf(1));
    playShortMatch();
    EXPECT_EQ(bob->Board().GetScore(2), 1);
    const CBackgammonDoc* first = alice->Doc();

    // Both agree to play again: they enter the room they are in with the terms of the next match.
    alice->session.AttachToGameService(".gb.alice.bob " + MatchOf(1).FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return alice->session.GetServiceSetting("rules").isEmpty(); }));
    EXPECT_EQ(alice->Doc(), first) << "the finished match stays on show until the next is agreed";
    bob->session.AttachToGameService(".gb.alice.bob " + MatchOf(1).FormatText(), 1);
    ASSERT_TRUE(WaitFor([&] { return server.MatchNumber(".gb.alice.bob") == 2 && InStep(0); }));
    for (const Player* player : {alice.get(), bob.get(), cy.get()})
        EXPECT_EQ(player->Log().size(), 1) << "the log starts afresh, scores at 0";
    playShortMatch();
    EXPECT_EQ(cy->Log(), alice->Log());
    EXPECT_EQ(cy->Log().mid(1), QStringList({"2 n 4 2", "3 x 1", "4 y"})) << "the second match's own moves";
}

TEST_F(RefereedPlayTest, APlayerWhoDiesMidMatchComesBackAndResumesWithTheOneWhoStayed) {
    dice = {6, 1, 5, 2};
    EnterRoom(MatchOf(3));
    Open();
    ASSERT_TRUE(bob->Doc()->RollDice());
    ASSERT_TRUE(WaitFor([&] { return InStep(3); }));
    ASSERT_TRUE(bob->Doc()->SendGameCommand("m 12/17 12/14"));
    ASSERT_TRUE(WaitFor([&] { return InStep(4); }));
    ASSERT_TRUE(alice->Doc()->SendGameCommand("d"));
    ASSERT_TRUE(WaitFor([&] { return InStep(5); }));
    ASSERT_TRUE(bob->Doc()->SendGameCommand("a"));
    ASSERT_TRUE(WaitFor([&] { return InStep(6); }));
    const QString position = Position(bob->Board());
    const QStringList log = bob->Log();

    // alice's program dies: bob is told, in his chat as the Notification page says by default, and
    // the match waits for her as unfinished.
    alice.reset();
    ASSERT_TRUE(WaitFor([&] {
        return bob->SawLine(CSessionGameLink::OpponentLeftText("alice")) &&
               bob->invitations->HasUnfinishedMatch(".gb.alice.bob");
    }));

    // She logs in again and asks to resume; bob, still in the room, is asked and says yes.
    alice = std::make_unique<Player>(server.Port(), "alice");
    ASSERT_TRUE(WaitFor([&] { return alice->in && alice->invitations->HasUnfinishedMatch(".gb.alice.bob"); }));
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) -> int {
        auto* waiting = dynamic_cast<CWaitingForResumeMatchDlg*>(dialog);
        if (!waiting || !WaitFor([&] { return bob->invitations->FindResumeDialog(".gb.alice.bob"); }))
            return platform::IDCANCEL;
        bob->invitations->FindResumeDialog(".gb.alice.bob")->OnResume();
        WaitFor([&] { return waiting->HasEnded(); });
        return waiting->result();
    });
    EXPECT_TRUE(alice->invitations->ResumeWithPlayers(QStringList{"alice", "bob"}));
    testenv::scriptedUi().SetDialogHandler(nullptr);
    ASSERT_TRUE(WaitFor([&] { return InStep(6); }));
    EXPECT_EQ(Position(alice->Board()), position);
    EXPECT_EQ(alice->Board().GetCubeValue(), 2);
    EXPECT_EQ(alice->Log(), log);
    // And play goes on.
    ASSERT_TRUE(alice->Doc()->RollDice());
    EXPECT_TRUE(WaitFor([&] { return InStep(7); }));
}

} // namespace
