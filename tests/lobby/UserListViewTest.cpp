#include "lobby/LobbyUserListView.h"
#include "lobby/RelationsSubDoc.h"
#include "lobby/UserListColumnsPage.h"
#include "lobby/UserListModel.h"
#include "platform/Color.h"
#include "platform/PropertySheet.h"
#include "platform/Ui.h"
#include "session/LobbyUserMap.h"
#include "session/SessionServices.h"
#include "support/SessionFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "web/WebAddress.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>

using testenv::SessionTest;

namespace {

const QString kSection = QStringLiteral("CLobbyUserListView");

// One user-update record with the fields that set changes (and nothing else).
QString Record(const QString& nickname, const std::function<void(CUserInfo&)>& set = {}, int groups = 0) {
    CUserInfo user(nickname);
    user.ClearChangeMask();
    if (set)
        set(user);
    return user.FormatUpdateText(groups, UserField::OwnMask, true);
}

QString Body(const QStringList& records, int total = 50) {
    return QStringLiteral("%1 %2\n").arg(total).arg(records.size()) + records.join(QString());
}

std::function<void(CUserInfo&)> Rated(float rating, int experience = 10) {
    return [=](CUserInfo& user) {
        user.SetRating(rating);
        user.SetExperience(experience);
        user.SetPresence(CUserInfo::kPresenceReady);
        user.SetActivity(CUserInfo::kActivityFinished);
        user.SetLocation(".mb");
    };
}

// A flyover window that records what it is asked to show.
class RecordingFlyover : public CFlyoverWindow {
public:
    struct Log {
        int shown = 0;
        int hidden = 0;
        QString address;
        QRect geometry;
        bool visible = false;
    };
    explicit RecordingFlyover(Log& log) : m_log(log) {}
    void ShowPage(const QString& address, const QRect& geometry) override {
        ++m_log.shown;
        m_log.address = address;
        m_log.geometry = geometry;
        m_log.visible = true;
    }
    void HidePage() override {
        if (m_log.visible)
            ++m_log.hidden;
        m_log.visible = false;
    }
    bool IsPageShown() const override { return m_log.visible; }

private:
    Log& m_log;
};

// The invitation manager as far as the lists use it.
class RecordingInviter : public CInvitationService, public CPlayerInviter {
public:
    void CloseDialogsForUser(const QString&) override {}
    void CloseAllInvitations() override {}
    void InvitePlayer(const QString& names, int kind, int extra, bool prompt) override {
        invitations.push_back(QStringLiteral("%1/%2/%3/%4").arg(names).arg(kind).arg(extra).arg(int(prompt)));
    }
    bool HasUnfinishedMatch(const QString& serviceName) const override {
        return unfinished.contains(serviceName);
    }
    void ResumeWithPlayers(const QString& names) override { resumed << names; }
    bool CanInviteTo(int) const override { return true; }
    QStringList invitations;
    QStringList unfinished;
    QStringList resumed;
};

class RecordingRelations : public CRelationsQuery {
public:
    bool IsGagged(const QString& nickname) const override {
        return gagged.contains(nickname, Qt::CaseInsensitive);
    }
    bool IsAffinity(const QString& nickname) const override {
        return friends.contains(nickname, Qt::CaseInsensitive);
    }
    bool IsBlinded(const QString& nickname) const override {
        return blinded.contains(nickname, Qt::CaseInsensitive);
    }
    QStringList gagged, friends, blinded;
};

// A list of the players of a game: tool bar, the selection hidden without the focus.
class ToolBarListView : public CUserListView {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CToolBarListView, CUserListView)
public:
    using CUserListView::CUserListView;
    void OnInitialUpdate() override {
        CUserListView::OnInitialUpdate();
        RefillRows();
    }
    void OnUpdate(platform::View* sender, int hint, platform::Object* object) override {
        CUserListView::OnUpdate(sender, hint, object);
        if (hint == CSessionDoc::kHintUserChanged || hint == CSessionDoc::kHintUserArrived)
            UpdateUser(platform::object_cast<CClientUserInfo>(object));
    }

protected:
    QStringList GetColumnTitles() const override { return CLobbyUserListView::LobbyColumnTitles(); }
    void GetDefaultLayout(CUserListLayout& layout) const override {
        layout.shown = {1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        layout.width = {100, 18, 0, 0, 60, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        layout.ascending.fill(1);
        layout.sortColumn = 0;
    }
    void FillColumnsPage(CUserListColumnsPage& page, const std::array<int, kColumns>& shown) override {
        page.SetColumnChecked(UserListColumn::Status, shown[UserListColumn::Status] != 0);
    }
    void ReadColumnsPage(const CUserListColumnsPage&, std::array<int, kColumns>& shown) override {
        shown = GetLayout().shown;
    }
    int GetToolBarButtonCount() const override { return 5; }
    std::vector<ToolBarButton> GetToolBarButtons() const override {
        return {{5, kCmdFriendTool, true},
                {6, kCmdGaggedTool, true},
                {22, kCmdInviteNow},
                {1, kCmdTalk},
                {2, kCmdInfo}};
    }
};

class UserListViewTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        CUserListView::SetFlyoverWindowFactory(
            [this](QWidget*) { return std::make_unique<RecordingFlyover>(flyover); });
        ASSERT_TRUE(Login("alice"));
        session->SetRelations(&relations);
    }
    void TearDown() override {
        delete holder;
        if (session) {
            session->SetRelations(nullptr);
            session->SetInvitationService(nullptr);
        }
        SessionTest::TearDown();
    }

