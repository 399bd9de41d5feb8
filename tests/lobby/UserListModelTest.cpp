#include "lobby/UserListModel.h"
#include "lobby/UserListColumns.h"
#include "session/LobbyUserMap.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QItemSelectionModel>

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>

namespace {

using Placement = CUserListModel::Placement;

class UserListModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.SetCellText([](const CClientUserInfo& user, int column) { return UserCellText(user, column); });
        model.SetColumns({UserListColumn::Nickname, UserListColumn::Rating}, Titles(), {});
        SortBy(UserListColumn::Rating, false);
    }

    static QStringList Titles() {
        QStringList titles;
        for (int i = 0; i < UserListColumn::kCount; ++i)
            titles << QStringLiteral("Column %1").arg(i);
        return titles;
    }

    void SortBy(int column, bool ascending) {
        model.SetCompare(
            [column, ascending](const CClientUserInfo& a, const CClientUserInfo& b) {
                const int order = CompareUsersByColumn(a, b, column);
                return ascending ? order : -order;
            },
            ascending ? Placement::BeforeEqual : Placement::AfterEqual);
    }

    CClientUserInfo* User(const QString& nickname, float rating) {
        users.emplace_back(nickname);
        CClientUserInfo& user = users.back();
        user.SetRating(rating);
        user.UpdateDisplayTexts();
        user.ClearChangeMask();
        return &user;
    }

    QStringList Nicknames() const {
        QStringList names;
        for (const CClientUserInfo* user : model.Users())
            names << user->GetNickname();
        return names;
    }

    std::deque<CClientUserInfo> users; // stable addresses
    CUserListModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(UserListModelTest, InsertsAtTheSortedPlaceInBothDirections) {
    for (auto [name, rating] : {std::pair{"ann", 1500.f}, {"bob", 1700.f}, {"cy", 1600.f}, {"dee", 1400.f}})
        model.InsertSorted(User(name, rating));
    EXPECT_EQ(Nicknames(), QStringList({"bob", "cy", "ann", "dee"}));

    SortBy(UserListColumn::Rating, true);
    model.Sort();
    EXPECT_EQ(Nicknames(), QStringList({"dee", "ann", "cy", "bob"}));
    EXPECT_EQ(model.InsertSorted(User("eve", 1550.f)), 2);
    EXPECT_EQ(Nicknames(), QStringList({"dee", "ann", "eve", "cy", "bob"}));
}

TEST_F(UserListModelTest, EqualKeysGoBeforeWhenAscendingAndAfterWhenDescending) {
    model.InsertSorted(User("first", 1500.f));
    model.InsertSorted(User("second", 1500.f));
    EXPECT_EQ(Nicknames(), QStringList({"first", "second"}));

    model.Clear();
    SortBy(UserListColumn::Rating, true);
    model.InsertSorted(User("first", 1500.f));
    model.InsertSorted(User("second", 1500.f));
    EXPECT_EQ(Nicknames(), QStringList({"second", "first"}));
}

TEST_F(UserListModelTest, TopAndBottomPlacementsIgnoreTheOrder) {
    model.SetPlacement(Placement::Bottom);
    model.InsertSorted(User("a", 1.f));
    model.InsertSorted(User("b", 9000.f));
    model.SetPlacement(Placement::Top);
    model.InsertSorted(User("c", 5.f));
    EXPECT_EQ(Nicknames(), QStringList({"c", "a", "b"}));
}

TEST_F(UserListModelTest, AChangedRowMovesAloneAndKeepsItsSelection) {
    for (auto [name, rating] : {std::pair{"ann", 1500.f}, {"bob", 1700.f}, {"cy", 1600.f}, {"dee", 1400.f}})
        model.InsertSorted(User(name, rating));
    QItemSelectionModel selection(&model);
    CClientUserInfo* dee = model.UserAt(3);
    selection.select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    int resets = 0;
    int moves = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::rowsMoved, [&] { ++moves; });
    dee->SetRating(1800.f);
    EXPECT_EQ(model.MoveToSortedPlace(3), 0);
    EXPECT_EQ(Nicknames(), QStringList({"dee", "bob", "cy", "ann"}));
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(resets, 0);
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().front().row(), 0);

    // A row that is still in place does not move.
    EXPECT_EQ(model.MoveToSortedPlace(2), 2);
    EXPECT_EQ(moves, 1);
    // Downwards as well.
    dee->SetRating(1000.f);
    EXPECT_EQ(model.MoveToSortedPlace(0), 3);
    EXPECT_EQ(Nicknames(), QStringList({"bob", "cy", "ann", "dee"}));
    EXPECT_EQ(selection.selectedRows().front().row(), 3);
}

