#include "lobby/UserListCtrl.h"

#include "lobby/UserListArt.h"
#include "lobby/UserListModel.h"
#include "platform/Color.h"

#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

namespace {

// Every row as tall as the owner's font needs; the owner paints the cells.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    RowHeightDelegate(CUserListCtrlOwner* owner, QObject* parent)
        : QStyledItemDelegate(parent), m_owner(owner) {}
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(0, m_owner->GetListRowHeight());
    }
    void paint(QPainter*, const QStyleOptionViewItem&, const QModelIndex&) const override {}

private:
    CUserListCtrlOwner* m_owner;
};

} // namespace

CUserListCtrl::CUserListCtrl(CUserListCtrlOwner* owner, QWidget* parent) : QTreeView(parent), m_owner(owner) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setMouseTracking(true);
    setItemDelegate(new RowHeightDelegate(owner, this));
    // The background and the watermark are painted by the list itself, under the rows.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    QHeaderView* head = header();
    head->setSectionsMovable(true);
    head->setFirstSectionMovable(true);
    head->setSectionsClickable(true);
    head->setStretchLastSection(false);
    head->setMinimumSectionSize(0);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    head->setSectionResizeMode(QHeaderView::Interactive);
    connect(head, &QHeaderView::sectionClicked, this,
            [this](int section) { m_owner->OnListColumnClick(section); });
    // QTreeView fits the column first (it is connected before this).
    connect(head, &QHeaderView::sectionHandleDoubleClicked, this, [this] { onHeaderDividerDoubleClicked(); });
    connect(head, &QHeaderView::sectionResized, this, [this] {
        m_owner->MarkColumnsChanged();
        viewport()->update();
    });
    connect(head, &QHeaderView::sectionMoved, this, [this] { m_owner->OnListColumnsDragged(); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { m_owner->OnListDoubleClick(); });

    m_hoverTimer.setSingleShot(true);
    m_hideTimer.setSingleShot(true);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] { OnTimer(kHoverTimer); });
    connect(&m_hideTimer, &QTimer::timeout, this, [this] { OnTimer(kAutoHideTimer); });
}

CUserListCtrl::~CUserListCtrl() = default;

void CUserListCtrl::SetModel(CUserListModel* model) {
    m_model = model;
    setModel(model);
}

CClientUserInfo* CUserListCtrl::GetFirstSelectedUser() const {
    const std::vector<CClientUserInfo*> users = GetSelectedUsers();
    return users.empty() ? nullptr : users.front();
}

std::vector<CClientUserInfo*> CUserListCtrl::GetSelectedUsers() const {
    std::vector<CClientUserInfo*> users;
    if (!m_model || !selectionModel())
        return users;
    // Moves gathered for the next repaint: the selection follows them first.
    m_model->FlushGathered();
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : rows) {
        if (CClientUserInfo* user = m_model->UserAt(index.row()))
            users.push_back(user);
    }
    return users;
}

int CUserListCtrl::GetSelectedCount() const {
    return selectionModel() ? int(selectionModel()->selectedRows().size()) : 0;
}

void CUserListCtrl::RepaintSelectedRows() {
    if (!selectionModel())
        return;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        viewport()->update(visualRect(index).adjusted(-horizontalOffset(), 0, viewport()->width(), 0));
}

void CUserListCtrl::DeselectAll() {
    if (selectionModel())
        selectionModel()->clearSelection();
}

