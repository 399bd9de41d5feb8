#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QLabel;

// The status line of the web dialogs: " Retrieving information " grows a dot each second while the
// page loads, and reads " Done" when it has arrived.
class CBrowserStatusLine : public QObject {
public:
    static constexpr int kPeriodMs = 1000;

    // control: the dialog's status text (control 1377); it may go away before the status line does.
    explicit CBrowserStatusLine(QLabel* control, QObject* parent = nullptr);

    // The text shown while loading (kept for ShowAgain).
    void SetStatusText(const QString& text) { m_statusText = text; }
    const QString& StatusText() const { return m_statusText; }

    // Shows " " + the status text and starts the one-second timer unless it runs.
    void Show();
    // The control's text and the timer as a completed navigation leaves them: " Done", no timer.
    void Done();
    // Stops the timer (the window is going away).
    void Kill();
    // One second of the timer: a dot more.
    void Tick();

    bool IsTimerRunning() const { return m_timer.isActive(); }
    QString Text() const;

private:
    QPointer<QLabel> m_control;
    QString m_statusText;
    QTimer m_timer;
};
