#include "lobby/AffinityListView.h"
#include "lobby/BlindFrameWnd.h"
#include "lobby/BlindListView.h"
#include "lobby/BlindSubDocument.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/UserListModel.h"
#include "platform/Ui.h"
#include "prefs/FontPage.h"
#include "prefs/FontWindowKinds.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "platform/Win32Codes.h"
#include "session/LobbyUserMap.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/dialogs/PromptDlg.h"

#include <QMenu>
#include <QPushButton>
#include <QToolBar>

#include <functional>

#include <gtest/gtest.h>

using testenv::SessionTest;

namespace {

QString Record(const QString& nickname, int presence, int activity, const QString& location) {
    CUserInfo user(nickname);
    user.ClearChangeMask();
    user.SetPresence(presence);
    user.SetActivity(activity);
    user.SetLocation(location);
    return user.FormatUpdateText(0, UserField::OwnMask, true);
}

QStringList RowNames(const CUserListView* view) {
    QStringList names;
    for (int row = 0; row < view->GetRowCount(); ++row)
        names << view->GetUserAt(row)->GetNickname();
    return names;
}

// Answers the next Add prompt with text (or cancels it when text is null), checking its question.
void AnswerPrompt(const QString& text, bool ok = true) {
    testenv::scriptedUi().SetDialogHandler([text, ok](QDialog* dialog) {
        auto* prompt = dynamic_cast<CPromptDlg*>(dialog);
        EXPECT_NE(prompt, nullptr);
        if (!prompt)
            return int(platform::IDCANCEL);
        EXPECT_EQ(prompt->GetTitle(), "Add");
        EXPECT_EQ(prompt->GetQuestion(), "Nicknames:");
        prompt->SetItemText(CPromptDlg::kIdAnswer, text);
        return prompt->Press(ok ? platform::IDOK : platform::IDCANCEL);
    });
}

class RelationWindowsTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(Login());
        CRelationsSubDoc::Attach(*session);
        blind = CBlindSubDocument::Attach(*session);
        gag = CGagSubDocument::Attach(*session);
        for (int type : {173, 199, 226})
            server->Expect(type);
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        SessionTest::TearDown();
    }
    void Database(int type, const QString& text) { ServerRoute(".db", type, text); }
    // The next frame must be this packet to this target with this text.
    void ExpectSent(int type, const QString& target, const QString& text) {
        auto frame = server->Expect(type);
        ASSERT_TRUE(frame) << type;
        EXPECT_EQ(frame->Destination(), target);
        EXPECT_EQ(frame->Text(), text);
    }
    CBlindListView* OpenWindow(CRelationWindowOwner* owner) {
        owner->ToggleWindow();
        return owner->GetFrame() ? dynamic_cast<CBlindListView*>(owner->GetFrame()->GetView()) : nullptr;
    }
    CAffinityListView* OpenFriends() {
        CAffinityFrameWnd* frame = CAffinityFrameWnd::ShowFriends(*session);
        return frame ? dynamic_cast<CAffinityListView*>(frame->GetView()) : nullptr;
    }
    void SelectAll(CUserListView* view) {
        for (int row = 0; row < view->GetRowCount(); ++row)
            view->SelectUser(view->GetUserAt(row), true);
    }

    CBlindSubDocument* blind = nullptr;
    CGagSubDocument* gag = nullptr;
};

// ---- Blinded and gagged windows

TEST_F(RelationWindowsTest, EachWindowAsksForItsListAndFillsFromBothForms) {
    struct Case {
        CRelationWindowOwner* owner;
        int request, list;
        const char* title;
    };
    for (const Case& c : {Case{blind, 226, 235, "Blinded Players"}, Case{gag, 173, 189, "Gagged Players"}}) {
        SCOPED_TRACE(c.title);
        CBlindListView* view = OpenWindow(c.owner);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(c.owner->GetFrame()->windowTitle(), c.title);
        EXPECT_EQ(view->objectName(), "59648");
        ExpectSent(c.request, ".db", "~ alice =");

        Database(c.list, "~ alice = pest Troll TROLL");
        EXPECT_EQ(RowNames(view), QStringList({"pest", "Troll"})); // one row per nickname, any case
        Database(c.list, "~ alice = @ bob since May\ncarol\n\ndave");
        EXPECT_EQ(RowNames(view), QStringList({"bob", "carol"})); // an empty line ends the list
        Database(c.list, "~ alice = zed  ann");
        EXPECT_EQ(RowNames(view), QStringList({"zed"})); // so do two adjacent blanks
        // A list from anyone but the database service changes nothing, nor does another list.
        ServerRoute("zed", c.list, "~ alice = mallory");
        Database(c.list == 235 ? 189 : 235, "~ alice = other");
        EXPECT_EQ(RowNames(view), QStringList({"zed"}));
        EXPECT_EQ(view->GetRecords().Count(), 1);

        c.owner->ToggleWindow();
        EXPECT_FALSE(c.owner->IsWindowOpen());
        EXPECT_TRUE(server->NothingReceived());
    }
}

