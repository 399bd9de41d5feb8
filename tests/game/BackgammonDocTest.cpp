#include "GameDocTestUtil.h"
#include "MatchReferee.h"

#include "BoardTestUtil.h"
#include "platform/Archive.h"
#include "platform/Ui.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <deque>
#include <memory>

using gametest::FakeSession;
using gametest::HintRecorder;

namespace {

CBGRuleOptions MatchOf(int length) {
    CBGRuleOptions::Values v;
    v.matchLength = length;
    v.crawford = true;
    v.rated = true;
    return CBGRuleOptions(v);
}

// Two players and a watcher in one room refereed by the server; what a client sends reaches the
// server, and what the server lets through the others, on Deliver.
class Room {
public:
    Room() {
        for (const char* name : {"Ann", "Bob", "Cy"}) {
            auto session = std::make_unique<FakeSession>(name, ".gb.Ann.Bob");
            auto doc = std::make_unique<CBackgammonDoc>(session.get());
            doc->SetupPlayersFromService();
            sessions.push_back(std::move(session));
            docs.push_back(std::move(doc));
        }
    }

    void Start(const CBGRuleOptions& options) {
        referee = std::make_unique<CMatchReferee>(QStringList{"Ann", "Bob"}, options, [this] {
            const int die = dice.empty() ? 1 : dice.front();
            if (!dice.empty())
                dice.pop_front();
            return die;
        });
        for (auto& doc : docs)
            ASSERT_TRUE(doc->StartMatch(options));
    }

    // Hands every packet sent so far to the server, and what it lets through to everybody in the room:
    // rolls from the server, other moves from their player (his own copy confirms it); a refusal
    // (218 from the server) goes back to the sender.
    void Deliver() {
        for (std::size_t from = 0; from < sessions.size(); ++from) {
            auto& sent = sessions[from]->sent;
            for (; delivered[from] < sent.size(); ++delivered[from]) {
                const auto& [type, text, target] = sent[delivered[from]];
                EXPECT_EQ(target, "&");
                const std::vector<CMatchReferee::Move> moves = referee->Take(sessions[from]->nickname, text);
                if (moves.empty()) {
                    sessions[from]->source = ".";
                    EXPECT_EQ(docs[from]->OnPacket(218, text.section(' ', 0, 0) + " refused"), 1);
                }
                for (const CMatchReferee::Move& move : moves) {
                    for (std::size_t to = 0; to < docs.size(); ++to) {
                        sessions[to]->source = move.fromServer ? QString(".") : sessions[from]->nickname;
                        EXPECT_EQ(docs[to]->OnPacket(type, move.text), 1);
                    }
                }
            }
        }
    }

    // A command of a player, delivered at once.
    bool Do(int who, const QString& command) {
        const bool ok = docs[who]->SendGameCommand(command);
        Deliver();
        return ok;
    }

    void ExpectInStep() {
        const QString position = docs[0]->GetBoard().GetSavedBoardText(1);
        for (auto& doc : docs) {
            EXPECT_EQ(doc->GetBoard().GetSavedBoardText(1), position);
            EXPECT_EQ(doc->GetBoard().GetState(), docs[0]->GetBoard().GetState());
            EXPECT_EQ(doc->GetMatchRecord().GetCount(), docs[0]->GetMatchRecord().GetCount());
        }
    }

    CBackgammonDoc& ann() { return *docs[0]; }
    CBackgammonDoc& bob() { return *docs[1]; }
    CBackgammonDoc& cy() { return *docs[2]; }

    std::deque<int> dice;
    std::unique_ptr<CMatchReferee> referee;
    std::vector<std::unique_ptr<FakeSession>> sessions;
    std::vector<std::unique_ptr<CBackgammonDoc>> docs;
    std::size_t delivered[3] = {0, 0, 0};
};

// Plays one game where the opener plays 5-2 and the other doubles out the opener: the other side wins.
void QuickGame(Room& room) {
    room.dice = {5, 2};
    ASSERT_TRUE(room.ann().StartNextGame());
    room.Deliver();
    ASSERT_TRUE(room.Do(0, "m 13/8 13/11"));
    ASSERT_TRUE(room.Do(1, "d"));
    ASSERT_TRUE(room.Do(0, "k"));
}

} // namespace

