#pragma once

#include <QScrollArea>

// A frameless scroll area for the body of a dialog: it asks for the whole size of what it holds, so
// the dialog opens showing all of it where the screen has room, and it may be made as small as a few
// lines, where it scrolls: on a small screen, or at a large scale factor, the dialog then still fits
// and what stands outside the area (its buttons) stays in sight.
class CFittingScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit CFittingScrollArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Whether the whole of widget (a descendant of the held widget) lies in the visible part.
    bool IsWhollyInSight(const QWidget* widget) const;
};