TEST_F(RelationWindowsTest, AddAndRemoveSendTheirTextsAndTheWindowFollowsTheService) {
    struct Case {
        CRelationWindowOwner* owner;
        int request, list;
    };
    QStringList shown;
    session->SetPlayerInfoHandler([&](const QString& nickname) { shown << nickname; });
    for (const Case& c : {Case{blind, 226, 235}, Case{gag, 173, 189}}) {
        SCOPED_TRACE(c.request);
        CBlindListView* view = OpenWindow(c.owner);
        ASSERT_NE(view, nullptr);
        server->Expect(c.request);
        Database(c.list, "~ alice = bob");
        EXPECT_TRUE(view->GetAddButton()->isEnabled());
        EXPECT_FALSE(view->GetRemoveButton()->isEnabled());
        // Player information needs a player: off with no row chosen, on with one.
        platform::CommandState info;
        view->OnUpdateCommand(CBlindListView::kCmdInfoButton, info);
        EXPECT_FALSE(info.enabled);
        EXPECT_FALSE(view->GetInfoButton() && view->GetInfoButton()->isEnabled());

        // Names listed already (whatever their case) are left out.
        AnswerPrompt("  BOB carol dave ");
        view->GetAddButton()->click();
        ExpectSent(c.request, ".db", "~ alice + carol dave");
        EXPECT_EQ(RowNames(view), QStringList({"bob"})); // nothing added before the service says so
        Database(c.list, "~ alice = bob carol dave");
        EXPECT_EQ(RowNames(view), QStringList({"bob", "carol", "dave"}));

        // Cancelled, empty, or nothing new: nothing is sent.
        AnswerPrompt("eve", false);
        view->GetAddButton()->click();
        AnswerPrompt("   ");
        view->GetAddButton()->click();
        AnswerPrompt("Carol");
        view->GetAddButton()->click();
        // Remove without a selection sends nothing; with every row it sends them all at once.
        view->OnCommand(view->RemoveButtonId());
        EXPECT_TRUE(server->NothingReceived());
        SelectAll(view);
        EXPECT_TRUE(view->GetRemoveButton()->isEnabled());
        view->OnUpdateCommand(CBlindListView::kCmdInfoButton, info);
        EXPECT_TRUE(info.enabled);
        view->OnCommand(CBlindListView::kCmdInfoButton);
        EXPECT_FALSE(shown.isEmpty());
        view->GetRemoveButton()->click();
        ExpectSent(c.request, ".db", "~ alice - bob carol dave");
        EXPECT_EQ(view->GetRowCount(), 3); // until the service answers
        Database(c.list, "~ alice =");
        EXPECT_EQ(view->GetRowCount(), 0);
        EXPECT_FALSE(view->GetRemoveButton()->isEnabled());
        c.owner->ToggleWindow();
        shown.clear();
    }
    session->SetPlayerInfoHandler(nullptr);
}

