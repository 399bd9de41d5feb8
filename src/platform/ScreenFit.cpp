#include "platform/ScreenFit.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {

// What the window system added around the client area, as far as it is known (nothing before).
QMargins knownMargins(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

bool isFramed(const QWidget& window) {
    if (!window.isWindow() || (window.windowFlags() & Qt::FramelessWindowHint))
        return false;
    switch (window.windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
        return false;
    default:
        return true;
    }
}

} // namespace

QMargins FrameMarginsOf(const QWidget& window) {
    if (!isFramed(window))
        return {};
    if (window.isVisible()) {
        const QMargins own = knownMargins(window);
        if (!own.isNull())
            return own;
    }
    QMargins other;
    for (const QWidget* shown : QApplication::topLevelWidgets()) {
        if (shown == &window || !shown->isVisible() || !isFramed(*shown))
            continue;
        const QMargins margins = knownMargins(*shown);
        if (margins.isNull())
            continue;
        if (shown->windowType() == window.windowType())
            return margins;
        if (other.isNull())
            other = margins;
    }
    if (!other.isNull())
        return other;
    constexpr int kBorder = 4;
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QMargins(kBorder, std::max(title, 20) + kBorder, kBorder, kBorder);
}

QRect AvailableAreaAt(const QRect& rect) {
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) {
        qint64 most = 0;
        for (const QScreen* candidate : QGuiApplication::screens()) {
            const QRect common = candidate->geometry().intersected(rect);
            const qint64 size = qint64(common.width()) * common.height();
            if (size > most) {
                most = size;
                screen = candidate;
            }
        }
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect FitFrameRect(QRect frame, const QRect& area, const QSize& minimumFrame) {
    if (area.isEmpty() || frame.isEmpty())
        return frame;
    frame.setWidth(std::max(std::min(frame.width(), area.width()), minimumFrame.width()));
    frame.setHeight(std::max(std::min(frame.height(), area.height()), minimumFrame.height()));
    // Too large even so: the left and top edges stay on the screen.
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    return frame;
}

bool KeepOnScreen(QWidget& window) {
    if (!window.isWindow() ||
        (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        return false;
    const QMargins margins = FrameMarginsOf(window);
    const QSize minimum = window.minimumSize().expandedTo(window.minimumSizeHint());
    const QRect frame(window.pos(), window.size().grownBy(margins));
    const QRect fitted = FitFrameRect(frame, AvailableAreaAt(frame), minimum.grownBy(margins));
    if (fitted == frame)
        return false;
    const QSize size = fitted.size().shrunkBy(margins);
    if (size != window.size())
        window.resize(size);
    if (fitted.topLeft() != frame.topLeft())
        window.move(fitted.topLeft());
    return true;
}

namespace {

// Looks for the frame a little while after the window is shown, then goes: a window the user later
// drags partly off the screen stays where he put it.
class FramedWatch : public QObject {
public:
    explicit FramedWatch(QWidget& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
        m_timer.setInterval(kIntervalMs);
        connect(&m_timer, &QTimer::timeout, this, &FramedWatch::look);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_window && event->type() == QEvent::Show && !m_timer.isActive()) {
            m_window.removeEventFilter(this);
            // After the show event: the window system frames the window once it is mapped.
            m_timer.start();
        }
        return false;
    }

private:
    static constexpr int kIntervalMs = 50;
    static constexpr int kLooks = 40;

    void look() {
        const bool framed = !knownMargins(m_window).isNull();
        if (framed && m_window.isVisible())
            KeepOnScreen(m_window);
        if (framed || !m_window.isVisible() || ++m_looks >= kLooks) {
            m_timer.stop();
            deleteLater();
        }
    }

    QWidget& m_window;
    QTimer m_timer;
    int m_looks = 0;
};

} // namespace

void KeepOnScreenWhenFramed(QWidget& window) {
    if (!window.isWindow() || window.isVisible() || !isFramed(window))
        return;
    new FramedWatch(window);
}

} // namespace platform
