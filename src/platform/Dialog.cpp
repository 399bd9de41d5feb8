#include "platform/Dialog.h"

#include "platform/ScreenFit.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include <cmath>

namespace platform {

namespace {

const char* const kNotANumber = "Please enter a whole number.";
const char* const kNotAReal = "Please enter a number.";

QString realText(double value) { return QString::number(value, 'g', 15); }

QString textOf(const QWidget* widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (auto* spin = qobject_cast<const QSpinBox*>(widget))
        return QString::number(spin->value());
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        return spin->text();
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    if (auto* text = qobject_cast<const QTextEdit*>(widget))
        return text->toPlainText();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(widget))
        return text->toPlainText();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    return widget ? widget->windowTitle() : QString();
}

void setTextOf(QWidget* widget, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok)
            spin->setValue(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    } else if (auto* textEdit = qobject_cast<QTextEdit*>(widget)) {
        textEdit->setPlainText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        plain->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        // Control texts often come from the wire (nicknames, messages): never read them as markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (widget) {
        widget->setWindowTitle(text);
    }
}

} // namespace

// ---- DataExchange ------------------------------------------------------------------------------

void DataExchange::Text(int id, QString& value) {
    QWidget* widget = skip() ? nullptr : m_dialog.Item(id);
    if (!widget)
        return;
    if (m_saving)
        value = textOf(widget);
    else
        setTextOf(widget, value);
}

void DataExchange::Text(int id, int& value) {
    QWidget* widget = skip() ? nullptr : m_dialog.Item(id);
    if (!widget)
        return;
    if (!m_saving) {
        setTextOf(widget, QString::number(value));
        return;
    }
    bool ok = false;
    const int number = textOf(widget).trimmed().toInt(&ok, 10);
    if (!ok)
        return Fail(id, QString::fromLatin1(kNotANumber));
    value = number;
}

void DataExchange::Text(int id, double& value) {
    QWidget* widget = skip() ? nullptr : m_dialog.Item(id);
    if (!widget)
        return;
    if (!m_saving) {
        setTextOf(widget, realText(value));
        return;
    }
    // QString's conversion reads the C locale's point; it would take "inf" and "nan", which no
    // setting can hold.
    bool ok = false;
    const double number = textOf(widget).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return Fail(id, QString::fromLatin1(kNotAReal));
    value = number;
}

void DataExchange::Check(int id, bool& value) {
    int state = value ? 1 : 0;
    Check(id, state);
    value = state != 0;
}

void DataExchange::Check(int id, int& value) {
    auto* button = skip() ? nullptr : m_dialog.ItemAs<QAbstractButton>(id);
    if (!button)
        return;
    auto* box = qobject_cast<QCheckBox*>(button);
    if (m_saving) {
        value = box ? (box->checkState() == Qt::PartiallyChecked ? 2 : box->isChecked() ? 1 : 0)
                    : (button->isChecked() ? 1 : 0);
    } else if (box && value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        button->setChecked(value != 0);
    }
}

void DataExchange::Radio(const QList<int>& ids, int& index) {
    if (skip())
        return;
    if (m_saving) {
        int chosen = -1;
        for (int i = 0; i < ids.size() && chosen < 0; ++i)
            if (m_dialog.IsItemChecked(ids[i]))
                chosen = i;
        index = chosen;
        return;
    }
    for (int i = 0; i < ids.size(); ++i) {
        auto* button = m_dialog.ItemAs<QAbstractButton>(ids[i]);
        if (!button)
            continue;
        // Exclusive buttons cannot all be cleared; lift that while setting them.
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(i == index);
        button->setAutoExclusive(exclusive);
    }
}

void DataExchange::ComboIndex(int id, int& index) {
    QWidget* widget = skip() ? nullptr : m_dialog.Item(id);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (m_saving)
            index = combo->currentIndex();
        else
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (m_saving)
            index = list->currentRow();
        else
            list->setCurrentRow(index >= 0 && index < list->count() ? index : -1);
    }
}

void DataExchange::Slider(int id, int& value) {
    auto* slider = skip() ? nullptr : m_dialog.ItemAs<QAbstractSlider>(id);
    if (!slider)
        return;
    if (m_saving)
        value = slider->value();
    else
        slider->setValue(value);
}

void DataExchange::MaxChars(int id, const QString& value, int maxChars) {
    if (skip())
        return;
    if (!m_saving) {
        if (auto* edit = m_dialog.ItemAs<QLineEdit>(id))
            edit->setMaxLength(maxChars);
        return;
    }
    if (value.size() > maxChars)
        Fail(id, QStringLiteral("Please enter no more than %1 characters.").arg(maxChars));
}

void DataExchange::MinMaxInt(int id, int value, int minimum, int maximum) {
    if (skip() || !m_saving)
        return;
    if (value < minimum || value > maximum)
        Fail(id, QStringLiteral("Please enter a whole number between %1 and %2.").arg(minimum).arg(maximum));
}

void DataExchange::MinMaxDouble(int id, double value, double minimum, double maximum) {
    if (skip() || !m_saving)
        return;
    if (!(value >= minimum && value <= maximum))
        Fail(id, QStringLiteral("Please enter a number between %1 and %2.").arg(realText(minimum), realText(maximum)));
}

