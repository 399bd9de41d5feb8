// Propositions end to end: two real clients with their invitation managers and game rooms agree on a
// proposition through the development server, whose referee then plays it from the agreed position.

#include "InviteClients.h"
#include "ScriptedDice.h"
#include "game/BackgammonDoc.h"
#include "game/ClientGameFactory.h"
#include "game/PropRuleOptions.h"
#include "lobby/invite/BackgammonInviteDlg.h"
#include "lobby/invite/InviteData.h"
#include "lobby/invite/ResumeMatchReceiverDlg.h"
#include "platform/Ui.h"
#include "records/BGPropositionDlg.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

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
    // Keys typed into the games box ('-' empties it, '\t' leaves it) -> what the box then shows.
    QString TypeGames(const char* keys) {
        QWidget* box = Dialog()->Item(CBGPropositionDlg::kIdGames);
        box->setFocus();
        for (const char* key = keys; *key; ++key) {
            if (*key == '-')
                QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(box, *key == '-' ? '\b' : *key);
        }
        return Dialog()->GetItemText(CBGPropositionDlg::kIdGames);
    }
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
        RegisterBackgammonInviteDialog();
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
        CClientGameFactory::GetFactory().SetInvitationDialogCreator(nullptr);
        testenv::scriptedUi().SetDialogHandler(nullptr);
    }
    void PlayRace(int alicePlays, const QString& room);
    void PlayAgainAfterAResume(bool whiteRestarts);
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
    // The offering side says that it waits; only the offering side drags.
    EXPECT_FALSE(alice->Enabled(CInvitationDlg::kIdPlay));
    EXPECT_EQ(alice->Dialog()->ItemAs<QLabel>(CBGPropositionDlg::kIdNotice)->text(), "Waiting for bob to answer.");
    EXPECT_FALSE(bob->Dialog()->Item(CBGPropositionDlg::kIdDragHint)->isVisibleTo(bob->Dialog()));
    EXPECT_TRUE(alice->Dialog()->Item(CBGPropositionDlg::kIdDragHint)->isVisibleTo(alice->Dialog()));
    EXPECT_EQ(bob->Dialog()->GetPropositionName(), "Race.bgp");
    EXPECT_EQ(bob->Dialog()->GetPlayingIndex(), 1 - alicePlays);
    EXPECT_FALSE(bob->Enabled(CBGPropositionDlg::kIdSave));
    // Each dialog shows the position from its own player's side.
    const QString aliceSaw = alice->Dialog()->GetPreviewBoard().GetSavedBoardText(1);
    const QString bobSaw = bob->Dialog()->GetPreviewBoard().GetSavedBoardText(1);
    EXPECT_NE(aliceSaw, bobSaw);
    // bob wants two games: an empty box turns Play off and sends nothing; a number the box corrects goes
    // when he leaves it, others at once. alice has terms to answer: she waits no more, even once he agrees.
    QList<int> offered; // the numbers of games in bob's terms, as alice gets them
    QObject::connect(
        &server, &CDevServer::packetRelayed, &context,
        [&](const QString& from, const QString&, int type, const QString& payload) {
            if (type == 227 && from == "bob")
                offered << CPropRuleOptions::FromText(CInviteData(payload).GetPayload()).GetContractLength();
        });
    EXPECT_EQ(bob->TypeGames("-\t"), "");
    EXPECT_FALSE(bob->Enabled(CInvitationDlg::kIdPlay));
    EXPECT_EQ(bob->TypeGames("0\t"), "1");
    EXPECT_EQ(bob->TypeGames("-300\t"), "100");
    EXPECT_EQ(bob->TypeGames("-2\t"), "2");
    ASSERT_TRUE(WaitFor([&] {
        return alice->Dialog()->GetContractLength() == 2 && alice->Enabled(CInvitationDlg::kIdPlay);
    }));
    EXPECT_EQ(offered, QList<int>({1, 3, 30, 100, 2}));
    const QLabel* notice = alice->Dialog()->ItemAs<QLabel>(CBGPropositionDlg::kIdNotice);
    EXPECT_EQ(notice->text(), "");
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->Dialog()->GetMarker(1) == CInvitationDlg::kMarkerAccepted; }));
    EXPECT_EQ(notice->text(), "");
    alice->Click(CInvitationDlg::kIdPlay);

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
    EXPECT_EQ(start, "Propositions, 2 games");

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
    // The offering side plays again from a folder of its own that has no file of the proposition's
    // name: the name came from the other player and is neither saved under nor remembered.
    QTemporaryDir ownFolder;
    ASSERT_TRUE(ownFolder.isValid());
    GetSettingsStore().WriteString("PathNames", "PropositionDir", ownFolder.path());
    GetSettingsStore().WriteString("CBGPropositionDlg", "strPropositionName", "");
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
    testenv::scriptedUi().clear();
    white->Click(CBGPropositionDlg::kIdSave, room);
    ASSERT_EQ(testenv::scriptedUi().asked().size(), 1u);
    EXPECT_EQ(testenv::scriptedUi().asked()[0].text, CBGPropositionDlg::kNameNotYours);
    white->Click(CInvitationDlg::kIdInvite, room);
    ASSERT_TRUE(WaitFor([&] { return black->Enabled(CInvitationDlg::kIdPlay, room); }));
    EXPECT_FALSE(QFileInfo::exists(QDir(ownFolder.path()).filePath("Race.bgp")));
    EXPECT_EQ(GetSettingsStore().GetString("CBGPropositionDlg", "strPropositionName"), "");
    EXPECT_FALSE(white->Enabled(CInvitationDlg::kIdPlay, room));
    EXPECT_FALSE(black->Dialog(room)->Item(CBGPropositionDlg::kIdDragHint)->isVisibleTo(black->Dialog(room)));
    // The waiting side answers the offer: it shows the name and cannot save or choose another.
    EXPECT_FALSE(black->Enabled(CBGPropositionDlg::kIdSave, room));
    EXPECT_FALSE(black->Enabled(CBGPropositionDlg::kIdNameList, room));
    // Once the offer went out, the offering side cannot choose another proposition either.
    EXPECT_TRUE(white->Dialog(room)->Item(CBGPropositionDlg::kIdNameList)->isVisibleTo(white->Dialog(room)));
    EXPECT_FALSE(white->Enabled(CBGPropositionDlg::kIdNameList, room));
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

