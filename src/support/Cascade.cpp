#include "support/Cascade.h"

#include "platform/ScreenFit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

// Which corner a top-level window's place stands for. A shown window has both: its frame's top-left
// corner and its client area's. A window not yet shown has no frame: its one place is the corner it
// was given, the frame's (QWidget::move) or the client area's (QWidget::setGeometry), so it is
// compared in the terms of the sibling it lands on. Child windows have one place.
enum class Corner { Frame, Client };

QPoint placeOf(const QWidget* widget, Corner corner) {
    return corner == Corner::Client ? widget->geometry().topLeft() : widget->pos();
}

QRect desktopIn(const QWidget* scanParent) {
    if (scanParent)
        return scanParent->rect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}

QRect areaIn(const QWidget* scanParent, const QWidget* area, const QSize& size) {
    if (!area)
        return desktopIn(scanParent);
    QPoint origin = area->mapToGlobal(QPoint(0, 0));
    if (scanParent)
        origin = scanParent->mapFromGlobal(origin);
    const QRect client(origin, area->size());
    if (size.width() <= client.width() && size.height() <= client.height())
        return client;
    return desktopIn(scanParent);
}

bool occupied(const QWidgetList& others, const QWidget* window, const QPoint& place, Corner corner) {
    for (const QWidget* other : others) {
        if (other == window || !other->isVisible() || other->parentWidget() != window->parentWidget())
            continue;
        if (placeOf(other, corner) == place)
            return true;
    }
    return false;
}

} // namespace

int CascadeStep() {
    const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return 5 * (caption > 0 ? caption : 20) / 4;
}

bool CascadeWindow(QWidget* scanParent, QWidget* area, QWidget* window) {
    if (!window)
        return false;
    QWidgetList others;
    if (scanParent) {
        for (QObject* child : scanParent->children())
            if (auto* widget = qobject_cast<QWidget*>(child))
                others.append(widget);
    } else {
        others = QApplication::topLevelWidgets();
    }

    Corner corner = Corner::Frame;
    if (window->isWindow() && !window->isVisible() &&
        !occupied(others, window, placeOf(window, Corner::Frame), Corner::Frame) &&
        occupied(others, window, placeOf(window, Corner::Client), Corner::Client))
        corner = Corner::Client;
    const QPoint original = placeOf(window, corner);
    // The frame counts, also before the window has one.
    const QSize size = window->size().grownBy(platform::FrameMarginsOf(*window));
    const QRect bounds = areaIn(scanParent, area, size);
    const int step = CascadeStep();

    QPoint place = original;
    int wrapsX = 0;
    int wrapsY = 0;
    while (occupied(others, window, place, corner)) {
        place += QPoint(step, step);
        if (place.x() + size.width() > bounds.x() + bounds.width()) {
            place.setX(bounds.x());
            ++wrapsX;
        }
        if (place.y() + size.height() > bounds.y() + bounds.height()) {
            place.setY(bounds.y());
            ++wrapsY;
        }
        if (wrapsX >= 2 || wrapsY >= 2)
            return false; // no free place: stay where it was
    }
    if (place == original)
        return false;
    if (corner == Corner::Client)
        window->setGeometry(QRect(place, window->geometry().size()));
    else
        window->move(place);
    return true;
}
