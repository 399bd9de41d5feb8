#include "support/Cascade.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

// Positions compare in the scanned window's client coordinates: screen coordinates for top-level
// windows (their frame's top-left corner), parent coordinates for child windows.
QPoint placeOf(const QWidget* widget) { return widget->pos(); }

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

bool occupied(const QWidgetList& others, const QWidget* window, const QPoint& place) {
    for (const QWidget* other : others) {
        if (other == window || !other->isVisible() || other->parentWidget() != window->parentWidget())
            continue;
        if (placeOf(other) == place)
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

    const QPoint original = placeOf(window);
    const QSize size = window->frameGeometry().size();
    const QRect bounds = areaIn(scanParent, area, size);
    const int step = CascadeStep();

    QPoint place = original;
    int wrapsX = 0;
    int wrapsY = 0;
    while (occupied(others, window, place)) {
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
    window->move(place);
    return true;
}
