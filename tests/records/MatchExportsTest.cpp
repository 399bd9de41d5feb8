#include "MatchExportTestUtil.h"

#include "platform/RtfReader.h"
#include "platform/Ui.h"
#include "records/BgMatchLogModel.h"
#include "records/MatchExports.h"
#include "records/RtfWriter.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using exporttest::ExpectGolden;
using exporttest::PlayedMatch;
using exporttest::ReadFile;

namespace {

// A stand-in picture: the same bytes every run, so that the RTF can be compared byte for byte.
CBgMatchLogModel::Picture FakePicture(const CBackgammonBoard& board) {
    CBgMatchLogModel::Picture picture;
    picture.png = "PNG:" + board.GetSavedBoardText(1).toLatin1();
    picture.pixels = QSize(375, 348);
    picture.twips = QSize(3600, 3342);
    return picture;
}

QString Pandoc(const QByteArray& rtf) {
    const QString pandoc = QStandardPaths::findExecutable("pandoc");
    if (pandoc.isEmpty())
        return QString();
    QProcess process;
    process.start(pandoc, {"-f", "rtf", "-t", "plain", "--wrap=none"});
    process.write(rtf);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

// ---- golden files of a whole match

TEST(MatchExports, TheThreeExportsOfAPlayedMatchMatchTheirGoldenFiles) {
    PlayedMatch match;
    ASSERT_TRUE(match.doc->GetBoard().IsMatchOver());
    ExpectGolden(MatchTextFileBytes(*match.doc), "golden-match.txt");
    ExpectGolden(SnvFileBytes(*match.doc), "golden-match.snv");
    ExpectGolden(MatchRtfBytes(*match.doc, FakePicture), "golden-match.rtf");
    // The opponent's whisper is left out, the watcher's kept.
    EXPECT_FALSE(SnvFileBytes(*match.doc).contains("my friends only"));
    EXPECT_TRUE(SnvFileBytes(*match.doc).contains("Cy whispers: nice opening"));
}

// ---- the plain text is a match text other programs import

namespace {

// A small reader of the plain match text: the match length, and per game the opening score line and
// the numbered move lines of two columns, turned back into game commands.
struct TextMatch {
    int length = 0;
    struct Action {
        int side;
        QString kind; // "roll", "move", "double", "take", "drop", "win"
        int d1 = 0, d2 = 0;
        std::vector<std::pair<int, int>> paths;
        int points = 0;
    };
    std::vector<std::vector<Action>> games;
};

TextMatch ReadMatchText(const QString& text) {
    TextMatch match;
    static const QRegularExpression lengthLine(R"(^ (\d+) point match$)");
    static const QRegularExpression cell(
        R"((\d)(\d): ((?:\d+/\d+ ?)*)|Doubles => (\d+)|Takes|Drops|Wins (\d+) points?)");
    for (const QString& raw : text.split("\r\n")) {
        const QString line = raw;
        if (auto m = lengthLine.match(line); m.hasMatch()) {
            match.length = m.captured(1).toInt();
            continue;
        }
        if (line.startsWith(" Game ")) {
            match.games.emplace_back();
            continue;
        }
        if (match.games.empty() || line.contains(" : "))
            continue;
        // The second column starts at character 32: "nnn) " and a first cell padded to 32.
        auto it = cell.globalMatch(line);
        while (it.hasNext()) {
            const auto m = it.next();
            TextMatch::Action a;
            a.side = m.capturedStart() >= 32 ? 2 : 1;
            if (!m.captured(1).isEmpty()) {
                a.kind = "move";
                a.d1 = m.captured(1).toInt();
                a.d2 = m.captured(2).toInt();
                for (const QString& path : m.captured(3).split(' ', Qt::SkipEmptyParts))
                    a.paths.emplace_back(path.section('/', 0, 0).toInt(), path.section('/', 1, 1).toInt());
            } else if (!m.captured(4).isEmpty()) {
                a.kind = "double";
            } else if (m.captured(0) == "Takes") {
                a.kind = "take";
            } else if (m.captured(0) == "Drops") {
                a.kind = "drop";
            } else {
                a.kind = "win";
                a.points = m.captured(5).toInt();
            }
            match.games.back().push_back(a);
        }
    }
    return match;
}

// The play of a side's text move as a game command: each path split into single-die steps, trying
// the orders of the dice until the board takes one.
QString PlayCommand(const CBackgammonBoard& board, int side, const TextMatch::Action& a) {
    std::vector<int> dice = {a.d1, a.d2};
    if (a.d1 == a.d2)
        dice = {a.d1, a.d1, a.d1, a.d1};
    std::sort(dice.begin(), dice.end());
    const auto position = [side](int view) {
        if (view <= 0)
            return side == 1 ? int(CBackgammonBoard::kTray1) : int(CBackgammonBoard::kTray2);
        return CBackgammonBoard::PositionOf(side, view);
    };
    do {
        QString command = "m";
        std::size_t next = 0;
        bool fits = true;
        for (const auto& [from, to] : a.paths) {
            int at = from;
            while (fits && at > std::max(to, 0)) {
                if (next >= dice.size()) {
                    fits = false;
                    break;
                }
                const int step = std::max(at - dice[next++], to <= 0 ? 0 : to);
                command += QString(" %1/%2").arg(position(at)).arg(position(step));
                at = step;
            }
        }
        if (fits && CBackgammonBoard(board).ApplyCommand(command, CBackgammonBoard::kCheckOnly) == 1)
            return command;
    } while (std::next_permutation(dice.begin(), dice.end()));
    return QString();
}

} // namespace

TEST(MatchExports, ThePlainTextReadsBackAndReplaysToTheSameScore) {
    PlayedMatch match;
    const TextMatch read = ReadMatchText(QString::fromLatin1(MatchTextFileBytes(*match.doc)));
    ASSERT_EQ(read.length, 3);
    ASSERT_EQ(read.games.size(), 2u);

    CBackgammonBoard board;
    board.SetPlayers({"Ann", "Bob"}, -1, true);
    ASSERT_EQ(board.ApplyCommand(QString("s %1 0").arg(read.length)), 1);
    for (const auto& game : read.games) {
        // The opening roll is the starter's two dice: the starter's own die is the higher one.
        ASSERT_FALSE(game.empty());
        const TextMatch::Action& opening = game.front();
        const int high = std::max(opening.d1, opening.d2), low = std::min(opening.d1, opening.d2);
        ASSERT_EQ(board.ApplyCommand(opening.side == 1 ? QString("n %1 %2").arg(high).arg(low)
                                                       : QString("n %1 %2").arg(low).arg(high)),
                  1);
        bool first = true;
        for (const TextMatch::Action& a : game) {
            SCOPED_TRACE(a.kind.toStdString());
            if (a.kind == "move") {
                if (!first) {
                    ASSERT_EQ(board.ApplyCommand(QString("r %1 %2").arg(a.d1).arg(a.d2)), 1);
                }
                // A roll without a play: no move was possible, or the roller resigned.
                if (a.paths.empty()) {
                    board.ApplyCommand("m");
                    first = false;
                    continue;
                }
                const QString command = PlayCommand(board, a.side, a);
                ASSERT_FALSE(command.isEmpty());
                ASSERT_EQ(board.ApplyCommand(command), 1) << command.toStdString();
            } else if (a.kind == "double") {
                ASSERT_EQ(board.ApplyCommand("d"), 1);
            } else if (a.kind == "take") {
                ASSERT_EQ(board.ApplyCommand("a"), 1);
            } else if (a.kind == "drop") {
                ASSERT_EQ(board.ApplyCommand("k"), 1);
            } else if (a.kind == "win" && board.IsGameInProgress()) {
                // A game that ends without its last play written was resigned: the loser gives up
                // the points won.
                const int loser = 3 - a.side;
                if (board.GetState() == CBackgammonBoard::kStateMoving || board.GetSideOnRoll() == loser) {
                    ASSERT_EQ(board.ApplyCommand(QString("x %1").arg(a.points / board.GetCubeValue())), 1);
                    ASSERT_EQ(board.ApplyCommand("y"), 1);
                }
            }
            first = false;
        }
    }
    EXPECT_EQ(board.GetScore(1), match.doc->GetBoard().GetScore(1));
    EXPECT_EQ(board.GetScore(2), match.doc->GetBoard().GetScore(2));
    EXPECT_TRUE(board.IsMatchOver());
}

// ---- RTF read by another program

TEST(MatchExports, AnotherProgramReadsTheMatchRtfWithItsMovesAndNames) {
    PlayedMatch match;
    const QByteArray rtf = MatchRtfBytes(*match.doc, MakeBoardPictureMaker(96));
    EXPECT_TRUE(CRtfWriter::IsBalanced(rtf));
    EXPECT_EQ(rtf.count("{\\pict\\pngblip"), 2) << "one picture per marked position";
    const QString text = Pandoc(rtf);
    if (QStandardPaths::findExecutable("pandoc").isEmpty())
        GTEST_SKIP() << "pandoc is not installed";
    for (const char* expected : {"Ann vs. Bob", "Friday league, round 2", "13/8 13/11", "24/18 13/9",
                                 "Doubles => 2", "Drops", "Wins 2 points", "13/10 24/23",
                                 "Offers to resign a single game", "Wins 1 point and the match",
                                 "Cy tells you: well played", "note on the opening"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("my friends only"));
}

// ---- pieces of the texts

TEST(MatchExports, TheServerLineIsTheOnlyOneRewritten) {
    struct Case {
        const char* in;
        int headerLines;
        const char* out;
    };
    const Case cases[] = {
        {"Ann vs. Bob\r\nServer: Norvale\r\nGame: Backgammon\r\n", 1,
         "Ann vs. Bob\r\nServer: Ludorum Games Server\r\nGame: Backgammon\r\n"},
        // A player or a subtitle named like the service keeps the name.
        {"NorvaleFan vs. Bob\r\nNorvale night\r\nServer: Norvale\r\n", 2,
         "NorvaleFan vs. Bob\r\nNorvale night\r\nServer: Ludorum Games Server\r\n"},
        {"Server: Norvale\r\n", 1, "Server: Norvale\r\n"},
        // Named already; past the tenth line; no carriage return; no line feed at all.
        {"A vs. B\r\nServer: Ludorum Games Server\r\nServer: Norvale\r\n", 1,
         "A vs. B\r\nServer: Ludorum Games Server\r\nServer: Norvale\r\n"},
        {"A vs. B\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nServer: Norvale\r\n", 1,
         "A vs. B\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nServer: Norvale\r\n"},
        {"A vs. B\nServer: Norvale\n", 1, "A vs. B\nServer: Norvale\n"},
        {"Server: Norvale", 0, "Server: Norvale"},
    };
    for (const Case& c : cases) {
        QString text = c.in;
        ReplaceServerNameInHeader(text, c.headerLines);
        EXPECT_EQ(text, QString(c.out)) << c.in;
    }
}

// An annotation goes in as plain text when it would break the document, and in a group of its own
// otherwise, so that nothing in it (an ignorable or skipped destination) hides what follows.
TEST(MatchExports, AnAnnotationCannotBreakOrHideTheRestOfTheDocument) {
    const QByteArray hostile[] = {
        "{\\rtf1 first note \\*\\foo end}",
        "{\\rtf1 note \\footer end}",
        "{\\rtf1 a stray \\* mark}",
        "{\\rtf1 unclosed {\\b group",
        "{\\rtf1 stray}} brace}",
        "{\\rtf1 {\\field{\\*\\fldinst INCLUDEPICTURE \"http://example.invalid/x.png\"}{\\fldrslt seen}}}",
        "{\\rtf1 " + QByteArray(CRtfWriter::kMaxAppendedRtf, 'x') + "}",
    };
    for (const QByteArray& annotation : hostile) {
        CRtfWriter writer(true);
        writer.ReadTemplate(annotation);
        writer.Open();
        writer.SetStyle("MatchMove");
        writer.WriteText("before");
        writer.EndParagraph();
        CMatchRecordEntry entry{38, QString::fromLatin1(annotation), "Cy"};
        CBgMatchLogModel::WriteChatPacketRtf(writer, entry);
        writer.SetStyle("MatchMove");
        writer.WriteText("after");
        writer.Close();
        const QByteArray rtf = writer.GetText();
        EXPECT_TRUE(CRtfWriter::IsBalanced(rtf)) << annotation.left(80).toStdString();
        EXPECT_FALSE(rtf.contains("fldinst"));
        EXPECT_LT(rtf.size(), CRtfWriter::kMaxAppendedRtf + 4096);
        const QString text = platform::RtfReader::ToPlainText(rtf);
        EXPECT_TRUE(text.contains("before") && text.contains("after")) << text.toStdString();
    }
}

TEST(MatchExports, WrittenTextIsEscapedAndFragmentsAreNot) {
    CRtfWriter writer(false);
    writer.Open();
    writer.WriteText(QString::fromUtf8("a\\b{c}d é€ \x01"));
    writer.WriteRaw("\\tab ");
    writer.SetStyle("MatchMove");
    writer.SetStyle("MatchMove");
    writer.Close();
    EXPECT_EQ(writer.GetText(), "{a\\\\b\\{c\\}d \\u233?\\u8364? \\tab \\pard\\plain }");

    // An annotation keeps its characters beyond Latin-1.
    CRtfWriter annotated(true);
    annotated.Open();
    CBgMatchLogModel::WriteChatPacketRtf(annotated, {38, QString::fromUtf8("{\\rtf1 \u041f\u0440\u0438 \u20ac 5}"), "Cy"});
    annotated.Close();
    EXPECT_TRUE(annotated.GetText().contains("\\u1055?\\u1088?\\u1080? \\u8364? 5")) << annotated.GetText().toStdString();
    EXPECT_TRUE(platform::RtfReader::ToPlainText(annotated.GetText()).contains(QString::fromUtf8("\u041f\u0440\u0438 \u20ac 5")));
}

// ---- the log's items and ranges

TEST(MatchExports, TheStatusLineTellsWhatThePositionWaitsFor) {
    PlayedMatch match;
    const std::vector<CBgLogItem> items = CBgMatchLogModel::BuildItems(*match.doc);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back().text, "") << "at rest after the match";
    EXPECT_EQ(items.back().record, match.doc->GetMatchRecord().GetCount());

    CBackgammonBoard board;
    board.ApplyCommand("s 3 0");
    board.ApplyCommand("n 5 2");
    EXPECT_EQ(CBgMatchLogModel::StatusItem(board, 3).text, "?");
    board.ApplyCommand("c 13/8");
    EXPECT_EQ(CBgMatchLogModel::StatusItem(board, 3).text, " 13/8?");
    EXPECT_EQ(CBgMatchLogModel::StatusItem(board, 3).column, 1);

    // The status line's range stops at the last record; no range reaches past it.
    CBgMatchLogModel model(*match.doc);
    int first = 0, last = 0;
    model.GetRecordRange(int(model.Items().size()) - 1, first, last);
    EXPECT_EQ(last, match.doc->GetMatchRecord().GetCount() - 1);
    model.GetRecordRange(int(model.Items().size()) + 5, first, last);
    EXPECT_GT(first, last);
}
