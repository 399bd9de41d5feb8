#include "lobby/UserListModel.h"

#include "session/LobbyUserMap.h"

#include <algorithm>
#include <numeric>

CUserListModel::CUserListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CUserListModel::SetCompare(Compare compare, Placement placement) {
    m_compare = std::move(compare);
    m_placement = placement;
}

void CUserListModel::SetColumns(std::vector<int> columns, QStringList titles,
                                std::vector<Qt::Alignment> alignments) {
    flushLayout();
    beginResetModel();
    m_columns = std::move(columns);
    m_titles = std::move(titles);
    m_alignments = std::move(alignments);
    endResetModel();
}

int CUserListModel::ColumnNumber(int modelColumn) const {
    return modelColumn >= 0 && modelColumn < int(m_columns.size()) ? m_columns[modelColumn] : -1;
}

int CUserListModel::ModelColumn(int columnNumber) const {
    const auto it = std::find(m_columns.begin(), m_columns.end(), columnNumber);
    return it == m_columns.end() ? -1 : int(it - m_columns.begin());
}

int CUserListModel::RowOf(const CClientUserInfo* user) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), user);
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

CClientUserInfo* CUserListModel::UserAt(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row] : nullptr;
}

bool CUserListModel::less(const CClientUserInfo* a, const CClientUserInfo* b) const {
    return m_compare && m_compare(*a, *b) < 0;
}

