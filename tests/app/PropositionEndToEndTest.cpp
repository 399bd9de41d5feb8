// Propositions end to end: two real clients with their invitation managers and game rooms agree on a
// proposition through the development server, whose referee then plays it from the agreed position.

#include "ScriptedDice.h"
#include "InviteClients.h"
#include "game/BackgammonDoc.h"
#include "game/ClientGameFactory.h"
#include "game/PropRuleOptions.h"
#include "platform/Ui.h"
#include "records/BGPropositionDlg.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

using testenv::WaitFor;

namespace {

// One client with its invitation manager and its game room (no windows).
struct Player : testenv::InviteClient<CBGPropositionDlg> {
    Player(quint16 port, const QString& nickname) : InviteClient(port, nickname) {
        game = std::make_unique<CGameRoom>(&session);
    }
    CBackgammonDoc* Doc() const { return game->GetDocument(); }
    const CBackgammonBoard& Board() const { return Doc()->GetBoard(); }
};

// A race seen from White (side 1): three checkers on each side's six point, the rest borne off; White
// owns a cube of 2 and Black is on roll.
const char kRace[] = "1.0 12 0 0 0 0 0 0 3 0 0 0 0 0 0 0 0 0 0 0 0 -3 0 0 0 0 0 0 -12 2 1 2 0 0 0 0";

class PropositionEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        ASSERT_TRUE(folder.isValid());
        RegisterPropositionDialog();
        CSettingsStore& store = GetSettingsStore();
        store.WriteString("PathNames", "PropositionDir", folder.path());
        store.WriteString("CBGPropositionDlg", "strPropositionName", "Race.bgp");
        store.WriteInt("CBGPropositionDlg", "nContractLength", 3);
        CBackgammonBoard race;
        ASSERT_TRUE(race.ReadBoardText(kRace, 1));
        ASSERT_TRUE(race.SaveToFile(QDir(folder.path()).filePath("Race.bgp")));
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
        alice = std::make_unique<Player>(server.Port(), "alice");
        bob = std::make_unique<Player>(server.Port(), "bob");
        ASSERT_TRUE(WaitFor([&] { return alice->in && bob->in; }));
    }
    void TearDown() override {
        alice.reset();
        bob.reset();
        CClientGameFactory::GetFactory().SetPropositionDialogCreator(nullptr);
    }
    void PlayRace(int alicePlays, const QString& room);
    // Both boards and the referee's hold the same position and nothing awaits an answer.
    bool InStep(const QString& room) const {
        const CMatchReferee* referee = server.FindMatch(room);
        if (!referee || !alice->Doc() || !bob->Doc())
            return false;
        for (const Player* player : {alice.get(), bob.get()})
            if (player->Doc()->IsAwaitingAnswer() ||
                player->Board().GetSavedBoardText(1) != referee->Board().GetSavedBoardText(1) ||
                player->Board().GetState() != referee->Board().GetState() ||
                player->Doc()->GetMatchRecord().GetMoveCount() != referee->MoveCount())
                return false;
        return true;
    }

    std::deque<int> dice;
    CDevServer server{[this] {
        CDevServer::Options options;
        options.league.name.clear();
        options.dice = testenv::ScriptedDice(dice);
        return options;
    }()};
    QTemporaryDir folder;
    std::unique_ptr<Player> alice, bob;
};

