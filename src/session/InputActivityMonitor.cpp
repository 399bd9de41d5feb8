#include "session/InputActivityMonitor.h"

#include <QCoreApplication>
#include <QEvent>

CInputActivityMonitor& CInputActivityMonitor::Instance() {
    static CInputActivityMonitor* instance = new CInputActivityMonitor; // lives as long as the process
    return *instance;
}

CInputActivityMonitor::CInputActivityMonitor() {
    m_lastInput.start();
}

void CInputActivityMonitor::Install() {
    if (m_installed || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_installed = true;
    m_lastInput.restart();
}

void CInputActivityMonitor::Remove() {
    if (!m_installed)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_installed = false;
}

qint64 CInputActivityMonitor::SecondsSinceInput() const {
    return m_lastInput.elapsed() / 1000;
}

bool CInputActivityMonitor::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_lastInput.restart();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
