#include "lobby/UserListModel.h"

#include "session/LobbyUserMap.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

// Around the signals of one change of the rows (a begin, the change, its end): the index is stale
// from the start and after the end, and a view's slot that asks for a flush in between gets it at the
// end of the turn (a rebuilt index would hold the rows as they were while the change was told).
class CUserListModel::ChangeScope {
public:
    explicit ChangeScope(CUserListModel& model) : m_model(model) {
        ++m_model.m_changing;
        m_model.indexChanged();
    }
    ~ChangeScope() {
        m_model.indexChanged();
        --m_model.m_changing;
    }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    CUserListModel& m_model;
};

CUserListModel::CUserListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CUserListModel::SetCompare(Compare compare, Placement placement) {
    m_compare = std::move(compare);
    m_placement = placement;
}

void CUserListModel::SetColumns(std::vector<int> columns, QStringList titles,
                                std::vector<Qt::Alignment> alignments) {
    flushLayout();
    flushNoted();
    ChangeScope scope(*this);
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

namespace {

size_t IndexSlotOf(const CClientUserInfo* user, int bits) {
    return size_t((quint64(quintptr(user)) >> 3) * 0x9E3779B97F4A7C15ull >> (64 - bits));
}

} // namespace

int CUserListModel::RowOf(const CClientUserInfo* user) const {
    if (!user)
        return -1;
    if (m_indexValid) {
        const size_t mask = m_index.size() - 1;
        for (size_t slot = IndexSlotOf(user, m_indexBits);; slot = (slot + 1) & mask) {
            const IndexSlot& entry = m_index[slot];
            if (!entry.user)
                return -1;
            if (entry.user != user)
                continue;
            if (entry.row < int(m_rows.size()) && m_rows[size_t(entry.row)] == user)
                return entry.row;
            // An index that missed a change is not used again: the rows are searched.
            m_indexValid = false;
            break;
        }
    }
    const auto it = std::find(m_rows.begin(), m_rows.end(), user);
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

void CUserListModel::rebuildIndex() const {
    // At most half full, so that a search ends soon at an empty slot.
    int bits = 4;
    while ((size_t(1) << bits) < 2 * m_rows.size())
        ++bits;
    m_indexBits = bits;
    m_index.assign(size_t(1) << bits, IndexSlot());
    const size_t mask = m_index.size() - 1;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        size_t slot = IndexSlotOf(m_rows[row], bits);
        while (m_index[slot].user)
            slot = (slot + 1) & mask;
        m_index[slot] = {m_rows[row], int(row)};
    }
    m_indexValid = true;
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
        indexChanged();
        return int(m_rows.size()) - 1;
    }
    flushLayout();
    flushNoted();
    const int row = sortedPlace(*user, -1);
    ChangeScope scope(*this);
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, user);
    endInsertRows();
    return row;
}

