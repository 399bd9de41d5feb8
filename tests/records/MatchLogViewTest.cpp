#include "frame/MultiPaneFrame.h"
#include "frame/PaneLayout.h"
#include "game/BackgammonDoc.h"
#include "game/GameHints.h"
#include "prefs/FontWindowKinds.h"
#include "records/MatchLogView.h"
#include "session/SessionDoc.h"
#include "support/FakeServer.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// A log of a backgammon match: every game-log record of the replayed match record becomes an entry.
class TestLogView : public CMatchLogView {
public:
    using CMatchLogView::CMatchLogView;
    void AppendEntries(int last) override {
        const auto* doc = platform::object_cast<CBackgammonDoc>(GetGameDoc());
        if (!doc)
            return;
        std::vector<std::pair<CGameLogRecord, int>> records;
        doc->ReplayLog([&](const CGameLogRecord& r, int index) {
            if (index > m_done && index <= last)
                records.emplace_back(r, index);
        });
        m_done = std::max(m_done, last);
        for (const auto& [r, index] : records) {
            auto item = std::make_unique<CMatchLogTextDisplayItem>(r.text);
            item->SetFlags(r.column, r.endsLine, r.selectable, r.gameStart, r.hasPosition, r.numberLabel, index);
            AppendItem(std::move(item), r.mark, true);
        }
    }
    int m_done = -1;
};

// Another pane of the frame: remembers the moves it is told to show and the selection notices.
class RecorderPane : public CGameView {
public:
    using CGameView::CGameView;
    void OnUpdate(platform::View*, int hint, platform::Object* object) override {
        if (const auto* move = platform::object_cast<CMoveHint>(object))
            moves.push_back({hint, move->moveIndex, move->firstRecord, move->lastRecord});
    }
    void OnGameViewNotify(int code, qintptr) override { notices.push_back(code); }
    std::vector<std::array<int, 4>> moves;
    std::vector<int> notices;
};

const QStringList kMatch = {"s 3 0", "n 5 2", "m 13/8 13/11", "r 6 4", "m 1/7 12/16", "d", "a",
                            "r 3 1", "m 8/5 6/5", "d", "k", "n 1 3", "m 12/15 1/2"};

class MatchLogViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CMultiPaneFrame::RegisterPane("TestMatchLog", [](QWidget* p) { return new TestLogView(p); });
        CMultiPaneFrame::RegisterPane("TestRecorder", [](QWidget* p) { return new RecorderPane(p); });
    }
    void SetUp() override {
        testenv::ResetSettings();
        GetSettingsStore().WriteString(GetFontWindowKind(kFontKindMatchLog).section, "Font", "-12 400 0 0 1 2 2 0 \"DejaVu Sans\"");
        doc.SetPlayers({"Ann", "Bob"}, -1);
        session.SetGameDocument(&doc);
    }
    void Record(const QStringList& commands) {
        for (const QString& command : commands)
            doc.AddRecordEntry({217, CMatchRecord::JoinMoveText(doc.GetMatchRecord().GetCount() + 1, command), {}});
    }
    void Open() {
        frame = std::make_unique<CMultiPaneFrame>(&session);
        frame->Build(CPaneLayout::MakeSplit(true, {CPaneLayout::MakeLeaf("TestRecorder"), CPaneLayout::MakeLeaf("TestMatchLog")}));
        frame->resize(900, 400);
        frame->show();
        log = dynamic_cast<TestLogView*>(frame->FindPane("TestMatchLog"));
        recorder = dynamic_cast<RecorderPane*>(frame->FindPane("TestRecorder"));
        ASSERT_TRUE(log && recorder);
        log->resize(600, 300);
    }
    bool LogIn(quint32 rights) {
        server.Acceptance().rightsMask = rights;
        session.Connect(server.LoginRequest("alice"));
        return server.WaitForLogin() && testenv::WaitFor([this] { return session.GetServiceActive() != 0; });
    }
    QPoint CentreOf(int index) const {
        return log->GetLayout().GetItem(index)->rect.center() + QPoint(0, log->GetLayout().GetHeaderHeight() - log->GetScrollPosition());
    }

    testenv::FakeServer server;
    CSessionDoc session;
    CBackgammonDoc doc;
    std::unique_ptr<CMultiPaneFrame> frame;
    TestLogView* log = nullptr;
    RecorderPane* recorder = nullptr;
};

} // namespace