TEST_F(RelationWindowsTest, TheGagListAnswersWithNoWindowOpenAndDropsChat) {
    EXPECT_FALSE(gag->IsWindowOpen());
    Database(189, "~ alice = Troll");
    EXPECT_TRUE(gag->IsGagged("TROLL"));
    EXPECT_TRUE(gag->IsGagged("troll"));
    EXPECT_FALSE(gag->IsGagged("bob"));
    EXPECT_EQ(CGagSubDocument::Find(session.get()), gag);
    EXPECT_EQ(CBlindSubDocument::Find(session.get()), blind);
    ServerRoute("troll", 203, "rude words");
    ServerRoute("bob", 203, "hello");
    ASSERT_EQ(chat.lines.size(), 1u);
    EXPECT_EQ(chat.lines[0].text, "hello");
    // The session's list and the sub-document's are one: a new list ungags for both.
    Database(189, "~ alice = @\nbob x\n");
    EXPECT_FALSE(gag->IsGagged("troll"));
    EXPECT_TRUE(session->GetRelations()->IsGagged("BOB"));
    EXPECT_TRUE(gag->IsGagged("BOB"));
}

TEST_F(RelationWindowsTest, EventsOfOtherListsAreLeftAlone) {
    EXPECT_EQ(session->BroadcastSubDocEvent(1, QVariant(QStringLiteral("+ pest"))), 1);
    ExpectSent(226, ".db", "~ alice + pest");
    EXPECT_EQ(session->BroadcastSubDocEvent(400, QVariant(QStringLiteral("- troll"))), 1);
    ExpectSent(173, ".db", "~ alice - troll");
    EXPECT_EQ(session->BroadcastSubDocEvent(401, QVariant(QStringLiteral("+ x"))), 0);
    EXPECT_TRUE(server->NothingReceived());
}

// Every relation list starts over when the view settings change or the list is rebuilt: it empties
// itself and asks the service for the list again. The lobby's users going away empties it without
// asking.
TEST_F(RelationWindowsTest, EachListStartsOverAndAsksAgain) {
    struct Case {
        const char* name;
        int request;
        std::function<CRelationListView*()> open;
        std::function<void()> fill; // one row: bob
    };
    const Case cases[] = {
        {"blinded", 226, [&] { return OpenWindow(blind); }, [&] { Database(235, "~ alice = bob"); }},
        {"gagged", 173, [&] { return OpenWindow(gag); }, [&] { Database(189, "~ alice = bob"); }},
        {"friends", 199, [&] { return OpenFriends(); },
         [&] {
             Database(202, "~ alice = bob");
             ExpectSent(112, "", "AffListCookie bob ");
             ServerRoute(".", 184, "AffListCookie bob@");
         }},
    };
    const platform::MessageId viewChanged =
        platform::RegisterMessage(QString::fromLatin1(CUserListView::kViewChangedMessage));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRelationListView* view = c.open();
        ASSERT_NE(view, nullptr);
        ExpectSent(c.request, ".db", "~ alice =");
        auto* blindView = dynamic_cast<CBlindListView*>(view);
        EXPECT_EQ(blindView != nullptr, c.request != 199);

        for (int round = 0; round < 2; ++round) {
            c.fill();
            ASSERT_EQ(RowNames(view), QStringList({"bob"}));
            SelectAll(view);
            if (blindView) {
                EXPECT_TRUE(blindView->GetRemoveButton()->isEnabled());
            }
            if (round == 0)
                view->OnMessage(viewChanged, 0, nullptr);
            else
                view->RecreateList();
            ExpectSent(c.request, ".db", "~ alice =");
            EXPECT_EQ(view->GetRowCount(), 0);
            EXPECT_EQ(view->GetRecords().Count(), 0);
            if (blindView) {
                EXPECT_FALSE(blindView->GetRemoveButton()->isEnabled());
            }
        }

        c.fill();
        ASSERT_EQ(view->GetRowCount(), 1);
        view->OnUpdate(nullptr, CSessionDoc::kHintUsersCleared, nullptr);
        EXPECT_EQ(view->GetRowCount(), 0);
        EXPECT_EQ(view->GetRecords().Count(), 0);
        EXPECT_TRUE(server->NothingReceived());
    }
}

