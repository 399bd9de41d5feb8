#include "board/BoardGeometry.h"

#include <algorithm>

namespace {

constexpr double kLeftHalf = 2 * CBoardGeometry::kFrame + CBoardGeometry::kPocket; // frame, pocket, frame
constexpr double kRightHalf = kLeftHalf + 6 + CBoardGeometry::kBarWidth;
constexpr double kBarX = kLeftHalf + 6;
constexpr double kTrayX = kRightHalf + 6 + CBoardGeometry::kFrame;
constexpr double kTopY = CBoardGeometry::kFrame;
constexpr double kBottomY = CBoardGeometry::kHeight - CBoardGeometry::kFrame;
constexpr double kMiddleY = CBoardGeometry::kHeight / 2;
constexpr double kSlab = CBoardGeometry::kPointLength / 15;

bool isBar(int position) {
    return position == 0 || position == 25;
}

bool isTray(int position) {
    return position == -1 || position == 26;
}

} // namespace

CBoardGeometry::CBoardGeometry(const QRectF& target, int viewerSide, double dieSize)
    : m_viewer(viewerSide == 2 ? 2 : 1), m_die(std::clamp(dieSize, 0.2 * kChecker, 1.5 * kChecker)) {
    if (target.width() > 0 && target.height() > 0)
        m_scale = std::min(target.width() / kWidth, target.height() / kHeight);
    m_origin = target.center() - QPointF(kWidth, kHeight) * m_scale / 2;
}

QRectF CBoardGeometry::ToTarget(const QRectF& unit) const {
    return QRectF(ToTarget(unit.topLeft()), unit.size() * m_scale);
}

double CBoardGeometry::ColumnX(int n) const {
    if (n <= 6)
        return kRightHalf + (6 - n);
    if (n <= 12)
        return kLeftHalf + (12 - n);
    if (n <= 18)
        return kLeftHalf + (n - 13);
    return kRightHalf + (n - 19);
}

bool CBoardGeometry::IsTopRow(int position) const {
    if (position >= 1 && position <= 24)
        return ViewerNumber(position) >= 13;
    // The viewer's own bar and tray are in the lower half.
    if (isBar(position))
        return position != (m_viewer == 1 ? 25 : 0);
    if (isTray(position))
        return position != (m_viewer == 1 ? -1 : 26);
    return false;
}

QRectF CBoardGeometry::PointRect(int position) const {
    if (position < 1 || position > 24)
        return QRectF();
    const double x = ColumnX(ViewerNumber(position));
    return IsTopRow(position) ? QRectF(x, kTopY, 1, kPointLength)
                              : QRectF(x, kBottomY - kPointLength, 1, kPointLength);
}

QRectF CBoardGeometry::PlaceRect(int position) const {
    if (position >= 1 && position <= 24)
        return PointRect(position);
    const bool top = IsTopRow(position);
    const double y = top ? kTopY : kBottomY - kPointLength;
    if (isBar(position))
        return QRectF(kBarX, y, kBarWidth, kPointLength);
    if (isTray(position))
        return QRectF(kTrayX, y, kPocket, kPointLength);
    return QRectF();
}

QPointF CBoardGeometry::CheckerCentre(int position, int index) const {
    const QRectF place = PlaceRect(position);
    if (place.isNull())
        return QPointF();
    const double x = place.center().x();
    index = std::clamp(index, 0, kMaxShown - 1);
    if (isBar(position)) {
        // From the middle of the bar outwards.
        return IsTopRow(position) ? QPointF(x, kMiddleY - kGap / 2 - 0.5 - index)
                                  : QPointF(x, kMiddleY + kGap / 2 + 0.5 + index);
    }
    return IsTopRow(position) ? QPointF(x, place.top() + 0.5 + index)
                              : QPointF(x, place.bottom() - 0.5 - index);
}

QRectF CBoardGeometry::TraySlab(int position, int index) const {
    const QRectF place = PlaceRect(position);
    if (!isTray(position))
        return QRectF();
    index = std::clamp(index, 0, 14);
    const double y = IsTopRow(position) ? place.top() + index * kSlab : place.bottom() - (index + 1) * kSlab;
    return QRectF(place.left() + 0.1, y + 0.02, place.width() - 0.2, kSlab - 0.04);
}