// One client starts again during a one-game proposition and comes back by Resume; once the game is
// over, both offer the proposition again (the restarted one knows it from the room) and agree on it.
void PropositionEndToEndTest::PlayAgainAfterAResume(bool whiteRestarts) {
    const QString room = ".gb.alice.bob";
    GetSettingsStore().WriteInt("CBGPropositionDlg", "nContractLength", 1);
    GetSettingsStore().WriteBool("CBGPropositionDlg", "bDoWager", true);
    alice->manager->InvitePlayer("bob", CClientGameFactory::kPropositionKind, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return InStep(room); }));

    std::unique_ptr<Player>& restarted = whiteRestarts ? alice : bob;
    Player* other = (whiteRestarts ? bob : alice).get();
    const QString nickname = restarted->session.GetNickname();
    restarted.reset();
    ASSERT_TRUE(WaitFor([&] { return server.HoldsUnfinishedMatch(room); }));
    restarted = std::make_unique<Player>(server.Port(), nickname);
    ASSERT_TRUE(WaitFor([&] { return restarted->in && restarted->manager->HasUnfinishedMatch(room); }));
    testenv::scriptedUi().SetDialogHandler([&](QDialog* waiting) { // the other says yes
        if (WaitFor([&] { return other->manager->FindResumeDialog(room); }))
            other->manager->FindResumeDialog(room)->ItemAs<QAbstractButton>(CResumeMatchReceiverDlg::kIdResume)
                ->click();
        WaitFor([&] { return static_cast<platform::Dialog*>(waiting)->HasEnded(); });
        return waiting->result();
    });
    ASSERT_TRUE(restarted->manager->RequestResumeMatch(CServiceName(room)));
    ASSERT_TRUE(WaitFor(
        [&] { return InStep(room) && !alice->Doc()->IsOpponentAway() && !bob->Doc()->IsOpponentAway(); }));

    // Black (bob) bears off with 6-6: the one game, and so the contract, is over.
    dice = {6, 6};
    ASSERT_TRUE(bob->Doc()->RollDice());
    ASSERT_TRUE(
        WaitFor([&] { return InStep(room) && bob->Board().GetState() == CBackgammonBoard::kStateMoving; }));
    ASSERT_TRUE(bob->Doc()->SendGameCommand("m 19/26 19/26 19/26"));
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite) && bob->Dialog(); }))
        << "both offer the proposition again";
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return server.MatchNumber(room) == 2 && InStep(room); }));
    EXPECT_EQ(alice->Board().GetSavedBoardText(1), kRace);
}

TEST_F(PropositionEndToEndTest, PlayAgainAfterWhiteResumedOffersThePropositionOnBothSides) {
    PlayAgainAfterAResume(true);
}

