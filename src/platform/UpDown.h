#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace platform {

// Up and down arrows beside a buddy edit that holds a number, as the common control with a buddy
// integer did: an arrow (or the Up and Down keys in the edit) steps the edit's number by one,
// kept inside the range, and writes it back. Typing is not limited, so the dialog's own checks still
// see what was typed and can refuse it (a spin box would silently pull a stored value into range).
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return m_buddy; }

    // The bounds may come in either order.
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }

    // The position the arrows start from: the edit's number rounded and kept inside the range; the
    // last position when the edit holds no number.
    int Position() const;
    // Steps by that many units, as that many clicks on the up (positive) or down arrow would.
    void StepBy(int steps);

signals:
    // The arrows or keys changed the edit's text.
    void Stepped(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateArrows();

    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_lower = 0;
    int m_upper = 100;
    mutable int m_position = 0;
};

} // namespace platform
