#include "board/BackgammonBoardCtl.h"

#include "platform/Color.h"
#include "platform/Paths.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace {

using Item = CBgColorScheme::Item;
using G = CBoardGeometry;

constexpr double kPointTip = 4.6;    // how far a point reaches into its half
constexpr double kTextureSpan = 4.0; // board units one texture image covers

QColor colorOf(quint32 colorRef) {
    return platform::ToQColor(colorRef);
}

bool hasColor(quint32 colorRef) {
    return colorRef != 0xFFFFFFFFu;
}

// A texture of the scheme, tinted when the element asks for it: the picture's brightness then shades
// colour 1, from a dark version of it to a light one. Loaded once per (file, tint).
QImage loadTexture(const CBgSchemeElement& element) {
    static std::mutex lock;
    static std::map<QString, QImage> cache;
    const QString key =
        QStringLiteral("%1|%2|%3").arg(element.texture).arg(element.tinted).arg(element.color1);
    std::lock_guard<std::mutex> guard(lock);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    QImage image;
    const QString path = platform::FindResourceFile(QStringLiteral("textures/") + element.texture);
    if (!path.isEmpty() && image.load(path)) {
        image = image.convertToFormat(QImage::Format_RGB32);
        if (element.tinted) {
            const QColor tint = colorOf(element.color1);
            int low = 255, high = 0;
            for (int y = 0; y < image.height(); ++y) {
                const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const int gray = qGray(line[x]);
                    low = std::min(low, gray);
                    high = std::max(high, gray);
                }
            }
            const double range = std::max(1, high - low);
            for (int y = 0; y < image.height(); ++y) {
                QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const double shade = 0.55 + 0.7 * ((qGray(line[x]) - low) / range);
                    auto channel = [&](int c) { return std::clamp(int(std::lround(c * shade)), 0, 255); };
                    line[x] = qRgb(channel(tint.red()), channel(tint.green()), channel(tint.blue()));
                }
            }
        }
    }
    cache.emplace(key, image);
    return image;
}

// The brush of an element: its texture when it has one that can be read, else colour 1.
QBrush brushOf(const CBgSchemeElement& element) {
    if (element.textured && !element.texture.isEmpty()) {
        const QImage image = loadTexture(element);
        if (!image.isNull()) {
            QBrush brush(image);
            const double scale = kTextureSpan / std::max(image.width(), 1);
            brush.setTransform(QTransform::fromScale(scale, scale));
            return brush;
        }
    }
    return QBrush(colorOf(element.color1));
}

