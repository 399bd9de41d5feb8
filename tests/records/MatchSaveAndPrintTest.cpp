#include "MatchExportTestUtil.h"

#include "game/PropRuleOptions.h"
#include "platform/Ui.h"
#include "records/BgMatchLogPrintOptsPage.h"
#include "records/MatchExports.h"
#include "records/MatchLogPrint.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using exporttest::PlayedMatch;
using exporttest::ReadFile;

namespace {

QString RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool AskedMessageContaining(const QString& part) {
    for (const auto& asked : testenv::scriptedUi().asked())
        if (asked.text.contains(part))
            return true;
    return false;
}

} // namespace

// ---- saving by extension

TEST(MatchSave, SaveAsChoosesTheFormatByExtensionAndRefusesOthers) {
    RegisterMatchExports();
    PlayedMatch match;
    QTemporaryDir dir;
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();
    const auto saveAs = [&](const QString& name) {
        ui.QueueFileAnswer(dir.filePath(name));
        return match.doc->DoSaveMatch({match.doc.get(), false, 0, true});
    };
    ASSERT_TRUE(saveAs("m.txt"));
    EXPECT_EQ(ReadFile(dir.filePath("m.txt")), MatchTextFileBytes(*match.doc));
    ASSERT_TRUE(saveAs("m.SNV"));
    EXPECT_EQ(ReadFile(dir.filePath("m.SNV")), SnvFileBytes(*match.doc));
    EXPECT_TRUE(ReadFile(dir.filePath("m.SNV")).contains("Server: Ludorum Games Server\r\n"));
    ASSERT_TRUE(saveAs("m.rtf"));
    EXPECT_TRUE(ReadFile(dir.filePath("m.rtf")).startsWith("{\\rtf1"));
    ASSERT_TRUE(saveAs("m.cbg"));
    CBackgammonDoc reread;
    ASSERT_TRUE(reread.LoadMatchFile(dir.filePath("m.cbg")));
    EXPECT_EQ(reread.GetMatchRecord().GetCount(), match.doc->GetMatchRecord().GetCount());
    EXPECT_TRUE(ui.asked().empty() || !AskedMessageContaining("Unable"));

    EXPECT_FALSE(saveAs("m.doc"));
    EXPECT_FALSE(QFile::exists(dir.filePath("m.doc")));
    EXPECT_TRUE(AskedMessageContaining("cannot write a .doc file: save the match as a .cbg, .rtf, .snv or .txt file."));
    // A file that cannot be written is an error, never a success.
    EXPECT_FALSE(saveAs("missing/m.txt"));
    EXPECT_TRUE(AskedMessageContaining("Unable to write to file"));
}