TEST_F(UserListModelTest, FullSortIsStableAndKeepsTheSelection) {
    for (auto [name, rating] : {std::pair{"a", 1.f}, {"b", 2.f}, {"c", 2.f}, {"d", 3.f}})
        model.InsertSorted(User(name, rating));
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    SortBy(UserListColumn::Rating, true);
    model.Sort();
    EXPECT_EQ(Nicknames(), QStringList({"a", "b", "c", "d"}));
    // The selected row (d, highest first before) went with its record.
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().front().row(), 3);
}

TEST_F(UserListModelTest, RatingsThatAreNotNumbersStillGiveAnOrder) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < 40; ++i)
        model.InsertSorted(
            User(QStringLiteral("u%1").arg(i), i % 3 == 0 ? nan : float(1000 + (i * 37) % 500)));
    EXPECT_TRUE(model.IsSorted());
    // Highest first; the ratings that are not numbers last.
    EXPECT_FALSE(std::isnan(model.UserAt(0)->GetRating()));
    EXPECT_TRUE(std::isnan(model.UserAt(39)->GetRating()));
    SortBy(UserListColumn::Rating, true);
    model.Sort();
    EXPECT_TRUE(model.IsSorted());
    EXPECT_TRUE(std::isnan(model.UserAt(0)->GetRating()));
}

TEST_F(UserListModelTest, ABatchCollectsRowsAndSortsThemOnce) {
    int resets = 0;
    int inserts = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    model.InsertSorted(User("old", 1.f));
    inserts = 0;
    model.BeginBatch();
    model.Clear();
    for (auto [name, rating] : {std::pair{"ann", 1500.f}, {"bob", 1700.f}, {"cy", 1600.f}})
        model.InsertSorted(User(name, rating));
    model.RemoveRow(model.RowOf(model.UserAt(0)));
    model.EndBatch();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(inserts, 0);
    EXPECT_EQ(Nicknames(), QStringList({"bob", "cy"}));
}