QPen outlineOf(const CBgSchemeElement& element, double width) {
    if (!hasColor(element.outline))
        return Qt::NoPen;
    QPen pen(colorOf(element.outline), width);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// The colour that stands out on an element: its highlight, else its second colour, else black or
// white by the fill's brightness.
QColor contrastOf(const CBgSchemeElement& element) {
    if (hasColor(element.highlight))
        return colorOf(element.highlight);
    const QColor fill = colorOf(element.color1);
    return qGray(fill.rgb()) > 128 ? QColor(Qt::black) : QColor(Qt::white);
}

// Everything is drawn in board units; texts are drawn in the painter's own coordinates so that fonts
// keep whole pixel sizes.
class BoardPainter {
public:
    BoardPainter(QPainter& painter, const CBoardGeometry& geometry, const CBgColorScheme& scheme)
        : p(painter), g(geometry), s(scheme), base(painter.worldTransform()) {
        p.translate(g.ToTarget(QPointF(0, 0)));
        p.scale(g.Scale(), g.Scale());
        units = p.worldTransform();
    }

    const CBgSchemeElement& E(Item item) const { return s.m_elements[item]; }

    void Fill(const QRectF& rect, Item item) {
        p.setPen(outlineOf(E(item), 0.03));
        p.setBrush(brushOf(E(item)));
        p.drawRect(rect);
    }

    void Text(const QRectF& unitRect, const QString& text, const QColor& color, double unitHeight, bool bold,
              const QString& face, bool italic = false) {
        p.save();
        p.setWorldTransform(base);
        const QRectF r = g.ToTarget(unitRect);
        QFont font(face.isEmpty() ? QStringLiteral("DejaVu Sans") : face);
        font.setPixelSize(std::max(1, int(std::lround(unitHeight * g.Scale()))));
        font.setBold(bold);
        font.setItalic(italic);
        p.setFont(font);
        p.setPen(color);
        p.drawText(r, Qt::AlignCenter, text);
        p.restore();
    }

    void Checker(QPointF centre, int side, double alpha = 1.0) {
        const CBgSchemeElement& e =
            E(side == 1 ? CBgColorScheme::kCheckerSet1 : CBgColorScheme::kCheckerSet2);
        const double r = G::kChecker / 2;
        p.save();
        p.setOpacity(alpha);
        p.setPen(outlineOf(e, 0.04));
        p.setBrush(brushOf(e));
        p.drawEllipse(centre, r, r);
        if (hasColor(e.highlight)) {
            QColor ring = colorOf(e.highlight);
            ring.setAlpha(110);
            p.setPen(QPen(ring, 0.05));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, r * 0.68, r * 0.68);
        }
        p.restore();
    }

    void Count(QPointF centre, int side, int count) {
        // Colour A or B, whichever stands out more on the checker.
        const CBgSchemeElement& e =
            E(side == 1 ? CBgColorScheme::kCheckerSet1 : CBgColorScheme::kCheckerSet2);
        const int fill = qGray(colorOf(e.color1).rgb());
        const QColor a = colorOf(s.m_colorA), b = colorOf(s.m_colorB);
        const QColor color = std::abs(qGray(a.rgb()) - fill) >= std::abs(qGray(b.rgb()) - fill) ? a : b;
        const QRectF box(centre.x() - 0.5, centre.y() - 0.5, 1, 1);
        Text(box, QString::number(count), color, 0.5, true, s.m_labelFace);
    }

    void Die(const QRectF& rect, int side, int value, double alpha) {
        const CBgSchemeElement& e = E(side == 1 ? CBgColorScheme::kDice1 : CBgColorScheme::kDice2);
        p.save();
        p.setOpacity(alpha);
        p.setPen(hasColor(e.outline) ? QPen(colorOf(e.outline), 0.035) : QPen(Qt::NoPen));
        p.setBrush(brushOf(e));
        p.drawRoundedRect(rect, 0.12, 0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(contrastOf(e));
        const double q = rect.width() / 4;
        const QPointF c = rect.center();
        auto spot = [&](int dx, int dy) { p.drawEllipse(c + QPointF(dx * q, dy * q), 0.075, 0.075); };
        if (value % 2 == 1)
            spot(0, 0);
        if (value >= 2) {
            spot(-1, -1);
            spot(1, 1);
        }
        if (value >= 4) {
            spot(1, -1);
            spot(-1, 1);
        }
        if (value == 6) {
            spot(-1, 0);
            spot(1, 0);
        }
        p.restore();
    }

    void Cube(const QRectF& rect, int value) {
        p.setPen(QPen(colorOf(s.m_colorB), 0.04));
        p.setBrush(colorOf(s.m_colorA));
        p.drawRoundedRect(rect, 0.1, 0.1);
        const double height = value >= 1000 ? 0.32 : value >= 100 ? 0.4 : 0.5;
        Text(rect, QString::number(value), colorOf(s.m_colorB), height, true, s.m_labelFace);
    }

    QPainter& p;
    const CBoardGeometry& g;
    const CBgColorScheme& s;
    QTransform base;
    QTransform units;
};

} // namespace

// ---- the picture ---------------------------------------------------------------------------------