TEST(MatchSave, AFinishedMatchIsSavedInTheFormatsTheSettingsAskFor) {
    RegisterMatchExports();
    QTemporaryDir dir;
    const QString folder = dir.filePath("auto/saved");
    {
        // By default only the native file of a match the user played.
        PlayedMatch match(folder);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        ASSERT_EQ(files.size(), 1) << files.join(',').toStdString();
        EXPECT_TRUE(files[0].startsWith("Ann vs Bob ") && files[0].endsWith(".cbg")) << files[0].toStdString();
        EXPECT_TRUE(match.doc->GetPathName().isEmpty()) << "an automatic save keeps the document's own name";
        CBackgammonDoc reread;
        ASSERT_TRUE(reread.LoadMatchFile(QDir(folder).filePath(files[0])));
        EXPECT_TRUE(reread.GetBoard().IsMatchOver());
    }
    QDir(folder).removeRecursively();
    PlayedMatch match(folder, true);
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 3) << files.join(',').toStdString();
    for (const QString& file : files) {
        const QByteArray bytes = ReadFile(QDir(folder).filePath(file));
        if (file.endsWith(".txt"))
            EXPECT_EQ(bytes, MatchTextFileBytes(*match.doc));
        else if (file.endsWith(".snv"))
            EXPECT_TRUE(bytes.startsWith("Ann vs. Bob\r\n") && bytes.contains("Ludorum Games Server"));
        else
            EXPECT_TRUE(file.endsWith(".cbg")) << file.toStdString();
    }

    // Watched matches are not saved unless asked for.
    match.doc->SetPlayers({"Ann", "Bob"}, -1);
    EXPECT_TRUE(match.doc->AutoSaveMatch().isEmpty());
    GetSettingsStore().WriteBool("Backgammon", "SaveWhileWatching", true);
    EXPECT_EQ(match.doc->AutoSaveMatch().size(), 3);

    // A match left before its end is saved once, as it stands; a match start alone is not.
    {
        const QString left = dir.filePath("left");
        GetSettingsStore().WriteString("Backgammon", "SaveFolder", left);
        gametest::FakeSession session("Ann", ".gb.Ann.Bob");
        CBackgammonDoc doc(&session);
        doc.SetupPlayersFromService();
        doc.StartMatch(CBGRuleOptions(CBGRuleOptions::Values{}));
        doc.OnMatchLeft();
        EXPECT_FALSE(QDir(left).exists());
        session.source = ".";
        doc.OnPacket(CBackgammonDoc::kMovePacket, "2 n 5 2");
        doc.OnMatchLeft();
        doc.OnMatchLeft();
        EXPECT_EQ(QDir(left).entryList(QDir::Files).size(), 3);
    }

    // A folder that cannot be made is reported.
    testenv::scriptedUi().clear();
    GetSettingsStore().WriteString("Backgammon", "SaveFolder", QDir(folder).filePath(files[0]) + "/below");
    EXPECT_TRUE(match.doc->AutoSaveMatch().isEmpty());
    EXPECT_TRUE(AskedMessageContaining("could not be saved automatically"));

    // An emptied folder is the default one, not the program's working folder.
    const QString fallback = dir.filePath("default");
    GetSettingsStore().WriteRecentString("PathNames", "InitialSavedGame", fallback);
    for (const char* emptied : {"", "  "}) {
        QDir(fallback).removeRecursively();
        testenv::scriptedUi().clear();
        GetSettingsStore().WriteString("Backgammon", "SaveFolder", emptied);
        EXPECT_EQ(match.doc->AutoSaveMatch().size(), 3) << '"' << emptied << '"';
        EXPECT_EQ(QDir(fallback).entryList(QDir::Files).size(), 3);
        EXPECT_FALSE(AskedMessageContaining("could not be saved automatically"));
    }
}

// A proposition has no plain match text: the plain text has no starting position and no contract.
// A contract that ends level names no winner in the log or the files.
TEST(MatchSave, APropositionIsNeverWrittenAsPlainText) {
    RegisterMatchExports();
    QTemporaryDir dir;
    PlayedMatch settings(dir.filePath("auto"), true); // saving of every format switched on
    gametest::FakeSession session("Ann", ".gb.Ann.Bob");
    CBackgammonDoc doc(&session);
    doc.SetupPlayersFromService();
    QStringList fields;
    for (int position = -1; position <= 26; ++position)
        fields << QString::number(position == -1 ? 12 : position == 6 ? 3 : position == 19 ? -3 : position == 26 ? -12 : 0);
    const QString race = QString("1.0 %1 1 0 1 0 0 0 0").arg(fields.join(' '));
    ASSERT_TRUE(doc.StartMatchFromRules(CPropRuleOptions("", "race", race, 2, 100, 0, 0, true, 100, 1600).FormatText()));
    session.source = ".";
    // Two games, one point each way: 1-1.
    for (const char* move : {"2 n", "3 r 6 6", "4 m 6/-1 6/-1 6/-1", "5 n", "6 r 2 1", "7 m 6/4 6/5", "8 r 6 6",
                             "9 m 19/26 19/26 19/26"})
        doc.OnPacket(CBackgammonDoc::kMovePacket, move);
    ASSERT_EQ(doc.GetMatchRecord().GetMoveCount(), 9);
    ASSERT_TRUE(doc.GetBoard().IsMatchOver());
    ASSERT_EQ(doc.GetBoard().GetScore(1), 1);
    QStringList wins;
    doc.ReplayLog([&](const CGameLogRecord& record, int) {
        if (record.kind == CGameLogRecord::kWin)
            wins << record.text;
    });
    EXPECT_EQ(wins, QStringList({" Wins 1 point", " Wins 1 point"}));

    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();
    ui.QueueFileAnswer(dir.filePath("prop.txt"));
    EXPECT_FALSE(doc.DoSaveMatch({&doc, false, 0, true}));
    EXPECT_FALSE(QFile::exists(dir.filePath("prop.txt")));
    EXPECT_TRUE(AskedMessageContaining("A proposition cannot be saved as a .txt file")) << ui.asked().size();
    EXPECT_FALSE(doc.GetFileFilter().contains("*.txt"));
    ui.QueueFileAnswer(dir.filePath("prop.snv"));
    EXPECT_TRUE(doc.DoSaveMatch({&doc, false, 0, true}));
    QFile snv(dir.filePath("prop.snv"));
    ASSERT_TRUE(snv.open(QIODevice::ReadOnly));
    const QByteArray saved = snv.readAll();
    EXPECT_TRUE(saved.contains("Wins 1 point")) << saved.toStdString();
    EXPECT_FALSE(saved.contains("and the match"));

    // Saved automatically: every other format, without a box.
    ui.clear();
    const QString folder = dir.filePath("props");
    GetSettingsStore().WriteString("Backgammon", "SaveFolder", folder);
    const QStringList written = doc.AutoSaveMatch();
    EXPECT_EQ(written.size(), 2) << written.join(',').toStdString();
    for (const QString& path : written)
        EXPECT_FALSE(path.endsWith(".txt")) << path.toStdString();
    EXPECT_TRUE(ui.asked().empty());
}

