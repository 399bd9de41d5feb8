#include "web/BrowserStatusLine.h"

#include <QLabel>

CBrowserStatusLine::CBrowserStatusLine(QLabel* control, QObject* parent)
    : QObject(parent), m_control(control) {
    m_timer.setInterval(kPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &CBrowserStatusLine::Tick);
}

void CBrowserStatusLine::Show() {
    if (m_control)
        m_control->setText(QLatin1Char(' ') + m_statusText);
    if (!m_timer.isActive())
        m_timer.start();
}

void CBrowserStatusLine::Done() {
    m_timer.stop();
    if (m_control)
        m_control->setText(QStringLiteral(" Done"));
}

void CBrowserStatusLine::Kill() {
    m_timer.stop();
}

void CBrowserStatusLine::Tick() {
    if (m_control)
        m_control->setText(m_control->text() + QLatin1Char('.'));
}

QString CBrowserStatusLine::Text() const {
    return m_control ? m_control->text() : QString();
}