QByteArray CBoardPicture::ToPng(int dotsPerInch) const {
    dotsPerInch = std::clamp(dotsPerInch, 24, 1200);
    const QSize size(std::max(1, sizeTwips.width() * dotsPerInch / 1440),
                     std::max(1, sizeTwips.height() * dotsPerInch / 1440));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (sizePixels.width() > 0 && sizePixels.height() > 0)
            painter.scale(double(size.width()) / sizePixels.width(),
                          double(size.height()) / sizePixels.height());
        painter.drawPicture(0, 0, picture);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// ---- the control ---------------------------------------------------------------------------------

CBackgammonBoardCtl::CBackgammonBoardCtl(QWidget* parent) : QWidget(parent) {
    m_board.SetupPosition();
    m_shown = m_board;
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

CBackgammonBoardCtl::~CBackgammonBoardCtl() = default;

void CBackgammonBoardCtl::SetBoard(const CBackgammonBoard& board) {
    m_drag = Drag();
    m_board = board;
    m_board.SetLogging(false);
    m_shown = m_board;
    update();
}

void CBackgammonBoardCtl::SetScheme(const CBgColorScheme& scheme) {
    m_scheme = scheme;
    update();
}

void CBackgammonBoardCtl::SetDisplayOptions(const CBoardDisplayOptions& options) {
    m_options = options;
    m_options.diePercent = std::clamp(options.diePercent, 20, 150);
    update();
}

void CBackgammonBoardCtl::SetViewerSide(int side) {
    m_viewer = side == 2 ? 2 : 1;
    CancelDrag();
}

CBoardGeometry CBackgammonBoardCtl::Geometry() const {
    return CBoardGeometry(QRectF(rect()), m_viewer, G::kChecker * m_options.diePercent / 100.0);
}

QRectF CBackgammonBoardCtl::CubeUnits(const CBoardGeometry& geometry) const {
    if (!m_board.GetRules().cube)
        return QRectF();
    if (m_board.GetState() == CBackgammonBoard::kStateCubeOffered)
        return geometry.OfferedCubeRect(3 - m_board.GetActingSide());
    return geometry.CubeRect(m_board.GetCubeOwner());
}

CBoardGeometry::Hit CBackgammonBoardCtl::HitTest(QPointF point) const {
    const CBoardGeometry geometry = Geometry();
    const int state = m_board.GetState();
    const bool diceShown = state == CBackgammonBoard::kStateAwaitingRoll ||
                           state == CBackgammonBoard::kStateMoving ||
                           (state == CBackgammonBoard::kStateAtRest && m_board.GetDie(0) != 0);
    int diceSide = diceShown ? m_board.GetSideOnRoll() : 0;
    if (state == CBackgammonBoard::kStateAtRest && m_userSide == 1 && !m_board.IsMatchOver())
        diceSide = 1; // the opening roll of the next game is side 1's to make
    return geometry.HitTest(point, diceSide, CubeUnits(geometry));
}

QPointF CBackgammonBoardCtl::PositionCentre(int position) const {
    const CBoardGeometry geometry = Geometry();
    if (position == -1 || position == 26)
        return geometry.ToTarget(geometry.TraySlab(position, 0).center());
    return geometry.ToTarget(geometry.CheckerCentre(position, 0));
}

// ---- painting ------------------------------------------------------------------------------------

void CBackgammonBoardCtl::Paint(QPainter& painter, const QRectF& target, const CBackgammonBoard& board,
                                const CBgColorScheme& scheme, int viewerSide,
                                const CBoardDisplayOptions& options) {
    const CBoardGeometry g(target, viewerSide, G::kChecker * std::clamp(options.diePercent, 20, 150) / 100.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    {
        const CBgSchemeElement& background = scheme.m_elements[CBgColorScheme::kBackground];
        if (hasColor(background.color1))
            painter.fillRect(target, colorOf(background.color1));
    }
    BoardPainter b(painter, g, scheme);
    QPainter& p = b.p;

    // Frame, halves, bar, pockets.
    b.Fill(QRectF(0, 0, G::kWidth, G::kHeight), CBgColorScheme::kBoardFrame);
    for (int half = 0; half < 2; ++half)
        b.Fill(g.HalfRect(half), CBgColorScheme::kBoard);
    b.Fill(g.CubePocket(), CBgColorScheme::kPockets);
    {
        const QRectF tray = g.PlaceRect(-1).united(g.PlaceRect(26));
        b.Fill(tray, CBgColorScheme::kPockets);
    }

    // Points and their numbers as the viewer counts them.
    for (int position = 1; position <= 24; ++position) {
        const QRectF r = g.PointRect(position);
        const bool top = g.IsTopRow(position);
        QPolygonF triangle;
        if (top)
            triangle << r.topLeft() << r.topRight() << QPointF(r.center().x(), r.top() + kPointTip);
        else
            triangle << r.bottomLeft() << r.bottomRight() << QPointF(r.center().x(), r.bottom() - kPointTip);
        const Item item =
            g.ViewerNumber(position) % 2 == 1 ? CBgColorScheme::kPoints1 : CBgColorScheme::kPoints2;
        p.setPen(outlineOf(b.E(item), 0.03));
        p.setBrush(brushOf(b.E(item)));
        p.drawPolygon(triangle);
        b.Text(g.LabelRect(position), QString::number(g.ViewerNumber(position)), colorOf(scheme.m_labelColor),
               0.3, scheme.m_labelWeight >= 600, scheme.m_labelFace, scheme.m_labelItalic != 0);
    }

    // Checkers on the points and bars, counted past five.
    for (int position = 0; position <= 25; ++position) {
        const int count = board.GetCount(position);
        if (count == 0)
            continue;
        const int side = count > 0 ? 1 : 2;
        const int n = std::abs(count);
        const int shown = std::min(n, G::kMaxShown);
        for (int i = 0; i < shown; ++i)
            b.Checker(g.CheckerCentre(position, i), side);
        if (n > G::kMaxShown)
            b.Count(g.CheckerCentre(position, shown - 1), side, n);
    }
    // Borne-off checkers as slabs seen from the side.
    for (int tray : {-1, 26}) {
        const int side = tray == -1 ? 1 : 2;
        const CBgSchemeElement& e =
            b.E(side == 1 ? CBgColorScheme::kCheckerSet1 : CBgColorScheme::kCheckerSet2);
        const int n = std::min(board.GetCheckers(side, tray), 15);
        p.setPen(outlineOf(e, 0.025));
        p.setBrush(brushOf(e));
        for (int i = 0; i < n; ++i)
            p.drawRoundedRect(g.TraySlab(tray, i), 0.06, 0.06);
    }

    // The cube: in its pocket, or in the doubler's half while the double waits.
    if (board.GetRules().cube) {
        if (board.GetState() == CBackgammonBoard::kStateCubeOffered)
            b.Cube(g.OfferedCubeRect(3 - board.GetActingSide()), board.GetOfferedCubeValue());
        else {
            const int value = board.GetCubeValue();
            b.Cube(g.CubeRect(board.GetCubeOwner()),
                   board.GetCubeOwner() == 0 && value == 1 && options.cubeShows64 ? 64 : value);
        }
    }

    // Dice: the roll of the side on roll; the opening roll shows each side's die in its own half.
    const int die1 = board.GetDie(0);
    const int die2 = board.GetDie(1);
    if (die1 != 0 && die2 != 0) {
        const int state = board.GetState();
        const int roller = board.GetSideOnRoll();
        if (state == CBackgammonBoard::kStateAtRest) {
            // A tie of the opening roll: each side's die in its own half.
            b.Die(g.DieRect(1, 0).translated((g.DiceRect(1).width() - g.DieSize()) / 2, 0), 1, die1, 1.0);
            b.Die(g.DieRect(2, 0).translated((g.DiceRect(2).width() - g.DieSize()) / 2, 0), 2, die2, 1.0);
        } else {
            const bool spent =
                state == CBackgammonBoard::kStateMoving && board.GetStepCount() >= board.GetDiceToPlay();
            const double alpha = spent ? 0.45 : 1.0;
            b.Die(g.DieRect(roller, 0), roller, die1, alpha);
            b.Die(g.DieRect(roller, 1), roller, die2, alpha);
        }
    }
    painter.restore();
}

void CBackgammonBoardCtl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const CBgSchemeElement& background = m_scheme.m_elements[CBgColorScheme::kBackground];
    painter.fillRect(rect(),
                     hasColor(background.color1) ? colorOf(background.color1) : palette().window().color());
    Paint(painter, QRectF(rect()), m_shown, m_scheme, m_viewer, m_options);

    const CBoardGeometry g = Geometry();
    BoardPainter b(painter, g, m_scheme);
    // Dice that wait for a click: the user's roll, or the opening roll of the next game.
    const int state = m_board.GetState();
    if (m_userSide != 0 && m_board.GetDie(0) == 0) {
        int side = 0;
        if (state == CBackgammonBoard::kStateAwaitingRoll && m_board.GetSideOnRoll() == m_userSide)
            side = m_userSide;
        if (state == CBackgammonBoard::kStateAtRest && m_userSide == 1 && !m_board.IsMatchOver())
            side = 1;
        if (side != 0) {
            b.Die(g.DieRect(side, 0), side, 0, 0.35);
            b.Die(g.DieRect(side, 1), side, 0, 0.35);
        }
    }
    if (!m_drag.active)
        return;
    // Where the checker may go, and the checker under the mouse.
    const CBgSchemeElement& checker =
        m_scheme.m_elements[m_drag.side == 1 ? CBgColorScheme::kCheckerSet1 : CBgColorScheme::kCheckerSet2];
    QColor mark = hasColor(checker.highlight) ? colorOf(checker.highlight) : QColor(Qt::yellow);
    mark.setAlpha(170);
    b.p.setPen(QPen(mark, 0.08));
    b.p.setBrush(Qt::NoBrush);
    for (int to : m_drag.targets) {
        if (to == -1 || to == 26) {
            b.p.drawRoundedRect(g.PlaceRect(to).adjusted(0.05, 0.05, -0.05, -0.05), 0.1, 0.1);
            continue;
        }
        const int index = std::min(std::abs(m_shown.GetCount(to)), G::kMaxShown - 1);
        b.p.drawEllipse(g.CheckerCentre(to, index), G::kChecker / 2, G::kChecker / 2);
    }
    if (m_drag.moved)
        b.Checker(g.ToUnits(m_drag.at), m_drag.side);
}

// ---- the mouse -----------------------------------------------------------------------------------

int CBackgammonBoardCtl::MovableSide(int position) const {
    const int state = m_board.GetState();
    if (m_editing && state == CBackgammonBoard::kStateEdit && m_board.IsEditingAllowed()) {
        const int count = m_board.GetCount(position);
        return count > 0 ? 1 : count < 0 ? 2 : 0;
    }
    if (m_userSide == 0 || state != CBackgammonBoard::kStateMoving || m_board.GetSideOnRoll() != m_userSide)
        return 0;
    return m_board.GetCheckers(m_userSide, position) > 0 ? m_userSide : 0;
}

void CBackgammonBoardCtl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_drag.active)
        return;
    const QPointF at = event->position();
    const CBoardGeometry::Hit hit = HitTest(at);
    switch (hit.area) {
    case CBoardGeometry::kPoint:
    case CBoardGeometry::kBar:
    case CBoardGeometry::kTray:
        if (const int side = MovableSide(hit.position))
            BeginDrag(hit.position, side, at, event->button());
        m_rightClickTaken = event->button() == Qt::RightButton && m_drag.active;
        break;
    case CBoardGeometry::kDice:
        if (event->button() == Qt::LeftButton)
            ClickDice();
        break;
    case CBoardGeometry::kCube:
        if (event->button() == Qt::LeftButton && m_userSide != 0 &&
            m_board.GetState() == CBackgammonBoard::kStateAwaitingRoll &&
            m_board.GetSideOnRoll() == m_userSide && m_board.CanDouble())
            Issue(QStringLiteral("d"));
        break;
    case CBoardGeometry::kNone:
        break;
    }
    event->accept();
}

