#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// The frame the window system puts around a top-level window: its own once it has one. A window not
// shown yet has none; it will get one like the program's other framed windows (one window manager
// frames them all), or, while none is shown, a title bar's height above a thin border. Nothing for a
// child widget or a frameless window.
QMargins FrameMarginsOf(const QWidget& window);

// The free part (panels left out) of the screen that holds the centre of rect, else of the screen
// that holds most of it, else of the primary screen. Empty without a screen.
QRect AvailableAreaAt(const QRect& rect);

// The frame rectangle (frame = client plus margins) moved into area and, when it is larger, made
// smaller: never below the frame of a client of the minimum size. Where even that does not fit, its
// top-left corner stays in the area, so that the title bar can still be reached.
QRect FitFrameRect(QRect frame, const QRect& area, const QSize& minimumFrame);

// Keeps a top-level window, frame and all, on the free part of its screen: moved, and made smaller
// when it is larger, never below its minimum size. A window not shown yet is taken to be placed by its
// frame's corner (as QWidget::move and QDialog place it). Maximised, full-screen and minimised windows
// are left alone. -> whether it changed.
bool KeepOnScreen(QWidget& window);

// KeepOnScreen again once the window, shown, has its real frame (the window system may frame it
// otherwise than was foreseen): once, at the first move or resize after it is shown with a known
// frame. Nothing for a window that is already shown.
void KeepOnScreenWhenFramed(QWidget& window);

} // namespace platform