TEST_F(PropositionEndToEndTest, PlayAgainAfterBlackResumedOffersThePropositionOnBothSides) {
    PlayAgainAfterAResume(false);
}

// The two sides of a play-again knew different terms of the match just played: bob's waiting match
// dialog gives way to a proposition dialog, which takes the proposition offered, and they agree.
TEST_F(PropositionEndToEndTest, APlayAgainPropositionReplacesAWaitingMatchDialog) {
    const QString room = ".gb.alice.bob";
    alice->manager->OpenInvitationFromGame(
        room, 0, CPropRuleOptions("", "Race.bgp", kRace, 1, 100, 0, 0, true, 1000, 16000).FormatText());
    bob->manager->OpenInvitationFromGame(room, 1, CBGRuleOptions().FormatText());
    ASSERT_TRUE(
        WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite) && bob->manager->FindInvitation(room); }));
    EXPECT_EQ(bob->Dialog(), nullptr);
    alice->Click(CInvitationDlg::kIdInvite);
    ASSERT_TRUE(WaitFor([&] { return bob->Enabled(CInvitationDlg::kIdPlay); }));
    bob->Click(CInvitationDlg::kIdPlay);
    ASSERT_TRUE(WaitFor([&] { return alice->room == room && bob->room == room; }));
}

// Save writes the proposition as White sees it, whichever side the user plays: the same bytes, and
// the offered position does not turn round.
TEST_F(PropositionEndToEndTest, SaveWritesTheSameFileWhicheverSideTheUserPlays) {
    const QString path = QDir(folder.path()).filePath("Race.bgp");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray original = file.readAll();
    file.close();
    const auto bytes = [&] {
        QFile saved(path);
        return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
    };
    alice->manager->InvitePlayer("bob", CClientGameFactory::kPropositionKind, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CBGPropositionDlg::kIdPlayingBlack); }));
    for (const int side : {CBGPropositionDlg::kIdPlayingBlack, CBGPropositionDlg::kIdPlayingBlack,
                           CBGPropositionDlg::kIdPlayingWhite, CBGPropositionDlg::kIdPlayingBlack}) {
        alice->Click(side);
        EXPECT_EQ(alice->Dialog()->GetPlayingIndex(), side == CBGPropositionDlg::kIdPlayingBlack ? 1 : 0);
        alice->Click(CBGPropositionDlg::kIdSave);
        EXPECT_EQ(bytes(), original) << "saved playing " << (side == CBGPropositionDlg::kIdPlayingBlack ? "Black" : "White");
        EXPECT_EQ(alice->Dialog()->GetPositionText(), kRace);
    }
    EXPECT_TRUE(testenv::scriptedUi().asked().empty());
}

// A position from which no game can end is not offered, and the dialog says why.
TEST_F(PropositionEndToEndTest, APositionNoGameCanEndFromIsNotOffered) {
    CBackgammonBoard allOff;
    ASSERT_TRUE(allOff.ReadBoardText(kRace, 1));
    while (allOff.RemoveChecker(6))
        allOff.AddChecker(1, CBackgammonBoard::kTray1);
    ASSERT_TRUE(allOff.SaveToFile(QDir(folder.path()).filePath("Off.bgp")));
    GetSettingsStore().WriteString("CBGPropositionDlg", "strPropositionName", "Off.bgp");
    alice->manager->InvitePlayer("bob", CClientGameFactory::kPropositionKind, 0, false);
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CWagerInviteDlg::kIdWager); }));
    alice->Click(CWagerInviteDlg::kIdWager);
    const auto notice = [&] { return alice->Dialog()->ItemAs<QLabel>(CBGPropositionDlg::kIdNotice)->text(); };
    ASSERT_TRUE(WaitFor([&] { return notice() == CPropRuleOptions::DescribeFault(CPropRuleOptions::PositionFault::kAlreadyWon); }));
    EXPECT_FALSE(alice->Enabled(CInvitationDlg::kIdInvite));
    // The race can be offered.
    emit alice->Dialog()->ItemAs<QComboBox>(CBGPropositionDlg::kIdNameList)->textActivated("Race.bgp");
    ASSERT_TRUE(WaitFor([&] { return alice->Enabled(CInvitationDlg::kIdInvite); }));
    EXPECT_EQ(notice(), "");
}