void CBackgammonBoardCtl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag.active)
        return;
    m_drag.at = event->position();
    if ((m_drag.at - m_drag.pressAt).manhattanLength() >= QApplication::startDragDistance())
        m_drag.moved = true;
    update();
}

void CBackgammonBoardCtl::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag.active && event->button() == m_drag.button)
        EndDrag(event->position());
}

void CBackgammonBoardCtl::mouseDoubleClickEvent(QMouseEvent* event) {
    // With double-click moving the first click only picked the checker up; the second one moves it.
    if (m_options.singleClick || m_editing) {
        mousePressEvent(event);
        return;
    }
    const CBoardGeometry::Hit hit = HitTest(event->position());
    const int side = hit.area == CBoardGeometry::kNone ? 0 : MovableSide(hit.position);
    if (side == 0) {
        mousePressEvent(event);
        return;
    }
    CancelDrag();
    m_drag.from = hit.position;
    m_drag.side = side;
    m_drag.targets = m_board.GetLegalDestinations(hit.position);
    const int to = ClickTarget(event->button());
    const int from = m_drag.from;
    m_drag = Drag();
    if (to != -2)
        Issue(QStringLiteral("c %1/%2").arg(from).arg(to));
}

void CBackgammonBoardCtl::contextMenuEvent(QContextMenuEvent* event) {
    if (m_rightClickTaken && event->reason() == QContextMenuEvent::Mouse) {
        m_rightClickTaken = false;
        event->accept();
        return;
    }
    event->ignore();
}