TEST(BackgammonDoc, AMatchPlayedBetweenTwoClientsAndWatched) {
    Room room;
    room.Start(MatchOf(3));
    EXPECT_EQ(room.ann().GetLocalSide(), 1);
    EXPECT_EQ(room.bob().GetLocalSide(), 2);
    EXPECT_EQ(room.cy().GetLocalSide(), 0);
    EXPECT_EQ(room.ann().GetBoard().GetPlayerName(2), "Bob");

    room.dice = {3, 3, 6, 1}; // the server rolls a tie again (no automatic doubles)
    ASSERT_TRUE(room.ann().StartNextGame());
    EXPECT_EQ(std::get<1>(room.sessions[0]->sent.back()), "2 n");
    EXPECT_FALSE(room.ann().StartNextGame()) << "asked for already";
    EXPECT_FALSE(room.bob().StartNextGame()) << "side 1 opens";
    EXPECT_FALSE(room.ann().SendGameCommand("n 6 1")) << "a player never chooses dice";
    room.Deliver();
    room.ExpectInStep();
    EXPECT_FALSE(room.Do(1, "m 1/7 12/13")) << "not Bob's turn";
    EXPECT_FALSE(room.Do(2, "m 13/7 8/7")) << "a watcher does not play";
    EXPECT_FALSE(room.Do(0, "m 13/7 13/12")) << "illegal";
    EXPECT_TRUE(room.sessions[1]->sent.empty());
    EXPECT_FALSE(room.Do(0, "c 13/7")) << "single steps stay in the game window";
    ASSERT_TRUE(room.Do(0, "m 13/7 8/7"));
    room.ExpectInStep();
    EXPECT_EQ(room.cy().GetBoard().GetCount(7), 2);

    room.dice = {4, 2};
    ASSERT_TRUE(room.bob().RollDice());
    room.Deliver();
    EXPECT_FALSE(room.ann().RollDice());
    ASSERT_TRUE(room.Do(1, "m 1/5 5/7") == false); // 7 is Ann's point now
    ASSERT_TRUE(room.Do(1, "m 12/16 12/14"));
    ASSERT_TRUE(room.Do(0, "d"));
    ASSERT_TRUE(room.Do(1, "k")); // Ann 1 - 0
    room.ExpectInStep();
    EXPECT_EQ(room.cy().GetBoard().GetScore(1), 1);

    QuickGame(room); // Bob wins 1: 1 - 1
    QuickGame(room); // 1 - 2
    EXPECT_TRUE(room.sessions[0]->invitations.empty());
    // The Crawford game: no doubling, so Ann resigns it.
    room.dice = {5, 2};
    ASSERT_TRUE(room.ann().StartNextGame());
    room.Deliver();
    ASSERT_TRUE(room.Do(0, "m 13/8 13/11"));
    EXPECT_FALSE(room.Do(1, "d"));
    room.dice = {6, 4, 3, 1};
    ASSERT_TRUE(room.bob().RollDice());
    room.Deliver();
    ASSERT_TRUE(room.Do(1, "m 1/7 12/16"));
    ASSERT_TRUE(room.ann().RollDice());
    room.Deliver();
    ASSERT_TRUE(room.Do(0, "x 1"));
    EXPECT_FALSE(room.Do(0, "y")) << "the other side answers";
    ASSERT_TRUE(room.Do(1, "y")); // 1 - 3: the match
    room.ExpectInStep();
    for (auto& doc : room.docs)
        EXPECT_TRUE(doc->GetBoard().IsMatchOver());
    using Invitation = std::pair<QString, int>;
    EXPECT_EQ(room.sessions[0]->invitations, std::vector<Invitation>({{".gb.Ann.Bob", 0}}));
    EXPECT_EQ(room.sessions[1]->invitations, std::vector<Invitation>({{".gb.Ann.Bob", 1}}));
    EXPECT_TRUE(room.sessions[2]->invitations.empty()) << "a watcher is not invited to play again";
    EXPECT_FALSE(room.ann().StartNextGame());

    // Every move is in the record with its sequence number; the match start was never sent.
    const CMatchRecord& record = room.cy().GetMatchRecord();
    QString command;
    ASSERT_TRUE(record.GetMoveText(0, command));
    EXPECT_EQ(command, "s 3 0 1 1 0 0 0 0");
    EXPECT_EQ(record.GetPacket(1)->payload, "2 n 6 1");
    EXPECT_EQ(record.GetPacket(1)->source, ".");
    EXPECT_EQ(record.GetPacket(2)->source, "Ann");
    EXPECT_EQ(std::get<1>(room.sessions[0]->sent.front()), "2 n");
}

