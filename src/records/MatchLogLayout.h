#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPainter;

// How the match log measures text: the layout asks only for widths and the line height, so it runs
// against the view's font, a printer's font, or fixed numbers in tests.
class CMatchLogMetrics {
public:
    virtual ~CMatchLogMetrics() = default;
    virtual int TextWidth(const QString& text) const = 0;
    // The height of a line of text (the height of "M").
    virtual int LineHeight() const = 0;
    int MWidth() const { return TextWidth(QStringLiteral("M")); }
};

// The metrics of a font on a paint device (the screen when none). A log repeats its short texts (move
// numbers, rolls, cube actions) and every new layout measures them again: their widths are kept.
class CFontLogMetrics : public CMatchLogMetrics {
public:
    explicit CFontLogMetrics(const QFont& font, QPaintDevice* device = nullptr);
    int TextWidth(const QString& text) const override;
    int LineHeight() const override { return m_metrics.height(); }
    int Ascent() const { return m_metrics.ascent(); }

private:
    QFontMetrics m_metrics;
    mutable QHash<QString, int> m_widths;
};

// One entry of the match log: its place in the columns, what it stands for, and after a layout its
// rectangle in list coordinates (y from the top of the list, before scrolling, without the header).
// A layout may split an entry that does not fit: the remainder hangs off it as its continuation and is
// joined back before the next layout.
class CMatchLogDisplayItem {
public:
    virtual ~CMatchLogDisplayItem() = default;

    void SetFlags(int column, bool endsLine, bool selectable, bool gameStart, bool hasPosition, bool numberLabel,
                  int recordIndex);

    virtual QSize GetExtent(const CMatchLogMetrics& metrics) const = 0;
    virtual int GetFirstWordWidth(const CMatchLogMetrics& metrics) const = 0;
    // Draws the piece at the rectangle's left and top; the painter's font and colours are set.
    virtual void Draw(QPainter& painter, const QRect& rect, int ascent) const = 0;
    // Cuts off what does not fit in width -> the remainder, or null when the piece stays whole.
    virtual std::unique_ptr<CMatchLogDisplayItem> Split(const CMatchLogMetrics& metrics, int width) = 0;
    // Joins a remainder back.
    virtual void Append(const CMatchLogDisplayItem& piece) = 0;

    int column = -1;
    bool endsLine = false;
    bool selectable = false;
    bool gameStart = false;
    bool hasPosition = false;
    bool numberLabel = false;
    int recordIndex = -1;

    QRect rect;
    std::unique_ptr<CMatchLogDisplayItem> continuation;

    // The last piece of the item's continuation chain (the item itself when it is whole).
    const CMatchLogDisplayItem& LastPiece() const;
    // The bottom of the lowest piece.
    int Bottom() const { return LastPiece().rect.bottom() + 1; }
};

// A match-log entry of text.
class CMatchLogTextDisplayItem : public CMatchLogDisplayItem {
public:
    explicit CMatchLogTextDisplayItem(QString text = QString()) : m_text(std::move(text)) {}

    const QString& GetText() const { return m_text; }
    // The text with every split remainder joined back.
    QString GetFullText() const;

    QSize GetExtent(const CMatchLogMetrics& metrics) const override;
    int GetFirstWordWidth(const CMatchLogMetrics& metrics) const override;
    void Draw(QPainter& painter, const QRect& rect, int ascent) const override;
    std::unique_ptr<CMatchLogDisplayItem> Split(const CMatchLogMetrics& metrics, int width) override;
    void Append(const CMatchLogDisplayItem& piece) override;

    // Where the text breaks for a width: a position after a blank, or after the first word when not
    // even that fits; 0 or the length means no break.
    static int FindBreak(const QString& text, const CMatchLogMetrics& metrics, int width);

private:
    QString m_text;
};

