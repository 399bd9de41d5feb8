#include "platform/UpDown.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace platform {

UpDownControl::UpDownControl(QWidget* parent) : QWidget(parent) {
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepBy(-1); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    m_position = m_lower;
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy) {
        m_buddy->installEventFilter(this);
        // Two arrows as tall as the edit together, as narrow as the style allows.
        const int height = std::max(8, m_buddy->sizeHint().height() / 2);
        for (QToolButton* arrow : {m_up, m_down})
            arrow->setFixedSize(std::max(height + 4, 16), height);
    }
    updateArrows();
}

void UpDownControl::SetRange(int lower, int upper) {
    m_lower = std::min(lower, upper);
    m_upper = std::max(lower, upper);
    m_position = std::clamp(m_position, m_lower, m_upper);
}

int UpDownControl::Position() const {
    if (m_buddy) {
        bool ok = false;
        const double number = m_buddy->text().trimmed().toDouble(&ok);
        if (ok && std::isfinite(number))
            m_position = int(std::clamp(std::round(number), double(m_lower), double(m_upper)));
    }
    return m_position;
}

void UpDownControl::StepBy(int steps) {
    const qint64 wanted = qint64(Position()) + steps;
    const int next = int(std::clamp<qint64>(wanted, m_lower, m_upper));
    m_position = next;
    if (m_buddy && m_buddy->text() != QString::number(next)) {
        m_buddy->setText(QString::number(next));
        emit Stepped(next);
    }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    if (watched == m_buddy && event->type() == QEvent::EnabledChange)
        updateArrows();
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        updateArrows();
    QWidget::changeEvent(event);
}

void UpDownControl::updateArrows() {
    // Arrows of a disabled edit would change a value the user cannot edit.
    const bool enabled = isEnabled() && (!m_buddy || m_buddy->isEnabled());
    m_up->setEnabled(enabled);
    m_down->setEnabled(enabled);
}

} // namespace platform