// ---- printing

TEST(MatchPrint, TheMatchPrintsWithFootersAndOnePicturePerMarkedPosition) {
    PlayedMatch match;
    QTemporaryDir dir;
    const auto print = [&](const QString& name, const QByteArray& rtf, int columns) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A5));
        printer.setOutputFileName(dir.filePath(name));
        QString error;
        const int pages = PrintRtfInColumns(&printer, rtf, CMatchLogPrintSettings(), columns, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return pages;
    };
    const int pages = print("match.pdf", MatchRtfBytes(*match.doc, MakeBoardPictureMaker(100)), 1);
    ASSERT_GE(pages, 1);
    QByteArray lines = "{\\rtf1 ";
    for (int i = 1; i <= 120; ++i)
        lines += "line " + QByteArray::number(i) + "\\par\n";
    lines += "}";
    const int one = print("one.pdf", lines, 1);
    const int two = print("two.pdf", lines, 2);
    EXPECT_GT(one, 1);
    EXPECT_EQ(two, (one + 1) / 2);
    // A run of keep-with-next paragraphs longer than a page starts where it comes, not on a new page.
    QByteArray run = "{\\rtf1 first\\par second\\par ";
    for (int i = 1; i <= 150; ++i)
        run += "{\\keepn chat " + QByteArray::number(i) + "\\par}\n";
    run += "last\\par}";
    const int runPages = print("run.pdf", run, 1);
    EXPECT_LE(runPages, one * 150 / 120 + 1);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "poppler-utils are not installed";
    const QString text = RunTool("pdftotext", {"-layout", dir.filePath("match.pdf"), "-"});
    EXPECT_EQ(text.count('\f'), pages);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(text.contains(QString("Page %1").arg(page))) << page;
    for (const char* expected : {"Ann vs. Bob", "13/8 13/11", "Wins 1 point and the match", "Cy tells you: well played"})
        EXPECT_TRUE(text.contains(expected)) << expected << text.toStdString();
    EXPECT_FALSE(text.contains("my friends only"));
    const QString images = RunTool("pdfimages", {"-list", dir.filePath("match.pdf")});
    EXPECT_EQ(images.count(QRegularExpression("\\n\\s*\\d+\\s+\\d+\\s+image")), 2) << images.toStdString();

    // Each line once: nothing is in the file twice, hidden under a page's edge (copy and search find it).
    const QString oneText = RunTool("pdftotext", {dir.filePath("one.pdf"), "-"});
    for (int i = 1; i <= 120; ++i)
        EXPECT_EQ(oneText.count(QRegularExpression(QString("\\bline %1\\b").arg(i))), 1) << i;
    const QString runFirstPage = RunTool("pdftotext", {"-f", "1", "-l", "1", dir.filePath("run.pdf"), "-"});
    EXPECT_TRUE(runFirstPage.contains("chat 1\n")) << runFirstPage.toStdString();
    const QString runText = RunTool("pdftotext", {dir.filePath("run.pdf"), "-"});
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(runText.count(QRegularExpression(QString("\\bchat %1\\b").arg(i))), 1) << i;

    // Two columns: the first page holds the lines of both, side by side.
    const QString firstPage = RunTool("pdftotext", {"-layout", "-f", "1", "-l", "1", dir.filePath("two.pdf"), "-"});
    const QString secondColumnLine = QString("line %1").arg(RunTool("pdftotext", {"-layout", "-f", "1", "-l", "1",
                                                                              dir.filePath("one.pdf"), "-"})
                                                                 .count("line ") + 1);
    EXPECT_TRUE(firstPage.contains(QRegularExpression(secondColumnLine + "\\b"))) << firstPage.toStdString();
    EXPECT_TRUE(firstPage.contains(QRegularExpression("line 2\\s+line \\d+"))) << firstPage.toStdString();
}