// The colours the log is drawn in.
struct CMatchLogColors {
    QColor text = Qt::black;
    QColor background = Qt::white;
    QColor selectedText = Qt::white;
    QColor selectedBackground = Qt::darkBlue;
};

// The laid-out match log without a window: the items in display order, the text columns under a row
// of titles, the wrapping of entries, hit testing, the targets of the navigation keys and drawing.
// The view, the exports and printing share it. Coordinates are list coordinates unless said otherwise.
class CMatchLogLayout {
public:
    // Navigation keys, by their virtual-key codes.
    enum Key {
        kKeyEnter = 13, kKeyEscape = 27, kKeySpace = 32, kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35,
        kKeyHome = 36, kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40,
    };

    CMatchLogLayout();
    ~CMatchLogLayout();

    // ---- items
    int GetCount() const { return static_cast<int>(m_items.size()); }
    CMatchLogDisplayItem* GetItem(int index) const;
    void AppendItem(std::unique_ptr<CMatchLogDisplayItem> item);
    void RemoveItemsFrom(int index);
    // The record index of an item; -1 for an index out of range.
    int GetLineMoveIndex(int index) const;

    // ---- columns and metrics
    int GetColumnCount() const { return m_columnCount; }
    void SetColumnCount(int count);
    const std::vector<int>& GetColumnPositions() const { return m_columnX; }
    bool GetShowMarks() const { return m_showMarks; }
    void SetShowMarks(bool on) { m_showMarks = on; }
    int GetLineHeight() const { return m_lineHeight; }
    int GetHeaderHeight() const { return m_headerHeight; }
    int GetMWidth() const { return m_mWidth; }
    // The bottom of the last piece; -1 before the first layout.
    int GetListHeight() const { return m_listHeight; }
    void ResetListHeight() { m_listHeight = 0; }

    // Measures "M", places the columns for the width and lays the items out from start on.
    void Layout(int start, int width, const CMatchLogMetrics& metrics);

    // ---- finding items
    // The item at a point of the list -> its index, moved on to the first selectable item; -1 when
    // there is none (an empty list, a point above everything, below the last item or past the last
    // selectable one).
    int HitTest(int x, int y) const;
    // The print-mark box left of an item; empty unless marks are shown and the item has a position.
    QRect GetMarkerRect(int index) const;
    bool IsBoxed(const CMatchLogDisplayItem& item) const { return m_showMarks && item.hasPosition; }
    // The first selectable item after index (GetCount() when none).
    int NextSelectable(int index) const;
    // The nearest selectable item before index (-1 when none).
    int PrevSelectable(int index) const;
    // Where a navigation key takes the selection from selected, for a page of that height -> the new
    // selection (0 for an empty list).
    int NavigateTarget(int key, bool jump, int selected, int page) const;
    // The index of the item whose move the item at index shows the position before: from the item
    // before it back over number labels; -1 when there is none (the current position).
    int DisplayedItemFor(int index) const;
    // The item that opens the range of records an item stands for: the nearest selectable item before
    // it, item 0 when none.
    int RangeStartItem(int index) const;

    // ---- drawing
    // Draws the title row at the top of the painter's area (y = top).
    void DrawHeader(QPainter& painter, int top, int width, const QStringList& titles, const QColor& text) const;
    // Draws the items that reach the list band [clipTop, clipBottom), shifted by dy; the selected item
    // in the selected colours, the marker boxes with a cross where marked(record index) says so.
    void DrawItems(QPainter& painter, int dy, int clipTop, int clipBottom, const CMatchLogColors& colors, int selected,
                   int ascent, const std::function<bool(int record)>& marked) const;

private:
    std::vector<std::unique_ptr<CMatchLogDisplayItem>> m_items;
    std::vector<int> m_columnX;
    int m_columnCount = 2;
    bool m_showMarks = false;
    int m_mWidth = 0;
    int m_lineHeight = 0;
    int m_headerHeight = -1;
    int m_listHeight = -1;
};