TEST_F(UserListModelTest, CellsAndHeadersFollowTheShownColumns) {
    model.InsertSorted(User("ann", 1523.456f));
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Column 4");
    EXPECT_EQ(model.index(0, 1).data().toString(), "1523.46");
    EXPECT_EQ(model.ColumnNumber(1), UserListColumn::Rating);
    EXPECT_EQ(model.ModelColumn(UserListColumn::Club), -1);

    model.SetColumns({UserListColumn::Rating, UserListColumn::Status, UserListColumn::Nickname}, Titles(),
                     {});
    EXPECT_EQ(model.index(0, 2).data().toString(), "ann");
    EXPECT_EQ(model.ModelColumn(UserListColumn::Nickname), 2);
    EXPECT_EQ(model.rowCount(), 1);

    model.RemoveRow(0);
    model.RemoveRow(5); // nothing there
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace

namespace {

// Gathered: moves and repaints reach the views once per turn of the event loop, the selection follows
// its users, and an insertion in between shows the gathered moves first.
TEST_F(UserListModelTest, GatheredChangesAreShownOncePerTurn) {
    CClientUserInfo* ann = User("ann", 1700);
    CClientUserInfo* bob = User("bob", 1600);
    CClientUserInfo* cy = User("cy", 1500);
    for (CClientUserInfo* user : {ann, bob, cy})
        model.InsertSorted(user);
    QItemSelectionModel selection(&model);
    selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows); // cy
    model.SetGathering(true);
    int layouts = 0;
    int moves = 0;
    int repaints = 0;
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
    QObject::connect(&model, &QAbstractItemModel::rowsMoved, [&] { ++moves; });
    QObject::connect(&model, &CUserListModel::gatheredRowsChanged, [&] { ++repaints; });

    cy->SetRating(1800);
    model.RowChanged(model.MoveToSortedPlace(model.RowOf(cy)));
    ann->SetRating(1400);
    model.RowChanged(model.MoveToSortedPlace(model.RowOf(ann)));
    EXPECT_EQ(Nicknames(), QStringList({"cy", "bob", "ann"}));
    EXPECT_EQ(layouts + moves + repaints, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(repaints, 0) << "the layout change repaints the rows";
    bob->SetExperience(12);
    model.RowChanged(model.RowOf(bob));
    model.RowChanged(model.RowOf(bob));
    QCoreApplication::processEvents();
    EXPECT_EQ(repaints, 1);
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().front().row(), 0);

    bob->SetRating(1900);
    model.MoveToSortedPlace(model.RowOf(bob));
    model.InsertSorted(User("dee", 1000));
    EXPECT_EQ(layouts, 2) << "shown before the insertion";
    EXPECT_EQ(selection.selectedRows().front().row(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(layouts, 2);
}

} // namespace

namespace {

// A gathering list that follows the directory: arrivals, changes and departures in bursts, shown once
// per turn. After each turn the rows are in order, hold exactly the users still listed, each found at
// his row, the selection still on its user; departures in the middle of a burst (a noted arrival, a
// row noted to move) leave nothing behind. The tester above checks every signal against the rows.
TEST_F(UserListModelTest, NotedBurstsEndInOrderWithEveryUserFoundAndTheSelectionKept) {
    const std::pair<Placement, bool> passes[] = {
        {Placement::AfterEqual, false}, {Placement::BeforeEqual, false}, {Placement::Top, false},
        {Placement::AfterEqual, true}, {Placement::BeforeEqual, true}};
    for (const auto& [placement, keyed] : passes) {
        model.Clear();
        SortBy(UserListColumn::Rating, placement == Placement::BeforeEqual);
        model.SetPlacement(placement);
        // Sorted on keys taken once per user, or on the records.
        model.SetSortKey(nullptr);
        if (keyed)
            model.SetSortKey([ascending = placement == Placement::BeforeEqual](const CClientUserInfo& user) {
                std::optional<UserSortKey> key = SortKeyByColumn(user, UserListColumn::Rating);
                if (key && !ascending)
                    *key = UserSortKey{-key->tier, -key->value};
                return key;
            });
        model.SetGathering(true);
        QItemSelectionModel selection(&model);
        // Views' slots that flush while told of a change (the selection, of a removal) start none inside it.
        QObject views;
        const auto flush = [&] { model.FlushGathered(); };
        QObject::connect(&selection, &QItemSelectionModel::selectionChanged, &views, flush);
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, &views, flush);
        QObject::connect(&model, &QAbstractItemModel::layoutAboutToBeChanged, &views, flush);
        int layouts = 0;
        const auto counter = QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
        std::vector<CClientUserInfo*> listed;
        unsigned seed = 7;
        const auto next = [&seed](unsigned range) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 8) % range;
        };
        for (int turn = 0; turn < 12; ++turn) {
            CClientUserInfo* selected = model.rowCount() > 0 ? model.UserAt(int(next(model.rowCount()))) : nullptr;
            if (selected)
                selection.select(model.index(model.RowOf(selected), 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            for (int step = 0; step < 40; ++step) {
                const unsigned what = next(10);
                if (what < 4 || listed.empty()) {
                    CClientUserInfo* user = User(QStringLiteral("u%1_%2").arg(turn).arg(step), float(next(50)));
                    model.AddUser(user);
                    model.AddUser(user); // told twice: listed once
                    listed.push_back(user);
                } else if (what < 8) {
                    CClientUserInfo* user = listed[next(unsigned(listed.size()))];
                    user->SetRating(float(next(50)));
                    model.UserChanged(user, true);
                } else {
                    const size_t at = next(unsigned(listed.size()));
                    CClientUserInfo* user = listed[at];
                    if (user == selected)
                        selected = nullptr;
                    EXPECT_TRUE(model.RemoveUser(user));
                    EXPECT_FALSE(model.RemoveUser(user));
                    listed.erase(listed.begin() + long(at));
                    user->SetRating(std::numeric_limits<float>::quiet_NaN()); // gone: must not be read again
                }
                EXPECT_EQ(model.UserCount(), int(listed.size()));
            }
            const int layoutsBefore = layouts;
            QCoreApplication::processEvents();
            EXPECT_LE(layouts - layoutsBefore, 1) << "one layout change per turn";
            ASSERT_EQ(model.rowCount(), int(listed.size()));
            if (placement != Placement::Top) {
                EXPECT_TRUE(model.IsSorted()) << "turn " << turn;
            }
            for (CClientUserInfo* user : listed) {
                const int row = model.RowOf(user);
                ASSERT_GE(row, 0);
                EXPECT_EQ(model.UserAt(row), user);
            }
            if (selected) {
                ASSERT_EQ(selection.selectedRows().size(), 1);
                EXPECT_EQ(model.UserAt(selection.selectedRows().front().row()), selected);
            }
        }
        QObject::disconnect(counter);
        model.SetGathering(false);
    }
}

} // namespace
