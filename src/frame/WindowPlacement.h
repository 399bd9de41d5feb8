#pragma once

#include "platform/Geometry.h"
#include "support/Cascade.h"

class QIcon;
class QWidget;
namespace platform {
class Object;
}

// Show commands stored as "Window State".
namespace ShowCommand {
constexpr int Normal = 1;
constexpr int Minimized = 2;
constexpr int Maximized = 3;
} // namespace ShowCommand

// "Flags": restore to maximized after a minimised window was maximised before.
constexpr int kPlacementRestoreToMaximized = 0x2;

// Places window from "Window State", "Flags" and "Normal Rect" of the owner's runtime-class section.
// The rectangle is stored in relativeTo's client coordinates (screen coordinates when relativeTo is
// null). Without stored values the default rectangle (also relative) and showCommand apply. A window
// that would end up off every screen is placed at the default. A top-level window is then moved (and,
// when it must, made smaller) so that it lies on its screen frame and all: the rectangle is the client
// area's, the title bar and borders come on top. -> whether stored values were used.
bool LoadWindowPlacement(const platform::Object* owner, QWidget* window, QWidget* relativeTo,
                         const platform::Rect& defaultRect, int showCommand = ShowCommand::Normal,
                         int flags = 0);
// Writes "Window State", "Flags" and, when asked, "Normal Rect" (the restored rectangle) relative to
// relativeTo.
void SaveWindowPlacement(const platform::Object* owner, const QWidget* window, const QWidget* relativeTo,
                         bool writeRect);

// CascadeWindow (moving a new window off a sibling at the same corner) is in support/Cascade.h.

// Sets the icon of that resource id (big, and 16 x 16 small).
void SetWindowIcons(QWidget* window, int iconId);
// The icon of a resource id: res/icons/<id>.png or .ico; the program's own icon for the main one.
QIcon LoadResourceIcon(int iconId);
constexpr int kMainIconId = 128;

// Lets the GUI thread handle the events that are waiting, then returns.
void PumpWaitingMessages();
