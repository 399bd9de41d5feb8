#pragma once

#include "board/MoneyInviteResponsePtr.h"
#include "support/Cents.h"

#include <QString>

#include <vector>

// The arithmetic behind one money amount of an invitation (a stake or a reserve): its limits as the
// database service gives them, its text form, the spin steps and the range checks. No widget: the
// wager edit control shows one of these.
class CWagerAmount {
public:
    enum Mode {
        kReserve = 0, // no multiplier; its maximum is the funds
        kStake = 1,   // per match, or per point times the match length
    };

    explicit CWagerAmount(Mode mode) : m_mode(mode) {}

    Mode GetMode() const { return m_mode; }
    int GetAmount() const { return m_amount; }
    void SetAmount(int cents) { m_amount = ClampCents(cents); }
    int GetMultiplier() const { return m_multiplier; }
    void SetMultiplier(int multiplier) { m_multiplier = multiplier; }
    // 0 steps by the increment table.
    int GetStep() const { return m_fixedStep; }
    void SetStep(int step) { m_fixedStep = step > 0 ? step : 0; }

    int GetMinimum() const { return m_minimum; }
    int GetPerMatchMaximum() const { return m_perMatch; }
    int GetPerPointMaximum() const { return m_perPoint; }
    int GetFunds() const { return m_funds; }
    int GetWholeDollarThreshold() const { return m_wholeDollars; }
    const std::vector<TMoneyIncrement>& GetIncrements() const { return m_increments; }

    // The limits of a money-invite response -> false, limits unchanged, when a field cannot be read.
    bool LoadLimits(const CMoneyInviteResponsePtr& response);
    // For tests and callers that know the limits already; a table without a usable pair is refused.
    bool SetLimits(int perMatch, int perPoint, int funds, std::vector<TMoneyIncrement> table,
                   int wholeDollars);

    // The largest amount allowed: the funds for a reserve; for a stake the per-match maximum (no
    // match length) or the per-point maximum times the length, and never above the funds.
    int GetMaximum() const;
    bool IsInRange() const { return m_amount >= m_minimum && m_amount <= GetMaximum(); }
    bool IsAboveMaximum() const { return m_amount > GetMaximum(); }
    // A reserve that the funds cannot cover (see the .cpp for the rule).
    bool IsBeyondFunds() const;

    // The edit's text: empty below one cent, whole dollars without decimals at or above the
    // whole-dollar threshold, else dollars with two decimals.
    QString FormatAmount() const { return FormatAmount(m_amount, m_wholeDollars); }
    static QString FormatAmount(int cents, int wholeDollarThreshold);
    // A text as the user left it -> false when it is refused: not a plain decimal number, a leading
    // zero before another digit ("05"), or above 99 999 999 cents. Cents beyond the second decimal are
    // dropped.
    static bool ParseLeavingText(const QString& text, int& cents);

    // One spin notification of delta steps (its sign gives the direction): steps |delta| times,
    // stopping early going up once above the maximum -> the new amount (also kept).
    int StepBy(int delta);
    // One step from amount, by the fixed step or the table; always within 0..99 999 999.
    int StepOnce(int amount, bool up) const;

private:
    Mode m_mode;
    int m_amount = 5000;
    int m_multiplier = 0;
    int m_fixedStep = 0;
    int m_minimum = 25;
    int m_perMatch = 10000;
    int m_perPoint = 5000;
    int m_funds = 100000;
    int m_wholeDollars = 1000;
    std::vector<TMoneyIncrement> m_increments{{25, 25}};
};

// Why an asked wager cannot be played, empty when it can (or when no wager is asked). fixedReserve < 0
// when the reserve is free, else the reserve the terms require.
QString GetWagerProblemText(bool wagerAsked, const CWagerAmount& stake, const CWagerAmount& reserve,
                            int fixedReserve);