TEST_F(RelationWindowsTest, TheMenuEntryToggles) {
    EXPECT_TRUE(blind->CanToggleWindow());
    EXPECT_TRUE(session->RouteCommandToSubDocuments(CBlindSubDocument::kCmdToggleWindow));
    EXPECT_TRUE(blind->IsWindowOpen());
    EXPECT_FALSE(gag->IsWindowOpen());
    server->Expect(226);
    EXPECT_TRUE(session->RouteCommandToSubDocuments(CBlindSubDocument::kCmdToggleWindow));
    EXPECT_FALSE(blind->IsWindowOpen());
    EXPECT_TRUE(session->RouteCommandToSubDocuments(CGagSubDocument::kCmdToggleWindow));
    EXPECT_TRUE(gag->IsWindowOpen());
    server->Expect(173);
    // The user closing the window lets the owner go of it.
    QPointer<CBlindFrameWnd> frame = gag->GetFrame();
    frame->close();
    EXPECT_FALSE(gag->IsWindowOpen());
    EXPECT_TRUE(testenv::WaitFor([&] { return frame.isNull(); }));
    // Without a session in a service, nothing opens.
    session->Disconnect();
    EXPECT_FALSE(blind->CanToggleWindow());
    blind->ToggleWindow();
    EXPECT_FALSE(blind->IsWindowOpen());
}

TEST_F(RelationWindowsTest, TheGaggedListHasItsOwnContextMenu) {
    auto* view = dynamic_cast<CGagListView*>(OpenWindow(gag));
    ASSERT_NE(view, nullptr);
    server->Expect(173);
    Database(189, "~ alice = troll");
    std::unique_ptr<QMenu> menu(view->CreateContextMenu(view->GetContextMenuId()));
    ASSERT_TRUE(menu);
    EXPECT_EQ(view->GetContextMenuId(), 2002);
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text() + (action->isEnabled() ? "" : " (off)");
    }
    // Player information is off until the program can show it.
    EXPECT_EQ(texts, QStringList({"Player &Info... (off)", "&Remove (off)", "P&roperties..."}));
    // The blinded list keeps the player lists' menu.
    CBlindListView* blinded = OpenWindow(blind);
    ASSERT_NE(blinded, nullptr);
    EXPECT_NE(blinded->GetContextMenuId(), 2002);
}

TEST_F(RelationWindowsTest, PropertiesOpenTheFontPageOnTheirOwnWindowKind) {
    CUserListView* blinded = OpenWindow(blind);
    CUserListView* gagged = OpenWindow(gag);
    CUserListView* friends = OpenFriends();
    ASSERT_TRUE(blinded && gagged && friends);
    const std::pair<CUserListView*, int> cases[] = {
        {friends, kFontKindFriends}, {gagged, kFontKindGagged}, {blinded, kFontKindBlinded}};
    for (const auto& [view, kind] : cases) {
        SCOPED_TRACE(kind);
        int seenKind = -1;
        int seenPage = -1;
        testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
            if (auto* sheet = dynamic_cast<CGeneralPropertiesSheet*>(dialog)) {
                seenKind = sheet->FontPage().GetSelectedKind();
                seenPage = sheet->GetActiveIndex();
            }
            return int(platform::IDCANCEL);
        });
        platform::CommandState state;
        EXPECT_TRUE(view->OnUpdateCommand(CUserListView::kCmdProperties, state));
        EXPECT_TRUE(state.enabled);
        EXPECT_TRUE(view->OnCommand(CUserListView::kCmdProperties));
        EXPECT_EQ(seenKind, kind);
        EXPECT_EQ(seenPage, CGeneralPropertiesSheet::kFontPage);
    }
}

// ---- Placement