    template <class View = CLobbyUserListView> View* MakeView() {
        if (!holder) {
            holder = new QWidget;
            holder->resize(900, 400);
        }
        auto* made = new View(holder);
        made->setGeometry(0, 0, 900, 400);
        EXPECT_EQ(made->Create(session.get()), 0);
        tester = std::make_unique<QAbstractItemModelTester>(
            made->GetModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        return made;
    }

    QStringList Rows(const CUserListView* list) const {
        QStringList names;
        for (int row = 0; row < list->GetRowCount(); ++row)
            names << list->GetUserAt(row)->GetNickname();
        return names;
    }

    void Arrive(const QStringList& records) { ServerSend(CLobbyUserMap::kUsersArrived, Body(records)); }
    void Change(const QStringList& records) { ServerSend(CLobbyUserMap::kUsersChanged, Body(records)); }
    void Leave(const QStringList& records) { ServerSend(CLobbyUserMap::kUsersLeft, Body(records)); }

    CSettingsStore& settings() { return GetSettingsStore(); }

    QWidget* holder = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
    RecordingFlyover::Log flyover;
    RecordingRelations relations;
};

TEST_F(UserListViewTest, ArrivalsChangesAndDeparturesKeepTheRowsInPlace) {
    Arrive({Record("ann", Rated(1500)), Record("bob", Rated(1700)), Record("alice", Rated(1600))});
    CLobbyUserListView* list = MakeView();
    // Users known before the list opened, sorted by rating, highest first.
    EXPECT_EQ(Rows(list), QStringList({"bob", "alice", "ann"}));

    Arrive({Record("cy", Rated(1550)), Record("dee", Rated(1800))});
    EXPECT_EQ(Rows(list), QStringList({"dee", "bob", "alice", "cy", "ann"}));

    // A new rating moves the row; an experience change alone does not re-sort a rating list.
    Change({Record("ann", [](CUserInfo& u) { u.SetRating(1900); })});
    EXPECT_EQ(Rows(list), QStringList({"ann", "dee", "bob", "alice", "cy"}));
    CClientUserInfo* cy = session->FindUser("cy");
    cy->SetRating(2000); // changed behind the list's back: not announced as a rating change
    Change({Record("cy", [](CUserInfo& u) { u.SetExperience(77); })});
    EXPECT_EQ(Rows(list), QStringList({"ann", "dee", "bob", "alice", "cy"}));
    EXPECT_EQ(list->GetModel()
                  ->index(4, list->GetModel()->ModelColumn(UserListColumn::Experience))
                  .data()
                  .toString(),
              "77");

    Leave({Record("bob")});
    EXPECT_EQ(Rows(list), QStringList({"ann", "dee", "alice", "cy"}));
    // Someone the directory does not know changes nothing.
    Leave({Record("zed")});
    EXPECT_EQ(list->GetRowCount(), 4);

    // The directory going away empties the list while the records still exist.
    session->Disconnect();
    session.reset();
    EXPECT_EQ(list->GetRowCount(), 0);
}

TEST_F(UserListViewTest, ARepeatedArrivalWithOtherCapitalsKeepsOneRow) {
    CLobbyUserListView* list = MakeView();
    Arrive({Record("Ann", Rated(1500))});
    Arrive({Record("ANN", Rated(1400))});
    EXPECT_EQ(list->GetRowCount(), 1);
}

TEST_F(UserListViewTest, ClickingAHeaderSortsByItsColumnAndClickingAgainReverses) {
    Arrive({Record("ann", Rated(1500, 30)), Record("Bob", Rated(1700, 10)), Record("cy", Rated(1600, 20))});
    CLobbyUserListView* list = MakeView();
    QHeaderView* header = list->GetListCtrl()->header();
    const int nickname = list->GetModel()->ModelColumn(UserListColumn::Nickname);
    const int experience = list->GetModel()->ModelColumn(UserListColumn::Experience);

    emit header->sectionClicked(nickname);
    EXPECT_EQ(Rows(list), QStringList({"ann", "Bob", "cy"}));
    EXPECT_EQ(settings().GetString(kSection, "Column SortingV5"), "0 1 1 1 1 0 0 1 0 1 1 1 0 1 1 1 ");
    emit header->sectionClicked(nickname);
    EXPECT_EQ(Rows(list), QStringList({"cy", "Bob", "ann"}));
    EXPECT_EQ(settings().GetString(kSection, "Column SortingV5"), "0 0 1 1 1 0 0 1 0 1 1 1 0 1 1 1 ");

    // Another column sorts in its own stored direction (experience: highest first).
    emit header->sectionClicked(experience);
    EXPECT_EQ(Rows(list), QStringList({"ann", "cy", "Bob"}));

    // A newcomer goes between the rows he sorts between, in both directions.
    Arrive({Record("dee", Rated(1500, 15))});
    EXPECT_EQ(Rows(list), QStringList({"ann", "cy", "dee", "Bob"}));
    emit header->sectionClicked(experience);
    Arrive({Record("eve", Rated(1500, 25))});
    EXPECT_EQ(Rows(list), QStringList({"Bob", "dee", "cy", "eve", "ann"}));
    EXPECT_EQ(header->sortIndicatorSection(), experience);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(UserListViewTest, AStatusListFollowsActivityChangesToo) {
    Arrive({Record("ann", Rated(1500)), Record("bob", Rated(1500))});
    CLobbyUserListView* list = MakeView();
    const int status = list->GetModel()->ModelColumn(UserListColumn::Status);
    emit list->GetListCtrl()->header()->sectionClicked(status);
    ASSERT_EQ(Rows(list), QStringList({"ann", "bob"}));
    // "Playing" sorts after "Finished playing, ready to play": a change of activity alone moves the row.
    Change({Record("ann", [](CUserInfo& u) { u.SetActivity(CUserInfo::kActivityPlaying); })});
    EXPECT_EQ(Rows(list).last(), "ann");
}

TEST_F(UserListViewTest, AHeaderDragIsStoredAsTheNewDisplayOrder) {
    CLobbyUserListView* list = MakeView();
    QHeaderView* header = list->GetListCtrl()->header();
    const CUserListModel* model = list->GetModel();
    // Shown in order: 0 1 2 3 14 4 5 6 7 11 12 (8, 9, 10 and 13 hidden). Drag Rating before Nickname.
    header->moveSection(model->ModelColumn(UserListColumn::Rating), 0);
    ASSERT_TRUE(testenv::WaitFor([&] { return model->ColumnNumber(0) == UserListColumn::Rating; }));
    // The hidden columns kept their places.
    EXPECT_EQ(settings().GetString(kSection, "Column IndicesV5"), "4 0 1 2 3 14 5 6 7 8 9 10 11 12 13 ");
    // The list was built again in the new order, the header back to its natural order.
    EXPECT_EQ(header->visualIndex(0), 0);
    EXPECT_EQ(model->ColumnNumber(1), UserListColumn::Nickname);
    EXPECT_EQ(list->GetLayout().width[UserListColumn::Rating], list->DefaultLayout().width[UserListColumn::Rating]);
}

TEST_F(UserListViewTest, ADividerDoubleClickFitsTheColumnAndTheWidthIsSaved) {
    Arrive({Record("averyveryverylongnickname", Rated(1500))});
    CLobbyUserListView* list = MakeView();
    QHeaderView* header = list->GetListCtrl()->header();
    const int nickname = list->GetModel()->ModelColumn(UserListColumn::Nickname);
    ASSERT_EQ(header->sectionSize(nickname), 100);
    emit header->sectionHandleDoubleClicked(nickname);
    const int fitted = header->sectionSize(nickname);
    EXPECT_GT(fitted, 100);
    const int text = QFontMetrics(list->GetListFont()).horizontalAdvance("averyveryverylongnickname");
    EXPECT_GE(fitted, 21 + text);
    list->SaveLayout();
    EXPECT_TRUE(settings()
                    .GetString(kSection, "Column InformationV5")
                    .startsWith(QStringLiteral("1 %1 0 ").arg(fitted)));
}

TEST_F(UserListViewTest, ColumnsPagesAreFilledAndReadOnlyWhenThePayloadIsOne) {
    CLobbyUserListView* list = MakeView();
    const auto send = [&](const char* name, platform::Object* payload) {
        return platform::SendMessageTo(list, platform::RegisterMessage(QString::fromLatin1(name)), 0,
                                       payload);
    };
    CUserListColumnsPage page;
    send(CUserListView::kViewInitMessage, &page);
    EXPECT_TRUE(page.IsColumnChecked(UserListColumn::Club));
    EXPECT_TRUE(page.IsColumnChecked(UserListColumn::Score));
    EXPECT_FALSE(page.IsColumnChecked(UserListColumn::FullName));

    // Other pages broadcast the same messages: neither filled nor read.
    platform::PropertyPage viewPage(QStringLiteral("View"));
    EXPECT_TRUE(send(CUserListView::kViewInitMessage, &viewPage));
    EXPECT_TRUE(send(CUserListView::kViewChangedMessage, &viewPage));
    EXPECT_TRUE(send(CUserListView::kViewChangedMessage, nullptr));
    EXPECT_EQ(list->GetLayout().ShownInOrder().size(), 11u);

    page.SetColumnChecked(UserListColumn::Club, false);
    page.SetColumnChecked(UserListColumn::FullName, true);
    send(CUserListView::kViewChangedMessage, &page);
    EXPECT_EQ(list->GetModel()->ModelColumn(UserListColumn::Club), -1);
    EXPECT_GE(list->GetModel()->ModelColumn(UserListColumn::FullName), 0);
    EXPECT_EQ(settings().GetString(kSection, "Column InformationV5").section(' ', 27, 27), "1");

    // Restoring the defaults fills the page with them.
    send(CUserListView::kRestoreDefaultColumnsMessage, &page);
    EXPECT_TRUE(page.IsColumnChecked(UserListColumn::Club));
    EXPECT_FALSE(page.IsColumnChecked(UserListColumn::FullName));
    EXPECT_EQ(list->GetModel()->ModelColumn(UserListColumn::FullName), -1);
}

TEST_F(UserListViewTest, ALayoutChangeReachesTheOtherListsOfTheSameKind) {
    CLobbyUserListView* first = MakeView();
    CLobbyUserListView* second = MakeView();
    ToolBarListView* other = MakeView<ToolBarListView>();
    const std::vector<int> otherColumns = other->GetModel()->Columns();
    std::array<int, CUserListView::kColumns> shown = first->GetLayout().shown;
    shown[UserListColumn::Email] = 1;
    first->SetVisibleColumns(shown);
    EXPECT_GE(second->GetModel()->ModelColumn(UserListColumn::Email), 0);
    EXPECT_EQ(other->GetModel()->Columns(), otherColumns);
}

TEST_F(UserListViewTest, AStoredOrderWithoutTheNicknameResetsTheLayout) {
    settings().WriteInt(kSection, "MoveClubColumn", 0);
    settings().WriteString(kSection, "Column IndicesV5", "1 2 3 ");
    settings().WriteString(kSection, "Column SortingV5", "9 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 ");
    CLobbyUserListView* list = MakeView();
    EXPECT_EQ(list->GetLayout(), list->DefaultLayout());
    EXPECT_EQ(settings().GetString(kSection, "Column IndicesV5"), "0 1 2 3 14 4 5 6 7 8 9 10 11 12 13 ");
}

TEST_F(UserListViewTest, DefaultWidthsFitTheTitles) {
    CLobbyUserListView* list = MakeView();
    const CUserListLayout built = CLobbyUserListView::LobbyDefaultLayout();
    const QFontMetrics metrics(list->GetListCtrl()->header()->font());
    const QStringList titles = CLobbyUserListView::LobbyColumnTitles();
    for (int column = 0; column < CUserListView::kColumns; ++column) {
        if (!built.shown[column])
            continue;
        // Never narrower than the built-in width, never narrower than the title.
        EXPECT_GE(list->GetLayout().width[column], built.width[column]) << column;
        EXPECT_GT(list->GetLayout().width[column], metrics.horizontalAdvance(titles[column])) << column;
    }
}

// ---- painting

class UserListPaintTest : public UserListViewTest {
protected:
    void SetUp() override {
        UserListViewTest::SetUp();
        // A large bold face, so that the nickname's pixels are easy to find.
        settings().WriteString(kSection, "Font", "-26 700 0 0 0 0 0 34 \"DejaVu Sans\"");
        settings().WriteInt("CMBColors", "Color by Group", 1);
        settings().WriteInt("CMBColors", "Friends Color", int(platform::RGB(220, 0, 0)));
        settings().WriteInt("CMBColors", "Self Color", int(platform::RGB(0, 170, 0)));
        settings().WriteInt("CMBColors", "Tallybank Color", -1);
        settings().WriteInt("CMBColors", "Sysops Color", -1);
        settings().WriteInt(kSection, "Text Colour", int(platform::RGB(0, 0, 200)));
        settings().WriteInt(kSection, "Background Colour", int(platform::RGB(255, 255, 255)));
        settings().WriteInt(kSection, "Selected Text Background Colour", int(platform::RGB(40, 60, 120)));
        settings().WriteInt(kSection, "Selected Text Colour", int(platform::RGB(255, 255, 0)));
        settings().WriteBool(kSection, "bShowWatermark", false);
    }

    // Paints the row of a user -> the image of the nickname's cell.
    QImage PaintNickname(CUserListView* list, const QString& nickname, bool selected, bool focus) {
        const int row = list->FindRow(session->FindUser(nickname));
        EXPECT_GE(row, 0);
        QImage image(600, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        CUserListItemPaint item;
        item.row = row;
        item.rowRect = QRect(0, 0, 600, 40);
        item.cells = list->GetListCtrl()->CellRects(item.rowRect);
        item.selected = selected;
        item.listHasFocus = focus;
        list->DrawListItem(painter, item);
        painter.end();
        const int column = list->GetModel()->ModelColumn(UserListColumn::Nickname);
        for (const auto& cell : item.cells) {
            if (cell.modelColumn == column)
                return image.copy(cell.rect);
        }
        return QImage();
    }

    // Whether a pixel close to the colour is in the image.
    static bool Has(const QImage& image, platform::COLORREF colour) {
        const QColor wanted = platform::ToQColor(colour);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - wanted.red()) + std::abs(c.green() - wanted.green()) +
                        std::abs(c.blue() - wanted.blue()) <
                    24)
                    return true;
            }
        }
        return false;
    }
};

