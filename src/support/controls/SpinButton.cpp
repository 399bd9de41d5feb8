#include "support/controls/SpinButton.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

CSpinButton::CSpinButton(QWidget* parent) : QWidget(parent) {
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepBy(-1); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
}

void CSpinButton::SetBuddy(QLineEdit* buddy) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy) {
        m_buddy->installEventFilter(this);
        // The two arrows together as tall as the edit, so they sit beside it as one control.
        const int height = std::max(8, m_buddy->sizeHint().height() / 2);
        for (QToolButton* button : {m_up, m_down})
            button->setFixedSize(std::max(16, height + 4), height);
    }
}

void CSpinButton::SetRange(int minimum, int maximum) {
    m_minimum = qMin(minimum, maximum);
    m_maximum = qMax(minimum, maximum);
}

void CSpinButton::StepBy(int delta) {
    if (!m_buddy || !isEnabled())
        return;
    bool ok = false;
    const double number = m_buddy->text().trimmed().toDouble(&ok);
    ok = ok && std::isfinite(number);
    const qint64 low = m_minimum;
    const qint64 high = m_maximum;
    const qint64 start = ok ? qint64(std::clamp(std::round(number), double(low), double(high))) : low;
    const int next = int(qBound(low, start + (ok ? delta : 0), high));
    const QString text = QString::number(next);
    if (text == m_buddy->text())
        return;
    m_buddy->setText(text);
    emit stepped();
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    // The type first: while the buddy is being destroyed its guarded pointer must not be read.
    if (event->type() == QEvent::KeyPress && watched == m_buddy) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
