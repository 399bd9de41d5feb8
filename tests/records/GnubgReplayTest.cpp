// The plain match text is read by analysis programs: GNU Backgammon, an independent program, replays
// random refereed matches from it move by move, and must take every move and reach the same score
// after every game.
#include "MatchExportTestUtil.h"
#include "MatchReferee.h"

#include "game/BgMoves.h"
#include "records/MatchExports.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <random>

namespace {

// GNU Backgammon installs under the games folder, which is often not on PATH.
QString FindGnubg() {
    QString path = QStandardPaths::findExecutable(QStringLiteral("gnubg"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(QStringLiteral("gnubg"),
                                              {QStringLiteral("/usr/games"), QStringLiteral("/usr/local/games")});
    return path;
}

// A match between Ann (the user) and Bob refereed as the server does: the players send their
// commands, the referee rolls and hands out every move, and the user's document takes them from the
// room. Plays are random legal ones, often with a hit made on the way of a checker that moves on;
// cubes are offered, taken and dropped, and resignations offered, refused and accepted.
class RandomMatch {
public:
    RandomMatch(unsigned seed, int matchLength)
        : m_random(seed), m_referee({"Ann", "Bob"}, Options(matchLength), [this] { return m_die(m_random); }) {
        m_doc.SetupPlayersFromService();
        m_doc.StartMatch(Options(matchLength));
    }

    // Plays to the end of the match -> false when the referee refused a command.
    bool Play(QString& why) {
        for (int guard = 0; guard < 100000 && !Board().IsMatchOver(); ++guard)
            if (!Send(NextCommand(), why))
                return false;
        return Board().IsMatchOver();
    }

    const CBackgammonDoc& Doc() const { return m_doc; }
    const CBackgammonBoard& Board() const { return m_referee.Board(); }

private:
    static CBGRuleOptions Options(int matchLength) {
        CBGRuleOptions::Values v;
        v.matchLength = matchLength;
        v.crawford = true;
        return CBGRuleOptions(v);
    }

    bool Chance(int percent) { return int(m_random() % 100) < percent; }

    QString NextCommand() {
        const CBackgammonBoard& board = Board();
        switch (board.GetState()) {
        case CBackgammonBoard::kStateAtRest:
            return QStringLiteral("n");
        case CBackgammonBoard::kStateAwaitingRoll:
            if (Chance(1))
                return QStringLiteral("x %1").arg(1 + m_random() % 3);
            // Cubes stay within what a match can use (GNU Backgammon itself fails on a cube of 512).
            if (board.CanDouble() && board.GetCubeValue() < board.GetMatchLength() && Chance(8))
                return QStringLiteral("d");
            return QStringLiteral("r");
        case CBackgammonBoard::kStateCubeOffered:
            return Chance(70) ? QStringLiteral("a") : QStringLiteral("k");
        case CBackgammonBoard::kStateResignOffered:
            return Chance(50) ? QStringLiteral("y") : QStringLiteral("u");
        default:
            break;
        }
        if (Chance(1))
            return QStringLiteral("x %1").arg(1 + m_random() % 3);
        std::vector<BgPlay> plays;
        board.GetLegalPlays(plays);
        // A hit on the way of a checker that moves on is what a reader most easily gets wrong.
        std::vector<const BgPlay*> hitOnTheWay;
        for (const BgPlay& play : plays)
            for (int i = 0; i + 1 < play.count; ++i)
                if (play.steps[i].hit && play.steps[i + 1].from == play.steps[i].to)
                    hitOnTheWay.push_back(&play);
        const BgPlay& play = !hitOnTheWay.empty() && Chance(60) ? *hitOnTheWay[m_random() % hitOnTheWay.size()]
                                                                : plays[m_random() % plays.size()];
        return CBackgammonBoard::MoveCommand(board.GetSideOnRoll(), play);
    }

    bool Send(const QString& command, QString& why) {
        const int actor = command == QLatin1String("n") ? 1 : Board().GetActingSide();
        const QString sender = actor == 2 ? QStringLiteral("Bob") : QStringLiteral("Ann");
        const auto moves =
            m_referee.Take(sender, CMatchRecord::JoinMoveText(m_referee.MoveCount() + 1, command), &why);
        for (const CMatchReferee::Move& move : moves) {
            m_session.source = move.fromServer ? QStringLiteral(".") : sender;
            m_doc.OnPacket(CBackgammonDoc::kMovePacket, move.text);
        }
        return !moves.empty();
    }

    std::mt19937 m_random;
    std::uniform_int_distribution<int> m_die{1, 6};
    gametest::FakeSession m_session{"Ann", ".gb.Ann.Bob"};
    CBackgammonDoc m_doc{&m_session};
    CMatchReferee m_referee;
};

// The scores at the start of every game, then the points of each win, as a match text states them.
QStringList ScoresOf(const QString& text) {
    static const QRegularExpression score(QStringLiteral("^ (\\S+) : (\\d+)\\s+(\\S+) : (\\d+)\\s*$"),
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression wins(QStringLiteral("Wins (\\d+) points?( and the match)?"));
    QStringList out;
    for (auto it = score.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out << m.captured(2) + QLatin1Char('-') + m.captured(4);
    }
    for (auto it = wins.globalMatch(text); it.hasNext();)
        out << QStringLiteral("wins ") + it.next().captured(1);
    return out;
}

} // namespace

TEST(GnubgReplay, RandomRefereedMatchesReplayMoveByMoveWithTheSameScores) {
    testenv::ResetSettings();
    GetSettingsStore().WriteBool(QStringLiteral("Backgammon"), QStringLiteral("SaveWhilePlaying"), false);
    const QString gnubg = FindGnubg();
    if (gnubg.isEmpty())
        GTEST_SKIP() << "GNU Backgammon (gnubg) is not installed: scripts/install-deps.sh installs it";

    constexpr int kMatches = 120;
    const int lengths[] = {1, 3, 5, 7, 9};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList ours;
    QStringList finalScores;
    QByteArray script = "set confirm new off\nset display off\n";
    for (int i = 0; i < kMatches; ++i) {
        RandomMatch match(unsigned(1000 + i), lengths[i % 5]);
        QString why;
        ASSERT_TRUE(match.Play(why)) << "match " << i << ": " << why.toStdString();
        const QByteArray text = MatchTextFileBytes(match.Doc());
        const QString file = dir.filePath(QStringLiteral("match-%1.txt").arg(i));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        out.close();
        ours << QString::fromLatin1(text);
        finalScores << QStringLiteral("Ann %1, Bob %2").arg(match.Board().GetScore(1)).arg(match.Board().GetScore(2));
        // "show score" after each match cuts the program's output into one piece per file.
        script += "import mat " + file.toUtf8() + "\nexport match mat " +
                  dir.filePath(QStringLiteral("replayed-%1.txt").arg(i)).toUtf8() + "\nshow score\n";
    }

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path()); // its settings go to a scratch folder
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C")); // its messages in English, as read below
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(gnubg, {QStringLiteral("-t"), QStringLiteral("-q")});
    ASSERT_TRUE(process.waitForStarted(30000)) << "gnubg did not start";
    process.write(script + "quit\n");
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(600000)) << "gnubg did not finish";
    const QString output = QString::fromUtf8(process.readAll());

    const QStringList pieces = output.split(QStringLiteral("The score (after"));
    ASSERT_EQ(pieces.size(), kMatches + 1) << output.right(3000).toStdString();
    int rejected = 0;
    for (int i = 0; i < kMatches; ++i) {
        // The piece before the i-th score line holds what the import of file i said.
        const QString said = pieces[i];
        const int warnings = int(said.count(QStringLiteral("WARNING")) + said.count(QStringLiteral("nvalid move")));
        rejected += warnings;
        EXPECT_EQ(warnings, 0) << "match " << i << ":\n"
                               << said.right(1500).toStdString() << "\n"
                               << ours[i].left(4000).toStdString();
        EXPECT_TRUE(pieces[i + 1].contains(finalScores[i])) << "match " << i << ": " << finalScores[i].toStdString()
                                                            << " / " << pieces[i + 1].left(200).toStdString();
        const QByteArray replayed = exporttest::ReadFile(dir.filePath(QStringLiteral("replayed-%1.txt").arg(i)));
        EXPECT_EQ(ScoresOf(QString::fromLatin1(replayed)), ScoresOf(ours[i])) << "match " << i;
    }
    EXPECT_EQ(rejected, 0);
}
