// The soak of refereed play: two scripted players play matches of random legal play through the
// development server, a third client watches; after every game the three boards and the referee's
// must be equal, and no match may wedge (every command answered, somebody always able to act).
// Counters: matches, games, moves, refused (commands the referee did not take), unequal (game ends
// where a board differed from the referee's) and wedged (matches that stopped moving).
#include "BenchMain.h"

#include "DevServer.h"
#include "app/GameRoom.h"
#include "game/BackgammonDoc.h"
#include "game/BgMoves.h"
#include "session/SessionDoc.h"

#include <QApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

const QString kRoom = QStringLiteral(".gb.alice.bob");

struct Client {
    Client(quint16 port, const QString& nickname) : room(&session) {
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        QObject::connect(&session, &CSessionDoc::serviceEntered,
                         [this](const QString& name) { room.OnServiceEntered(name); });
        session.Connect({"127.0.0.1", port, nickname, "any", "1000 Norvale for Linux"});
    }
    CBackgammonDoc* Doc() const { return room.GetDocument(); }

    CSessionDoc session;
    CGameRoom room;
    bool in = false;
};

bool Pump(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// One random action of a player when it is his to act -> whether he sent something.
bool Act(CBackgammonDoc& doc, std::mt19937& random) {
    const CBackgammonBoard& board = doc.GetBoard();
    const int side = doc.GetLocalSide();
    if (doc.IsAwaitingAnswer() || board.IsMatchOver() || doc.GetMatchRecord().GetCount() == 0)
        return false;
    if (board.GetState() == CBackgammonBoard::kStateAtRest)
        return side == 1 && doc.StartNextGame();
    if (board.GetActingSide() != side)
        return false;
    switch (board.GetState()) {
    case CBackgammonBoard::kStateAwaitingRoll:
        if (board.CanDouble() && random() % 6 == 0)
            return doc.SendGameCommand(QStringLiteral("d"));
        if (random() % 60 == 0)
            return doc.SendGameCommand(QStringLiteral("x %1").arg(1 + random() % 3));
        return doc.RollDice();
    case CBackgammonBoard::kStateMoving: {
        std::vector<BgPlay> plays;
        board.GetLegalPlays(plays);
        if (plays.empty())
            return false;
        const BgPlay& play = plays[random() % plays.size()];
        return doc.SendGameCommand(CBackgammonBoard::MoveCommand(side, play));
    }
    case CBackgammonBoard::kStateCubeOffered:
        return doc.SendGameCommand(random() % 4 == 0 ? QStringLiteral("k") : QStringLiteral("a"));
    case CBackgammonBoard::kStateResignOffered:
        return doc.SendGameCommand(random() % 2 == 0 ? QStringLiteral("y") : QStringLiteral("u"));
    default:
        return false;
    }
}

void BM_RefereedMatchesSoak(benchmark::State& state) {
    const int matches = int(state.range(0));
    int refused = 0;
    CDevServer::Options options;
    CDevServer server(options);
    QObject::connect(&server, &CDevServer::logLine, [&](const QString& line) {
        if (line.contains(QLatin1String("refused")))
            ++refused;
    });
    if (!server.Listen(QHostAddress::LocalHost, 0))
        return state.SkipWithError("the server does not listen");
    Client alice(server.Port(), QStringLiteral("alice"));
    Client bob(server.Port(), QStringLiteral("bob"));
    Client cy(server.Port(), QStringLiteral("cy"));
    if (!Pump([&] { return alice.in && bob.in && cy.in; }))
        return state.SkipWithError("no login");
    std::mt19937 random(20261207);
    int played = 0, games = 0, moves = 0, unequal = 0, wedged = 0;
    Client* const clients[] = {&alice, &bob, &cy};
    const auto settled = [&] {
        const CMatchReferee* referee = server.FindMatch(kRoom);
        if (!referee)
            return false;
        for (const Client* client : clients)
            if (!client->Doc() || client->Doc()->IsAwaitingAnswer() ||
                client->Doc()->GetMatchRecord().GetMoveCount() != referee->MoveCount())
                return false;
        return true;
    };
    const auto equal = [&] {
        const CBackgammonBoard& referee = server.FindMatch(kRoom)->Board();
        for (const Client* client : clients)
            if (client->Doc()->GetBoard().GetSavedBoardText(1) != referee.GetSavedBoardText(1) ||
                client->Doc()->GetBoard().GetState() != referee.GetState())
                return false;
        return true;
    };

    for (auto _ : state) {
        for (int match = 0; match < matches; ++match) {
            // Both players agree on the next match (as after play again); the watcher stays.
            CBGRuleOptions::Values values;
            values.matchLength = 1 + match % 3;
            values.crawford = true;
            const QString terms = CBGRuleOptions(values).FormatText();
            const int number = server.MatchNumber(kRoom) + 1;
            alice.session.AttachToGameService(kRoom + QLatin1Char(' ') + terms, 1);
            bob.session.AttachToGameService(kRoom + QLatin1Char(' ') + terms, 1);
            if (match == 0)
                cy.session.ExamineMatch(kRoom, QString());
            if (!Pump([&] {
                    return server.MatchNumber(kRoom) == number && settled() &&
                           alice.Doc()->GetMatchRecord().GetCount() == 1;
                })) {
                ++wedged;
                break;
            }
            bool stuck = false;
            while (!server.FindMatch(kRoom)->Board().IsMatchOver()) {
                const CBackgammonBoard& referee = server.FindMatch(kRoom)->Board();
                const int scoreBefore = referee.GetScore(1) + referee.GetScore(2);
                const bool sent = Act(*alice.Doc(), random) || Act(*bob.Doc(), random);
                if (!sent || !Pump(settled)) {
                    stuck = true;
                    break;
                }
                ++moves;
                if (referee.GetScore(1) + referee.GetScore(2) != scoreBefore) {
                    // A game ended: everybody's board is the referee's.
                    ++games;
                    unequal += equal() ? 0 : 1;
                }
            }
            if (stuck) {
                ++wedged;
                break;
            }
            ++played;
        }
    }
    state.counters["matches"] = played;
    state.counters["games"] = games;
    state.counters["moves"] = moves;
    state.counters["refused"] = refused;
    state.counters["unequal"] = unequal;
    state.counters["wedged"] = wedged;
    if (wedged > 0 || unequal > 0)
        state.SkipWithError("a match wedged or a board differed from the referee's");
}
BENCHMARK(BM_RefereedMatchesSoak)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks<QApplication>(argc, argv);
}
