#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class CClientUserInfo;
class QWidget;

// The flyover of a player list: a small page with a player's picture and details, shown in a
// caption-less pop-up beside the mouse.

// The window the page is shown in (the match board's pop-up; tests give their own).
class CFlyoverWindow {
public:
    virtual ~CFlyoverWindow() = default;
    // Loads the page and shows the window at geometry (screen coordinates) once it has loaded.
    virtual void ShowPage(const QString& address, const QRect& geometry) = 0;
    virtual void HidePage() = 0;
    virtual bool IsPageShown() const = 0;
};
using FlyoverWindowFactory = std::function<std::unique_ptr<CFlyoverWindow>(QWidget* parent)>;

namespace PlayerFlyover {
constexpr int kWidth = 280;
constexpr int kHeight = 89;
// The pop-up's top-left corner sits this far left of and above the mouse.
constexpr int kLeftOfMouse = 10;
constexpr int kAboveMouse = 79;
constexpr int kScreenMargin = 10;

// The file the page is written to: "mbpopup.html" in the user's data folder.
QString FilePath();

// The page for a user: the picture from webHost + "/client/user-picture/<nickname>/" and the lines
// "Status: ...", "Rating: ..., Exp: ...", "Unfinished Matches: ...", the location and the score.
// Every text from the server is escaped; the nickname in the address is percent-encoded.
QString FormatHtml(const CClientUserInfo& user, const QString& webHost);

// Where the pop-up goes for the mouse at globalPoint on a screen of that geometry: 280 x 89, moved 10
// left and 79 up from the mouse, then kept at least 10 pixels from the screen's left and top edges
// and inside its right and bottom edges.
QRect Place(const QPoint& globalPoint, const QRect& screen);

// Writes the page (UTF-8) through a temporary file -> false when it cannot be written.
bool WritePage(const QString& path, const QString& html);

// The match board's pop-up as a flyover window.
std::unique_ptr<CFlyoverWindow> MakePopupWindow(QWidget* parent);
} // namespace PlayerFlyover