TEST_F(UserListPaintTest, NicknamesArePaintedInTheirGroupColour) {
    Arrive({Record("alice", Rated(1500)), Record("pal", Rated(1500), UserGroup::Friend | UserGroup::Sysop),
            Record("sysop", Rated(1500), UserGroup::Sysop),
            Record("banker", [](CUserInfo& u) { u.SetMoneyIconId(3); }), Record("plain", Rated(1500))});
    CLobbyUserListView* list = MakeView();

    const QImage self = PaintNickname(list, "alice", false, false);
    EXPECT_TRUE(Has(self, platform::RGB(0, 170, 0)));
    const QImage pal = PaintNickname(list, "pal", false, false);
    EXPECT_TRUE(Has(pal, platform::RGB(220, 0, 0)));
    EXPECT_FALSE(Has(pal, platform::RGB(0, 0, 200)));
    // A group without a colour, or account holders whose colour is "none", fall back to the text colour.
    EXPECT_TRUE(Has(PaintNickname(list, "sysop", false, false), platform::RGB(0, 0, 200)));
    EXPECT_TRUE(Has(PaintNickname(list, "banker", false, false), platform::RGB(0, 0, 200)));
    EXPECT_TRUE(Has(PaintNickname(list, "plain", false, false), platform::RGB(0, 0, 200)));

    // Selected in a focused list: the selection colours, not the group's.
    const QImage selected = PaintNickname(list, "pal", true, true);
    EXPECT_TRUE(Has(selected, platform::RGB(40, 60, 120)));
    EXPECT_TRUE(Has(selected, platform::RGB(255, 255, 0)));
    EXPECT_FALSE(Has(selected, platform::RGB(220, 0, 0)));
    // The lobby's list keeps a grey selection without the focus, with the group colour.
    const QImage unfocused = PaintNickname(list, "pal", true, false);
    EXPECT_TRUE(Has(unfocused, UserListPaint::kUnfocusedSelection));
    EXPECT_TRUE(Has(unfocused, platform::RGB(220, 0, 0)));

    // Colouring by group switched off.
    settings().WriteInt("CMBColors", "Color by Group", 0);
    list->RecreateList();
    EXPECT_FALSE(Has(PaintNickname(list, "pal", false, false), platform::RGB(220, 0, 0)));
}