QRectF CBoardGeometry::HalfRect(int half) const {
    return QRectF(half == 0 ? kLeftHalf : kRightHalf, kTopY, 6, kBottomY - kTopY);
}

QRectF CBoardGeometry::DiceRect(int sideOnRoll) const {
    const QRectF half = HalfRect(sideOnRoll == m_viewer ? 1 : 0);
    const double width = 2 * m_die + 0.3;
    return QRectF(half.center().x() - width / 2, kMiddleY - m_die / 2, width, m_die);
}

QRectF CBoardGeometry::DieRect(int sideOnRoll, int index) const {
    const QRectF dice = DiceRect(sideOnRoll);
    return QRectF(index == 0 ? dice.left() : dice.right() - m_die, dice.top(), m_die, m_die);
}

QRectF CBoardGeometry::CubePocket() const {
    return QRectF(kFrame, kTopY, kPocket, kBottomY - kTopY);
}

QRectF CBoardGeometry::CubeRect(int owner) const {
    const QRectF pocket = CubePocket();
    const double x = pocket.center().x() - kCubeSize / 2;
    if (owner == 0)
        return QRectF(x, kMiddleY - kCubeSize / 2, kCubeSize, kCubeSize);
    const bool bottom = owner == m_viewer;
    return QRectF(x, bottom ? pocket.bottom() - kCubeSize - 0.1 : pocket.top() + 0.1, kCubeSize, kCubeSize);
}

QRectF CBoardGeometry::OfferedCubeRect(int doubler) const {
    const QRectF half = HalfRect(doubler == m_viewer ? 1 : 0);
    return QRectF(half.center().x() - kCubeSize / 2, kMiddleY - kCubeSize / 2, kCubeSize, kCubeSize);
}

QRectF CBoardGeometry::LabelRect(int position) const {
    const QRectF point = PointRect(position);
    if (point.isNull())
        return QRectF();
    return IsTopRow(position) ? QRectF(point.left(), 0, 1, kFrame)
                              : QRectF(point.left(), kBottomY, 1, kFrame);
}

CBoardGeometry::Hit CBoardGeometry::HitTest(QPointF target, int sideOnRoll, const QRectF& cube) const {
    const QPointF u = ToUnits(target);
    Hit hit;
    if (u.x() < 0 || u.y() < 0 || u.x() >= kWidth || u.y() >= kHeight)
        return hit;
    if (cube.contains(u)) {
        hit.area = kCube;
        return hit;
    }
    if (sideOnRoll != 0 && DiceRect(sideOnRoll).adjusted(-0.2, -0.2, 0.2, 0.2).contains(u)) {
        hit.area = kDice;
        return hit;
    }
    // A point's whole half-height column belongs to the point (also the gap between the checkers).
    for (int position = 1; position <= 24; ++position) {
        const QRectF column = PointRect(position);
        const QRectF reach = IsTopRow(position)
                                 ? QRectF(column.left(), column.top(), 1, kMiddleY - column.top())
                                 : QRectF(column.left(), kMiddleY, 1, column.bottom() - kMiddleY);
        if (reach.contains(u)) {
            hit.area = kPoint;
            hit.position = position;
            return hit;
        }
    }
    if (u.x() >= kBarX && u.x() < kBarX + kBarWidth && u.y() >= kTopY && u.y() < kBottomY) {
        hit.area = kBar;
        const bool top = u.y() < kMiddleY;
        const int own = m_viewer == 1 ? 25 : 0;
        hit.position = top ? 25 - own : own;
        return hit;
    }
    if (u.x() >= kTrayX && u.x() < kTrayX + kPocket && u.y() >= kTopY && u.y() < kBottomY) {
        hit.area = kTray;
        const bool top = u.y() < kMiddleY;
        const int own = m_viewer == 1 ? -1 : 26;
        hit.position = top ? (own == -1 ? 26 : -1) : own;
        return hit;
    }
    return hit;
}