TEST_F(MatchLogViewTest, AnOfflineLogIsBuiltAtOnceAndTheFirstEntryShowsItsPosition) {
    Record(kMatch);
    Open();
    EXPECT_EQ(frame->GetMatchLogView(), log);
    ASSERT_EQ(log->GetItemCount(), 21);
    EXPECT_EQ(log->GetSelection(), 4);
    EXPECT_FALSE(log->IsFollowingLive());
    // The other pane heard of the selection, was given its record range and the position before it.
    EXPECT_EQ(recorder->notices, std::vector<int>{gamehint::kSelectionChanged});
    const int play = log->GetLineMoveIndex(4);
    const std::vector<std::array<int, 4>> expected = {{CGameView::kHintHighlightedMove, play, 0, play},
                                                      {CGameView::kHintDisplayedMove, log->GetLineMoveIndex(3), -1, -1}};
    EXPECT_EQ(recorder->moves, expected);
    // The text columns share the client width right of the gutter.
    EXPECT_EQ(log->GetLayout().GetColumnPositions().back(), log->ClientRect().width());
}

TEST_F(MatchLogViewTest, KeysAndClicksMoveTheSelection) {
    Record(kMatch);
    Open();
    log->setFocus();
    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        int selection;
    } steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 6},      {Qt::Key_Down, Qt::NoModifier, 9},
        {Qt::Key_PageDown, Qt::ShiftModifier, 20}, {Qt::Key_PageUp, Qt::ShiftModifier, 4},
        {Qt::Key_End, Qt::NoModifier, 20},       {Qt::Key_Left, Qt::NoModifier, 16},
        {Qt::Key_Home, Qt::NoModifier, 4},       {Qt::Key_Escape, Qt::NoModifier, 4}, // offline: no following
    };
    for (const Step& s : steps) {
        QTest::keyClick(log, Qt::Key(s.key), s.modifiers);
        EXPECT_EQ(log->GetSelection(), s.selection) << s.key;
    }
    QTest::mouseClick(log, Qt::LeftButton, {}, CentreOf(12));
    EXPECT_EQ(log->GetSelection(), 12);
    QTest::mouseClick(log, Qt::LeftButton, {}, QPoint(10, log->height() - 2)); // below the last entry
    EXPECT_EQ(log->GetSelection(), 12);
}

TEST_F(MatchLogViewTest, TheMarkBoxesToggleThePrintMarksAndMoveEntriesRight) {
    Record(kMatch);
    Open();
    const int plainX = log->GetLayout().GetItem(4)->rect.x();
    ASSERT_TRUE(log->OnCommand(CMatchLogView::kCmdPrintedPositions));
    EXPECT_TRUE(GetSettingsStore().GetBool("CBgMatchLogView", CMatchLogView::kShowMarksName, false));
    EXPECT_EQ(log->GetLayout().GetItem(4)->rect.x(), plainX + log->GetLayout().GetLineHeight());
    const int record = log->GetLineMoveIndex(4);
    for (int expected : {1, 0}) {
        QTest::mouseClick(log, Qt::LeftButton, {}, log->GetMarkerRect(4).center());
        EXPECT_EQ(doc.GetMatchRecord().GetMoveMark(record), expected);
    }
    // The last entry's box: nothing lies after it.
    QTest::mouseClick(log, Qt::LeftButton, {}, log->GetMarkerRect(20).center());
    EXPECT_EQ(doc.GetMatchRecord().GetMoveMark(log->GetLineMoveIndex(20)), 1);
}

TEST_F(MatchLogViewTest, ANarrowLogWrapsAndAWideOneJoinsTheTextsAgain) {
    Record(kMatch);
    Open();
    log->resize(160, 300);
    int split = 0;
    for (int i = 0; i < log->GetItemCount(); ++i)
        split += log->GetLayout().GetItem(i)->continuation != nullptr;
    EXPECT_GT(split, 2);
    log->resize(900, 300);
    for (int i = 0; i < log->GetItemCount(); ++i)
        EXPECT_EQ(log->GetLayout().GetItem(i)->continuation, nullptr);

    // A new font from the preferences lays the log out again.
    const int lineHeight = log->GetLayout().GetLineHeight();
    GetSettingsStore().WriteString(GetFontWindowKind(kFontKindMatchLog).section, "Font",
                                   "-24 400 0 0 1 2 2 0 \"DejaVu Sans\"");
    platform::SendMessageTo(log, platform::RegisterMessage("KELDERWICK_FONT_PROPERTIES_CHANGED"));
    EXPECT_GT(log->GetLayout().GetLineHeight(), lineHeight);
    EXPECT_EQ(log->GetLayout().GetItem(1)->rect.y(), log->GetLayout().GetLineHeight());
}

