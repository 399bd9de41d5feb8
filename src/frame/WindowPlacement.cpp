#include "frame/WindowPlacement.h"

#include "platform/Object.h"
#include "platform/Paths.h"
#include "platform/ScreenFit.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWidget>

namespace {

const QString kWindowState = QStringLiteral("Window State");
const QString kFlags = QStringLiteral("Flags");
const QString kNormalRect = QStringLiteral("Normal Rect");

// The origin of relativeTo's client area on the screen.
QPoint clientOrigin(const QWidget* relativeTo) {
    return relativeTo ? relativeTo->mapToGlobal(QPoint(0, 0)) : QPoint();
}

QRect virtualDesktop() {
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop = desktop.united(screen->availableGeometry());
    return desktop;
}

// Where a window of that size may go: the top-level's screen coordinates, or a child's parent area.
bool isVisibleSomewhere(const QWidget* window, const QRect& rect) {
    if (!window->isWindow())
        return window->parentWidget() ? window->parentWidget()->rect().intersects(rect) : true;
    const QRect desktop = virtualDesktop();
    return desktop.isEmpty() || desktop.intersects(rect);
}

// The window, frame and all, on the screen it lands on and no larger than that screen's free area:
// a first placement may be meant for a larger screen (or a smaller scale factor), a stored one for a
// screen the user no longer has. The rectangle is the client area's.
QRect fitOnScreen(const QWidget& window, const QRect& client) {
    if (client.isEmpty())
        return client;
    const QMargins frame = platform::FrameMarginsOf(window);
    const QSize minimum = window.minimumSize().expandedTo(window.minimumSizeHint()).grownBy(frame);
    const QRect whole = client.marginsAdded(frame);
    return platform::FitFrameRect(whole, platform::AvailableAreaAt(whole), minimum).marginsRemoved(frame);
}

QPixmap paintMainIcon(int size) {
    // Our own emblem: a green board with a light and a dark checker.
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0x3a));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setBrush(QColor(0xe8, 0xd8, 0xb0));
    p.drawPolygon(QPolygonF({QPointF(8, 8), QPointF(20, 8), QPointF(14, 38)}));
    p.drawPolygon(QPolygonF({QPointF(44, 56), QPointF(56, 56), QPointF(50, 26)}));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(25, 45), 10, 10);
    p.setBrush(QColor(0xb0, 0x30, 0x2a));
    p.drawEllipse(QPointF(40, 19), 10, 10);
    return pixmap;
}

} // namespace

bool LoadWindowPlacement(const platform::Object* owner, QWidget* window, QWidget* relativeTo,
                         const platform::Rect& defaultRect, int showCommand, int flags) {
    if (!window)
        return false;
    const CSettingsStore& store = GetSettingsStore();
    const platform::Rect stored = store.GetObjectRect(owner, kNormalRect, platform::Rect{});
    const int storedState = store.GetObjectInt(owner, kWindowState, 0);
    const bool useStored = !stored.IsEmpty();
    const QPoint origin = window->isWindow() ? clientOrigin(relativeTo) : QPoint();
    QRect rect = (useStored ? stored : defaultRect).ToQRect().translated(origin);
    if (!isVisibleSomewhere(window, rect))
        rect = defaultRect.ToQRect().translated(origin);
    if (window->isWindow()) {
        rect = fitOnScreen(*window, rect);
        // Its frame is foreseen (like that of another window of the program); the real one may differ.
        platform::KeepOnScreenWhenFramed(*window);
    }
    if (!rect.isEmpty())
        window->setGeometry(rect);
    const int state = useStored && storedState > 0 ? storedState : showCommand;
    const int storedFlags = useStored ? store.GetObjectInt(owner, kFlags, flags) : flags;
    window->setProperty("placementFlags", storedFlags);
    switch (state) {
    case ShowCommand::Maximized:
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        break;
    case ShowCommand::Minimized:
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
        break;
    default:
        window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
        break;
    }
    return useStored;
}

void SaveWindowPlacement(const platform::Object* owner, const QWidget* window, const QWidget* relativeTo,
                         bool writeRect) {
    if (!owner || !window)
        return;
    CSettingsStore& store = GetSettingsStore();
    const Qt::WindowStates states = window->windowState();
    const int state = states & Qt::WindowMinimized   ? ShowCommand::Minimized
                      : states & Qt::WindowMaximized ? ShowCommand::Maximized
                                                     : ShowCommand::Normal;
    store.WriteObjectInt(owner, kWindowState, state);
    const int flags =
        (states & Qt::WindowMinimized) && (states & Qt::WindowMaximized) ? kPlacementRestoreToMaximized : 0;
    store.WriteObjectInt(owner, kFlags, flags);
    if (!writeRect)
        return;
    QRect normal = window->isWindow() ? window->normalGeometry() : window->geometry();
    if (!normal.isValid() || normal.isEmpty())
        normal = window->geometry();
    if (window->isWindow())
        normal.translate(-clientOrigin(relativeTo));
    store.WriteObjectRect(owner, kNormalRect, platform::Rect::FromQRect(normal));
}

QIcon LoadResourceIcon(int iconId) {
    for (const char* extension : {".png", ".ico"}) {
        const QString path = platform::FindResourceFile(
            QStringLiteral("icons/%1%2").arg(iconId).arg(QLatin1String(extension)));
        if (!path.isEmpty())
            return QIcon(path);
    }
    QIcon icon;
    if (iconId == kMainIconId) {
        for (int size : {16, 32, 48, 64})
            icon.addPixmap(paintMainIcon(size));
    }
    return icon;
}

void SetWindowIcons(QWidget* window, int iconId) {
    if (!window)
        return;
    const QIcon icon = LoadResourceIcon(iconId);
    if (!icon.isNull())
        window->setWindowIcon(icon);
}

void PumpWaitingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
