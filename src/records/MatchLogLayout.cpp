#include "records/MatchLogLayout.h"

#include <QPainter>

#include <algorithm>

CFontLogMetrics::CFontLogMetrics(const QFont& font, QPaintDevice* device)
    : m_metrics(device ? QFontMetrics(font, device) : QFontMetrics(font)) {}

int CFontLogMetrics::TextWidth(const QString& text) const {
    constexpr qsizetype kLongestKept = 48;
    constexpr qsizetype kMostKept = 16384;
    if (text.size() > kLongestKept)
        return m_metrics.horizontalAdvance(text);
    if (const auto it = m_widths.constFind(text); it != m_widths.constEnd())
        return *it;
    if (m_widths.size() >= kMostKept)
        m_widths.clear();
    const int width = m_metrics.horizontalAdvance(text);
    m_widths.insert(text, width);
    return width;
}

// ---- Items

void CMatchLogDisplayItem::SetFlags(int column_, bool endsLine_, bool selectable_, bool gameStart_,
                                    bool hasPosition_, bool numberLabel_, int recordIndex_) {
    column = column_;
    endsLine = endsLine_;
    selectable = selectable_;
    gameStart = gameStart_;
    hasPosition = hasPosition_;
    numberLabel = numberLabel_;
    recordIndex = recordIndex_;
}

const CMatchLogDisplayItem& CMatchLogDisplayItem::LastPiece() const {
    const CMatchLogDisplayItem* piece = this;
    while (piece->continuation)
        piece = piece->continuation.get();
    return *piece;
}

QString CMatchLogTextDisplayItem::GetFullText() const {
    QString text = m_text;
    for (const CMatchLogDisplayItem* piece = continuation.get(); piece; piece = piece->continuation.get()) {
        if (const auto* textPiece = dynamic_cast<const CMatchLogTextDisplayItem*>(piece))
            text += textPiece->m_text;
    }
    return text;
}

QSize CMatchLogTextDisplayItem::GetExtent(const CMatchLogMetrics& metrics) const {
    if (m_text.isEmpty())
        return QSize(0, metrics.LineHeight());
    return QSize(metrics.TextWidth(m_text), metrics.LineHeight());
}

int CMatchLogTextDisplayItem::GetFirstWordWidth(const CMatchLogMetrics& metrics) const {
    const qsizetype blank = m_text.indexOf(u' ', 1);
    return metrics.TextWidth(blank < 0 ? m_text : m_text.left(blank));
}

void CMatchLogTextDisplayItem::Draw(QPainter& painter, const QRect& rect, int ascent) const {
    painter.drawText(QPoint(rect.left(), rect.top() + ascent), m_text);
}

int CMatchLogTextDisplayItem::FindBreak(const QString& text, const CMatchLogMetrics& metrics, int width) {
    const int length = static_cast<int>(text.size());
    auto widthTo = [&](int end) { return end <= 0 ? 0 : metrics.TextWidth(text.left(end)); };
    int lo = 0;
    int hi = length;
    int found = -1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        qsizetype at = text.indexOf(u' ', mid + 1);
        const int next = at < 0 ? length : static_cast<int>(at);
        at = mid < length ? text.lastIndexOf(u' ', mid) : text.lastIndexOf(u' ');
        const int prev = at < 0 ? 0 : static_cast<int>(at);
        const int nextWidth = widthTo(next);
        if (widthTo(prev) <= width && nextWidth > width) {
            found = prev == 0 ? next : prev;
            break;
        }
        if (nextWidth == width) {
            found = next;
            break;
        }
        if (nextWidth < width)
            lo = next + 1;
        else
            hi = prev - 1;
    }
    if (found < 0) {
        const qsizetype blank = text.indexOf(u' ', 1);
        found = blank < 0 ? length : static_cast<int>(blank);
    }
    // The blank at the break stays with the first piece.
    if (found < length && text[found] == u' ')
        ++found;
    return found;
}

