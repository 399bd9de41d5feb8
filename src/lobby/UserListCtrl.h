#pragma once

#include "platform/Win32Codes.h"

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <optional>
#include <vector>

class CClientUserInfo;
class CUserListModel;

// One row as the list hands it to its owner for painting: the row's rectangle across the list,
// the rectangle of each shown column in display order (with the model column it shows), and the
// state the owner paints by.
struct CUserListItemPaint {
    struct Cell {
        int modelColumn;
        QRect rect;
    };
    QRect rowRect;
    std::vector<Cell> cells;
    int row = -1;
    bool selected = false;
    bool listHasFocus = false;
};

// What the list control needs of the window that owns it: a player list, or the mail window's
// header list.
class CUserListCtrlOwner {
public:
    virtual ~CUserListCtrlOwner() = default;

    // Background and watermark behind the rows (COLORREF; the tint is a plain colour).
    virtual platform::COLORREF GetListBackgroundColour() const = 0;
    virtual bool ShowsWatermark() const = 0;
    virtual platform::COLORREF GetWatermarkTint() const = 0;
    // The watermark picture's resource number.
    virtual int GetWatermarkBitmapId() const = 0;

    // Paints one row (the background and watermark are painted already).
    virtual void DrawListItem(QPainter& painter, const CUserListItemPaint& item) = 0;
    // The row height the owner's font needs.
    virtual int GetListRowHeight() const = 0;
    // The width the column's widest cell needs (auto-size), without its header.
    virtual int MeasureListColumn(int modelColumn) const = 0;

    virtual void OnListSelectionChanged() {}
    virtual void OnListColumnClick(int modelColumn) { (void)modelColumn; }
    // A column was dragged to another place in the header.
    virtual void OnListColumnsDragged() {}
    // A column was resized by the user (dragged or fitted to its contents).
    virtual void MarkColumnsChanged() {}
    virtual void OnListDoubleClick() {}

    // The flyover: whether one may be shown, after how long (tens of milliseconds), showing it for
    // the row under a point (viewport coordinates), hiding it.
    virtual bool IsFlyoverEnabled() const { return false; }
    virtual int GetFlyoverDelay() const { return 50; }
    virtual void ShowFlyover(const QPoint& point) { (void)point; }
    virtual void HideFlyover() {}
};

// The list inside every player list: a report list whose rows its owner paints, over the owner's
// background and a tiled watermark picture that scrolls with the rows. It tracks its focus for the
// selection look, clears the selection on Escape, fits a column to its contents on a double click
// of the header divider, and times the flyover of the row the mouse rests on: shown once after the
// owner's delay, hidden 10 seconds later, or at once when the mouse leaves that row.
class CUserListCtrl : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kHoverTimer = 1837;
    static constexpr int kAutoHideTimer = 1838;
    static constexpr int kAutoHideMilliseconds = 10000;
    // The longest flyover delay taken from the settings, in tens of milliseconds.
    static constexpr int kMaxFlyoverDelay = 6000;

    CUserListCtrl(CUserListCtrlOwner* owner, QWidget* parent = nullptr);
    ~CUserListCtrl() override;

    void SetModel(CUserListModel* model);
    CUserListModel* GetModel() const { return m_model; }
    CUserListCtrlOwner* GetOwner() const { return m_owner; }

    // The record of the first selected row (in row order), or null.
    CClientUserInfo* GetFirstSelectedUser() const;
    // The selected rows' records in row order.
    std::vector<CClientUserInfo*> GetSelectedUsers() const;
    int GetSelectedCount() const;
    void RepaintSelectedRows();
    void DeselectAll();
    bool HasFocusFlag() const { return m_hasFocus; }

    // The rows' height changed (font): the view lays them out again.
    void RowHeightChanged();
    // The watermark picture is loaded again at the next paint (a new owner setting).
    void ReloadWatermark();

    // The cells of a row in display order, as they are painted.
    std::vector<CUserListItemPaint::Cell> CellRects(const QRect& rowRect) const;

    // The timers' work (their ids as above); tests call it instead of waiting.
    void OnTimer(int timerId);
    bool IsTimerActive(int timerId) const;
    QRect HoverRect() const { return m_hoverRect; }
    // Where the pointer is, in viewport coordinates, when it is over this list (tests replace it).
    using CursorLocator = std::function<std::optional<QPoint>()>;
    void SetCursorLocator(CursorLocator locator) { m_cursorLocator = std::move(locator); }

    // The tiles of the watermark that meet area (viewport coordinates): each tile's top-left corner.
    // Rows of copies every two picture widths, each row 1.5 picture heights below the one before and
    // shifted half a width further left, starting at the scrolled origin.
    static std::vector<QPoint> WatermarkTiles(const QRect& area, const QPoint& origin, const QSize& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    int sizeHintForColumn(int column) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void paintBackground(QPainter& painter, const QRect& area);
    void onHeaderDividerDoubleClicked();
    std::optional<QPoint> locateCursor() const;

    CUserListCtrlOwner* m_owner;
    CUserListModel* m_model = nullptr;
    bool m_hasFocus = false;
    QRect m_hoverRect;
    QPoint m_lastMousePoint;
    QTimer m_hoverTimer;
    QTimer m_hideTimer;
    CursorLocator m_cursorLocator;

    // The watermark picture as loaded, and tinted for the last tint and background it was painted with.
    bool m_watermarkLoaded = false;
    QImage m_watermarkMask;
    QPixmap m_watermarkTinted;
    QPixmap m_background; // one period of the tiled background
    QColor m_backgroundColour;
    platform::COLORREF m_tintedWith = platform::kNoColor;
};