TEST(MatchPrint, SettingsThatCannotPrintAreRefusedWithAMessage) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath("x.pdf"));
    const QByteArray rtf = "{\\rtf1 hello\\par}";
    struct Case {
        CMatchLogPrintSettings settings;
        const char* why;
    };
    CMatchLogPrintSettings noColumns, wideMargins, negativeImage;
    noColumns.columns = 0;
    wideMargins.left = wideMargins.right = 9000;
    negativeImage.imageWidth = -3600;
    for (const Case& c : {Case{noColumns, "columns"}, Case{wideMargins, "margins"}, Case{negativeImage, "board"}}) {
        QString error;
        EXPECT_EQ(PrintRtfInColumns(&printer, rtf, c.settings, c.settings.columns, &error), 0) << c.why;
        EXPECT_TRUE(error.contains(c.why)) << error.toStdString();
    }
}

// ---- measurements and the options page

TEST(MatchPrint, MeasurementsReadAndShowInTheUsersUnits) {
    struct Case {
        const char* text;
        int unitBefore;
        int twips;
        int unitAfter;
        const char* shown;
    };
    const Case cases[] = {
        {"2 cm", 0, 1136, 1, "2 cm"},       {"1.5", 0, 2160, 0, "1.5\""},     {"2.5\"", 1, 3600, 0, "2.5\""},
        {"3inches", 0, 4320, 6, "3inches"}, {"180 PT", 0, 3600, 2, "180 pt"}, {"-1", 0, -1440, 0, "-1\""},
        {"6.34 cm", 0, 3601, 1, "6.34 cm"},
    };
    for (const Case& c : cases) {
        SetCurrentMeasureUnit(c.unitBefore);
        int twips = 0;
        ASSERT_TRUE(ParseMeasurement(c.text, twips)) << c.text;
        EXPECT_EQ(twips, c.twips) << c.text;
        EXPECT_EQ(CurrentMeasureUnit(), c.unitAfter) << c.text;
        EXPECT_EQ(FormatMeasurement(twips), QString(c.shown)) << c.text;
    }
    SetCurrentMeasureUnit(1);
    EXPECT_EQ(FormatMeasurement(3600), "6.34 cm");
    int twips = 0;
    for (const char* bad : {"", "cm", "2 furlongs", "1e300"})
        EXPECT_FALSE(ParseMeasurement(bad, twips)) << bad;
}

TEST(MatchPrint, TheOptionsPageWritesTheWidthAndColumnsAndRefusesBadWidths) {
    testenv::ResetSettings();
    GetSettingsStore().WriteInt("CBgMatchLogView", "Columns To Print", 7);
    CBgMatchLogPrintOptsPage page;
    page.EnsureInitialized();
    EXPECT_EQ(page.GetColumns(), 1) << "anything but two is one column";
    EXPECT_TRUE(page.IsItemChecked(CBgMatchLogPrintOptsPage::kOneColumnId));
    EXPECT_EQ(page.GetItemText(CBgMatchLogPrintOptsPage::kWidthId), FormatMeasurement(3600));

    page.CheckItem(CBgMatchLogPrintOptsPage::kOneColumnId, false);
    page.CheckItem(CBgMatchLogPrintOptsPage::kTwoColumnsId, true);
    page.SetItemText(CBgMatchLogPrintOptsPage::kWidthId, "2 in");
    ASSERT_TRUE(page.OnApply());
    EXPECT_EQ(GetSettingsStore().GetIntEx("CBgMatchLogView", "Printed Image Width", 0), 2880);
    EXPECT_EQ(GetSettingsStore().GetIntEx("CBgMatchLogView", "Columns To Print", 0), 2);

    testenv::scriptedUi().clear();
    for (const char* bad : {"two inches", "-2 in", "0", ""}) {
        page.SetItemText(CBgMatchLogPrintOptsPage::kWidthId, bad);
        EXPECT_FALSE(page.OnApply()) << bad;
    }
    EXPECT_TRUE(AskedMessageContaining("Invalid unit of measurement"));
    EXPECT_TRUE(AskedMessageContaining("The measurement must be between"));
    EXPECT_EQ(GetSettingsStore().GetIntEx("CBgMatchLogView", "Printed Image Width", 0), 2880);
}
