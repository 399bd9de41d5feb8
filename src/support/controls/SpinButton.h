#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

// Up and down arrows that step the number in a buddy edit within a range. The edit itself keeps
// whatever the user or the program put into it (a stored 500 stays 500 in a 20..300 box, for the
// page's check to refuse); only a step brings the number into the range. The arrow keys in the edit
// step as well.
class CSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButton(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* GetBuddy() const { return m_buddy; }
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }

    // Steps the buddy's number by delta: a number with a fraction (a rating, say) is rounded first;
    // a text that is no number starts from the minimum; the result is kept within the range.
    void StepBy(int delta);

signals:
    // After a step changed the buddy's text.
    void stepped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QLineEdit> m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 100;
};
