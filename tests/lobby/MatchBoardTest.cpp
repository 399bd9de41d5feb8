#include "lobby/BGMatchBoardPropertyPage.h"
#include "lobby/MatchBoardView.h"
#include "lobby/PlayerListFrameWnd.h"
#include "lobby/UserListArt.h"
#include "lobby/UserListCtrl.h"
#include "lobby/UserListModel.h"
#include "platform/Color.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "session/LobbyUserMap.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/WindowBroadcast.h"
#include "support/dialogs/PromptDlg.h"
#include "web/WebTestSupport.h"

#include <QCheckBox>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

using testenv::SessionTest;
using testenv::WaitFor;

namespace {

QString Record(const QString& nickname, int groups, double rating = 1500, int activity = 2,
               const QString& location = ".mb") {
    CUserInfo user(nickname);
    user.ClearChangeMask();
    user.SetActivity(activity);
    user.SetRating(float(rating));
    user.SetLocation(location);
    return user.FormatUpdateText(groups, UserField::OwnMask, true);
}

QString Packet(int total, const QStringList& records) {
    return QStringLiteral("%1 %2\n").arg(total).arg(records.size()) + records.join(QString());
}

QStringList RowNames(const CUserListView* view) {
    QStringList names;
    for (int row = 0; row < view->GetRowCount(); ++row)
        names << view->GetUserAt(row)->GetNickname();
    return names;
}

const QString kDefaultQuery = "\"1500.000000\" 125 0 32768 32768 1 1 1 1 1 1 1 1 1 1 0 0 1 1";

class MatchBoardTest : public SessionTest {
protected:
    virtual CServiceSettings Settings() const { return {}; }
    void SetUp() override {
        SessionTest::SetUp();
        server->Acceptance().settings = Settings();
        ASSERT_TRUE(Login());
        server->DropReceived();
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        delete window;
        SessionTest::TearDown();
    }
    CBGMatchBoardView* OpenBoard() {
        window = new QWidget;
        window->resize(800, 500);
        auto* board = new CBGMatchBoardView(window);
        board->resize(800, 500);
        board->Create(session.get());
        window->show();
        return board;
    }
    void Directory(int type, int total, const QStringList& records) {
        ServerSend(type, Packet(total, records));
    }
    QWidget* window = nullptr;
    webtest::FakeBrowserFactory engines; // the legend's page loads nothing here
};

TEST(MatchBoardQuery, AcceptedGroupsAndServerSizes) {
    CMatchBoardQuery none;
    for (int* flag : {&none.friends, &none.guides, &none.memberHelp, &none.robots, &none.support, &none.sysops,
                      &none.tournamentStaff, &none.unfinishedMatch, &none.clubMembers})
        *flag = 0;
    EXPECT_EQ(CMatchBoardView::AcceptedGroupsOf(none), 0x4);
    CMatchBoardQuery friends = none;
    friends.friends = 1;
    EXPECT_EQ(CMatchBoardView::AcceptedGroupsOf(friends), 0x6);
    CMatchBoardQuery all = none;
    all.trackAllGroups = 1;
    EXPECT_EQ(CMatchBoardView::AcceptedGroupsOf(all), 0xBFE);

    const std::pair<const char*, int> sizes[] = {{"", 125}, {"abc", 125}, {"0", 125}, {"-4", 125},
                                                 {"12x", 125}, {" 300 ", 300}, {"40", 40}};
    for (const auto& [setting, size] : sizes)
        EXPECT_EQ(CMatchBoardView::MaxQuerySizeOf(setting), size) << setting;
}

// The server's settings are untrusted: a size that is no positive number means 125, and the legend
// opens only web addresses.
class MatchBoardSettingsTest : public MatchBoardTest {
protected:
    CServiceSettings Settings() const override {
        return {{"nMaxQuerySize", "-3"}, {"urlLegend", "https://w.example/legend/"}};
    }
};

TEST_F(MatchBoardSettingsTest, ABadQuerySizeMeans125AndTheLegendOpensOnlyWebPages) {
    GetSettingsStore().WriteInt("CSessionDoc", "nQuerySize", 60);
    CBGMatchBoardView* board = OpenBoard();
    EXPECT_EQ(GetSettingsStore().GetIntEx("CSessionDoc", "nMaxQuerySize", 0), 125);
    auto sent = server->Expect(CMatchBoardView::kPacketQuery);
    ASSERT_TRUE(sent);
    EXPECT_TRUE(sent->Text().startsWith("\"1500.000000\" 60 ")) << sent->Text().toStdString();

    board->OnCommand(CUserListView::kCmdLegend);
    ASSERT_TRUE(board->GetLegend());
    EXPECT_EQ(board->GetLegend()->LegendAddress(), "https://w.example/legend/");
    ASSERT_TRUE(engines.Last());
    ASSERT_FALSE(engines.Last()->navigations.empty());
    EXPECT_EQ(engines.Last()->navigations.back().url, "https://w.example/legend/");
    EXPECT_TRUE(board->GetLegend()->isVisible());
    board->OnCommand(CUserListView::kCmdLegend);
    EXPECT_FALSE(board->GetLegend()->isVisible());
    QPointer<CMatchBoardLegendDlg> legend = board->GetLegend();
    legend->OnCancel(); // Close deletes it, and the board forgets it
    ASSERT_TRUE(WaitFor([&] { return legend.isNull(); }));
    EXPECT_EQ(board->GetLegend(), nullptr);

    const std::pair<const char*, const char*> addresses[] = {
        {"http://w.example/l", "http://w.example/l"}, {" HTTPS://w.example/ ", "HTTPS://w.example/"},
        {"javascript:alert(1)", ""}, {"file:///etc/passwd", ""}, {"http://", ""}, {"", ""}};
    for (const auto& [setting, address] : addresses)
        EXPECT_EQ(CMatchBoardLegendDlg::AcceptedAddress(setting), address) << setting;
}

// What the board lists follows the directory and the query, from the server's own packets.
TEST_F(MatchBoardTest, ListsWhatTheQueryAcceptsAndFollowsTheDirectory) {
    CBGMatchBoardView* board = OpenBoard();
    auto sent = server->Expect(CMatchBoardView::kPacketQuery);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->Text(), kDefaultQuery);
    EXPECT_TRUE(sent->Destination().isEmpty());
    EXPECT_TRUE(board->IsSessionBoard());
    EXPECT_EQ(GetSettingsStore().GetIntEx("CSessionDoc", "nMaxQuerySize", 0), 125);

