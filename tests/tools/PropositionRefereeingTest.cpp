// The development server referees only propositions a game can be played from, and moves reach a
// room only through its referee.

#include "DevServer.h"
#include "MatchReferee.h"
#include "game/PropRuleOptions.h"
#include "net/MessagePacket.h"
#include "session/PacketTarget.h"
#include "session/SessionDoc.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using testenv::WaitFor;

namespace {

// A board text from White's side: counts of positions -1..26, cube, owner and side on roll.
QString Position(const std::vector<int>& counts, int cube = 1, int owner = 0, int roll = 1) {
    QStringList parts;
    for (int c : counts)
        parts << QString::number(c);
    return QString("1.0 %1 %2 %3 %4 0 0 0 0").arg(parts.join(' ')).arg(cube).arg(owner).arg(roll);
}

std::vector<int> Race() {
    std::vector<int> v(28, 0);
    v[0] = 12, v[7] = 3;    // White: three on his six point, the rest off
    v[20] = -3, v[27] = -12; // Black likewise
    return v;
}

QString Terms(const QString& position, int games = 3) {
    return CPropRuleOptions("", "race", position, games, 100, 0, 0, true, 100, 1600).FormatText();
}

// Every move or refusal that reaches a member, as "<type> <source>", and the refusals' texts.
struct Watch : CPacketTarget {
    using CPacketTarget::CPacketTarget;
    int OnPacket(int type, const QString& text) override {
        const CMessagePacket* packet = GetSession()->GetCurrentPacket();
        if (type == 217 || type == 218)
            seen << QString("%1 %2").arg(type).arg(packet ? packet->GetSourceName() : QString());
        if (type == 218)
            refused << text;
        return 0;
    }
    QStringList seen, refused;
};

// A member of the development server: a real session.
struct Member {
    Member(quint16 port, const QString& name) {
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        session.Connect(CClientNode::LoginRequest{"127.0.0.1", port, name, "pw", "1000 Norvale for Linux"});
    }
    CSessionDoc session;
    testenv::RecordingChatLog chat;
    Watch watch{&session};
    bool in = false;
};

TEST(PropositionRefereeing, OnlyPlayableTermsStartAMatch) {
    std::vector<int> allOff = Race();
    allOff[0] = 15, allOff[7] = 0;
    std::vector<int> nothingOnTheBoard(28, 0);
    nothingOnTheBoard[0] = 15, nothingOnTheBoard[27] = -15;
    std::vector<int> closedOut(28, 0);
    closedOut[26] = 3, closedOut[1] = -3;
    for (int point = 1; point <= 6; ++point)
        closedOut[point + 1] = 2, closedOut[26 - point] = -2;
    struct Case {
        const char* what;
        QString terms;
        bool starts;
    } cases[] = {
        {"a race", Terms(Position(Race(), 2, 1, 2)), true},
        {"a cube of 32", Terms(Position(Race(), 32, 2)), true},
        {"a cube of 3", Terms(Position(Race(), 3, 1)), false},
        {"a cube of 64", Terms(Position(Race(), 64, 1)), false},
        {"a cube of 4096", Terms(Position(Race(), 4096, 2)), false},
        {"an owned cube of 1", Terms(Position(Race(), 1, 1)), false},
        {"White all off", Terms(Position(allOff, 1, 0, 2)), false},
        {"nothing on the board", Terms(Position(nothingOnTheBoard)), false},
        {"both closed out on the bar", Terms(Position(closedOut)), false},
        {"numbers the board reads but does not write so", Terms(Position(Race(), 2, 1, 2).replace(" 3 ", " 3\n ")), false},
        {"unreadable", "5 1 garbage", false},
        {"another unreadable text", "x", false},
        {"no terms: the default match", "", true},
    };
    for (const Case& c : cases) {
        QString fault;
        const QString rules = CDevServer::RoomRulesOf(c.terms, &fault);
        EXPECT_EQ(!rules.isEmpty(), c.starts) << c.what;
        EXPECT_EQ(fault.isEmpty(), c.starts) << c.what << ": " << fault.toStdString();
    }
}

// A game whose position has a side with nothing left in play is over as it opens, and so is every
// further game of the match: nothing is rolled for ever, and the other side cannot win it instead.
TEST(PropositionRefereeing, AGameWithASideAllOffEndsAtOnce) {
    for (const int roll : {1, 2}) {
        std::vector<int> allOff = Race();
        allOff[0] = 15, allOff[7] = 0;
        CMatchReferee referee({"ann", "bob"}, CPropRuleOptions::FromText(Terms(Position(allOff, 1, 0, roll))),
                              [] { return 6; });
        const std::vector<CMatchReferee::Move> moves = referee.StartNextGame();
        ASSERT_EQ(moves.size(), 3u) << "one opening for each of the three games";
        EXPECT_EQ(referee.Board().GetLastWinner(), 1);
        EXPECT_EQ(referee.Board().GetScore(1), 3);
        EXPECT_EQ(referee.Board().GetScore(2), 0);
        EXPECT_TRUE(referee.Board().IsMatchOver());
        EXPECT_TRUE(referee.StartNextGame().empty());
        QString reason;
        EXPECT_TRUE(referee.Take(roll == 1 ? "ann" : "bob", QString("%1 r").arg(referee.MoveCount() + 1), &reason).empty());
    }
}

// Moves and refusals sent to a room go to its referee or nowhere, whatever the room holds; sent to a
// member, nowhere.
TEST(PropositionRefereeing, MovesReachNoMemberWithoutTheReferee) {
    testenv::ResetSettings();
    CDevServer server{CDevServer::Options{}};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Member alice(server.Port(), "alice");
    Member bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.in && bob.in; }));
    alice.session.Send(217, "2 m 24/18", -1, "&");
    alice.session.Send(218, "2 not your move", -1, "&");
    alice.session.Send(217, "2 r 6 6", -1, "bob");
    alice.session.Send(218, "2 not your move", -1, "bob");
    alice.session.SendChat("after the moves", ChatKind::Said);
    ASSERT_TRUE(WaitFor([&] {
        return std::any_of(bob.chat.lines.begin(), bob.chat.lines.end(),
                           [](const auto& line) { return line.text == "after the moves"; });
    }));
    EXPECT_EQ(bob.watch.seen, QStringList{});
    // The sender hears from the server that no match takes his move.
    ASSERT_TRUE(WaitFor([&] { return alice.watch.seen.contains("218 ."); }));
    EXPECT_EQ(alice.watch.seen, QStringList{"218 ."});
}

