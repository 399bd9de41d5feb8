// Game commands after a valid match start, as a peer sends them in packet 217 ("<sequence>
// <command>"), and the other packets of a game room: a player and a watcher each take them in.
// The boards stay sound and the match record replays to the board that is shown.

#include "BoardChecks.h"

#include "game/BackgammonDoc.h"
#include "game/GameSessionLink.h"
#include "game/RuleOptions.h"

namespace {

class PeerLink : public CGameSessionLink {
public:
    explicit PeerLink(QString nickname) : m_nickname(std::move(nickname)) {}
    bool Send(int, const QString&, const QString&) override { return true; }
    QString GetNickname() const override { return m_nickname; }
    QString GetServiceName() const override { return QStringLiteral(".gb.Ann.Bob"); }
    bool IsConnected() const override { return true; }
    QString CurrentPacketSource() const override { return source; }

    QString source;

private:
    QString m_nickname;
};

void checkDoc(const CBackgammonDoc& doc, const QString& after) {
    CheckBoardSound(doc.GetBoard(), after);
    if (doc.GetMatchRecord().GetCount() == 0)
        return;
    CBackgammonBoard replayed;
    fuzz::Check(doc.BuildBoardAt(-1, replayed), "the match record does not replay", after);
    fuzz::Check(replayed.GetSavedBoardText(1) == doc.GetBoard().GetSavedBoardText(1),
                "the match record replays to another position", after);
}

} // namespace

NORVALE_FUZZ_TARGET(game_commands)(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    CBGRuleOptions::Values v;
    const uint8_t setup = input.TakeByte();
    v.matchLength = setup % 7 + 1;
    v.crawford = setup & 0x08;
    v.autoDoubles = setup & 0x10;
    v.beavers = setup & 0x20;
    v.variant = (setup >> 6) % 3;
    const CBGRuleOptions options(v);

    PeerLink annLink(QStringLiteral("Ann")), cyLink(QStringLiteral("Cy"));
    CBackgammonDoc ann(&annLink), cy(&cyLink);
    ann.SetupPlayersFromService();
    cy.SetupPlayersFromService();
    int die = input.TakeByte();
    const auto dice = [&die] { return (die++ % 6) + 1; };
    ann.SetDiceSource(dice);
    cy.SetDiceSource(dice);
    if (!ann.StartMatch(options) || !cy.StartMatch(options))
        return;

    // Each packet: a byte choosing sender and kind, then its text up to the next line feed.
    for (const QByteArray& line : input.TakeRest().split('\n')) {
        if (line.isEmpty())
            continue;
        const uint8_t choice = uint8_t(line.front());
        const QString text = QString::fromLatin1(line.mid(1));
        const QString sender = choice & 1 ? QStringLiteral("Ann") : QStringLiteral("Bob");
        annLink.source = cyLink.source = sender;
        int type = CMatchRecord::kMovePacketType;
        QString payload = text;
        switch ((choice >> 1) % 4) {
        case 0: // a move with the sequence number the documents expect
            payload = CMatchRecord::JoinMoveText(cy.GetMatchRecord().GetMoveCount() + 1, text);
            break;
        case 1: // a move as it stands, sequence number and all
            break;
        case 2: // another packet of the room
            type = 128 + (choice >> 3) * 3;
            break;
        default: // the local player's own command
            ann.SendGameCommand(text);
            checkDoc(ann, text);
            continue;
        }
        ann.OnPacket(type, payload);
        cy.OnPacket(type, payload);
        checkDoc(ann, payload);
        checkDoc(cy, payload);
    }
}
