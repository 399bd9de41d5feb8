#pragma once

#include "board/BoardGeometry.h"
#include "game/BackgammonBoard.h"
#include "platform/Object.h"
#include "prefs/BgColorScheme.h"

#include <QHash>
#include <QImage>
#include <QPicture>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

// A picture of a board for the match print and the RTF export: vector drawing commands and the size
// they are meant for, in twips.
struct CBoardPicture {
    QPicture picture; // drawn into a rectangle of sizePixels at (0, 0)
    QSize sizePixels; // at 96 dots per inch
    QSize sizeTwips;
    // The picture rendered at that resolution, as PNG bytes (for RTF's \pngblip).
    QByteArray ToPng(int dotsPerInch = 150) const;
};

// A scheme as the payload of "KELDERWICK_BG_PROPERTIES_CHANGED".
class CBgSchemeObject : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CBgSchemeObject, platform::Object)
public:
    explicit CBgSchemeObject(const CBgColorScheme& s = CBgColorScheme()) : scheme(s) {}
    CBgColorScheme scheme;
};

// How the user wants the board shown and handled (the backgammon play options).
struct CBoardDisplayOptions {
    bool cubeShows64 = false; // a centred cube at 1 shows 64
    int diePercent = 75;      // dice size in per cent of a checker, 20..150
    bool singleClick = true;  // a click moves a checker; else a double-click does
    bool operator==(const CBoardDisplayOptions&) const = default;
};

// The two-dimensional board: draws a CBackgammonBoard in the colours and textures of a board scheme,
// seen by the player whose home is at the bottom right, and turns the user's mouse into game
// commands for its owner:
//
//   - dragging a checker of the side the user moves to a place it may go: "c from/to";
//   - clicking a checker: the same step by the larger die it can use (the smaller with the right
//     button);
//   - clicking the dice of the side on roll: "r" to roll, "n" to open the next game, and "m ..."
//     (the whole play) when every die has been moved;
//   - clicking the cube while the user may double: "d".
//
// The control never changes its board by itself: the owner applies what it accepts and hands the
// new board back through SetBoard.
class CBackgammonBoardCtl : public QWidget {
    Q_OBJECT
public:
    // Settings of the printed picture.
    static constexpr char kPictureSection[] = "CBgMatchLogView";
    static constexpr char kPictureWidthName[] = "Printed Image Width";
    static constexpr int kDefaultPictureWidth = 3600; // twips

    using CommandHandler = std::function<void(const QString& command)>;

    // The default scheme and the starting position.
    explicit CBackgammonBoardCtl(QWidget* parent = nullptr);
    ~CBackgammonBoardCtl() override;

    // Copies the board and repaints; a drag under way is dropped.
    void SetBoard(const CBackgammonBoard& board);
    const CBackgammonBoard& GetBoard() const { return m_board; }
    // Applies an appearance; this control draws every style two-dimensionally.
    void SetScheme(const CBgColorScheme& scheme);
    const CBgColorScheme& GetScheme() const { return m_scheme; }
    // One idle step: true while rendering work remains (never, for a two-dimensional board).
    bool OnIdle() { return false; }
    bool IsDragging() const { return m_drag.active; }

    // The side whose home is drawn at the bottom right (1 or 2); watchers see side 1's.
    void SetViewerSide(int side);
    int GetViewerSide() const { return m_viewer; }
    // The side whose checkers, dice and cube the user handles here (0: the board only shows).
    // A change drops a checker being dragged.
    void SetUserSide(int side);
    int GetUserSide() const { return m_userSide; }
    // Whether the user may move either side's checkers freely (setting a position up).
    void SetEditing(bool on) { m_editing = on; }
    void SetCommandHandler(CommandHandler handler) { m_handler = std::move(handler); }
    void SetDisplayOptions(const CBoardDisplayOptions& options);
    const CBoardDisplayOptions& GetDisplayOptions() const { return m_options; }

    CBoardGeometry Geometry() const;
    // What lies under a point of the control.
    CBoardGeometry::Hit HitTest(QPointF point) const;
    // The centre of a checker place in control coordinates (the first checker of a position).
    QPointF PositionCentre(int position) const;
    // Where a drag that started on the position may end, board positions.
    const std::vector<int>& GetDragTargets() const { return m_drag.targets; }

    // Draws the board into a rectangle of any painter: the same drawing serves the screen, printers
    // and pictures.
    static void Paint(QPainter& painter, const QRectF& target, const CBackgammonBoard& board,
                      const CBgColorScheme& scheme, int viewerSide,
                      const CBoardDisplayOptions& options = CBoardDisplayOptions());
    // The picture for prints and exports, "Printed Image Width" twips wide (section "CBgMatchLogView",
    // default 3600) and 13/14 of that high.
    CBoardPicture MakeMetafilePicture(const CBgColorScheme& scheme) const;
    static CBoardPicture MakePicture(const CBackgammonBoard& board, const CBgColorScheme& scheme,
                                     int viewerSide);

    QSize sizeHint() const override { return QSize(560, 408); }
    QSize minimumSizeHint() const override { return QSize(170, 124); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A right-click that moved a checker opens no menu; any other goes to the owner's.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Drag {
        bool active = false;
        bool moved = false;
        int from = -2;
        int side = 0;
        Qt::MouseButton button = Qt::NoButton;
        QPointF pressAt;
        QPointF at;
        std::vector<int> targets;
    };

    // Which side's checkers the user may pick up on the position now (0 none).
    int MovableSide(int position) const;
    void BeginDrag(int position, int side, QPointF at, Qt::MouseButton button);
    void EndDrag(QPointF at);
    void CancelDrag();
    // The step a click on a checker makes: the farthest single step (nearest with the right button).
    int ClickTarget(Qt::MouseButton button) const;
    void ClickDice();
    void Issue(const QString& command);
    QRectF CubeUnits(const CBoardGeometry& geometry) const;

    CBackgammonBoard m_board;
    CBackgammonBoard m_shown; // the board as drawn: without the checker being dragged
    CBgColorScheme m_scheme;
    int m_viewer = 1;
    int m_userSide = 0;
    bool m_editing = false;
    CBoardDisplayOptions m_options;
    bool m_rightClickTaken = false;
    Drag m_drag;
    CommandHandler m_handler;
};