// Each player has three resignation offers a turn, and both have them again whenever the turn
// passes: after a roll its player cannot move with, as after a play.
TEST(PropositionRefereeing, ResignationOffersStartAgainWhenTheTurnPasses) {
    testenv::ResetSettings();
    CDevServer::Options options;
    options.dice = [die = 4]() mutable { return die = die == 6 ? 5 : 6; }; // 6-5, every roll
    CDevServer server{options};
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    Member alice(server.Port(), "alice");
    Member bob(server.Port(), "bob");
    ASSERT_TRUE(WaitFor([&] { return alice.in && bob.in; }));
    // alice (White, on roll) has one checker left, on the bar before bob's closed board.
    std::vector<int> closedOut(28, 0);
    closedOut[0] = 14, closedOut[26] = 1;
    closedOut[11] = -3, closedOut[27] = 0; // Black: three on his ten point, the rest at home
    for (int point = 19; point <= 24; ++point)
        closedOut[point + 1] = -2;
    const QString terms = Terms(Position(closedOut, 1, 0, 1), 1);
    for (Member* player : {&alice, &bob})
        player->session.AttachToGameService(".gb.alice.bob " + terms, 1);
    const auto moves = [&] {
        const CMatchReferee* match = server.FindMatch(".gb.alice.bob");
        return match ? match->MoveCount() : 0;
    };
    ASSERT_TRUE(WaitFor([&] { return moves() == 2; })) << "the game opened";
    // Each move is sent once the one before it was taken; -> whether the referee took it.
    const auto move = [&](Member& player, const QString& command) {
        const int next = moves() + 1;
        const qsizetype refusals = player.watch.refused.size();
        player.session.Send(217, QString("%1 %2").arg(next).arg(command), -1, "&");
        EXPECT_TRUE(WaitFor([&] { return moves() == next || player.watch.refused.size() > refusals; }));
        return moves() == next;
    };
    const auto offerThreeTimes = [&](Member& player, Member& other) {
        for (int offer = 0; offer < CMatchReferee::kResignOffersPerTurn; ++offer)
            EXPECT_TRUE(move(player, "x 1") && move(other, "u")) << offer;
        EXPECT_FALSE(move(player, "x 1"));
    };
    offerThreeTimes(alice, bob);
    ASSERT_TRUE(move(alice, "r")); // 6-5: she cannot enter, and the turn passes
    ASSERT_EQ(server.FindMatch(".gb.alice.bob")->Board().GetSideOnRoll(), 2);
    offerThreeTimes(bob, alice);
    ASSERT_TRUE(move(bob, "r"));
    ASSERT_TRUE(move(bob, "m 10/16 10/15"));
    offerThreeTimes(alice, bob);
    EXPECT_EQ(alice.watch.refused.size(), 2);
    EXPECT_EQ(bob.watch.refused.size(), 1);
}

} // namespace
