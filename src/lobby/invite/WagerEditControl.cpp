#include "lobby/invite/WagerEditControl.h"

#include "platform/Dialog.h"
#include "support/controls/Edit100ths.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

CWagerEditControl::CWagerEditControl(CWagerAmount::Mode mode, const QString& label, QWidget* parent)
    : QWidget(parent), m_amount(mode) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_label = new QLabel(label, this);
    m_label->setObjectName(QString::number(kIdLabel));
    m_edit = new CEdit100ths(kMaxWholeDigits, this);
    m_edit->setObjectName(QString::number(kIdEdit));
    m_edit->setMaxLength(9);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setMinimumWidth(80);
    m_edit->setReadOnly(true);
    m_edit->installEventFilter(this);
    m_label->setBuddy(m_edit);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_up->setFixedSize(18, 12);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    m_down->setFixedSize(18, 12);
    m_down->setObjectName(QString::number(kIdSpin));
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    layout->addWidget(m_label);
    layout->addWidget(m_edit, 1);
    layout->addLayout(arrows);
    connect(m_up, &QToolButton::clicked, this, [this] { StepAmount(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepAmount(-1); });
    showAmount();
}

void CWagerEditControl::SetAmount(int cents) {
    m_amount.SetAmount(cents);
    showAmount();
}

void CWagerEditControl::SetLabel(const QString& text) {
    m_label->setText(text);
}

QString CWagerEditControl::GetText() const {
    return m_edit->text();
}

bool CWagerEditControl::LoadLimits(const CMoneyInviteResponsePtr& response) {
    const bool loaded = m_amount.LoadLimits(response);
    showAmount();
    return loaded;
}

void CWagerEditControl::SetMultiplier(int multiplier) {
    m_amount.SetMultiplier(multiplier);
    if (m_amount.IsAboveMaximum() != m_overLimit)
        repaintWarning();
}

void CWagerEditControl::SetWarning(bool warning) {
    m_warning = warning;
    repaintWarning();
}

void CWagerEditControl::SetBold(bool bold) {
    QFont font = m_edit->font();
    font.setWeight(bold ? QFont::Black : QFont::Normal);
    m_edit->setFont(font);
}

void CWagerEditControl::EnableAll(bool enable) {
    for (QWidget* w : {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_edit),
                       static_cast<QWidget*>(m_up), static_cast<QWidget*>(m_down)})
        w->setEnabled(enable);
}

void CWagerEditControl::SetColours(const QColor& background, const QColor& text) {
    QPalette palette = m_label->palette();
    if (background.isValid()) {
        palette.setColor(QPalette::Window, background);
        m_label->setAutoFillBackground(true);
    }
    if (text.isValid())
        palette.setColor(QPalette::WindowText, text);
    m_label->setPalette(palette);
}

void CWagerEditControl::StepAmount(int delta) {
    const int before = m_amount.GetAmount();
    m_amount.StepBy(delta);
    showAmount();
    m_edit->deselect();
    if (m_amount.GetAmount() != before)
        emit amountChanged(this);
}

bool CWagerEditControl::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys in the edit act as the arrows beside it (auto-repeat included).
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && key->modifiers() == Qt::NoModifier) {
            if (m_up->isEnabled())
                StepAmount(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CWagerEditControl::showAmount() {
    const QString text = m_amount.FormatAmount();
    if (m_edit->text() != text)
        m_edit->setText(text);
    repaintWarning();
}

void CWagerEditControl::repaintWarning() {
    m_overLimit = m_amount.GetMode() == CWagerAmount::kStake && m_amount.IsAboveMaximum();
    const bool warn = m_warning || !m_amount.IsInRange();
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Text, warn ? QColor(255, 0, 0) : QColor(0, 0, 0));
    m_edit->setPalette(palette);
}