TEST_F(MatchLogViewTest, OnlineTheLogFollowsTheLiveEndAndStepsTheServer) {
    ASSERT_TRUE(LogIn(CMatchLogView::kStepPermission));
    Open();
    EXPECT_EQ(log->GetItemCount(), 0);
    QTest::keyClick(log, Qt::Key_Home);
    EXPECT_EQ(log->GetSelection(), 0);
    EXPECT_EQ(log->HitTest(5, 30), -1);
    Record(kMatch);
    EXPECT_EQ(log->GetItemCount(), 21);
    EXPECT_TRUE(log->IsFollowingLive());
    EXPECT_EQ(log->GetSelection(), 20);
    QTest::keyClick(log, Qt::Key_Left);
    EXPECT_FALSE(log->IsFollowingLive());
    EXPECT_EQ(log->GetSelection(), 16);
    QTest::keyClick(log, Qt::Key_Escape);
    EXPECT_TRUE(log->IsFollowingLive());

    // A server-stepped match: the navigation commands ask the server for the next move or game.
    doc.SetDisplayMode(CGameDoc::kServerStepped);
    log->OnCommand(CMatchLogView::kCmdCurrentMove);
    platform::CommandState state;
    ASSERT_TRUE(log->OnUpdateCommand(CMatchLogView::kCmdNextMove, state));
    EXPECT_TRUE(state.enabled);
    log->OnCommand(CMatchLogView::kCmdNextMove);
    log->OnCommand(CMatchLogView::kCmdNextGame);
    for (const char* text : {"NEXT", "SKIP"}) {
        const auto frame58 = server.Expect(CMatchLogView::kStepPacket);
        ASSERT_TRUE(frame58);
        EXPECT_EQ(frame58->Text(), text);
    }
    // Once the connection has ended there is no server to step: the commands are off.
    server.Disconnect();
    ASSERT_TRUE(testenv::WaitFor([this] { return !session.IsConnected(); }));
    for (int id : {CMatchLogView::kCmdNextMove, CMatchLogView::kCmdNextGame}) {
        platform::CommandState off;
        ASSERT_TRUE(log->OnUpdateCommand(id, off));
        EXPECT_FALSE(off.enabled) << id;
    }
}

TEST_F(MatchLogViewTest, WithoutThePermissionNothingIsSentToTheServer) {
    ASSERT_TRUE(LogIn(0));
    Record(kMatch);
    Open();
    doc.SetDisplayMode(CGameDoc::kServerStepped);
    log->OnCommand(CMatchLogView::kCmdCurrentMove);
    platform::CommandState state;
    log->OnUpdateCommand(CMatchLogView::kCmdNextMove, state);
    EXPECT_FALSE(state.enabled);
    log->OnCommand(CMatchLogView::kCmdNextMove);
    EXPECT_TRUE(server.NothingReceived());
}

TEST_F(MatchLogViewTest, InEditModeTheLastEntryStaysAndAnyOtherEndsTheEditing) {
    Record(kMatch);
    Open();
    doc.SetDisplayMode(CGameDoc::kEditMode);
    EXPECT_TRUE(log->IsFollowingLive());
    QTest::mouseClick(log, Qt::LeftButton, {}, CentreOf(20));
    EXPECT_EQ(doc.GetDisplayMode(), CGameDoc::kEditMode);
    EXPECT_TRUE(log->IsFollowingLive());
    QTest::mouseClick(log, Qt::LeftButton, {}, CentreOf(8));
    EXPECT_EQ(doc.GetDisplayMode(), CGameDoc::kFullDisplay);
    EXPECT_EQ(log->GetSelection(), 8);
    EXPECT_FALSE(log->IsFollowingLive());

    doc.ClearLogViews();
    EXPECT_EQ(log->GetItemCount(), 0);
    log->GoToItem(0);
    EXPECT_EQ(recorder->moves.back()[1], -1);
}