    // In the game (0x1) and flags no query tracks (0x400) are not enough; friends, unfinished
    // matches, staff and "on the board" (0x4) are.
    Directory(97, 40, {Record("alice", 0x4, 1600), Record("bob", 0x1, 1400), Record("carol", 0x2, 1700),
                       Record("dave", 0x400), Record("erin", 0x8, 1300), Record("fred", 0x10, 1450),
                       Record("gus", 0)});
    EXPECT_EQ(RowNames(board), QStringList({"carol", "alice", "fred", "erin"})) << "by rating, highest first";
    ASSERT_TRUE(WaitFor([&] { return board->GetStatusText() == "Displaying 4 of 40"; }));

    // Changes: bob comes onto the board, carol's only tracked flag goes, alice leaves the lobby.
    Directory(110, 39, {Record("bob", 0x5, 1400), Record("carol", 0x1, 1700)});
    Directory(98, 38, {Record("alice", 0x4)});
    EXPECT_EQ(RowNames(board), QStringList({"fred", "bob", "erin"}));
    EXPECT_EQ(board->GetStatusText(), "Displaying 3 of 38");

    // A query without friends and unfinished matches: the rows follow at once, and the query goes out.
    Directory(110, 38, {Record("carol", 0x2, 1700)});
    EXPECT_TRUE(RowNames(board).contains("carol"));
    CMatchBoardQuery query;
    query.Load(true);
    query.friends = 0;
    query.unfinishedMatch = 0;
    query.size = 40;
    query.Save();
    // A second board follows the query without sending it again.
    CMatchBoardListFrameWnd second(session.get());
    BroadcastToApplicationWindows(CMatchBoardView::kQueryChangedMessage, 1, nullptr);
    EXPECT_EQ(RowNames(board), QStringList({"fred", "bob"}));
    EXPECT_EQ(RowNames(second.GetBoard()), QStringList({"fred", "bob"}));
    EXPECT_FALSE(second.GetBoard()->IsSessionBoard());
    sent = server->Expect(CMatchBoardView::kPacketQuery);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->Text(), "\"1500.000000\" 40 0 32768 32768 0 0 1 1 1 1 1 1 1 1 0 0 1 1");
    EXPECT_TRUE(server->NothingReceived());
}

