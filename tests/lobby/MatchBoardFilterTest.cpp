#include "DevServer.h"
#include "lobby/MatchBoardView.h"
#include "lobby/UserListColumns.h"
#include "platform/Commands.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/BGMatchBoardProperties.h"
#include "prefs/MatchBoardQueryDlg.h"
#include "session/SessionDoc.h"
#include "support/SessionFixture.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "web/WebTestSupport.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

using testenv::WaitFor;

namespace {

// A member of the development server: a real session with its chat log.
struct Member {
    Member(quint16 port, const QString& nickname) {
        session.SetChatLog(&chat);
        QObject::connect(&session, &CSessionDoc::loginAccepted, [this] { in = true; });
        session.Connect(CClientNode::LoginRequest{"127.0.0.1", port, nickname, "pw", "1000 Norvale for Linux"});
    }
    bool HasLine(const QString& text) const {
        return std::any_of(chat.lines.begin(), chat.lines.end(), [&](const auto& l) { return l.text == text; });
    }
    CSessionDoc session;
    testenv::RecordingChatLog chat;
    bool in = false;
};

// The boxes of the "Filter" page, as the user leaves them.
struct Ticks {
    bool any = false, away = false, ready = false, watching = false, playing = false;
};

// The names sorted and joined by blanks, as the tests compare them.
std::string Sorted(QStringList names) {
    names.sort();
    return names.join(' ').toStdString();
}

// alice's match board lists the lobby through the development server; the others stand in the six
// states a player can be in: ready or away, and in the lobby, playing or watching.
class MatchBoardFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        window.reset();
        members.clear();
        testenv::ResetSettings();
    }
    Member& Add(const QString& nickname) {
        members.push_back(std::make_unique<Member>(server.Port(), nickname));
        return *members.back();
    }
    std::string RowNames() const {
        QStringList names;
        for (int row = 0; row < board->GetRowCount(); ++row)
            names << board->GetUserAt(row)->GetNickname();
        return Sorted(names);
    }
    // Settings... from the board's menu, the boxes ticked as asked, OK; then a round trip to the server,
    // so that what it answered to the new query has arrived.
    void Filter(const Ticks& ticks) {
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
            auto* sheet = dynamic_cast<CBGMatchBoardProperties*>(dialog);
            if (!sheet)
                return int(platform::IDCANCEL);
            sheet->SetActivePage(&sheet->FilterPage());
            CMatchBoardQueryDlg& page = sheet->FilterPage();
            auto box = [&](int id) { return page.ItemAs<QCheckBox>(id); };
            if (box(CMatchBoardQueryDlg::kAnyStatusId)->isChecked())
                box(CMatchBoardQueryDlg::kAnyStatusId)->click();
            const std::pair<int, bool> wanted[] = {{CMatchBoardQueryDlg::kAwayId, ticks.away},
                                                   {CMatchBoardQueryDlg::kReadyId, ticks.ready},
                                                   {CMatchBoardQueryDlg::kWatchingId, ticks.watching},
                                                   {CMatchBoardQueryDlg::kPlayingId, ticks.playing}};
            for (const auto& [id, on] : wanted)
                if (box(id)->isChecked() != on)
                    box(id)->click();
            if (ticks.any)
                box(CMatchBoardQueryDlg::kAnyStatusId)->click();
            sheet->ItemAs<QPushButton>(platform::IDOK)->click();
            return sheet->result();
        });
        std::unique_ptr<QMenu> menu(board->CreateContextMenu(board->GetContextMenuId()));
        QAction* settings = nullptr;
        for (QAction* action : menu->actions())
            if (platform::CommandId(action) == CUserListView::kCmdSettings)
                settings = action;
        ASSERT_TRUE(settings && settings->isEnabled());
        settings->trigger();
        const QString mark = QStringLiteral("MARK%1").arg(++marks);
        alice->session.Send(58, mark);
        ASSERT_TRUE(WaitFor([&] { return alice->HasLine("ERROR - unrecognized command - " + mark); }));
    }

    CDevServer server{CDevServer::Options{}};
    std::vector<std::unique_ptr<Member>> members;
    Member* alice = nullptr;
    std::unique_ptr<QWidget> window;
    CBGMatchBoardView* board = nullptr;
    webtest::FakeBrowserFactory engines;
    int marks = 0;
};