TEST_F(UserListPaintTest, OtherListsShowNoSelectionWithoutTheFocusAndNoTextColourDrawsOnlyTheBackground) {
    Arrive({Record("pal", Rated(1500))});
    settings().WriteString("CToolBarListView", "Font", "-26 700 0 0 0 0 0 34 \"DejaVu Sans\"");
    settings().WriteInt("CToolBarListView", "Text Colour", -1);
    settings().WriteInt("CToolBarListView", "Text Background Colour", int(platform::RGB(250, 240, 200)));
    settings().WriteBool("CToolBarListView", "bShowWatermark", false);
    ToolBarListView* list = MakeView<ToolBarListView>();
    const QImage plain = PaintNickname(list, "pal", false, false);
    EXPECT_TRUE(Has(plain, platform::RGB(250, 240, 200)));
    EXPECT_FALSE(Has(plain, platform::RGB(0, 0, 0)));
    const QImage unfocused = PaintNickname(list, "pal", true, false);
    EXPECT_FALSE(Has(unfocused, UserListPaint::kUnfocusedSelection));
}

TEST_F(UserListPaintTest, TheWatermarkIsPaintedBehindTheRowsInItsTint) {
    settings().WriteBool(kSection, "bShowWatermark", true);
    settings().WriteInt(kSection, "Background Colour", int(platform::RGB(255, 255, 255)));
    CLobbyUserListView* list = MakeView();
    EXPECT_EQ(list->GetWatermarkColour(), platform::RGB(239, 239, 239));
    holder->show();
    const QImage shot = list->GetListCtrl()->viewport()->grab().toImage();
    EXPECT_TRUE(Has(shot, platform::RGB(239, 239, 239)));
    EXPECT_TRUE(Has(shot, platform::RGB(255, 255, 255)));
}