TEST(BackgammonDoc, MovesFromTheWrongPlaceAreDropped) {
    Room room;
    room.Start(MatchOf(5));
    room.dice = {5, 2};
    ASSERT_TRUE(room.ann().StartNextGame());
    room.Deliver();
    CBackgammonDoc& bob = room.bob();
    FakeSession& session = *room.sessions[1];
    const QString before = bob.GetBoard().GetSavedBoardText(1);
    const int count = bob.GetMatchRecord().GetCount();
    const auto offer = [&](const QString& source, const QString& text) {
        session.source = source;
        EXPECT_EQ(bob.OnPacket(217, text), 1) << text.toStdString();
        EXPECT_EQ(bob.GetBoard().GetSavedBoardText(1), before) << text.toStdString();
        EXPECT_EQ(bob.GetMatchRecord().GetCount(), count) << text.toStdString();
    };
    offer(".", "2 n 5 2");          // already applied
    offer("Ann", "9 m 13/8 13/11"); // a gap in the sequence
    offer("Cy", "3 m 13/8 13/11");  // not a player
    offer("Bob", "3 m 13/8 13/11"); // claims to come from Bob himself
    offer("", "3 m 13/8 13/11");    // no sender
    offer("Ann", "3 m 13/8");       // illegal
    offer("Ann", "3 s 1 0");        // the match start is never sent
    offer("Ann", "3");              // malformed
    offer("Ann", "three m 13/8 13/11");
    offer("Ann", "3 m 13/8 13/11 6/5 8/7 24/1"); // not a command
    session.source = "Ann";
    EXPECT_EQ(bob.OnPacket(217, "3 m 13/8 13/11"), 1);
    EXPECT_EQ(bob.GetBoard().GetSideOnRoll(), 2);
    // Dice from a player are dropped, whoever sends them; the server's are taken.
    const QString awaiting = bob.GetBoard().GetSavedBoardText(1);
    for (const char* source : {"Ann", "Bob", "Cy"}) {
        session.source = source;
        EXPECT_EQ(bob.OnPacket(217, "4 r 6 6"), 1);
        EXPECT_EQ(bob.GetBoard().GetSavedBoardText(1), awaiting) << source;
    }
    session.source = ".";
    EXPECT_EQ(bob.OnPacket(217, "4 m 1/7"), 1) << "not allowed now, even from the server";
    EXPECT_EQ(bob.GetMatchRecord().GetMoveCount(), 3);
    EXPECT_EQ(bob.OnPacket(217, "4 r 6 6"), 1);
    EXPECT_EQ(bob.GetBoard().GetState(), CBackgammonBoard::kStateMoving);
    EXPECT_EQ(bob.GetMatchRecord().GetMoveCount(), 4);
}

TEST(BackgammonDoc, ReplayGivesBoardsAndLogRecordsByEntry) {
    Room room;
    room.Start(MatchOf(5));
    HintRecorder view;
    room.cy().AddView(&view);
    QuickGame(room);
    ASSERT_GE(view.hints.size(), 4u);
    EXPECT_EQ(view.hints.back(), std::make_pair(gamehint::kNewRecordEntries, 4));

    CBackgammonBoard board;
    ASSERT_TRUE(room.cy().BuildBoardAt(2, board)); // after the opening play
    EXPECT_EQ(board.GetCount(11), 1);
    EXPECT_EQ(board.GetState(), CBackgammonBoard::kStateAwaitingRoll);
    ASSERT_TRUE(room.cy().BuildBoardAt(-1, board));
    EXPECT_EQ(board.GetScore(2), 1);
    EXPECT_FALSE(room.cy().BuildBoardAt(5, board));

    std::vector<std::pair<CGameLogRecord::Kind, int>> seen;
    room.cy().ReplayLog(
        [&](const CGameLogRecord& record, int index) { seen.emplace_back(record.kind, index); });
    const std::vector<std::pair<CGameLogRecord::Kind, int>> expected{
        {CGameLogRecord::kMatchStart, 0}, {CGameLogRecord::kGameStart, 1}, {CGameLogRecord::kNumber, 1},
        {CGameLogRecord::kRoll, 1},       {CGameLogRecord::kPlay, 2},      {CGameLogRecord::kDouble, 3},
        {CGameLogRecord::kNumber, 4},     {CGameLogRecord::kDrop, 4},      {CGameLogRecord::kWin, 4}};
    EXPECT_EQ(seen, expected);
    room.cy().RemoveView(&view);
}