// Hostile terms from a peer: the receiving dialog corrects what can be corrected and sends it back,
// never shows a position no game can be played from, and raises no box; the server starts nothing
// from such terms.
TEST_F(PropositionEndToEndTest, HostileTermsAreCorrectedByTheReceiverAndRefusedByTheServer) {
    const auto position = [](int cube, int owner, bool whiteAllOff) {
        CBackgammonBoard board;
        EXPECT_TRUE(board.ReadBoardText(kRace, 1));
        if (whiteAllOff)
            while (board.RemoveChecker(6))
                board.AddChecker(1, CBackgammonBoard::kTray1);
        QString text = board.GetSavedBoardText(1);
        QStringList fields = text.split(' ');
        fields[29] = QString::number(cube);
        fields[30] = QString::number(owner);
        return fields.join(' ');
    };
    QString closedOut = "1.0 0 -3";
    for (int point = 1; point <= 24; ++point)
        closedOut += point <= 6 ? " 2" : point >= 19 ? " -2" : " 0";
    closedOut += " 3 0 1 0 1 0 0 0 0";
    struct Case {
        const char* what;
        QString position;
        int cube, owner; // what goes back; 0 when the position is not taken at all
    } cases[] = {
        {"cube 3", position(3, 1, false), 2, 1},
        {"cube 64", position(64, 2, false), 32, 2},
        {"cube 4096", position(4096, 1, false), 32, 1},
        {"an owned cube of 1", position(1, 2, false), 1, 0},
        {"White all off", position(1, 0, true), 0, 0},
        {"both closed out on the bar", closedOut, 0, 0},
    };
    QObject context;
    QStringList back; // bob's terms as they reach alice
    QObject::connect(&server, &CDevServer::packetRelayed, &context,
                     [&](const QString& from, const QString&, int type, const QString& payload) {
                         const CInviteData record(payload);
                         if (type == 227 && from == "bob" && record.GetMessageKind() == CInviteData::kNewTerms)
                             back << record.GetPayload();
                     });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString terms =
            CPropRuleOptions("", "hostile", c.position, 3, 100, 0, 0, false, 0, 0).FormatText();
        EXPECT_TRUE(CDevServer::RoomRulesOf(terms).isEmpty());
        back.clear();
        testenv::scriptedUi().clear();
        CInviteData record(CClientGameFactory::kPropositionKind, CServiceName(".gb.alice.bob"));
        record.SetMessage(CInviteData::kInvite, "alice", terms);
        alice->session.Send(227, record.Format(), -1, "bob");
        ASSERT_TRUE(WaitFor([&] { return bob->Dialog() && !back.isEmpty(); }));
        CBGPropositionDlg* dialog = bob->Dialog();
        bool ok = false;
        const CPropRuleOptions answer = CPropRuleOptions::FromText(back.last(), &ok);
        ASSERT_TRUE(ok) << back.last().toStdString();
        EXPECT_EQ(CPropRuleOptions::CheckPosition(answer.GetTerms().position), CPropRuleOptions::PositionFault::kNone);
        EXPECT_EQ(answer.GetTerms().position, dialog->GetPositionText()) << "what goes back is what is shown";
        CBackgammonBoard shown;
        ASSERT_TRUE(shown.ReadBoardText(dialog->GetPositionText(), 1));
        if (c.cube) {
            EXPECT_EQ(shown.GetCubeValue(), c.cube);
            EXPECT_EQ(shown.GetCubeOwner(), c.owner);
            EXPECT_EQ(dialog->GetItemText(CBGPropositionDlg::kIdCubeValue), QString::number(c.cube));
        } else {
            EXPECT_NE(dialog->GetPositionText(), c.position);
        }
        EXPECT_TRUE(testenv::scriptedUi().asked().empty()) << "a peer raises no box";
        dialog->OnCancel();
        ASSERT_TRUE(WaitFor([&] { return bob->Dialog() == nullptr; }));
    }

    // Both players coming to the room with terms the server cannot referee start nothing.
    const QString terms = CPropRuleOptions("", "hostile", position(4096, 1, false), 3, 100, 0, 0, false, 0, 0).FormatText();
    for (Player* player : {alice.get(), bob.get()})
        player->session.AttachToGameService(".gb.alice.bob " + terms, 0);
    const QString refusal = CPropRuleOptions::DescribeFault(CPropRuleOptions::PositionFault::kBadCube) +
                            " No match was started.";
    ASSERT_TRUE(WaitFor([&] { return alice->SystemLines().contains(refusal) && bob->SystemLines().contains(refusal); }));
    EXPECT_EQ(server.FindMatch(".gb.alice.bob"), nullptr);
}

} // namespace