// ---- commands

TEST_F(UserListViewTest, CommandsFollowTheSelectedPlayers) {
    Arrive({Record("alice", Rated(1500)), Record("bob", Rated(1600)),
            Record("cy",
                   [](CUserInfo& u) {
                       u.SetActivity(CUserInfo::kActivityPlaying);
                       u.SetPresence(1);
                       u.SetLocation(".gb.cy.dee");
                   }),
            Record("mute", [](CUserInfo& u) { u.SetActivity(64); })});
    CLobbyUserListView* list = MakeView();
    const auto state = [&](int id) {
        platform::CommandState s;
        EXPECT_TRUE(list->OnUpdateCommand(id, s));
        return s;
    };
    // The user's own row (the directory spells the nickname differently): nothing to do with him.
    session->FindUser("alice")->SetNickname("ALICE");
    list->SelectUser(session->FindUser("alice"));
    EXPECT_FALSE(list->HasOtherSelected());
    EXPECT_FALSE(list->CanTalk());
    EXPECT_FALSE(state(CUserListView::kCmdFriend).enabled);
    EXPECT_TRUE(state(CUserListView::kCmdInfo).enabled);

    list->SelectUser(session->FindUser("bob"));
    EXPECT_TRUE(list->CanTalk());
    EXPECT_TRUE(list->CanInviteSelected());
    EXPECT_FALSE(list->CanWatch());
    // Until an invitation manager is there, inviting stays off.
    EXPECT_FALSE(state(CUserListView::kCmdInvite).enabled);
    EXPECT_FALSE(state(CUserListView::kCmdProposition).enabled);

    relations.gagged << "BOB";
    EXPECT_FALSE(list->CanTalk());
    list->SelectUser(session->FindUser("mute"));
    EXPECT_FALSE(list->CanTalk());
    list->SelectUser(session->FindUser("cy"), true);
    EXPECT_TRUE(list->CanTalk()); // several players: always

    list->SelectUser(session->FindUser("cy"));
    EXPECT_TRUE(list->CanWatch());
    EXPECT_FALSE(list->CanInviteSelected());
    EXPECT_EQ(state(CUserListView::kCmdWatch).text, "Watch");
    EXPECT_TRUE(state(CUserListView::kCmdWatchOne).enabled);
    session->FindUser("cy")->SetLocation(".gb.cy.alice");
    EXPECT_EQ(state(CUserListView::kCmdWatch).text, "Rejoin Game");

    relations.friends << "cy";
    const platform::CommandState friendState = state(CUserListView::kCmdFriend);
    EXPECT_TRUE(friendState.enabled);
    EXPECT_TRUE(friendState.checkable);
    EXPECT_TRUE(friendState.checked);
    EXPECT_FALSE(state(CUserListView::kCmdBlinded).checked);

    // Once the connection has ended only the player's information is left.
    server->Disconnect();
    ASSERT_TRUE(testenv::WaitFor([&] { return !session->IsConnected(); }));
    session->FindUser("cy")->SetLocation(".gb.cy.dee");
    for (int id : {CUserListView::kCmdTalk, CUserListView::kCmdWatch, CUserListView::kCmdWatchOne,
                   CUserListView::kCmdFriend})
        EXPECT_FALSE(state(id).enabled) << id;
    EXPECT_TRUE(state(CUserListView::kCmdInfo).enabled);
}