void DataExchange::Fail(int id, const QString& message) {
    if (m_failed)
        return;
    m_failed = true;
    ui().MessageBox(&m_dialog, message, QString(), MB_OK | MB_ICONEXCLAMATION);
    m_dialog.FocusItem(id);
    if (auto* edit = m_dialog.ItemAs<QLineEdit>(id))
        edit->selectAll();
}

// ---- Dialog ------------------------------------------------------------------------------------

Dialog::Dialog(QWidget* parent) : QDialog(parent) {}

Dialog::~Dialog() = default;

void Dialog::SetItemId(QWidget* widget, int id) {
    if (!widget)
        return;
    widget->setObjectName(QString::number(id));
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button && (id == IDOK || id == IDCANCEL))
        connect(button, &QAbstractButton::clicked, this, [this, id] { Press(id); });
}

int Dialog::ItemId(const QWidget* widget) {
    if (!widget)
        return 0;
    bool ok = false;
    const int id = widget->objectName().toInt(&ok);
    return ok ? id : 0;
}

QWidget* Dialog::Item(int id) const {
    const QString name = QString::number(id);
    // Breadth first, so a control of this dialog wins over a deeper one of the same id.
    QObjectList queue = children();
    for (qsizetype i = 0; i < queue.size(); ++i) {
        auto* widget = qobject_cast<QWidget*>(queue[i]);
        if (!widget)
            continue;
        if (widget->objectName() == name)
            return widget;
        if (widget->isWindow() || dynamic_cast<Dialog*>(widget))
            continue; // other windows and embedded dialogs keep their own ids
        queue += widget->children();
    }
    return nullptr;
}

QString Dialog::GetItemText(int id) const {
    QWidget* widget = Item(id);
    return widget ? textOf(widget) : QString();
}

void Dialog::SetItemText(int id, const QString& text) {
    if (QWidget* widget = Item(id))
        setTextOf(widget, text);
}

void Dialog::EnableItem(int id, bool enable) {
    if (QWidget* widget = Item(id))
        widget->setEnabled(enable);
}

void Dialog::ShowItem(int id, bool show) {
    if (QWidget* widget = Item(id))
        widget->setVisible(show);
}

bool Dialog::IsItemChecked(int id) const {
    auto* button = ItemAs<QAbstractButton>(id);
    return button && button->isChecked();
}

void Dialog::CheckItem(int id, bool checked) {
    if (auto* button = ItemAs<QAbstractButton>(id))
        button->setChecked(checked);
}

void Dialog::FocusItem(int id) {
    if (QWidget* widget = Item(id))
        widget->setFocus(Qt::OtherFocusReason);
}

bool Dialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.failed();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::EnsureInitialized() {
    if (m_initialized)
        return;
    m_initialized = true;
    if (objectName().isEmpty())
        setObjectName(QString::fromLatin1(RuntimeClassName()));
    OnInitDialog();
}

void Dialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::EndDialog(int code) { done(code); }

int Dialog::DoModal() {
    m_ended = false;
    EnsureInitialized();
    if (m_ended)
        return result(); // ended from its own OnInitDialog
    return ui().ExecDialog(this);
}

int Dialog::Press(int buttonId) {
    m_ended = false;
    if (buttonId == IDOK)
        OnOK();
    else if (buttonId == IDCANCEL)
        OnCancel();
    return m_ended ? result() : 0;
}

QDialogButtonBox* Dialog::CreateButtonBox(QDialogButtonBox::StandardButtons buttons) {
    auto* box = new QDialogButtonBox(buttons, this);
    const std::pair<QDialogButtonBox::StandardButton, int> ids[] = {
        {QDialogButtonBox::Ok, IDOK},
        {QDialogButtonBox::Cancel, IDCANCEL},
        {QDialogButtonBox::Yes, IDYES},
        {QDialogButtonBox::No, IDNO},
    };
    for (const auto& [standard, id] : ids)
        if (QPushButton* button = box->button(standard))
            SetItemId(button, id);
    return box;
}

void Dialog::EmbedIn(QWidget* parent) { setParent(parent, Qt::Widget); }

void Dialog::accept() { OnOK(); }

void Dialog::reject() { OnCancel(); }

void Dialog::done(int code) {
    m_ended = true;
    QDialog::done(code);
}

void Dialog::setVisible(bool visible) {
    if (visible && isWindow())
        EnsureInitialized();
    QDialog::setVisible(visible);
}

void Dialog::showEvent(QShowEvent* event) {
    EnsureInitialized();
    FitTitle();
    // Whatever placed it, and however large it was made, a dialog shows whole on its screen.
    if (isWindow())
        KeepOnScreen(*this);
    QDialog::showEvent(event);
}

void Dialog::FitTitle() {
    // A dialog of few controls would cut its own title.
    if (!isWindow())
        return;
    // Not past the screen's width, though: there the title bar would be out of reach.
    const QMargins frame = FrameMarginsOf(*this);
    const QRect area = AvailableAreaAt(QRect(pos(), size().grownBy(frame)));
    int wanted = TitleBarWidth(*this);
    if (!area.isEmpty())
        wanted = qMin(wanted, area.width() - frame.left() - frame.right());
    if (maximumWidth() >= wanted && minimumWidth() < wanted)
        setMinimumWidth(wanted);
    if (width() < wanted)
        resize(qMin(wanted, maximumWidth()), height());
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    // Inside another dialog, Enter and Escape belong to the window that holds the buttons.
    if (!isWindow()) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace platform
