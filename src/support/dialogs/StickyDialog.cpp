#include "support/dialogs/StickyDialog.h"

#include "support/Cascade.h"
#include "support/MainWindow.h"
#include "support/SettingsStore.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

const QString kDialogRect = QStringLiteral("Dialog Rect");
int g_moveSaveDelayMs = 400;

// Stands for the dialog in the settings once its derived parts are gone.
class SectionOf : public platform::Object {
public:
    explicit SectionOf(const char* name) : m_name(name) {}
    const char* RuntimeClassName() const override { return m_name; }

private:
    const char* m_name;
};

QRect desktopRect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

} // namespace

CStickyDialog::CStickyDialog(int templateId, QWidget* parent, bool takeFocus, bool positionOnly)
    : platform::Dialog(parent), m_templateId(templateId), m_activeWindow(QApplication::activeWindow()),
      m_takeFocus(takeFocus), m_positionOnly(positionOnly) {
    if (!takeFocus)
        setAttribute(Qt::WA_ShowWithoutActivating);
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    connect(m_saveTimer, &QTimer::timeout, this, &CStickyDialog::SaveRectIfMoved);
}

CStickyDialog::~CStickyDialog() {
    // A dialog deleted without being closed first still keeps its last place.
    SaveRectIfMoved();
}

void CStickyDialog::SetMoveSaveDelay(int milliseconds) { g_moveSaveDelayMs = qMax(0, milliseconds); }

bool CStickyDialog::OnInitDialog() {
    m_sectionClass = RuntimeClassName();
    platform::Dialog::OnInitDialog();
    // The layout's size first, so that centring and cascading see the real size.
    if (!testAttribute(Qt::WA_Resized))
        adjustSize();
    FitTitle();
    restorePlacement();
    CascadeWindow(nullptr, GetMainWindow(), this);
    m_initialized = true;
    m_moved = false;
    return m_takeFocus;
}

void CStickyDialog::restorePlacement() {
    platform::Rect rect = GetSettingsStore().GetObjectRect(this, kDialogRect, platform::Rect{});
    QWidget* owner = parentWidget();
    if (rect.IsEmpty() || !owner) {
        centreOnParent();
        return;
    }
    const QPoint origin = owner->mapToGlobal(QPoint(0, 0));
    rect = rect.Offset(origin.x(), origin.y());
    const QRect desktop = desktopRect();
    if (desktop.isValid()) {
        const int right = desktop.x() + desktop.width();
        const int bottom = desktop.y() + desktop.height();
        if (rect.right > right)
            rect = rect.Offset(right - rect.right, 0);
        if (rect.bottom > bottom)
            rect = rect.Offset(0, bottom - rect.bottom);
        rect = rect.Offset(qMax(1 - rect.left, 0), qMax(1 - rect.top, 0));
    }
    move(rect.left, rect.top);
    if (!m_positionOnly)
        resize(rect.Width(), rect.Height());
}

void CStickyDialog::centreOnParent() {
    QRect around;
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (owner)
        around = owner->frameGeometry();
    else
        around = desktopRect();
    if (!around.isValid())
        return;
    const QSize own = isVisible() ? frameGeometry().size() : size();
    QPoint at = around.topLeft() + QPoint((around.width() - own.width()) / 2, (around.height() - own.height()) / 2);

    // Whole on the screen it opens on, frame and all: centred on a window at the screen's edge it
    // would run past it, its buttons out of reach. A dialog not shown yet has no frame; it will get
    // one like its owner's (a caption's height when that is unknown).
    QSize whole = own;
    if (!isVisible()) {
        if (owner && owner->isVisible())
            whole += around.size() - owner->geometry().size();
        else
            whole.rheight() += style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    }
    const QScreen* screen = QGuiApplication::screenAt(QRect(at, whole).center());
    if (!screen && owner)
        screen = owner->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        at.setX(qMax(area.left(), qMin(at.x(), area.x() + area.width() - whole.width())));
        at.setY(qMax(area.top(), qMin(at.y(), area.y() + area.height() - whole.height())));
    }
    move(at);
}

platform::Rect CStickyDialog::CurrentStoredRect() const {
    QPoint topLeft = pos();
    if (QWidget* owner = parentWidget())
        topLeft = owner->mapFromGlobal(topLeft);
    return platform::Rect{topLeft.x(), topLeft.y(), topLeft.x() + width(), topLeft.y() + height()};
}

void CStickyDialog::writeRect() {
    const SectionOf section(m_sectionClass ? m_sectionClass : RuntimeClassName());
    GetSettingsStore().WriteObjectRect(&section, kDialogRect, CurrentStoredRect());
}

void CStickyDialog::SaveRectIfMoved() {
    if (m_saveTimer)
        m_saveTimer->stop();
    if (!m_moved)
        return;
    m_moved = false;
    writeRect();
}

void CStickyDialog::moveEvent(QMoveEvent* event) {
    platform::Dialog::moveEvent(event);
    // Moves that are the dialog's own placement arrive while it is still being shown.
    if (!m_initialized || !isVisible() || !m_shownOnce)
        return;
    m_moved = true;
    if (g_moveSaveDelayMs == 0)
        SaveRectIfMoved();
    else
        m_saveTimer->start(g_moveSaveDelayMs);
}

void CStickyDialog::showEvent(QShowEvent* event) {
    platform::Dialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_takeFocus) {
        if (m_activeWindow && m_activeWindow != this)
            m_activeWindow->activateWindow();
        else if (QWidget* main = GetMainWindow())
            main->activateWindow();
        // A modal dialog the user is answering stays in sight: hidden behind this window it would
        // still take every key and click.
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this)
            modal->raise();
    }
}

void CStickyDialog::hideEvent(QHideEvent* event) {
    SaveRectIfMoved();
    platform::Dialog::hideEvent(event);
}

void CStickyDialog::mouseReleaseEvent(QMouseEvent* event) {
    setEnabled(true);
    platform::Dialog::mouseReleaseEvent(event);
}
