#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where everything of a two-dimensional board lies, seen by one player. The board is laid out in
// board units (one unit is the width of a point and the diameter of a checker) and scaled, keeping
// its proportions, into the rectangle it is drawn in:
//
//     frame | cube pocket | frame | 6 points | bar | 6 points | frame | tray | frame
//
// The viewer's home board is at the bottom right; the viewer's checkers move from the top right
// round to the bottom right and are borne off into the lower half of the tray. The cube lies in its
// pocket at the middle when centred, at the bottom when the viewer owns it, at the top otherwise.
class CBoardGeometry {
public:
    // The area of the board a point lies on.
    enum Area { kNone, kPoint, kBar, kTray, kDice, kCube };
    struct Hit {
        Area area = kNone;
        int position = -2; // the board position of points, bars and trays; -2 elsewhere
        bool operator==(const Hit&) const = default;
    };

    static constexpr double kFrame = 0.45;
    static constexpr double kPocket = 1.2;
    static constexpr double kBarWidth = 1.1;
    static constexpr double kPointLength = 5.0; // five checkers
    static constexpr double kGap = 1.7;         // between the tips, where the dice lie
    static constexpr double kWidth = 4 * kFrame + 2 * kPocket + 12 + kBarWidth;
    static constexpr double kHeight = 2 * kFrame + 2 * kPointLength + kGap;
    static constexpr double kChecker = 0.94;
    static constexpr double kDefaultDie = 0.75 * kChecker;
    static constexpr double kCubeSize = 0.9;
    static constexpr int kMaxShown = 5; // checkers drawn on one place; the rest are counted

    // viewerSide 1 or 2: the side whose home is at the bottom right; dieSize in board units.
    CBoardGeometry(const QRectF& target, int viewerSide, double dieSize = kDefaultDie);
    double DieSize() const { return m_die; }

    int ViewerSide() const { return m_viewer; }
    // Board units to target coordinates.
    double Scale() const { return m_scale; }
    QPointF ToTarget(QPointF unit) const { return m_origin + unit * m_scale; }
    QRectF ToTarget(const QRectF& unit) const;
    QPointF ToUnits(QPointF target) const { return (target - m_origin) / m_scale; }
    // The whole board, in target coordinates.
    QRectF BoardRect() const { return ToTarget(QRectF(0, 0, kWidth, kHeight)); }

    // --- in board units ----------------------------------------------------------------------------
    // The viewer's number of a board position 1..24 (the viewer's own count from its home).
    int ViewerNumber(int position) const { return m_viewer == 1 ? position : 25 - position; }
    // The triangle's rectangle of a point 1..24 (its base on the frame); empty for other positions.
    QRectF PointRect(int position) const;
    bool IsTopRow(int position) const;
    // The place of a bar (0 or 25) or tray (-1 or 26): the half of the bar or tray the checkers fill.
    QRectF PlaceRect(int position) const;
    // The centre of the n-th checker (0 first) shown on a point or bar; the n-th slab of a tray.
    QPointF CheckerCentre(int position, int index) const;
    QRectF TraySlab(int position, int index) const;
    // The halves of the playing area: 0 left, 1 right; the dice of a side lie in the middle of its
    // half (the viewer's on the right).
    QRectF HalfRect(int half) const;
    QRectF DiceRect(int sideOnRoll) const;
    QRectF DieRect(int sideOnRoll, int index) const;
    QRectF CubePocket() const;
    // The cube in its pocket: owner 0 centred, 1 or 2.
    QRectF CubeRect(int owner) const;
    // A double waiting for its answer: the cube lies in the middle of the doubler's half.
    QRectF OfferedCubeRect(int doubler) const;
    QRectF LabelRect(int position) const;

    // --- in target coordinates ---------------------------------------------------------------------
    // What lies under a point of the target. Dice are found in the half of the side on roll (none for
    // 0), the cube where the caller drew it (units).
    Hit HitTest(QPointF target, int sideOnRoll, const QRectF& cube) const;

private:
    // The left edge of the column of a point.
    double ColumnX(int viewerNumber) const;

    int m_viewer;
    double m_die;
    double m_scale = 1;
    QPointF m_origin;
};