std::unique_ptr<CMatchLogDisplayItem> CMatchLogTextDisplayItem::Split(const CMatchLogMetrics& metrics, int width) {
    const int at = FindBreak(m_text, metrics, width);
    if (at <= 0 || at >= m_text.size())
        return nullptr;
    auto rest = std::make_unique<CMatchLogTextDisplayItem>(m_text.mid(at));
    m_text.truncate(at);
    return rest;
}

void CMatchLogTextDisplayItem::Append(const CMatchLogDisplayItem& piece) {
    if (const auto* textPiece = dynamic_cast<const CMatchLogTextDisplayItem*>(&piece))
        m_text += textPiece->m_text;
}

// ---- The layout

CMatchLogLayout::CMatchLogLayout() {
    m_columnX.assign(m_columnCount + 2, 0);
}

CMatchLogLayout::~CMatchLogLayout() = default;

CMatchLogDisplayItem* CMatchLogLayout::GetItem(int index) const {
    return index >= 0 && index < GetCount() ? m_items[index].get() : nullptr;
}

void CMatchLogLayout::AppendItem(std::unique_ptr<CMatchLogDisplayItem> item) {
    if (item)
        m_items.push_back(std::move(item));
}

void CMatchLogLayout::RemoveItemsFrom(int index) {
    index = std::max(0, index);
    if (index < GetCount())
        m_items.erase(m_items.begin() + index, m_items.end());
    if (index == 0)
        m_listHeight = 0;
    else if (!m_items.empty())
        m_listHeight = m_items.back()->Bottom();
}

int CMatchLogLayout::GetLineMoveIndex(int index) const {
    const CMatchLogDisplayItem* item = GetItem(index);
    return item ? item->recordIndex : -1;
}

void CMatchLogLayout::SetColumnCount(int count) {
    m_columnCount = std::max(1, count);
    m_columnX.assign(m_columnCount + 2, 0);
}

void CMatchLogLayout::Layout(int start, int width, const CMatchLogMetrics& metrics) {
    m_mWidth = metrics.MWidth();
    m_lineHeight = metrics.LineHeight();
    m_headerHeight = m_lineHeight + 1;
    const int gutter = 3 * m_mWidth;
    m_columnX.assign(m_columnCount + 2, 0);
    for (int i = 1; i <= m_columnCount + 1; ++i)
        m_columnX[i] = (i - 1) * (width - gutter) / m_columnCount + gutter;
    const int limit = m_columnX[m_columnCount + 1];
    auto columnX = [&](int column) { return m_columnX[std::clamp(column, 0, m_columnCount)]; };

    start = std::clamp(start, 0, GetCount());
    QRect prevRect(0, 0, 0, 0);
    int prevColumn = 0;
    bool prevEnds = false;
    if (start > 0) {
        const CMatchLogDisplayItem& last = m_items[start - 1]->LastPiece();
        prevRect = last.rect;
        prevColumn = last.column;
        prevEnds = last.endsLine;
    }
    // QRect's right and bottom are inclusive: work with the exclusive edges.
    auto rightOf = [](const QRect& r) { return r.x() + r.width(); };
    auto bottomOf = [](const QRect& r) { return r.y() + r.height(); };

    for (int i = start; i < GetCount(); ++i) {
        CMatchLogDisplayItem& item = *m_items[i];
        while (item.continuation) {
            std::unique_ptr<CMatchLogDisplayItem> piece = std::move(item.continuation);
            item.Append(*piece);
            item.column = piece->column;
            item.endsLine = piece->endsLine;
            item.recordIndex = piece->recordIndex;
            item.continuation = std::move(piece->continuation);
        }
        const bool boxed = IsBoxed(item);
        for (CMatchLogDisplayItem* piece = &item; piece; piece = piece->continuation.get()) {
            const int column = piece->column;
            bool newLine = prevEnds && column <= prevColumn;
            int x = columnX(column);
            if (prevColumn > column)
                newLine = true;
            else if (prevColumn == column)
                x = rightOf(prevRect);
            else if (m_mWidth + rightOf(prevRect) >= columnX(column))
                newLine = true;
            int y = prevRect.y();
            if (newLine) {
                y = bottomOf(prevRect);
                x = columnX(column);
            }
            const bool shifted = boxed && piece == &item;
            if (shifted)
                x += m_lineHeight;
            QSize extent = piece->GetExtent(metrics);
            if (x + extent.width() > limit) {
                if (!newLine && x + piece->GetFirstWordWidth(metrics) > limit) {
                    y = bottomOf(prevRect);
                    x = columnX(column) + m_mWidth + (shifted ? m_lineHeight : 0);
                }
                if (x + extent.width() > limit) {
                    if (std::unique_ptr<CMatchLogDisplayItem> rest = piece->Split(metrics, limit - x)) {
                        rest->SetFlags(column, piece->endsLine, piece->selectable, false, false, false,
                                       piece->recordIndex);
                        piece->endsLine = false;
                        rest->continuation = std::move(piece->continuation);
                        piece->continuation = std::move(rest);
                        extent = piece->GetExtent(metrics);
                    }
                }
            }
            piece->rect = QRect(x, y, extent.width(), extent.height());
            prevRect = piece->rect;
            prevColumn = column;
            prevEnds = piece->endsLine;
        }
    }
    m_listHeight = m_items.empty() ? 0 : bottomOf(m_items.back()->LastPiece().rect);
}