// Every choice of the "Filter" page alone and with each other choice lists exactly the players whose
// word in the board's Status column is one of the ticked ones: "Playing" for a player away or not,
// "Away" for the others away, "Ready" for the others (a watcher ready to play shows "Ready").
TEST_F(MatchBoardFilterTest, EveryChoiceAloneAndInPairsListsExactlyItsPlayers) {
    alice = &Add("alice");
    for (const char* name : {"idle", "nap", "p1", "p2", "w1", "w2"})
        Add(name);
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(members.begin(), members.end(), [](const auto& m) { return m->in; });
    }));
    auto member = [&](int index) -> CSessionDoc& { return members[size_t(index)]->session; };
    // p1 and p2 play each other, w1 and w2 watch them; nap, p2 and w2 are away.
    member(3).AttachToGameService(".gb.p1.p2", 1);
    member(4).AttachToGameService(".gb.p1.p2", 1);
    member(5).AttachToGameService(".gb.p1.p2", 1);
    member(6).AttachToGameService(".gb.p1.p2", 1);
    for (int away : {2, 4, 6})
        member(away).SetAwayState(true, false);
    const std::pair<const char*, std::pair<int, int>> states[] = {
        {"idle", {CUserInfo::kPresenceReady, CUserInfo::kActivityFinished}},
        {"nap", {CUserInfo::kPresenceAway, CUserInfo::kActivityFinished}},
        {"p1", {CUserInfo::kPresenceReady, CUserInfo::kActivityPlaying}},
        {"p2", {CUserInfo::kPresenceAway, CUserInfo::kActivityPlaying}},
        {"w1", {CUserInfo::kPresenceReady, CUserInfo::kActivityWatching}},
        {"w2", {CUserInfo::kPresenceAway, CUserInfo::kActivityWatching}}};
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(std::begin(states), std::end(states), [&](const auto& state) {
            const CClientUserInfo* user = alice->session.FindUser(state.first);
            return user && user->GetPresence() == state.second.first && user->GetActivity() == state.second.second;
        });
    }));

    window = std::make_unique<QWidget>();
    board = new CBGMatchBoardView(window.get());
    board->resize(800, 500);
    board->Create(&alice->session);
    window->show();
    const QStringList everybody = {"alice", "idle", "nap", "p1", "p2", "w1", "w2"};
    ASSERT_TRUE(WaitFor([&] { return RowNames() == Sorted(everybody); })) << RowNames();

    // alice is always on her own board ("Show &Yourself").
    struct Case {
        Ticks ticks;
        QStringList shown;
    };
    const Case cases[] = {
        {{.away = true}, {"alice", "nap", "w2"}},
        {{.ready = true}, {"alice", "idle", "w1"}},
        {{.watching = true}, {"alice"}},
        {{.playing = true}, {"alice", "p1", "p2"}},
        {{.away = true, .ready = true}, {"alice", "idle", "nap", "w1", "w2"}},
        {{.away = true, .watching = true}, {"alice", "nap", "w2"}},
        {{.away = true, .playing = true}, {"alice", "nap", "p1", "p2", "w2"}},
        {{.ready = true, .watching = true}, {"alice", "idle", "w1"}},
        {{.ready = true, .playing = true}, {"alice", "idle", "p1", "p2", "w1"}},
        {{.watching = true, .playing = true}, {"alice", "p1", "p2"}},
        {{.any = true}, everybody},
        {{.any = true, .away = true}, everybody},
        {{.any = true, .ready = true}, everybody},
        {{.any = true, .watching = true}, everybody},
        {{.any = true, .playing = true}, everybody},
    };
    for (const Case& test : cases) {
        Filter(test.ticks);
        EXPECT_EQ(RowNames(), Sorted(test.shown))
            << "any " << test.ticks.any << " away " << test.ticks.away << " ready " << test.ticks.ready
            << " watching " << test.ticks.watching << " playing " << test.ticks.playing;
        // What the board shows of the others is one of the words ticked.
        QStringList words;
        for (const auto& [ticked, word] : {std::pair{test.ticks.away, "Away"}, std::pair{test.ticks.ready, "Ready"},
                                           std::pair{test.ticks.watching, "Watching"},
                                           std::pair{test.ticks.playing, "Playing"}})
            if (ticked || test.ticks.any)
                words << word;
        for (int row = 0; row < board->GetRowCount(); ++row) {
            const CClientUserInfo* user = board->GetUserAt(row);
            const QString shown = UserCellText(*user, UserListColumn::Status);
            EXPECT_TRUE(user->GetNickname() == "alice" || words.contains(shown))
                << user->GetNickname().toStdString() << " shows " << shown.toStdString();
        }
    }

    // The board follows a player whose state changes under the filter: w1 going away leaves "ready",
    // and idle sitting down to play leaves it too.
    Filter({.ready = true});
    EXPECT_EQ(RowNames(), Sorted({"alice", "idle", "w1"}));
    member(5).SetAwayState(true, false);
    ASSERT_TRUE(WaitFor([&] { return RowNames() == Sorted({"alice", "idle"}); })) << RowNames();
    member(1).AttachToGameService(".gb.idle.nap", 1);
    ASSERT_TRUE(WaitFor([&] { return RowNames() == Sorted({"alice"}); })) << RowNames();
}

} // namespace