void CUserListCtrl::RowHeightChanged() {
    // The delegate answers the new height; the cached height goes with the layout.
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void CUserListCtrl::ReloadWatermark() {
    m_watermarkLoaded = false;
    m_watermarkTinted = QPixmap();
    viewport()->update();
}

std::vector<CUserListItemPaint::Cell> CUserListCtrl::CellRects(const QRect& rowRect) const {
    std::vector<CUserListItemPaint::Cell> cells;
    const QHeaderView* head = header();
    for (int visual = 0; visual < head->count(); ++visual) {
        const int logical = head->logicalIndex(visual);
        if (logical < 0 || head->isSectionHidden(logical))
            continue;
        cells.push_back({logical, QRect(head->sectionViewportPosition(logical), rowRect.top(),
                                        head->sectionSize(logical), rowRect.height())});
    }
    return cells;
}

std::vector<QPoint> CUserListCtrl::WatermarkTiles(const QRect& area, const QPoint& origin,
                                                  const QSize& picture) {
    std::vector<QPoint> tiles;
    const int w = picture.width();
    const int h = picture.height();
    if (w <= 0 || h <= 0 || area.isEmpty())
        return tiles;
    const auto rowTop = [&](long long k) { return origin.y() + (3 * k * h) / 2; };
    // The first row that can reach into the area.
    long long k = 0;
    if (area.top() - h > origin.y())
        k = std::max(0LL, (2LL * (area.top() - h - origin.y())) / (3LL * h));
    for (; rowTop(k) <= area.bottom(); ++k) {
        const long long top = rowTop(k);
        if (top + h <= area.top())
            continue;
        // Half a width further left on each row: the pattern repeats every four rows.
        const long long start = origin.x() - (k % 4) * (w / 2);
        long long first = 0;
        if (area.left() - w > start)
            first = (area.left() - w - start) / (2LL * w);
        for (long long x = start + first * 2LL * w; x <= area.right(); x += 2LL * w) {
            if (x + w > area.left())
                tiles.emplace_back(int(x), int(top));
        }
    }
    return tiles;
}

void CUserListCtrl::paintBackground(QPainter& painter, const QRect& area) {
    const QColor colour = platform::ToQColor(m_owner->GetListBackgroundColour());
    if (!m_owner->ShowsWatermark()) {
        painter.fillRect(area, colour);
        return;
    }
    if (!m_watermarkLoaded) {
        m_watermarkMask = UserListArt::WatermarkMask(m_owner->GetWatermarkBitmapId());
        m_watermarkLoaded = true;
        m_watermarkTinted = QPixmap();
    }
    if (m_watermarkMask.isNull()) {
        painter.fillRect(area, colour);
        return;
    }
    const platform::COLORREF tint = m_owner->GetWatermarkTint();
    if (m_watermarkTinted.isNull() || tint != m_tintedWith) {
        m_watermarkTinted = UserListArt::TintMask(m_watermarkMask, platform::ToQColor(tint));
        m_tintedWith = tint;
        m_background = QPixmap();
    }
    // The pattern repeats every two picture widths across and every four rows (six picture heights)
    // down: one period of it is made once per colour and tint, and a repaint tiles the part it needs,
    // wherever the list is scrolled to and however it is sized.
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize picture = m_watermarkMask.size();
    const QSize period(2 * picture.width(), 6 * picture.height());
    if (m_background.isNull() || colour != m_backgroundColour || m_background.devicePixelRatio() != ratio) {
        m_background = QPixmap(period * ratio);
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(colour);
        QPainter tiles(&m_background);
        const QRect whole(QPoint(0, 0), period);
        // Rows that start above the period reach into it as well.
        std::vector<QPoint> corners = WatermarkTiles(whole, QPoint(0, 0), picture);
        for (const QPoint& corner : WatermarkTiles(whole, QPoint(0, -period.height()), picture)) {
            if (std::find(corners.begin(), corners.end(), corner) == corners.end())
                corners.push_back(corner);
        }
        for (const QPoint& corner : corners)
            tiles.drawPixmap(corner, m_watermarkTinted);
        m_backgroundColour = colour;
    }
    // Where the area's corner falls in the period, the pattern starting at the scrolled origin.
    const QPoint origin(-horizontalOffset(), -verticalOffset());
    const auto wrap = [](int value, int size) { return ((value % size) + size) % size; };
    const QPoint offset(wrap(area.left() - origin.x(), period.width()), wrap(area.top() - origin.y(), period.height()));
    painter.drawTiledPixmap(area, m_background, offset);
}

void CUserListCtrl::paintEvent(QPaintEvent* event) {
    const QRect area = event->rect() & viewport()->rect();
    if (area.isEmpty())
        return;
    {
        QPainter painter(viewport());
        paintBackground(painter, area);
    }
    QTreeView::paintEvent(event);
}

void CUserListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    CUserListItemPaint item;
    item.row = index.row();
    item.rowRect = QRect(0, option.rect.top(), viewport()->width(), option.rect.height());
    item.cells = CellRects(item.rowRect);
    item.selected = selectionModel() && selectionModel()->isRowSelected(index.row(), index.parent());
    item.listHasFocus = m_hasFocus;
    painter->save();
    m_owner->DrawListItem(*painter, item);
    painter->restore();
}