TEST(BackgammonDoc, ContestConditions) {
    Room room;
    room.Start(gametest::MoneyWager(1050));
    room.ann().SetPlayerRating(1, 1623.456);
    room.ann().SetPlayerRating(2, std::nan(""));
    EXPECT_EQ(room.ann().FormatContestConditions(), "Conditions of Contest\r\n"
                                                    "Server: Norvale\r\n"
                                                    "Game: Nackgammon\r\n"
                                                    "Match Length: Unlimited\r\n"
                                                    "Rated: No\r\n"
                                                    "Ann Rating: 1623.46\r\n"
                                                    "Doubling Cube: Yes\r\n"
                                                    "Crawford Rule: No\r\n"
                                                    "Jacoby Rule: Yes\r\n"
                                                    "Automatic Doubles: No\r\n"
                                                    "Beavers: Yes\r\n"
                                                    "Wager: Yes, $10.50 stake, $160.00 reserve\r\n"
                                                    "\r\n");
}

TEST(BackgammonDoc, NativeFileRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath("match.cbg");
    Room room;
    room.Start(MatchOf(7));
    QuickGame(room);
    CBackgammonDoc& cy = room.cy();
    room.sessions[2]->source = "Ann";
    cy.OnPacket(203, "good game \"all\"");
    cy.SetMoveMark(2, 1);
    cy.SetSubtitle(0, "Spring League");
    cy.SetPlayerRating(2, 1500.5);
    ASSERT_TRUE(cy.SaveMatchFile(path));
    EXPECT_EQ(cy.GetPathName(), path);

    CBackgammonDoc loaded;
    ASSERT_TRUE(loaded.LoadMatchFile(path));
    EXPECT_EQ(loaded.GetPathName(), path);
    EXPECT_EQ(loaded.GetPlayers(), QStringList({"Ann", "Bob"}));
    EXPECT_TRUE(loaded.IsWatching());
    EXPECT_EQ(loaded.GetSubtitle(0), "Spring League");
    EXPECT_EQ(loaded.GetPlayerRating(2), 1500.5);
    EXPECT_TRUE(loaded.GetRuleOptions().IsEqual(cy.GetRuleOptions()));
    ASSERT_EQ(loaded.GetMatchRecord().GetCount(), cy.GetMatchRecord().GetCount());
    for (int i = 0; i < cy.GetMatchRecord().GetCount(); ++i) {
        EXPECT_EQ(loaded.GetMatchRecord().GetPacket(i)->payload, cy.GetMatchRecord().GetPacket(i)->payload);
        EXPECT_EQ(loaded.GetMatchRecord().GetPacket(i)->source, cy.GetMatchRecord().GetPacket(i)->source);
        EXPECT_EQ(loaded.GetMatchRecord().GetMoveMark(i), cy.GetMatchRecord().GetMoveMark(i));
    }
    EXPECT_EQ(loaded.GetBoard().GetSavedBoardText(1), cy.GetBoard().GetSavedBoardText(1));
    EXPECT_EQ(loaded.GetBoard().GetScore(2), 1);

    // The file starts with the room name, as proposition files do.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith(QByteArray("\x0b.gb.Ann.Bob")));

    // Damaged files are refused and leave the document as it was.
    const auto refuses = [&](const QByteArray& content) {
        const QString bad = dir.filePath("bad.cbg");
        QFile out(bad);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
        out.close();
        EXPECT_FALSE(loaded.LoadMatchFile(bad));
        EXPECT_EQ(loaded.GetMatchRecord().GetCount(), cy.GetMatchRecord().GetCount());
        EXPECT_EQ(loaded.GetPathName(), path);
    };
    refuses(bytes.left(bytes.size() - 3));
    refuses(bytes.left(40));
    refuses(QByteArray());
    QByteArray wrongTag = bytes;
    wrongTag.replace("Norvale match 1", "Norvale match 9");
    refuses(wrongTag);
    platform::ArchiveWriter hugeCount;
    hugeCount.WriteString(".gb.Ann.Bob");
    hugeCount.WriteString(CBackgammonDoc::kFileTag);
    hugeCount.WriteString(MatchOf(7).FormatText());
    hugeCount.WriteStringList({"Ann", "Bob"});
    hugeCount.WriteInt32(-1);
    for (int i = 0; i < 4; ++i)
        hugeCount.WriteString("");
    hugeCount.WriteUInt32(0xFFFFFFF0u);
    refuses(hugeCount.data());
}