int CUserListModel::MoveToSortedPlace(int row) {
    if (m_batch || row < 0 || row >= int(m_rows.size()))
        return row;
    if (!m_arrivals.empty() || !m_replace.empty()) {
        CClientUserInfo* user = m_rows[row];
        flushNoted();
        row = RowOf(user);
    }
    const int target = sortedPlace(*m_rows[row], row);
    if (target == row)
        return row;
    indexChanged();
    if (m_gather) {
        if (!m_layoutPending) {
            {
                ChangeScope scope(*this);
                emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
            }
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
        indexChanged();
        Q_ASSERT(m_rows[target] == user);
        return target;
    }
    // beginMoveRows counts the destination in the rows before the move.
    const int destination = target < row ? target : target + 1;
    ChangeScope scope(*this);
    beginMoveRows(QModelIndex(), row, row, QModelIndex(), destination);
    CClientUserInfo* user = m_rows[row];
    m_rows.erase(m_rows.begin() + row);
    m_rows.insert(m_rows.begin() + target, user);
    endMoveRows();
    return target;
}

bool CUserListModel::RemoveRow(int row) {
    if (row < 0 || row >= int(m_rows.size()))
        return false;
    // Nothing noted of the record stays behind it (its address may come back with another).
    std::erase(m_replace, m_rows[size_t(row)]);
    if (m_batch) {
        m_rows.erase(m_rows.begin() + row);
        indexChanged();
        return true;
    }
    flushLayout();
    {
        // The selection hears of the removal from inside it (and its slots may ask for the rows).
        ChangeScope scope(*this);
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
    }
    // The index is made again at the end of the turn.
    if (m_gather)
        postFlush();
    return true;
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
    m_arrivals.clear();
    m_arriving.clear();
    m_replace.clear();
    if (m_batch) {
        m_rows.clear();
        indexChanged();
        return;
    }
    if (m_rows.empty())
        return;
    flushLayout();
    ChangeScope scope(*this);
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CUserListModel::SetGathering(bool gather) {
    if (!gather)
        FlushGathered();
    m_gather = gather;
    if (gather && !m_indexValid)
        rebuildIndex();
}

bool CUserListModel::Contains(const CClientUserInfo* user) const {
    return m_arriving.count(user) != 0 || RowOf(user) >= 0;
}

void CUserListModel::AddUser(CClientUserInfo* user) {
    if (!m_gather || m_batch) {
        InsertSorted(user);
        return;
    }
    if (!m_arriving.insert(user).second)
        return;
    m_arrivals.push_back(user);
    postFlush();
}

bool CUserListModel::UserChanged(CClientUserInfo* user, bool placeChanged) {
    const int row = RowOf(user);
    if (row < 0)
        return m_arriving.count(user) != 0; // shown in its place with the others at the end of the turn
    if (!m_gather || m_batch) {
        RowChanged(row);
        if (placeChanged)
            MoveToSortedPlace(row);
        return true;
    }
    if (m_columns.empty() && !placeChanged)
        return true;
    m_dataPending = true;
    if (placeChanged)
        m_replace.push_back(user);
    postFlush();
    return true;
}

bool CUserListModel::RemoveUser(const CClientUserInfo* user) {
    if (m_arriving.erase(user)) {
        m_arrivals.erase(std::find(m_arrivals.begin(), m_arrivals.end(), user));
        return true;
    }
    // RowOf gives only a row that holds him.
    return RemoveRow(RowOf(user));
}

int CUserListModel::UserCount() const {
    return int(m_rows.size() + m_arrivals.size());
}

bool CUserListModel::flushNoted() {
    if (m_arrivals.empty() && m_replace.empty())
        return false;
    flushLayout();
    // The rows noted to move (a user noted twice, or gone since, counts once or not at all).
    if (!m_indexValid)
        rebuildIndex();
    std::vector<char> moving(m_rows.size() + m_arrivals.size(), 0);
    for (const CClientUserInfo* user : m_replace) {
        if (const int row = RowOf(user); row >= 0)
            moving[size_t(row)] = 1;
    }
    m_replace.clear();
    // New rows join at the end, then go to their places with the changed ones.
    if (!m_arrivals.empty()) {
        // Taken before the views hear of them: a slot that asks again finds nothing noted.
        const std::vector<CClientUserInfo*> arrivals = std::exchange(m_arrivals, {});
        m_arriving.clear();
        const int first = int(m_rows.size());
        ChangeScope scope(*this);
        beginInsertRows(QModelIndex(), first, first + int(arrivals.size()) - 1);
        m_rows.insert(m_rows.end(), arrivals.begin(), arrivals.end());
        endInsertRows();
        std::fill(moving.begin() + first, moving.end(), 1);
    }
    // The rows that stay keep their order (nothing of theirs that orders changed); the rest are
    // sorted among themselves and merged in, before or after the rows they compare equal to.
    std::vector<CClientUserInfo*> staying;
    std::vector<CClientUserInfo*> moved;
    staying.reserve(m_rows.size());
    for (size_t row = 0; row < m_rows.size(); ++row)
        (moving[row] ? moved : staying).push_back(m_rows[row]);
    std::vector<CClientUserInfo*> order;
    order.reserve(m_rows.size());
    const auto less = [this](const CClientUserInfo* a, const CClientUserInfo* b) { return this->less(a, b); };
    if (m_placement == Placement::Top) {
        // Newest first, as they would have come one by one.
        order.assign(moved.rbegin(), moved.rend());
        order.insert(order.end(), staying.begin(), staying.end());
    } else if (m_placement == Placement::Bottom || !m_compare) {
        order = std::move(staying);
        order.insert(order.end(), moved.begin(), moved.end());
    } else if (!mergeOnKeys(moved, staying, order)) {
        std::stable_sort(moved.begin(), moved.end(), less);
        if (m_placement == Placement::BeforeEqual)
            std::merge(moved.begin(), moved.end(), staying.begin(), staying.end(), std::back_inserter(order), less);
        else
            std::merge(staying.begin(), staying.end(), moved.begin(), moved.end(), std::back_inserter(order), less);
    }
    if (order == m_rows)
        return false;
    ChangeScope scope(*this);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<CClientUserInfo*> users;
    users.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        users.push_back(UserAt(index.row()));
    m_rows = std::move(order);
    endLayoutChange(before, users);
    return true;
}

bool CUserListModel::mergeOnKeys(const std::vector<CClientUserInfo*>& moved,
                                 const std::vector<CClientUserInfo*>& staying,
                                 std::vector<CClientUserInfo*>& order) const {
    if (!m_sortKey)
        return false;
    using Keyed = std::pair<UserSortKey, CClientUserInfo*>;
    const auto keyed = [this](const std::vector<CClientUserInfo*>& users, std::vector<Keyed>& out) {
        out.reserve(users.size());
        for (CClientUserInfo* user : users) {
            const std::optional<UserSortKey> key = m_sortKey(*user);
            if (!key)
                return false;
            out.emplace_back(*key, user);
        }
        return true;
    };
    std::vector<Keyed> movedKeys;
    std::vector<Keyed> stayingKeys;
    if (!keyed(moved, movedKeys) || !keyed(staying, stayingKeys))
        return false;
    const auto less = [](const Keyed& a, const Keyed& b) { return a.first < b.first; };
    std::stable_sort(movedKeys.begin(), movedKeys.end(), less);
    std::vector<Keyed> merged;
    merged.reserve(movedKeys.size() + stayingKeys.size());
    if (m_placement == Placement::BeforeEqual)
        std::merge(movedKeys.begin(), movedKeys.end(), stayingKeys.begin(), stayingKeys.end(),
                   std::back_inserter(merged), less);
    else
        std::merge(stayingKeys.begin(), stayingKeys.end(), movedKeys.begin(), movedKeys.end(),
                   std::back_inserter(merged), less);
    order.clear();
    for (const Keyed& entry : merged)
        order.push_back(entry.second);
    return true;
}

void CUserListModel::endLayoutChange(const QModelIndexList& before, const std::vector<CClientUserInfo*>& users) {
    // The rows of the persistent indexes (the selection, the current row) follow their users, found
    // in one pass over the rows (the index is not made while the views are told).
    std::unordered_map<const CClientUserInfo*, int> rowOf;
    for (const CClientUserInfo* user : users) {
        if (user)
            rowOf.emplace(user, -1);
    }
    for (size_t row = 0; !rowOf.empty() && row < m_rows.size(); ++row) {
        if (const auto it = rowOf.find(m_rows[row]); it != rowOf.end())
            it->second = int(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto it = rowOf.find(users[size_t(i)]);
        const int row = it == rowOf.end() ? -1 : it->second;
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
    const QModelIndexList before = std::move(m_pendingIndexes);
    const std::vector<CClientUserInfo*> users = std::move(m_pendingUsers);
    m_pendingIndexes.clear();
    m_pendingUsers.clear();
    ChangeScope scope(*this);
    endLayoutChange(before, users);
}

void CUserListModel::FlushGathered() {
    // A view's slot asking while the views are told of a change: a flush now would start a change
    // inside that one, and an index made now would hold the rows as they were.
    if (changing()) {
        if (m_gather)
            postFlush();
        return;
    }
    // A layout change repaints every row anyway.
    bool laidOut = m_layoutPending;
    flushLayout();
    laidOut = flushNoted() || laidOut;
    if (laidOut)
        m_dataPending = false;
    if (m_gather && !m_indexValid)
        rebuildIndex();
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
    flushNoted();
    if (IsSorted())
        return;
    ChangeScope scope(*this);
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
    indexChanged();
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
    flushNoted();
    ChangeScope scope(*this);
    beginResetModel();
    // The batch counts as a change until its end.
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
    {
        ChangeScope scope(*this);
        endResetModel();
    }
    if (m_gather)
        rebuildIndex();
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