int CUserListModel::sortedPlace(const CClientUserInfo& user, int skip) const {
    const int count = int(m_rows.size()) - (skip >= 0 ? 1 : 0);
    if (m_placement == Placement::Top)
        return 0;
    if (m_placement == Placement::Bottom || !m_compare)
        return count;
    const auto rowAt = [&](int i) { return m_rows[skip >= 0 && i >= skip ? i + 1 : i]; };
    // The first row the user goes before.
    const bool beforeEqual = m_placement == Placement::BeforeEqual;
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const int order = m_compare(user, *rowAt(middle));
        if (beforeEqual ? order <= 0 : order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

int CUserListModel::InsertSorted(CClientUserInfo* user) {
    if (m_batch) {
        m_rows.push_back(user);
        return int(m_rows.size()) - 1;
    }
    flushLayout();
    const int row = sortedPlace(*user, -1);
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, user);
    endInsertRows();
    return row;
}

int CUserListModel::MoveToSortedPlace(int row) {
    if (m_batch || row < 0 || row >= int(m_rows.size()))
        return row;
    const int target = sortedPlace(*m_rows[row], row);
    if (target == row)
        return row;
    if (m_gather) {
        if (!m_layoutPending) {
            emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
            m_layoutPending = true;
            m_pendingIndexes = persistentIndexList();
            m_pendingUsers.clear();
            for (const QModelIndex& index : m_pendingIndexes)
                m_pendingUsers.push_back(UserAt(index.row()));
            postFlush();
        }
        CClientUserInfo* user = m_rows[row];
        if (target < row)
            std::rotate(m_rows.begin() + target, m_rows.begin() + row, m_rows.begin() + row + 1);
        else
            std::rotate(m_rows.begin() + row, m_rows.begin() + row + 1, m_rows.begin() + target + 1);
        Q_ASSERT(m_rows[target] == user);
        return target;
    }
    // beginMoveRows counts the destination in the rows before the move.
    const int destination = target < row ? target : target + 1;
    beginMoveRows(QModelIndex(), row, row, QModelIndex(), destination);
    CClientUserInfo* user = m_rows[row];
    m_rows.erase(m_rows.begin() + row);
    m_rows.insert(m_rows.begin() + target, user);
    endMoveRows();
    return target;
}

void CUserListModel::RemoveRow(int row) {
    if (row < 0 || row >= int(m_rows.size()))
        return;
    if (m_batch) {
        m_rows.erase(m_rows.begin() + row);
        return;
    }
    flushLayout();
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CUserListModel::RowChanged(int row) {
    if (m_batch || row < 0 || row >= int(m_rows.size()) || m_columns.empty())
        return;
    if (m_gather) {
        m_dataPending = true;
        postFlush();
        return;
    }
    emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

void CUserListModel::Clear() {
    if (m_batch) {
        m_rows.clear();
        return;
    }
    if (m_rows.empty())
        return;
    flushLayout();
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CUserListModel::SetGathering(bool gather) {
    if (!gather)
        FlushGathered();
    m_gather = gather;
}

void CUserListModel::postFlush() {
    if (m_flushPosted)
        return;
    m_flushPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_flushPosted = false;
            FlushGathered();
        },
        Qt::QueuedConnection);
}

void CUserListModel::flushLayout() {
    if (!m_layoutPending)
        return;
    m_layoutPending = false;
    // The rows of the persistent indexes (the selection, the current row) follow their users.
    QModelIndexList after;
    after.reserve(m_pendingIndexes.size());
    for (qsizetype i = 0; i < m_pendingIndexes.size(); ++i) {
        const int row = RowOf(m_pendingUsers[size_t(i)]);
        after.append(row < 0 ? QModelIndex() : index(row, m_pendingIndexes[i].column()));
    }
    changePersistentIndexList(m_pendingIndexes, after);
    m_pendingIndexes.clear();
    m_pendingUsers.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CUserListModel::FlushGathered() {
    // A layout change repaints every row anyway.
    if (m_layoutPending)
        m_dataPending = false;
    flushLayout();
    if (!m_dataPending)
        return;
    m_dataPending = false;
    emit gatheredRowsChanged();
}

bool CUserListModel::IsSorted() const {
    return std::is_sorted(m_rows.begin(), m_rows.end(),
                          [this](const CClientUserInfo* a, const CClientUserInfo* b) { return less(a, b); });
}

void CUserListModel::Sort() {
    if (m_batch || !m_compare || m_placement == Placement::Top || m_placement == Placement::Bottom)
        return;
    flushLayout();
    if (IsSorted())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> oldRows(m_rows.size());
    std::iota(oldRows.begin(), oldRows.end(), 0);
    std::stable_sort(oldRows.begin(), oldRows.end(),
                     [this](int a, int b) { return less(m_rows[a], m_rows[b]); });
    std::vector<int> newRowOf(m_rows.size());
    std::vector<CClientUserInfo*> sorted(m_rows.size());
    for (size_t i = 0; i < oldRows.size(); ++i) {
        newRowOf[oldRows[i]] = int(i);
        sorted[i] = m_rows[oldRows[i]];
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newRowOf[index.row()], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CUserListModel::BeginBatch() {
    if (m_batch)
        return;
    flushLayout();
    beginResetModel();
    m_batch = true;
}

void CUserListModel::EndBatch() {
    if (!m_batch)
        return;
    m_batch = false;
    if (m_compare && m_placement != Placement::Top && m_placement != Placement::Bottom)
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [this](const CClientUserInfo* a, const CClientUserInfo* b) { return less(a, b); });
    // Rows placed at the top arrive newest first.
    if (m_placement == Placement::Top)
        std::reverse(m_rows.begin(), m_rows.end());
    endResetModel();
}

int CUserListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CUserListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CUserListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const CClientUserInfo* user = m_rows[index.row()];
    const int column = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_cellText ? m_cellText(*user, column) : QString();
    case Qt::TextAlignmentRole:
        return column < int(m_alignments.size()) ? QVariant::fromValue(m_alignments[column]) : QVariant();
    case kUserRole:
        return QVariant::fromValue(quintptr(user));
    default:
        return QVariant();
    }
}

QVariant CUserListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return QVariant();
    const int column = m_columns[section];
    if (role == Qt::DisplayRole)
        return m_titles.value(column);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return QVariant();
}