TEST_F(UserListViewTest, InvitationsGoToTheInvitationManager) {
    RecordingInviter inviter;
    session->SetInvitationService(&inviter);
    Arrive({Record("bob", Rated(1600)), Record("cy", Rated(1500))});
    CLobbyUserListView* list = MakeView();
    list->SelectUser(session->FindUser("bob"));
    list->SelectUser(session->FindUser("cy"), true);
    EXPECT_TRUE(list->OnCommand(CUserListView::kCmdInvite));
    EXPECT_EQ(inviter.invitations, QStringList({"bob cy/0/0/0"}));
    // Inviting at once is for one player only.
    platform::CommandState now;
    list->OnUpdateCommand(CUserListView::kCmdInviteNow, now);
    EXPECT_FALSE(now.enabled);
    // A proposition is an invitation of game kind 1 (this user holds the right to them).
    ASSERT_TRUE(session->HasRight(CSessionDoc::kRightPropositions));
    list->OnCommand(CUserListView::kCmdProposition);
    EXPECT_EQ(inviter.invitations.last(), "bob cy/1/0/0");

    list->SelectUser(session->FindUser("bob"));
    platform::CommandState resume;
    list->OnUpdateCommand(CUserListView::kCmdResume, resume);
    EXPECT_FALSE(resume.enabled);
    inviter.unfinished << ".gb.alice.bob";
    // A double click resumes the unfinished match rather than inviting.
    emit list->GetListCtrl()->doubleClicked(list->GetModel()->index(0, 0));
    EXPECT_EQ(inviter.resumed, QStringList({"bob"}));
}

TEST_F(UserListViewTest, RelationTogglesAskTheServiceAndWaitForItsList) {
    session->SetRelations(nullptr);
    CRelationsSubDoc::Attach(*session);
    for (int type : {173, 199, 226})
        ASSERT_TRUE(server->Expect(type));
    Arrive({Record("bob", Rated(1600))});
    CLobbyUserListView* list = MakeView();
    list->SelectUser(session->FindUser("bob"));
    const auto checked = [&](int id) {
        platform::CommandState state;
        list->OnUpdateCommand(id, state);
        return state.checked;
    };

    EXPECT_TRUE(list->OnCommand(CUserListView::kCmdFriend));
    const auto added = server->Expect(199);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->Destination(), ".db");
    EXPECT_TRUE(added->Text().endsWith("+ bob"));
    // Not a friend until the service says so.
    EXPECT_FALSE(checked(CUserListView::kCmdFriend));
    ServerRoute(".db", 202, "x y z bob");
    EXPECT_TRUE(checked(CUserListView::kCmdFriend));
    list->OnCommand(CUserListView::kCmdFriendTool);
    const auto removed = server->Expect(199);
    ASSERT_TRUE(removed);
    EXPECT_TRUE(removed->Text().endsWith("- bob"));

    list->OnCommand(CUserListView::kCmdGagged);
    EXPECT_TRUE(server->Expect(173)->Text().endsWith("+ bob"));
    list->OnCommand(CUserListView::kCmdBlindedTool);
    EXPECT_TRUE(server->Expect(226)->Text().endsWith("+ bob"));
}