void CBackgammonBoardCtl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_drag.active) {
        CancelDrag();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CBackgammonBoardCtl::focusOutEvent(QFocusEvent* event) {
    CancelDrag();
    QWidget::focusOutEvent(event);
}

void CBackgammonBoardCtl::BeginDrag(int position, int side, QPointF at, Qt::MouseButton button) {
    std::vector<int> targets = m_board.GetLegalDestinations(position);
    if (targets.empty() && !m_editing)
        return; // that checker cannot move with these dice
    m_drag = Drag();
    m_drag.active = true;
    m_drag.from = position;
    m_drag.side = side;
    m_drag.button = button;
    m_drag.pressAt = m_drag.at = at;
    m_drag.targets = std::move(targets);
    m_shown = m_board;
    m_shown.RemoveChecker(position);
    update();
}

int CBackgammonBoardCtl::ClickTarget(Qt::MouseButton button) const {
    int best = -2;
    int bestDistance = 0;
    for (int to : m_drag.targets) {
        const int distance =
            CBackgammonBoard::ViewOf(m_drag.side, m_drag.from) - CBackgammonBoard::ViewOf(m_drag.side, to);
        const bool better =
            best == -2 || (button == Qt::RightButton ? distance < bestDistance : distance > bestDistance);
        if (better) {
            best = to;
            bestDistance = distance;
        }
    }
    return best;
}

void CBackgammonBoardCtl::EndDrag(QPointF at) {
    m_drag.at = at;
    const CBoardGeometry::Hit hit = HitTest(at);
    int to = -2;
    if (hit.position != -2 && hit.position != m_drag.from &&
        std::find(m_drag.targets.begin(), m_drag.targets.end(), hit.position) != m_drag.targets.end())
        to = hit.position;
    else if (!m_drag.moved && !m_editing && m_options.singleClick)
        to = ClickTarget(m_drag.button);
    const int from = m_drag.from;
    CancelDrag();
    if (to != -2)
        Issue(QStringLiteral("c %1/%2").arg(from).arg(to));
}

void CBackgammonBoardCtl::SetUserSide(int side) {
    if (side == m_userSide)
        return;
    CancelDrag();
    m_userSide = side;
    update();
}

void CBackgammonBoardCtl::CancelDrag() {
    if (!m_drag.active)
        return;
    m_drag = Drag();
    m_shown = m_board;
    update();
}

void CBackgammonBoardCtl::ClickDice() {
    if (m_userSide == 0)
        return;
    const int state = m_board.GetState();
    if (state == CBackgammonBoard::kStateAtRest && m_userSide == 1 && !m_board.IsMatchOver())
        Issue(QStringLiteral("n"));
    else if (state == CBackgammonBoard::kStateAwaitingRoll && m_board.GetSideOnRoll() == m_userSide)
        Issue(QStringLiteral("r"));
    else if (state == CBackgammonBoard::kStateMoving && m_board.GetSideOnRoll() == m_userSide &&
             m_board.GetStepCount() >= m_board.GetDiceToPlay())
        Issue(m_board.FormatPendingPlayCommand());
}

void CBackgammonBoardCtl::Issue(const QString& command) {
    if (m_handler)
        m_handler(command);
}

// ---- pictures ------------------------------------------------------------------------------------

CBoardPicture CBackgammonBoardCtl::MakePicture(const CBackgammonBoard& board, const CBgColorScheme& scheme,
                                               int viewerSide) {
    int width = GetSettingsStore().GetIntEx(QString::fromLatin1(kPictureSection),
                                            QString::fromLatin1(kPictureWidthName), kDefaultPictureWidth);
    width = std::clamp(width, 144, 14400); // a tenth of an inch to ten inches
    CBoardPicture out;
    out.sizeTwips = QSize(width, width * 13 / 14);
    out.sizePixels = QSize(std::max(1, out.sizeTwips.width() * 96 / 1440),
                           std::max(1, out.sizeTwips.height() * 96 / 1440));
    QPainter painter(&out.picture);
    Paint(painter, QRectF(QPointF(0, 0), QSizeF(out.sizePixels)), board, scheme, viewerSide);
    painter.end();
    out.picture.setBoundingRect(QRect(QPoint(0, 0), out.sizePixels));
    return out;
}

CBoardPicture CBackgammonBoardCtl::MakeMetafilePicture(const CBgColorScheme& scheme) const {
    return MakePicture(m_board, scheme, m_viewer);
}
