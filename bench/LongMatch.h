#pragma once

// A 25-point match of random games, fed to a backgammon document as the room's referee hands it out:
// one packet 217 at a time from the room, a line of chat after every tenth record.
#include "RandomGames.h"
#include "game/BackgammonDoc.h"
#include "game/GameSessionLink.h"
#include "game/RuleOptions.h"

class BenchSession : public CGameSessionLink {
public:
    bool Send(int, const QString&, const QString&) override { return true; }
    QString GetNickname() const override { return QStringLiteral("Ann"); }
    QString GetServiceName() const override { return QStringLiteral(".gb.Ann.Bob"); }
    bool IsConnected() const override { return false; }
    QString CurrentPacketSource() const override { return source; }
    // Moves count only when the room is their destination.
    QString CurrentPacketDestination() const override { return QStringLiteral("&"); }
    QString source;
};

// The match, played once: the board's random games go into the document as the server's moves.
struct LongMatch {
    BenchSession session;
    CBackgammonDoc doc{&session};

    explicit LongMatch(int matchLength = 25) {
        doc.SetupPlayersFromService();
        CBGRuleOptions::Values v;
        v.matchLength = matchLength;
        v.crawford = true;
        doc.StartMatch(CBGRuleOptions(v));
        CBackgammonBoard board = doc.GetBoard();
        RandomGamePlayer player(7);
        const auto send = [&](const QString& command) {
            session.source = QStringLiteral(".");
            doc.OnPacket(CBackgammonDoc::kMovePacket,
                         QStringLiteral("%1 %2").arg(doc.GetMatchRecord().GetMoveCount() + 1).arg(command));
        };
        while (!board.IsMatchOver()) {
            const QString opening = player.DiceCommand('n');
            if (board.ApplyCommand(opening) != 1)
                break;
            send(opening);
            // One command at a time, so that the document gets each of them.
            player.PlayOut(board, [&](const QString& command) {
                send(command);
                if (command.startsWith(QLatin1Char('m')) && doc.GetMatchRecord().GetCount() % 10 == 0) {
                    session.source = QStringLiteral("Bob");
                    doc.OnPacket(203, QStringLiteral("a line of chat"));
                }
            });
        }
    }
};