// alice offers the race to bob, playing White (0) or Black (1); the game starts in both windows from
// the position each dialog showed, and its first roll and play go through the referee.
void PropositionEndToEndTest::PlayRace(int alicePlays, const QString& room) {
    GetSettingsStore().WriteInt("CBGPropositionDlg", "nPlayerControlSide", alicePlays);
    QObject context;
    std::map<QString, QString> transfers;
    QObject::connect(&server, &CDevServer::transferAsked, &context,
                     [&](const QString& who, const QString& text) { transfers[who] = text; });
    alice->manager->InvitePlayer("bob", CClientGameFactory::kPropositionKind, 0, false);
    ASSERT_NE(alice->Dialog(), nullptr);
    // A proposition is played for money: the wager box is ticked once the server agreed to it.
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CWagerInviteDlg::kIdWager); }));
    alice->Click(CWagerInviteDlg::kIdWager);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    EXPECT_EQ(alice->Dialog()->GetPropositionName(), "Race.bgp");
    EXPECT_EQ(alice->Dialog()->GetPlayingIndex(), alicePlays);
    // The race is a bear-off: the server's chance for the side on roll is shown.
    testenv::scriptedUi().clear();
    alice->Click(CBGPropositionDlg::kIdBearoff);
    ASSERT_TRUE(WaitFor([&] { return !testenv::scriptedUi().asked().empty(); }));
    EXPECT_EQ(testenv::scriptedUi().asked().back().text,
              "Black wins this bear-off 71.31% of the time (cubeless, Black on roll).");
    alice->Click(CInvitationDlg::kIdInvite);
    EXPECT_TRUE(GetSettingsStore().GetBool("CBGPropositionDlg", "bDoWager", false)) << "ticked next time";
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    EXPECT_EQ(bob->Dialog()->GetPropositionName(), "Race.bgp");
    EXPECT_EQ(bob->Dialog()->GetPlayingIndex(), 1 - alicePlays);
    EXPECT_FALSE(bob->Enabled(CBGPropositionDlg::kIdSave));
    // Each dialog shows the position from its own player's side.
    const QString aliceSaw = alice->Dialog()->GetPreviewBoard().GetSavedBoardText(1);
    const QString bobSaw = bob->Dialog()->GetPreviewBoard().GetSavedBoardText(1);
    EXPECT_NE(aliceSaw, bobSaw);
    bob->Click(CInvitationDlg::kIdPlay);

    ASSERT_TRUE(WaitFor([&] { return alice->room == room && bob->room == room && InStep(room); }));
    const int aliceSide = alice->Doc()->GetLocalSide();
    const int bobSide = bob->Doc()->GetLocalSide();
    EXPECT_EQ(aliceSide, alicePlays + 1);
    EXPECT_EQ(alice->Board().GetSavedBoardText(aliceSide), aliceSaw);
    EXPECT_EQ(bob->Board().GetSavedBoardText(bobSide), bobSaw);
    EXPECT_EQ(alice->Board().GetSavedBoardText(1), kRace);
    // The match log names what is played.
    QString start;
    alice->Doc()->ReplayLog([&](const CGameLogRecord& record, int) {
        if (record.kind == CGameLogRecord::kMatchStart)
            start = record.text;
    });
    EXPECT_EQ(start, "Propositions, 3 games");

    // The game opened by itself; Black, on roll in the position, rolls.
    Player* white = aliceSide == 1 ? alice.get() : bob.get();
    Player* black = aliceSide == 1 ? bob.get() : alice.get();
    ASSERT_TRUE(WaitFor([&] { return InStep(room) && white->Board().GetState() == CBackgammonBoard::kStateAwaitingRoll; }));
    EXPECT_FALSE(white->Doc()->StartNextGame()) << "no game to open";
    EXPECT_EQ(white->Board().GetSideOnRoll(), 2);
    EXPECT_EQ(white->Board().GetCubeValue(), 2);
    EXPECT_EQ(white->Board().GetCubeOwner(), 1);
    EXPECT_FALSE(white->Doc()->RollDice()) << "not White's turn";
    dice = {6, 6};
    ASSERT_TRUE(black->Doc()->RollDice());
    ASSERT_TRUE(WaitFor([&] { return InStep(room) && black->Board().GetState() == CBackgammonBoard::kStateMoving; }));
    // Black bears off and wins White's cube; the second game opens by itself from the position again.
    ASSERT_TRUE(black->Doc()->SendGameCommand("m 19/26 19/26 19/26"));
    ASSERT_TRUE(WaitFor([&] { return InStep(room) && white->Board().GetScore(2) == 2; }));
    ASSERT_TRUE(WaitFor([&] { return InStep(room) && white->Board().GetState() == CBackgammonBoard::kStateAwaitingRoll; }));
    EXPECT_EQ(white->Board().GetSavedBoardText(1), QString(kRace).chopped(1) + "2");
    EXPECT_FALSE(white->Board().IsMatchOver());

    // Playing again, White's player offers the same proposition: same room, same position, same sides.
    const std::map<QString, QString> agreed = transfers;
    ASSERT_EQ(agreed.size(), 2u);
    transfers.clear();
    white->manager->OpenInvitationFromGame(room, 0);
    black->manager->OpenInvitationFromGame(room, 1);
    ASSERT_TRUE(WaitFor([&] { return white->Enabled(CInvitationDlg::kIdInvite, room); }));
    // Both show the proposition just played, the waiting side too: its cube as the preview has it.
    for (const Player* side : {white, black}) {
        ASSERT_TRUE(WaitFor([&] { return side->Dialog(room) && side->Dialog(room)->IsInitialized(); }));
        const CBGPropositionDlg* shown = side->Dialog(room);
        EXPECT_EQ(shown->GetPreviewBoard().GetCubeValue(), 2) << side->session.GetNickname().toStdString();
        EXPECT_EQ(shown->GetItemText(CBGPropositionDlg::kIdCubeValue),
                  QString::number(shown->GetPreviewBoard().GetCubeValue()));
    }
    white->Click(CInvitationDlg::kIdInvite, room);
    ASSERT_TRUE(WaitFor([&] { return black->Enabled(CInvitationDlg::kIdPlay, room); }));
    // The waiting side answers the offer: it shows the name and cannot save or choose another.
    EXPECT_FALSE(black->Enabled(CBGPropositionDlg::kIdSave, room));
    EXPECT_FALSE(black->Enabled(CBGPropositionDlg::kIdNameList, room));
    EXPECT_TRUE(white->Enabled(CBGPropositionDlg::kIdNameList, room));
    black->Click(CInvitationDlg::kIdPlay, room);
    ASSERT_TRUE(WaitFor([&] { return transfers.size() == 2; }));
    EXPECT_EQ(transfers["alice"], transfers["bob"]);
    EXPECT_EQ(transfers["alice"].section(' ', 0, 0), room);
    // The terms are the inviter's now: he plays White, the control side 0.
    const CPropRuleOptions again = CPropRuleOptions::FromText(transfers["alice"].section(' ', 1));
    const CPropRuleOptions before = CPropRuleOptions::FromText(agreed.at("alice").section(' ', 1));
    EXPECT_EQ(again.GetTerms().controlSide, 0);
    EXPECT_EQ(again.GetTerms().position, before.GetTerms().position);
    EXPECT_EQ(again.GetTerms().name, before.GetTerms().name);
}

TEST_F(PropositionEndToEndTest, AnOfferPlayedAsWhiteStartsFromTheAgreedPosition) {
    PlayRace(0, ".gb.alice.bob");
}

TEST_F(PropositionEndToEndTest, AnOfferPlayedAsBlackSeatsTheInvitedPlayerFirst) {
    PlayRace(1, ".gb.bob.alice");
}

} // namespace