int CMatchLogLayout::HitTest(int x, int y) const {
    if (m_items.empty() || y < 0 || y >= m_listHeight)
        return -1;
    int candidate = -1;
    for (int i = 0; i < GetCount(); ++i) {
        const QRect& r = m_items[i]->rect;
        if (r.y() > y)
            break;
        if (m_items[i]->Bottom() <= y || r.x() <= x)
            candidate = i;
    }
    if (candidate < 0)
        return -1;
    const int hit = m_items[candidate]->selectable ? candidate : NextSelectable(candidate);
    return hit < GetCount() ? hit : -1;
}

QRect CMatchLogLayout::GetMarkerRect(int index) const {
    const CMatchLogDisplayItem* item = GetItem(index);
    if (!item || !IsBoxed(*item))
        return QRect();
    return QRect(item->rect.x() - m_lineHeight, item->rect.y(), m_lineHeight, item->rect.height());
}

int CMatchLogLayout::NextSelectable(int index) const {
    for (int i = std::max(0, index + 1); i < GetCount(); ++i) {
        if (m_items[i]->selectable)
            return i;
    }
    return GetCount();
}

int CMatchLogLayout::PrevSelectable(int index) const {
    for (int i = std::min(index, GetCount()) - 1; i >= 0; --i) {
        if (m_items[i]->selectable)
            return i;
    }
    return -1;
}

int CMatchLogLayout::NavigateTarget(int key, bool jump, int selected, int page) const {
    const int count = GetCount();
    if (count == 0)
        return 0;
    const int s = std::clamp(selected, 0, count - 1);
    const CMatchLogDisplayItem& current = *m_items[s];
    int target = s;
    switch (key) {
    case kKeyEnter:
    case kKeySpace:
    case kKeyRight:
        target = NextSelectable(s);
        break;
    case kKeyLeft: {
        const int before = PrevSelectable(s);
        target = before < 0 ? s : before;
        break;
    }
    case kKeyUp: {
        int i = s - 1;
        while (i >= 0 && m_items[i]->column == current.column)
            --i;
        while (i >= 0 && !(m_items[i]->column == current.column && m_items[i]->selectable))
            --i;
        target = i < 0 ? s : i;
        break;
    }
    case kKeyDown: {
        int i = s + 1;
        while (i < count && m_items[i]->column == current.column)
            ++i;
        while (i < count && !(m_items[i]->column == current.column && m_items[i]->selectable))
            ++i;
        target = i;
        break;
    }
    case kKeyHome:
        target = NextSelectable(0);
        break;
    case kKeyEnd:
        target = count - 1;
        break;
    case kKeyPageUp:
        if (jump) {
            int i = PrevSelectable(s);
            if (i < 0)
                i = s;
            while (i > 0 && !m_items[i]->gameStart)
                --i;
            target = i;
        } else {
            const int hit = HitTest(current.rect.x() + 1, current.rect.y() - page);
            target = hit < 0 ? NextSelectable(0) : hit;
        }
        break;
    case kKeyPageDown:
        if (jump) {
            int i = NextSelectable(s);
            while (i < count && !m_items[i]->gameStart)
                ++i;
            target = i < count ? i : s;
        } else {
            const int hit = HitTest(current.rect.x() + 1, current.Bottom() + page);
            target = hit < 0 ? s : hit;
        }
        break;
    default:
        return s;
    }
    target = std::clamp(target, 0, count - 1);
    if (target != count - 1 && !m_items[target]->selectable)
        target = std::min(NextSelectable(target), count - 1);
    return target;
}

