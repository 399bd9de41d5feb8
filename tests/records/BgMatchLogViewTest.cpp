#include "MatchExportTestUtil.h"

#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "platform/Clipboard.h"
#include "platform/Ui.h"
#include "records/BgMatchLogView.h"
#include "session/SessionDoc.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString TextOf(const CBgMatchLogView& log, int index) {
    const auto* item = dynamic_cast<const CMatchLogTextDisplayItem*>(log.GetLayout().GetItem(index));
    return item ? item->GetFullText() : QString("<none>");
}

} // namespace

// The log pane of a match read from a file: its items end with the status line, and its commands
// copy, export and print the match.
TEST(BgMatchLogView, TheLogEndsWithItsStatusLineAndItsCommandsWork) {
    testenv::ResetSettings();
    CBgMatchLogView::RegisterPane();
    CSessionDoc session;
    CBackgammonDoc doc;
    doc.SetPlayers({"Ann", "Bob"}, -1);
    session.SetGameDocument(&doc);
    for (const char* command : {"s 3 0", "n 5 2", "m 13/8 13/11", "r 6 4"})
        doc.AddRecordEntry({217, CMatchRecord::JoinMoveText(doc.GetMatchRecord().GetCount() + 1, command), {}});
    CMultiPaneFrame frame(&session);
    frame.Build(CPaneLayout::MakeLeaf(CBgMatchLogView::kPaneTag));
    frame.resize(600, 300);
    frame.show();
    auto* log = qobject_cast<CBgMatchLogView*>(frame.FindPane(CBgMatchLogView::kPaneTag));
    ASSERT_NE(log, nullptr);
    ASSERT_GT(log->GetItemCount(), 2);
    // Bob has rolled 64 and not moved yet.
    EXPECT_EQ(TextOf(*log, log->GetItemCount() - 2), "64:");
    EXPECT_EQ(TextOf(*log, log->GetItemCount() - 1), "?");
    const int before = log->GetItemCount();
    doc.AddRecordEntry({217, CMatchRecord::JoinMoveText(5, "m 1/7 12/16"), {}});
    EXPECT_EQ(TextOf(*log, log->GetItemCount() - 2), " 24/18 13/9");
    EXPECT_EQ(TextOf(*log, log->GetItemCount() - 1), "?");
    EXPECT_EQ(log->GetItemCount(), before + 1) << "the play replaces nothing but the old status line";

    ASSERT_TRUE(log->OnCommand(CBgMatchLogView::kCmdCopyMatch));
    EXPECT_TRUE(platform::ClipboardText().startsWith("Ann vs. Bob\n"));
    EXPECT_TRUE(platform::ClipboardText().contains("24/18 13/9"));
    EXPECT_TRUE(platform::ClipboardRtf().startsWith("{\\rtf1"));

    // An export that cannot be written says so.
    QTemporaryDir dir;
    platform::ScriptedUi& ui = testenv::scriptedUi();
    ui.clear();
    ui.QueueFileAnswer(dir.filePath("no/such/folder/match.rtf"));
    EXPECT_FALSE(log->ExportRtf());
    ASSERT_FALSE(ui.asked().empty());
    EXPECT_TRUE(ui.asked().back().text.startsWith("Unable to write to file")) << ui.asked().back().text.toStdString();

    // Print settings that cannot print are refused with a message, and nothing is printed.
    GetSettingsStore().WriteInt("CBgMatchLogView", "Columns To Print", 0);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("match.pdf"));
    EXPECT_EQ(log->PrintTo(&printer, false), 0);
    EXPECT_TRUE(ui.asked().back().text.contains("Columns To Print")) << ui.asked().back().text.toStdString();
    // A position prints in one column whatever the setting.
    const int asked = int(ui.asked().size());
    EXPECT_EQ(log->PrintTo(&printer, true), 1);
    EXPECT_EQ(int(ui.asked().size()), asked) << ui.asked().back().text.toStdString();
    GetSettingsStore().WriteInt("CBgMatchLogView", "Columns To Print", 2);
    EXPECT_EQ(log->PrintTo(&printer, true), 1);

    // The export is RTF, and its file says so whatever name was typed.
    for (const char* typed : {"m", "m.txt", "m.RTF"}) {
        ui.QueueFileAnswer(dir.filePath(typed));
        EXPECT_TRUE(log->ExportRtf()) << typed;
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("m.rtf")));
    EXPECT_TRUE(QFile::exists(dir.filePath("m.txt.rtf")));
    EXPECT_FALSE(QFile::exists(dir.filePath("m.txt")));
    EXPECT_TRUE(QFile::exists(dir.filePath("m.RTF")));
    session.SetGameDocument(nullptr);
}

// A match that reaches the open pane one packet at a time (a late watcher, a returning player) shows
// the same log as the same match read at once.
TEST(BgMatchLogView, AMatchFedPacketByPacketLogsAsTheWholeMatchDoes) {
    testenv::ResetSettings();
    CBgMatchLogView::RegisterPane();
    exporttest::PlayedMatch played;
    const CMatchRecord& record = played.doc->GetMatchRecord();
    const auto logOf = [](const CBgMatchLogView& log) {
        QStringList texts;
        for (int i = 0; i < log.GetItemCount(); ++i)
            texts << QString("%1:%2").arg(log.GetLayout().GetLineMoveIndex(i)).arg(TextOf(log, i));
        return texts;
    };
    QStringList whole;
    {
        CSessionDoc session;
        CBackgammonDoc doc;
        doc.SetPlayers({"Ann", "Bob"}, 0);
        for (int i = 0; i < record.GetCount(); ++i)
            doc.AddRecordEntry(*record.GetPacket(i));
        session.SetGameDocument(&doc);
        CMultiPaneFrame frame(&session);
        frame.Build(CPaneLayout::MakeLeaf(CBgMatchLogView::kPaneTag));
        whole = logOf(*qobject_cast<CBgMatchLogView*>(frame.FindPane(CBgMatchLogView::kPaneTag)));
        session.SetGameDocument(nullptr);
    }
    CSessionDoc session;
    CBackgammonDoc doc;
    doc.SetPlayers({"Ann", "Bob"}, 0);
    session.SetGameDocument(&doc);
    CMultiPaneFrame frame(&session);
    frame.Build(CPaneLayout::MakeLeaf(CBgMatchLogView::kPaneTag));
    auto* log = qobject_cast<CBgMatchLogView*>(frame.FindPane(CBgMatchLogView::kPaneTag));
    ASSERT_NE(log, nullptr);
    for (int i = 0; i < record.GetCount(); ++i)
        doc.AddRecordEntry(*record.GetPacket(i));
    EXPECT_EQ(logOf(*log), whole);
    EXPECT_GT(whole.size(), 20);
    session.SetGameDocument(nullptr);
}