TEST_F(RelationWindowsTest, AWindowTheUserMovedKeepsItsPlaceAcrossARestart) {
    CBlindListView* view = OpenWindow(blind);
    ASSERT_NE(view, nullptr);
    CBlindFrameWnd* frame = blind->GetFrame();
    EXPECT_FALSE(frame->IsMoved());
    EXPECT_EQ(frame->geometry(), QRect(100, 100, 300, 275)); // the default place
    frame->OnEnterSizeMove(); // the user drags it
    frame->setGeometry(220, 180, 340, 290);
    frame->close();
    EXPECT_EQ(GetSettingsStore().GetString("CBlindFrameWnd", "Normal Rect"), "220 560 180 470");

    // A window that was not moved leaves the stored place as it was.
    OpenWindow(blind);
    frame = blind->GetFrame();
    EXPECT_EQ(frame->geometry(), QRect(220, 180, 340, 290));
    frame->setGeometry(0, 0, 200, 200);
    blind->ToggleWindow();
    EXPECT_EQ(GetSettingsStore().GetString("CBlindFrameWnd", "Normal Rect"), "220 560 180 470");

    // The friends' window has its own default and its own section.
    CAffinityFrameWnd* friends = CAffinityFrameWnd::ShowFriends(*session);
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->geometry(), QRect(100, 100, 250, 275));
    friends->OnEnterSizeMove();
    friends->setGeometry(300, 120, 260, 300);
    friends->close();
    EXPECT_EQ(session->GetAffinityFrame(), nullptr);
    ASSERT_NE(CAffinityFrameWnd::ShowFriends(*session), nullptr);
    EXPECT_EQ(CAffinityFrameWnd::Find(session.get())->geometry(), QRect(300, 120, 260, 300));
    // Logging out closes it, and a window still open keeps its place then too.
    CAffinityFrameWnd::Find(session.get())->OnEnterSizeMove();
    QPointer<CAffinityFrameWnd> open = CAffinityFrameWnd::Find(session.get());
    open->setGeometry(310, 130, 260, 300);
    session.reset();
    EXPECT_TRUE(testenv::WaitFor([&] { return open.isNull(); }));
    EXPECT_EQ(GetSettingsStore().GetString("CAffinityFrameWnd", "Normal Rect"), "310 570 130 430");
}

// ---- Friends

class FriendsWindowTest : public RelationWindowsTest {
protected:
    void SetUp() override {
        RelationWindowsTest::SetUp();
        view = OpenFriends();
        ASSERT_NE(view, nullptr);
        ExpectSent(199, ".db", "~ alice =");
    }
    QString StatusOf(const QString& nickname) const {
        for (int row = 0; row < view->GetRowCount(); ++row) {
            if (view->GetUserAt(row)->GetNickname() == nickname)
                return view->GetModel()->data(view->GetModel()->index(row, 1)).toString();
        }
        return QStringLiteral("(no row)");
    }
    CAffinityListView* view = nullptr;
};

TEST_F(FriendsWindowTest, TheListAsksWhereTheFriendsAreAndTheReplyMakesTheRows) {
    EXPECT_EQ(view->GetToolBar()->actions().size(), 6);
    EXPECT_EQ(view->GetTitles()[0], "Nickname");
    EXPECT_EQ(view->GetTitles()[1], "Status");
    ServerSend(97, "3 1\n" + Record("carol", 8, 2, ".mb"));

    Database(202, "~ alice = @ bob old friend\ncarol\ndave\n");
    ExpectSent(112, "", "AffListCookie bob carol dave ");
    EXPECT_EQ(view->GetRowCount(), 0); // the rows come from the reply
    ServerRoute(".", 184, "AffListCookie bob@.gb.bob.eve carol@ dave@  zed@.mb");
    EXPECT_EQ(RowNames(view), QStringList({"bob", "carol", "dave"}));
    EXPECT_EQ(StatusOf("bob"), "Connected");
    EXPECT_EQ(StatusOf("carol"), "Away"); // the lobby knows better than the reply
    EXPECT_EQ(StatusOf("dave"), "");
    // Another cookie's reply, or one not from the server, is not the list's.
    ServerRoute(".", 184, "Watch_Player_Cookie zed@.mb");
    ServerRoute("bob", 184, "AffListCookie mallory@.mb");
    // A word that cannot be a nickname is passed over.
    ServerRoute(".", 184, "AffListCookie x/y@.mb\n");
    EXPECT_EQ(view->GetRowCount(), 3);

    // Sorted by status: higher presence, then higher activity first.
    view->SetSortColumn(1);
    view->SortRows();
    EXPECT_EQ(RowNames(view), QStringList({"carol", "bob", "dave"}));
    view->SetSortColumn(1);
    view->SortRows();
    EXPECT_EQ(RowNames(view), QStringList({"dave", "bob", "carol"}));

    // A new list starts over.
    Database(202, "~ alice =");
    EXPECT_EQ(view->GetRowCount(), 0);
    EXPECT_TRUE(server->NothingReceived()); // no query for an empty list
}

