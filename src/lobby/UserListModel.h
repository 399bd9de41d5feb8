#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "lobby/UserListColumns.h"

#include <functional>
#include <unordered_set>
#include <vector>

class CClientUserInfo;

// The rows of a player list: one user record per row (records the list does not own), kept in the
// list's sort order, and the shown columns in display order. Rows are placed by binary search and
// moved one at a time, so a change never re-sorts the whole list; moves keep the selection.
class CUserListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Where a new row goes among rows it compares equal to, or regardless of the order.
    enum class Placement {
        BeforeEqual, // before the first row it does not sort after
        AfterEqual,  // after the last row it does not sort before
        Top,
        Bottom,
    };
    // The record of a row (Qt::UserRole), as an integer.
    static constexpr int kUserRole = Qt::UserRole;

    // The list's order (negative: a before b) and how new rows are placed in it.
    using Compare = std::function<int(const CClientUserInfo& a, const CClientUserInfo& b)>;
    // The text of a cell (for accessibility, measuring and tests; the list paints its cells itself).
    using CellText = std::function<QString(const CClientUserInfo& user, int column)>;

    explicit CUserListModel(QObject* parent = nullptr);

    void SetCompare(Compare compare, Placement placement);
    // The key the order compares by, when it has one (none for a user: compare the records); noted
    // rows are then placed on keys taken once each.
    using SortKeyOf = std::function<std::optional<UserSortKey>(const CClientUserInfo& user)>;
    void SetSortKey(SortKeyOf sortKey) { m_sortKey = std::move(sortKey); }
    Placement GetPlacement() const { return m_placement; }
    void SetPlacement(Placement placement) { m_placement = placement; }
    void SetCellText(CellText cellText) { m_cellText = std::move(cellText); }

    // The shown columns, in display order, with their titles (indexed by column number) and
    // alignments (Qt flags, indexed by column number). The model's columns are reset.
    void SetColumns(std::vector<int> columns, QStringList titles, std::vector<Qt::Alignment> alignments);
    const std::vector<int>& Columns() const { return m_columns; }
    // The column number of a model column, -1 when out of range; and back.
    int ColumnNumber(int modelColumn) const;
    int ModelColumn(int columnNumber) const;

    // The user's row, -1 when no row holds him (a record's address alone says nothing: a row is
    // taken only when it holds that very record).
    int RowOf(const CClientUserInfo* user) const;
    CClientUserInfo* UserAt(int row) const;
    const std::vector<CClientUserInfo*>& Users() const { return m_rows; }

    // Inserts the user at his place -> the row.
    int InsertSorted(CClientUserInfo* user);
    // Moves the row to the place its user now belongs at -> the new row.
    int MoveToSortedPlace(int row);
    // -> whether there was a row to remove.
    bool RemoveRow(int row);
    // Repaints the row's cells.
    void RowChanged(int row);
    void Clear();
    // Sorts the whole list (stable), keeping the selection.
    void Sort();
    bool IsSorted() const;

    // Many insertions at once (a refill): rows are collected, then sorted once and shown with one
    // reset. Removals during a batch work as usual.
    void BeginBatch();
    void EndBatch();
    bool InBatch() const { return m_batch; }

    // Gathered changes (a list that many packets change at once): moves and repaints of rows are
    // made in the rows at once but shown to the views once, at the end of the event loop's turn
    // (one layout change and one repaint), instead of once per row. Insertions and removals show
    // what was gathered first.
    void SetGathering(bool gather);
    bool IsGathering() const { return m_gather; }
    // Shows what was gathered now; while the views are being told of a change (a slot of theirs
    // asking), at the end of the turn instead.
    void FlushGathered();

    // What a list that follows the directory does with a user (records it may or may not show).
    // While gathering, a new user and a change of place are only noted: at the end of the turn the
    // new rows are added and every noted row goes to its place in one pass, so a burst costs one
    // sort of what changed instead of a search and a shift of the rows per record. Without
    // gathering they act at once.
    bool Contains(const CClientUserInfo* user) const;
    void AddUser(CClientUserInfo* user);
    // The user's record changed; placeChanged when the change touches the order -> whether the user
    // is in the list.
    bool UserChanged(CClientUserInfo* user, bool placeChanged);
    // Removes the user's row (or his noted arrival) -> whether he was in the list (and so removed).
    bool RemoveUser(const CClientUserInfo* user);
    // The users in the list, rows and noted arrivals.
    int UserCount() const;

signals:
    // Gathered rows changed their data (not their place): the views repaint what they show. (A
    // dataChanged over every row would make a tree view visit every row.)
    void gatheredRowsChanged();

public:
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The row the user goes to among the rows, leaving out the row skip.
    int sortedPlace(const CClientUserInfo& user, int skip) const;
    bool less(const CClientUserInfo* a, const CClientUserInfo* b) const;

    std::vector<CClientUserInfo*> m_rows;
    std::vector<int> m_columns;
    QStringList m_titles;
    std::vector<Qt::Alignment> m_alignments;
    Compare m_compare;
    SortKeyOf m_sortKey;
    CellText m_cellText;
    Placement m_placement = Placement::BeforeEqual;
    bool m_batch = false;

    void flushLayout();
    // Puts the moved rows among the staying ones on their sort keys -> false when there are none.
    bool mergeOnKeys(const std::vector<CClientUserInfo*>& moved, const std::vector<CClientUserInfo*>& staying,
                     std::vector<CClientUserInfo*>& order) const;
    // The persistent indexes follow their users to their new rows; the views lay the rows out again.
    void endLayoutChange(const QModelIndexList& before, const std::vector<CClientUserInfo*>& users);
    bool flushNoted();
    void postFlush();
    void rebuildIndex() const;
    void indexChanged() { m_indexValid = false; }
    // While the views are told of a change of the rows (from a begin to its end, and during a batch),
    // their slots may call back: nothing is flushed or indexed then, and the index is stale after.
    class ChangeScope;
    bool changing() const { return m_changing > 0 || m_batch; }
    int m_changing = 0;
    bool m_gather = false;
    bool m_layoutPending = false;
    bool m_dataPending = false;
    bool m_flushPosted = false;
    QModelIndexList m_pendingIndexes;            // persistent indexes when the layout change began
    std::vector<CClientUserInfo*> m_pendingUsers; // their users

    // Noted while gathering: users to add, and shown users whose place may have changed.
    std::vector<CClientUserInfo*> m_arrivals;
    std::unordered_set<const CClientUserInfo*> m_arriving;
    std::vector<const CClientUserInfo*> m_replace;
    // The row of each user, while no row has been added, removed or moved since it was made: an
    // open-addressed table (made again in one pass at the end of a turn, without an allocation per row).
    // A hit counts only when the row holds the user.
    struct IndexSlot {
        const CClientUserInfo* user = nullptr;
        int row = -1;
    };
    mutable std::vector<IndexSlot> m_index;
    mutable int m_indexBits = 0;
    mutable bool m_indexValid = false;
};