TEST(BackgammonDoc, SavingAsksForANameAndChoosesTheWriterByExtension) {
    QTemporaryDir dir;
    Room room;
    room.Start(MatchOf(3));
    CBackgammonDoc& doc = room.ann();
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();

    EXPECT_FALSE(doc.DoSaveMatch({&doc, false, 0, false})) << "no name given: cancelled";
    ASSERT_EQ(ui.asked().size(), 1u);
    EXPECT_EQ(ui.asked()[0].kind, platform::ScriptedUi::Asked::SaveFileKind);

    ui.QueueFileAnswer(dir.filePath("first"));
    ASSERT_TRUE(doc.DoSaveMatch({&doc, false, 0, false}));
    EXPECT_EQ(doc.GetPathName(), dir.filePath("first.cbg"));
    EXPECT_TRUE(QFile::exists(dir.filePath("first.cbg")));
    const std::size_t asked = ui.asked().size();
    ASSERT_TRUE(doc.DoSaveMatch({&doc, false, 0, false}));
    EXPECT_EQ(ui.asked().size(), asked) << "a saved document is saved again without asking";

    CBackgammonDoc::RegisterExporter("txt", [](const CBackgammonDoc& d, QIODevice& out) {
        return out.write(d.GetBoard().FormatPlayersTitle().toUtf8()) > 0;
    });
    ui.QueueFileAnswer(dir.filePath("match.txt"));
    ASSERT_TRUE(doc.DoSaveMatch({&doc, true, 0, true}));
    QFile text(dir.filePath("match.txt"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), "Ann vs. Bob");
    EXPECT_EQ(doc.GetPathName(), dir.filePath("first.cbg")) << "an export is not the document's file";

    ui.QueueFileAnswer(dir.filePath("missing/folder/x.cbg"));
    EXPECT_FALSE(doc.DoSaveMatch({&doc, true, 0, true}));
    ASSERT_FALSE(ui.asked().empty());
    EXPECT_EQ(ui.asked().back().kind, platform::ScriptedUi::Asked::MessageBoxKind);
    EXPECT_TRUE(ui.asked().back().text.startsWith("Unable to write to file"));
    ui.clear();
}

// The user's command is shown at once and held until the referee answers: its copy records it, a
// refusal or another move under its number takes it back, and nothing else goes out meanwhile.
TEST(BackgammonDoc, TheRefereesAnswerConfirmsOrTakesBackTheUsersCommand) {
    Room room;
    room.Start(MatchOf(5));
    room.dice = {5, 2};
    ASSERT_TRUE(room.ann().StartNextGame());
    EXPECT_TRUE(room.ann().IsAwaitingAnswer());
    room.Deliver();
    CBackgammonDoc& ann = room.ann();
    FakeSession& session = *room.sessions[0];
    const QString referee = ann.GetBoard().GetSavedBoardText(1);
    const int revision = ann.GetBoardRevision();

    ASSERT_TRUE(ann.SendGameCommand("m 13/8 13/11"));
    EXPECT_EQ(ann.GetBoard().GetCount(11), 1) << "shown at once";
    EXPECT_GT(ann.GetBoardRevision(), revision);
    EXPECT_EQ(ann.GetMatchRecord().GetMoveCount(), 2) << "recorded only when the referee takes it";
    EXPECT_FALSE(ann.SendGameCommand("x 1")) << "one command at a time";
    // Answers that are not the referee's change nothing.
    const auto offer = [&](int type, const QString& source, const QString& destination, const QString& text) {
        session.source = source;
        session.destination = destination;
        EXPECT_EQ(ann.OnPacket(type, text), 1);
        session.destination = "&";
    };
    offer(218, "Bob", "&", "3 forged");
    offer(218, ".", "Ann", "3 not to the room");
    offer(218, ".", "&", "4 another number");
    offer(217, "Ann", "Ann", "3 m 13/8 13/11");
    EXPECT_TRUE(ann.IsAwaitingAnswer());
    EXPECT_EQ(ann.GetBoard().GetCount(11), 1);
    // The referee refuses it: back to its board, free to act again.
    offer(218, ".", "&", "3 not allowed now");
    EXPECT_FALSE(ann.IsAwaitingAnswer());
    EXPECT_EQ(ann.GetBoard().GetSavedBoardText(1), referee);
    // Another move under the number of the one awaiting an answer: the referee took that one instead.
    ASSERT_TRUE(ann.SendGameCommand("m 13/8 13/11"));
    offer(217, "Ann", "&", "3 m 24/22 13/8");
    EXPECT_FALSE(ann.IsAwaitingAnswer());
    EXPECT_EQ(ann.GetBoard().GetCount(11), 0);
    EXPECT_EQ(ann.GetMatchRecord().GetPacket(2)->payload, "3 m 24/22 13/8");
    offer(218, ".", "&", "3 move 3 where 4 is due");
    EXPECT_EQ(ann.GetMatchRecord().GetMoveCount(), 3);
    // The match so far sent again (a player back in his room) changes nothing.
    offer(217, ".", "&", "2 n 5 2");
    EXPECT_EQ(ann.GetMatchRecord().GetMoveCount(), 3);
}
