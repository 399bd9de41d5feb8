#pragma once

#include <QRect>

namespace platform {

// A rectangle as the original stored and computed it: right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;

    // Right and bottom edges are outside, so a point on them is not in the rectangle.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Contains(const QPoint& p) const { return Contains(p.x(), p.y()); }
    bool Intersects(const Rect& other) const { return !Intersected(other).IsEmpty(); }

    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Grows by dx on the left and right, dy at the top and bottom (negative values shrink).
    Rect Inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    // The common part; an empty rectangle at 0 when there is none.
    Rect Intersected(const Rect& other) const {
        const Rect r{qMax(left, other.left), qMax(top, other.top), qMin(right, other.right), qMin(bottom, other.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect United(const Rect& other) const {
        if (other.IsEmpty())
            return *this;
        if (IsEmpty())
            return other;
        return {qMin(left, other.left), qMin(top, other.top), qMax(right, other.right), qMax(bottom, other.bottom)};
    }
    // Swaps edges given the wrong way round.
    Rect Normalized() const { return {qMin(left, right), qMin(top, bottom), qMax(left, right), qMax(top, bottom)}; }

    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    static Rect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
};

} // namespace platform
