#pragma once

#include <QElapsedTimer>
#include <QObject>

// Records when the user last used the mouse or the keyboard anywhere in the application (an
// application-wide event filter), for the session's away detection.
class CInputActivityMonitor : public QObject {
    Q_OBJECT
public:
    static CInputActivityMonitor& Instance();

    // Starts watching the application's input (idempotent).
    void Install();
    void Remove();

    // Seconds since the last input (since Install when there was none).
    qint64 SecondsSinceInput() const;
    // Counts as input now (also used by tests).
    void NoteInput() { m_lastInput.restart(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CInputActivityMonitor();
    QElapsedTimer m_lastInput;
    bool m_installed = false;
};
