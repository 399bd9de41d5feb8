#include "support/dialogs/QtDialogFit.h"

#include "platform/Dialog.h"
#include "platform/ScreenFit.h"
#include "support/controls/FittingScrollArea.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

constexpr char kBodyName[] = "scrolledDialogBody";
constexpr char kRefitPending[] = "norvaleRefitPending";

QDialog* qtDialog(QObject* object) {
    auto* dialog = qobject_cast<QDialog*>(object);
    return dialog && dialog->isWindow() && !qobject_cast<platform::Dialog*>(dialog) ? dialog : nullptr;
}

// The widgets above the button box of a dialog laid out as one column move into a scroll area at
// their place. Any other layout (a nested layout in the column, no button box) is left as it is.
bool scrollBody(QDialog& dialog, const QRect& area, const QMargins& frame) {
    auto* column = qobject_cast<QBoxLayout*>(dialog.layout());
    if (!column || column->direction() != QBoxLayout::TopToBottom ||
        dialog.findChild<QScrollArea*>(QLatin1String(kBodyName), Qt::FindDirectChildrenOnly))
        return false;
    int buttons = -1;
    for (int i = 0; i < column->count(); ++i) {
        QLayoutItem* item = column->itemAt(i);
        if (item->layout())
            return false;
        if (qobject_cast<QDialogButtonBox*>(item->widget()) && buttons < 0)
            buttons = i;
    }
    if (buttons <= 0)
        return false;

    auto* body = new QWidget;
    auto* inner = new QVBoxLayout(body);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(column->spacing());
    for (int i = 0; i < buttons; ++i) {
        const int stretch = column->stretch(0);
        QLayoutItem* item = column->takeAt(0);
        if (QWidget* widget = item->widget()) {
            // A widget changing its parent is hidden; one Qt hid (the print dialog's closed options)
            // stays hidden.
            const bool shown = !widget->isHidden();
            const Qt::Alignment alignment = item->alignment();
            delete item;
            inner->addWidget(widget, stretch, alignment);
            widget->setVisible(shown);
        } else {
            inner->addItem(item);
            inner->setStretch(inner->count() - 1, stretch);
        }
    }
    auto* scroll = new CFittingScrollArea;
    scroll->setObjectName(QLatin1String(kBodyName));
    scroll->setWidget(body);
    // As wide as the body and its scroll bar, so that only the height scrolls where the screen is
    // wide enough.
    const QMargins around = column->contentsMargins();
    const int room = area.width() - frame.left() - frame.right() - around.left() - around.right();
    scroll->setMinimumWidth(
        std::min(body->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width(), room));
    column->insertWidget(0, scroll, 1);
    scroll->show();
    column->activate();
    return true;
}

// Fits a dialog when it shows and, a turn of the event loop after the program or Qt made it larger
// (its layout settles first), when it grew.
class QtDialogWatch : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Resize)
            return false;
        QDialog* dialog = qtDialog(watched);
        if (!dialog)
            return false;
        if (type == QEvent::Show) {
            FitQtDialog(*dialog);
        } else if (!event->spontaneous() && dialog->isVisible() &&
                   !dialog->property(kRefitPending).toBool()) {
            dialog->setProperty(kRefitPending, true);
            QTimer::singleShot(0, this, [guard = QPointer<QDialog>(dialog)] {
                if (!guard)
                    return;
                guard->setProperty(kRefitPending, QVariant());
                if (guard->isVisible())
                    FitQtDialog(*guard);
            });
        }
        return false;
    }
};

} // namespace

void KeepQtDialogsOnScreen() {
    static QPointer<QtDialogWatch> watch;
    if (watch || !qApp)
        return;
    watch = new QtDialogWatch(qApp);
    qApp->installEventFilter(watch);
}

bool FitQtDialog(QDialog& dialog) {
    if (!dialog.isWindow())
        return false;
    const QMargins frame = platform::FrameMarginsOf(dialog);
    const QRect area = platform::AvailableAreaAt(QRect(dialog.pos(), dialog.size().grownBy(frame)));
    const QSize smallest = dialog.minimumSize().expandedTo(dialog.minimumSizeHint()).grownBy(frame);
    const bool scrolled = !area.isEmpty() &&
                          (smallest.height() > area.height() || smallest.width() > area.width()) &&
                          scrollBody(dialog, area, frame);
    return platform::KeepOnScreen(dialog) || scrolled;
}
