#include "support/controls/FittingScrollArea.h"

#include <QScrollBar>

#include <algorithm>

CFittingScrollArea::CFittingScrollArea(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
}

QSize CFittingScrollArea::sizeHint() const {
    // QScrollArea's own stops at 36 by 24 lines of text.
    const QWidget* held = widget();
    if (!held)
        return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return held->sizeHint().expandedTo(held->minimumSizeHint()) + QSize(frame, frame);
}

QSize CFittingScrollArea::minimumSizeHint() const {
    // Room for both scroll bars and a few lines between them.
    const int lines = 4 * fontMetrics().height();
    const int bars = std::max(verticalScrollBar()->sizeHint().width(), horizontalScrollBar()->sizeHint().height());
    QSize smallest(2 * bars + lines, bars + lines);
    if (const QWidget* held = widget())
        smallest = smallest.boundedTo(held->minimumSizeHint().expandedTo(QSize(1, 1)));
    const int frame = 2 * frameWidth();
    return smallest + QSize(frame, frame);
}

bool CFittingScrollArea::IsWhollyInSight(const QWidget* target) const {
    const QWidget* held = widget();
    if (!target || !held || !held->isAncestorOf(target))
        return true;
    const QRect shown = viewport()->rect();
    const QRect where(target->mapTo(viewport(), QPoint(0, 0)), target->size());
    return shown.contains(where);
}