TEST_F(FriendsWindowTest, ItFollowsTheLobbyAndTheServersNotices) {
    Database(202, "~ alice = bob carol");
    server->Expect(112);
    ServerRoute(".", 184, "AffListCookie bob@ carol@.mb");
    EXPECT_EQ(StatusOf("bob"), "");

    ServerSend(97, "3 1\n" + Record("bob", 2, 2, ".mb"));
    EXPECT_EQ(StatusOf("bob"), "Ready");
    // Gone from the lobby: not connected until the server says where he is.
    ServerSend(98, "2 1\n" + Record("bob", 2, 2, ".mb"));
    ExpectSent(112, "", "AffListCookie bob");
    EXPECT_EQ(StatusOf("bob"), "");
    ServerRoute(".", 184, "AffListCookie bob@.gb.bob.eve");
    EXPECT_EQ(StatusOf("bob"), "Connected");
    EXPECT_EQ(view->GetRowCount(), 2);

    // 206: a friend came (ask where) or went (not connected); the list keeps its rows.
    ServerRoute(".", 206, "alice - carol");
    EXPECT_EQ(StatusOf("carol"), "");
    ServerRoute(".", 206, "alice + carol");
    ExpectSent(112, "", "AffListCookie carol");
    ServerRoute(".", 206, "alice - nobody");
    EXPECT_EQ(view->GetRowCount(), 2);
    EXPECT_TRUE(server->NothingReceived());
}

TEST_F(FriendsWindowTest, AddAndRemoveGoAsFriendsRequests) {
    Database(202, "~ alice = bob");
    server->Expect(112);
    ServerRoute(".", 184, "AffListCookie bob@");

    // The friends' list compares exactly: "Bob" is sent, "bob" is not.
    AnswerPrompt("bob Bob carol");
    EXPECT_TRUE(view->OnCommand(CAffinityListView::kCmdAdd));
    ExpectSent(199, ".db", "~ alice + Bob carol");

    platform::CommandState state;
    view->OnUpdateCommand(CAffinityListView::kCmdRemove, state);
    EXPECT_FALSE(state.enabled);
    view->OnCommand(CAffinityListView::kCmdRemove);
    EXPECT_TRUE(server->NothingReceived());
    SelectAll(view);
    view->OnUpdateCommand(CAffinityListView::kCmdRemove, state);
    EXPECT_TRUE(state.enabled);
    view->OnCommand(CAffinityListView::kCmdRemove);
    ExpectSent(199, ".db", "~ alice - bob");
    EXPECT_EQ(view->GetRowCount(), 1);

    // The connection ends while she types the names: she is told they were not sent.
    testenv::scriptedUi().SetDialogHandler([&](QDialog* dialog) {
        server->Disconnect();
        testenv::WaitFor([&] { return !session->IsConnected(); });
        auto* prompt = dynamic_cast<CPromptDlg*>(dialog);
        prompt->SetItemText(CPromptDlg::kIdAnswer, "carol");
        return prompt->Press(platform::IDOK);
    });
    EXPECT_TRUE(view->OnCommand(CAffinityListView::kCmdAdd));
    ASSERT_FALSE(chat.lines.empty());
    EXPECT_EQ(chat.lines.back().text, "Not connected: the change of your list was not sent.");
}

TEST_F(FriendsWindowTest, TheStatusQueryLeavesAPendingWatchAlone) {
    session->WatchPlayer("zed");
    ExpectSent(112, "", "Watch_Player_Cookie zed");
    Database(202, "~ alice = bob");
    ExpectSent(112, "", "AffListCookie bob ");
    EXPECT_TRUE(session->IsWatchPending());
    // The session answers its own watch (the packet goes no further).
    server->Route(".", 184, "Watch_Player_Cookie zed@");
    EXPECT_TRUE(testenv::WaitFor([&] { return !session->IsWatchPending(); }));
    ASSERT_FALSE(chat.lines.empty());
    EXPECT_EQ(chat.lines.back().text, "zed is not connected to the server.");
}

TEST_F(FriendsWindowTest, OpeningAgainBringsTheSameWindowUp) {
    CAffinityFrameWnd* frame = CAffinityFrameWnd::Find(session.get());
    EXPECT_EQ(CAffinityFrameWnd::ShowFriends(*session), frame);
    EXPECT_TRUE(server->NothingReceived());
    // Packets nobody took reach it through the session.
    Database(202, "~ alice = bob");
    ExpectSent(112, "", "AffListCookie bob ");
}

} // namespace