TEST_F(UserListViewTest, TalkAndPlayerInformationReachTheSession) {
    QStringList talks;
    session->SetTalkFactory(
        [&](CSessionDoc&, const QStringList& people, bool) -> std::unique_ptr<CTalkSession> {
            talks << people.join(',');
            return nullptr;
        });
    QStringList shownInfo;
    session->SetPlayerInfoHandler([&](const QString& nickname) { shownInfo << nickname; });
    Arrive({Record("alice", Rated(1500)), Record("bob", Rated(1600))});
    CLobbyUserListView* list = MakeView();

    list->OnCommand(CUserListView::kCmdInfo); // nothing selected: nothing happens
    EXPECT_TRUE(shownInfo.isEmpty());
    list->SelectUser(session->FindUser("bob"));
    list->SelectUser(session->FindUser("alice"), true);
    list->OnCommand(CUserListView::kCmdInfo);
    EXPECT_EQ(shownInfo, QStringList({"bob"}));
    list->OnCommand(CUserListView::kCmdTalk);
    ASSERT_EQ(talks.size(), 1);
    EXPECT_TRUE(talks.front().contains("bob"));
}

TEST_F(UserListViewTest, SettingsAndPropertiesOpenTheirSheets) {
    CLobbyUserListView* list = MakeView();
    platform::CommandState state;
    ASSERT_TRUE(list->OnUpdateCommand(CUserListView::kCmdSettings, state));
    EXPECT_TRUE(state.enabled);
    testenv::scriptedUi().clear();
    EXPECT_TRUE(list->OnCommand(CUserListView::kCmdSettings));
    EXPECT_TRUE(list->OnCommand(CUserListView::kCmdProperties));
    const auto& asked = testenv::scriptedUi().asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].caption, QStringLiteral("Lobby Settings"));
    EXPECT_EQ(asked[1].caption, QStringLiteral("General Properties"));
}