// The Columns page shows the board's columns, applies the user's choice and restores the defaults;
// the player list neither fills nor reads it.
TEST_F(MatchBoardTest, TheColumnsPageShowsHidesAndRestoresTheBoardsColumns) {
    {
        CBGMatchBoardPropertyPage empty;
        for (const auto& box : CBGMatchBoardPropertyPage::Boxes())
            EXPECT_FALSE(empty.IsColumnChecked(box.column)) << "no board open: every box starts cleared";
    }
    CBGMatchBoardView* board = OpenBoard();
    CPlayerListFrameWnd players(session.get(), nullptr);
    const auto playersShown = players.GetView()->GetLayout().shown;

    CBGMatchBoardPropertyPage page;
    page.OnInitDialog();
    const auto checkBox = [&](int id) { return page.findChild<QCheckBox*>(QString::number(id)); };
    using namespace UserListColumn;
    const std::pair<int, int> defaults[] = {{Status, 1}, {Gender, 1}, {Country, 1}, {Rating, 1}, {Experience, 1},
                                            {Money, 1}, {Unfinished, 1}, {PlayPreferences, 0}, {FullName, 0},
                                            {Email, 0}, {Score, 1}, {Location, 1}, {Club, 1}};
    for (const auto& [column, checked] : defaults)
        EXPECT_EQ(page.IsColumnChecked(column), checked != 0) << column;
    EXPECT_FALSE(checkBox(CBGMatchBoardPropertyPage::kPlayPreferencesId)->isEnabled());

    // Gender off, e-mail on.
    checkBox(1254)->click();
    checkBox(1164)->click();
    EXPECT_TRUE(page.IsModified());
    ASSERT_TRUE(page.OnKillActive());
    ASSERT_TRUE(page.OnApply());
    const CUserListModel* model = board->GetModel();
    EXPECT_LT(model->ModelColumn(Gender), 0);
    EXPECT_GE(model->ModelColumn(Email), 0);
    EXPECT_EQ(players.GetView()->GetLayout().shown, playersShown);

    // A board opened later shows the same columns; Restore brings back the defaults everywhere.
    page.RestoreDefaults();
    EXPECT_GE(model->ModelColumn(Gender), 0);
    EXPECT_LT(model->ModelColumn(Email), 0);
    EXPECT_TRUE(checkBox(1254)->isChecked());
    EXPECT_FALSE(checkBox(1164)->isChecked());
}

// Watch with the focus elsewhere asks whom to watch, again while the answer holds no nickname.
TEST_F(MatchBoardTest, WatchAsksForAPlayerUntilTheAnswerNamesOne) {
    CBGMatchBoardView* board = OpenBoard();
    server->Expect(CMatchBoardView::kPacketQuery);
    QStringList answers{"!!! ...", "  bob smith"};
    int asked = 0;
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        auto* prompt = dynamic_cast<CPromptDlg*>(dialog);
        EXPECT_TRUE(prompt);
        if (!prompt)
            return int(platform::IDCANCEL);
        EXPECT_EQ(prompt->GetTitle(), "Watch");
        EXPECT_EQ(prompt->GetQuestion(), "Player to watch:");
        prompt->SetItemText(CPromptDlg::kIdAnswer, answers.value(asked++));
        return prompt->Press(platform::IDOK);
    });
    board->OnCommand(CMatchBoardView::kCmdBoardWatch);
    EXPECT_EQ(asked, 2);
    // Nobody of that name is known: the server is asked where he is.
    auto sent = server->Expect(112);
    ASSERT_TRUE(sent);
    EXPECT_TRUE(sent->Text().endsWith(" bobsmith")) << sent->Text().toStdString();
}

// The Action menu's Resume entry is put in once, however often the menu opens.
TEST_F(MatchBoardTest, TheResumeEntryIsReplacedNotAdded) {
    CBGMatchBoardView* board = OpenBoard();
    QMenu menu;
    QAction* talk = menu.addAction("&Talk...");
    for (int opening = 0; opening < 3; ++opening)
        board->UpdateResumeEntry(&menu, talk);
    int resumes = 0;
    for (const QAction* action : menu.actions())
        resumes += action->text() == "&Resume..." ? 1 : 0;
    EXPECT_EQ(resumes, 1);
    EXPECT_EQ(menu.actions().indexOf(talk), 1) << "before Talk";
    // No invitation manager: no match to resume.
    EXPECT_FALSE(board->IsResumePossible());
    EXPECT_FALSE(menu.actions().front()->isEnabled());
}

// The players and watchers of the game, from the directory's flag 0x1; a player who leaves never
// leaves a row behind (run under the address sanitizer).
TEST_F(MatchBoardTest, ThePlayerListFollowsTheGameAndReportsItsClosingOnce) {
    std::vector<bool> reports;
    auto* players = new CPlayerListFrameWnd(session.get(), [&](bool byUser) { reports.push_back(byUser); });
    players->show();
    CPlayerListView* view = players->GetView();
    Directory(97, 10, {Record("alice", 0x1, 1500, 8, ".gb.alice.bob"), Record("bob", 0x1, 1500, 8, ".gb.alice.bob"),
                       Record("dave", 0x4)});
    EXPECT_EQ(RowNames(view), QStringList({"alice", "bob"}));
    EXPECT_EQ(players->windowTitle(), "Players");
    Directory(97, 11, {Record("carol", 0x1, 1500, 4, ".gb.alice.bob")});
    EXPECT_EQ(players->windowTitle(), "3 Players and Watchers");
    Directory(110, 11, {Record("dave", 0x4, 1600)});
    EXPECT_EQ(RowNames(view).size(), 3);

    // carol walks out of the room, then out of the lobby; bob leaves the lobby from the room.
    Directory(110, 11, {Record("carol", 0x4, 1500, 2, ".mb")});
    Directory(98, 10, {Record("carol", 0x4)});
    Directory(98, 9, {Record("bob", 0x1)});
    EXPECT_EQ(RowNames(view), QStringList({"alice"}));
    EXPECT_EQ(players->windowTitle(), "Players");
    players->grab(); // paints the rows that are left

    // The close box is the user's close: reported once, and not again when the window goes.
    QPointer<CPlayerListFrameWnd> guard = players;
    players->close();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(reports, std::vector<bool>({true}));

    // Closed with the game, it is not the user's close.
    reports.clear();
    auto* again = new CPlayerListFrameWnd(session.get(), [&](bool byUser) { reports.push_back(byUser); });
    guard = again;
    again->CloseForGame();
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(reports, std::vector<bool>({false}));
}