int CUserListCtrl::sizeHintForColumn(int column) const {
    return m_owner->MeasureListColumn(column);
}

void CUserListCtrl::onHeaderDividerDoubleClicked() {
    m_owner->MarkColumnsChanged();
    viewport()->update();
}

std::optional<QPoint> CUserListCtrl::locateCursor() const {
    if (m_cursorLocator)
        return m_cursorLocator();
    const QPoint global = QCursor::pos();
    if (QApplication::widgetAt(global) != viewport())
        return std::nullopt;
    return viewport()->mapFromGlobal(global);
}

void CUserListCtrl::mouseMoveEvent(QMouseEvent* event) {
    m_lastMousePoint = event->position().toPoint();
    if (!m_hoverRect.contains(m_lastMousePoint)) {
        m_owner->HideFlyover();
        m_hideTimer.stop();
        m_hoverRect = QRect();
    }
    // One flyover per rest of the mouse: the timer runs once and only a move starts it again.
    if (m_owner->IsFlyoverEnabled())
        m_hoverTimer.start(std::clamp(m_owner->GetFlyoverDelay(), 0, kMaxFlyoverDelay) * 10);
    QTreeView::mouseMoveEvent(event);
}

void CUserListCtrl::mousePressEvent(QMouseEvent* event) {
    m_hoverTimer.stop();
    QTreeView::mousePressEvent(event);
}

void CUserListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    m_hoverTimer.stop();
    QTreeView::mouseDoubleClickEvent(event);
}

void CUserListCtrl::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        DeselectAll();
        event->accept();
        return;
    }
    QTreeView::keyReleaseEvent(event);
}

void CUserListCtrl::focusInEvent(QFocusEvent* event) {
    m_hasFocus = true;
    QTreeView::focusInEvent(event);
    RepaintSelectedRows();
}

void CUserListCtrl::focusOutEvent(QFocusEvent* event) {
    m_hasFocus = false;
    QTreeView::focusOutEvent(event);
    RepaintSelectedRows();
    m_hoverTimer.stop();
}

void CUserListCtrl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    m_owner->OnListSelectionChanged();
}

bool CUserListCtrl::IsTimerActive(int timerId) const {
    if (timerId == kHoverTimer)
        return m_hoverTimer.isActive();
    if (timerId == kAutoHideTimer)
        return m_hideTimer.isActive();
    return false;
}

void CUserListCtrl::OnTimer(int timerId) {
    if (timerId == kAutoHideTimer) {
        m_hideTimer.stop();
        m_owner->HideFlyover();
        return;
    }
    if (timerId != kHoverTimer)
        return;
    m_hoverTimer.stop();
    const std::optional<QPoint> point = locateCursor();
    if (!point)
        return;
    const QModelIndex index = indexAt(*point);
    if (!index.isValid())
        return;
    const QRect cell = visualRect(index);
    m_hoverRect = QRect(0, cell.top(), std::max(viewport()->width(), header()->length()), cell.height());
    m_owner->ShowFlyover(*point);
    m_hideTimer.start(kAutoHideMilliseconds);
}