TEST_F(UserListViewTest, EscapeClearsTheSelection) {
    Arrive({Record("bob", Rated(1600))});
    CLobbyUserListView* list = MakeView();
    list->SelectUser(session->FindUser("bob"));
    ASSERT_EQ(list->GetSelectedUsers().size(), 1u);
    QKeyEvent escape(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(list->GetListCtrl(), &escape);
    EXPECT_TRUE(list->GetSelectedUsers().empty());
}

TEST_F(UserListViewTest, ToolTipsNameTheSelectedPlayersAndFollowTheCheckMarks) {
    Arrive({Record("bob", Rated(1600)), Record("cy", Rated(1500))});
    ToolBarListView* list = MakeView<ToolBarListView>();
    ASSERT_TRUE(list->GetToolBar());
    EXPECT_EQ(list->GetToolBar()->actions().size(), 5);
    EXPECT_EQ(list->GetToolTipText(CUserListView::kCmdTalk), "Open a talk dialog with a player");
    list->SelectUser(session->FindUser("bob"));
    list->SelectUser(session->FindUser("cy"), true);
    EXPECT_EQ(list->GetToolTipText(CUserListView::kCmdTalk), "Open a talk dialog with bob, cy");
    list->SelectUser(session->FindUser("bob"));
    EXPECT_EQ(list->GetToolTipText(CUserListView::kCmdFriendTool), "Add bob to your list of friends");
    relations.friends << "bob";
    EXPECT_EQ(list->GetToolTipText(CUserListView::kCmdFriendTool), "Remove bob from your list of friends");
    list->UpdateCommandUi();
    QAction* friendButton = list->GetToolBar()->actions().front();
    EXPECT_TRUE(friendButton->isChecked());
    EXPECT_EQ(friendButton->toolTip(), "Remove bob from your list of friends");
    // Long name lists are cut.
    for (int i = 0; i < 20; ++i)
        Arrive({Record(QStringLiteral("player%1").arg(i), Rated(1500))});
    for (int row = 0; row < list->GetRowCount(); ++row)
        list->SelectUser(list->GetUserAt(row), true);
    EXPECT_EQ(list->GetToolTipText(CUserListView::kCmdTalk).size(), 80);
}

// ---- flyover

class UserListFlyoverTest : public UserListViewTest {
protected:
    void SetUp() override {
        UserListViewTest::SetUp();
        settings().WriteBool("CMBDetailedListOptions", "bDetailedListFlyover", true);
        settings().WriteInt("CMBDetailedListOptions", "nDetailedListFlyoverDelay", 30);
        Arrive({Record("bob", Rated(1600)), Record("<b>evil</b>", Rated(1.5f))});
        list = MakeView();
        ctrl = list->GetListCtrl();
        holder->show();
        ctrl->SetCursorLocator([this]() -> std::optional<QPoint> { return cursor; });
    }

    QPoint RowPoint(int row) const { return ctrl->visualRect(list->GetModel()->index(row, 0)).center(); }
    void MoveMouse(const QPoint& point) {
        cursor = point;
        QMouseEvent move(QEvent::MouseMove, point, ctrl->viewport()->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(ctrl->viewport(), &move);
    }

    CLobbyUserListView* list = nullptr;
    CUserListCtrl* ctrl = nullptr;
    std::optional<QPoint> cursor;
};

TEST_F(UserListFlyoverTest, RestingOnARowShowsItsFlyoverOnce) {
    MoveMouse(RowPoint(0));
    EXPECT_TRUE(ctrl->IsTimerActive(CUserListCtrl::kHoverTimer));
    ctrl->OnTimer(CUserListCtrl::kHoverTimer);
    EXPECT_EQ(flyover.shown, 1);
    // The hover timer does not run again by itself; the auto-hide timer does.
    EXPECT_FALSE(ctrl->IsTimerActive(CUserListCtrl::kHoverTimer));
    EXPECT_TRUE(ctrl->IsTimerActive(CUserListCtrl::kAutoHideTimer));
    EXPECT_EQ(flyover.geometry.size(), QSize(280, 89));

    QFile page(PlayerFlyover::FilePath());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<b>bob</b>"));
    EXPECT_TRUE(html.contains("/client/user-picture/bob/"));
    EXPECT_EQ(flyover.address, QUrl::fromLocalFile(PlayerFlyover::FilePath()).toString());

    // Moving within the row keeps it; the auto-hide hides it.
    MoveMouse(RowPoint(0) + QPoint(30, 1));
    EXPECT_TRUE(flyover.visible);
    ctrl->OnTimer(CUserListCtrl::kAutoHideTimer);
    EXPECT_FALSE(flyover.visible);
}

TEST_F(UserListFlyoverTest, LeavingTheRowHidesTheFlyoverAtOnce) {
    MoveMouse(RowPoint(0));
    ctrl->OnTimer(CUserListCtrl::kHoverTimer);
    ASSERT_TRUE(flyover.visible);
    MoveMouse(RowPoint(1));
    EXPECT_FALSE(flyover.visible);
    EXPECT_FALSE(ctrl->IsTimerActive(CUserListCtrl::kAutoHideTimer));
    // A click stops the pending flyover.
    QMouseEvent press(QEvent::MouseButtonPress, RowPoint(1), ctrl->viewport()->mapToGlobal(RowPoint(1)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ctrl->viewport(), &press);
    EXPECT_FALSE(ctrl->IsTimerActive(CUserListCtrl::kHoverTimer));
    // So does the player leaving the lobby: the row under the mouse is another's.
    MoveMouse(RowPoint(0));
    ctrl->OnTimer(CUserListCtrl::kHoverTimer);
    ASSERT_TRUE(flyover.visible);
    Leave({Record("bob")});
    EXPECT_FALSE(flyover.visible);
}

TEST_F(UserListFlyoverTest, ServerTextsAreEscapedInThePage) {
    const CClientUserInfo* evil = session->FindUser("<b>evil</b>");
    ASSERT_TRUE(evil);
    const QString html = PlayerFlyover::FormatHtml(*evil, "http://host");
    EXPECT_FALSE(html.contains("<b>evil</b>"));
    EXPECT_TRUE(html.contains("&lt;b&gt;evil&lt;/b&gt;"));
    EXPECT_TRUE(html.contains("/client/user-picture/%3Cb%3Eevil%3C%2Fb%3E/"));
    EXPECT_TRUE(html.contains("Rating: Guest, Exp: 10"));
}

TEST_F(UserListFlyoverTest, NoFlyoverWhileSwitchedOffOrOutsideTheRows) {
    cursor.reset();
    MoveMouse(RowPoint(0));
    cursor.reset();
    ctrl->OnTimer(CUserListCtrl::kHoverTimer);
    EXPECT_EQ(flyover.shown, 0);

    settings().WriteBool("CMBDetailedListOptions", "bDetailedListFlyover", false);
    platform::SendMessageTo(list, platform::RegisterMessage(CUserListView::kFlyoverChangedMessage));
    EXPECT_FALSE(list->IsFlyoverEnabled());
    MoveMouse(RowPoint(0));
    EXPECT_FALSE(ctrl->IsTimerActive(CUserListCtrl::kHoverTimer));
}

TEST(PlayerFlyoverTest, ThePopUpStaysOnTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PlayerFlyover::Place(QPoint(500, 400), screen), QRect(490, 321, 280, 89));
    EXPECT_EQ(PlayerFlyover::Place(QPoint(5, 20), screen).topLeft(), QPoint(10, 10));
    EXPECT_EQ(PlayerFlyover::Place(QPoint(1020, 760), screen).topLeft(), QPoint(744, 679));
    EXPECT_EQ(WebHostOf("http://127.0.0.1:4115/web/apps/client/motd/default.asp?x=1"), "http://127.0.0.1:4115");
    EXPECT_EQ(WebHostOf("javascript:alert(1)"), "");
    EXPECT_EQ(WebHostOf(""), "");
    // A second screen to the right.
    EXPECT_EQ(PlayerFlyover::Place(QPoint(1030, 40), QRect(1024, 0, 800, 600)).topLeft(), QPoint(1034, 10));
}

} // namespace

#include "UserListViewTest.moc"