// The invitation manager as the board calls it.
class RecordingInviter : public CInvitationService, public CPlayerInviter {
public:
    void CloseDialogsForUser(const QString&) override {}
    void CloseAllInvitations() override {}
    void InvitePlayer(const QString& names, int kind, int extra, bool prompt) override {
        calls << QStringLiteral("invite %1 %2 %3 %4").arg(names).arg(kind).arg(extra).arg(prompt);
    }
    bool HasUnfinishedMatch(const QString& room) const override { return unfinished.contains(room); }
    void ResumeWithPlayers(const QString& names) override { calls << "resume " + names; }
    bool CanInviteTo(int kind) const override { return kind == 0; }
    QStringList calls;
    QStringList unfinished;
};

// A double click resumes or invites a player free to play, watches one who plays, and else shows
// the player's information.
TEST_F(MatchBoardTest, ADoubleClickResumesInvitesWatchesOrShowsInformation) {
    RecordingInviter inviter;
    inviter.unfinished << ".gb.alice.cy";
    session->SetInvitationService(&inviter);
    QStringList infos;
    session->SetPlayerInfoHandler([&](const QString& name) { infos << name; });
    CBGMatchBoardView* board = OpenBoard();
    server->Expect(CMatchBoardView::kPacketQuery);
    Directory(97, 5, {Record("alice", 0x4), Record("bob", 0x4, 1600), Record("cy", 0x4, 1400),
                      Record("dee", 0x4, 1300, 8, ".gb.ed.dee")});
    for (const char* name : {"bob", "cy", "alice", "dee"}) {
        board->SelectUser(session->FindUser(name));
        emit board->GetListCtrl()->doubleClicked(QModelIndex());
    }
    EXPECT_EQ(inviter.calls, QStringList({"invite bob 0 0 0", "resume cy"}));
    EXPECT_EQ(infos, QStringList({"alice"}));
    // dee plays: he is watched, through his room.
    EXPECT_TRUE(session->IsTransferPending());
    session->SetInvitationService(nullptr);
}

} // namespace

namespace {

// The list's background is one period of the watermark pattern tiled over what is repainted: any part
// of the list, painted alone, shows the same pattern as the whole tiled from the list's origin.
TEST_F(MatchBoardTest, ABackgroundRepaintedInPartsMatchesTheWholePattern) {
    CBGMatchBoardView* board = OpenBoard();
    QWidget* viewport = board->GetListCtrl()->viewport();
    const CUserListCtrlOwner* owner = board->GetListCtrl()->GetOwner();
    ASSERT_TRUE(owner->ShowsWatermark());
    const QImage mask = UserListArt::WatermarkMask(owner->GetWatermarkBitmapId());
    ASSERT_FALSE(mask.isNull());
    const QPixmap tinted = UserListArt::TintMask(mask, platform::ToQColor(owner->GetWatermarkTint()));
    QImage expected(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(platform::ToQColor(owner->GetListBackgroundColour()));
    {
        QPainter painter(&expected);
        for (const QPoint& tile : CUserListCtrl::WatermarkTiles(expected.rect(), QPoint(0, 0), mask.size()))
            painter.drawPixmap(tile, tinted);
    }
    for (const QRect& part : {QRect(QPoint(0, 0), viewport->size()), QRect(37, 53, 150, 120),
                              QRect(301, 7, 90, 400), QRect(mask.width() * 2 - 3, mask.height() * 6 - 2, 9, 9)}) {
        QImage painted(viewport->size(), QImage::Format_ARGB32_Premultiplied);
        painted.fill(Qt::magenta);
        viewport->render(&painted, part.topLeft(), QRegion(part), QWidget::RenderFlags());
        int wrong = 0;
        const QRect inside = part & expected.rect();
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                wrong += painted.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(wrong, 0) << "part at " << part.x() << "," << part.y();
    }
}

} // namespace
