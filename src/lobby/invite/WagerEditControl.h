#pragma once

#include "lobby/invite/WagerAmount.h"

#include <QWidget>

class CEdit100ths;
class QLabel;
class QToolButton;

// One money amount of an invitation: a label, the amount in dollars and cents, and up and down arrows
// that step it by the database's increments. The amount is not typed: the edit is read-only and the
// arrows (or the Up and Down keys in the edit) change it, so that a half-typed amount never reaches
// the owner or the peer. The amount turns red while it is out of its range or a warning is forced.
// Tells its owner of every amount the user makes (amountChanged).
class CWagerEditControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdLabel = 1538;
    static constexpr int kIdEdit = 1536;
    static constexpr int kIdSpin = 1537;
    static constexpr int kMaxWholeDigits = 6;

    CWagerEditControl(CWagerAmount::Mode mode, const QString& label, QWidget* parent = nullptr);

    int GetAmount() const { return m_amount.GetAmount(); }
    void SetAmount(int cents);
    void SetLabel(const QString& text);
    QString GetText() const;
    int GetMaximum() const { return m_amount.GetMaximum(); }
    bool IsInRange() const { return m_amount.IsInRange(); }
    bool IsAboveMaximum() const { return m_amount.IsAboveMaximum(); }
    bool IsBeyondFunds() const { return m_amount.IsBeyondFunds(); }
    bool LoadLimits(const CMoneyInviteResponsePtr& response);
    void SetMultiplier(int multiplier);
    void SetStep(int step) { m_amount.SetStep(step); }
    void SetWarning(bool warning);
    void SetBold(bool bold);
    // The edit, the arrows and the label together.
    void EnableAll(bool enable);
    void SetColours(const QColor& background, const QColor& text);
    const CWagerAmount& Amount() const { return m_amount; }

    // One spin notification of delta steps (positive: up).
    void StepAmount(int delta);
    QToolButton* GetArrow(bool up) const { return up ? m_up : m_down; }
    CEdit100ths* GetEdit() const { return m_edit; }

signals:
    void amountChanged(CWagerEditControl* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showAmount();
    void repaintWarning();

    CWagerAmount m_amount;
    QLabel* m_label;
    CEdit100ths* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    bool m_warning = false;
    bool m_overLimit = false;
};