int CMatchLogLayout::DisplayedItemFor(int index) const {
    if (index < 1 || index >= GetCount())
        return -1;
    int i = index - 1;
    while (i > 0 && m_items[i]->numberLabel)
        --i;
    return i;
}

int CMatchLogLayout::RangeStartItem(int index) const {
    for (int i = std::min(index, GetCount()) - 1; i >= 1; --i) {
        if (m_items[i]->selectable)
            return i;
    }
    return 0;
}

// ---- Drawing

void CMatchLogLayout::DrawHeader(QPainter& painter, int top, int width, const QStringList& titles,
                                 const QColor& text) const {
    painter.setPen(text);
    const int ascent = painter.fontMetrics().ascent();
    for (int i = 0; i < m_columnCount && i < titles.size() && i + 1 < static_cast<int>(m_columnX.size()); ++i)
        painter.drawText(QPoint(m_columnX[i + 1], top + ascent), titles[i]);
    painter.drawLine(0, top + m_lineHeight, width, top + m_lineHeight);
}

void CMatchLogLayout::DrawItems(QPainter& painter, int dy, int clipTop, int clipBottom,
                                const CMatchLogColors& colors, int selected, int ascent,
                                const std::function<bool(int record)>& marked) const {
    // The items are in display order and their tops never decrease: find the first one that reaches
    // the band.
    auto first = std::partition_point(m_items.begin(), m_items.end(),
                                      [&](const auto& item) { return item->Bottom() <= clipTop; });
    // A split item may reach further down than the one after it starts: step back over such items.
    while (first != m_items.begin() && (*(first - 1))->Bottom() > clipTop)
        --first;
    for (auto it = first; it != m_items.end(); ++it) {
        const CMatchLogDisplayItem& item = **it;
        if (item.rect.y() >= clipBottom)
            break;
        const int index = static_cast<int>(it - m_items.begin());
        const bool isSelected = index == selected;
        const QColor& text = isSelected ? colors.selectedText : colors.text;
        if (IsBoxed(item)) {
            const QRect box = GetMarkerRect(index).translated(0, dy).adjusted(2, 2, -2, -2);
            painter.setPen(colors.text);
            painter.setBrush(Qt::NoBrush);
            if (box.width() > 0 && box.height() > 0) {
                painter.drawRect(box.adjusted(0, 0, -1, -1));
                if (marked && marked(item.recordIndex)) {
                    painter.drawLine(box.topLeft(), box.bottomRight());
                    painter.drawLine(box.topRight(), box.bottomLeft());
                }
            }
        }
        for (const CMatchLogDisplayItem* piece = &item; piece; piece = piece->continuation.get()) {
            const QRect r = piece->rect.translated(0, dy);
            if (isSelected)
                painter.fillRect(r, colors.selectedBackground);
            painter.setPen(text);
            piece->Draw(painter, r, ascent);
        }
    }
}
