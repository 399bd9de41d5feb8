#include "lobby/invite/WagerAmount.h"

#include <algorithm>

bool CWagerAmount::LoadLimits(const CMoneyInviteResponsePtr& response) {
    int perMatch = 0, perPoint = 0, funds = 0;
    std::vector<TMoneyIncrement> table;
    int wholeDollars = m_wholeDollars;
    if (!response.GetFirstAmountCents(perMatch) || !response.GetScaledAmountCents(perPoint) ||
        !response.GetSecondAmountCents(funds) || !response.GetIncrementTable(table, wholeDollars))
        return false;
    return SetLimits(perMatch, perPoint, funds, std::move(table), wholeDollars);
}

bool CWagerAmount::SetLimits(int perMatch, int perPoint, int funds, std::vector<TMoneyIncrement> table,
                             int wholeDollars) {
    if (table.empty() || std::any_of(table.begin(), table.end(),
                                     [](const TMoneyIncrement& e) { return e.step <= 0 || e.threshold < 0; }))
        return false;
    m_perMatch = ClampCents(perMatch);
    m_perPoint = ClampCents(perPoint);
    m_funds = ClampCents(funds);
    m_wholeDollars = wholeDollars;
    // A stake of nothing is no wager: the smallest amount is one cent even when the table starts at 0.
    m_minimum = std::max(1, table.front().threshold);
    m_increments = std::move(table);
    return true;
}

int CWagerAmount::GetMaximum() const {
    if (m_mode == kReserve)
        return m_funds;
    const qint64 byMatch = m_multiplier < 1 ? qint64(m_perMatch) : qint64(m_perPoint) * m_multiplier;
    return ClampCents(std::min<qint64>(byMatch, m_funds));
}

bool CWagerAmount::IsBeyondFunds() const {
    // Funds below sixteen per-match maxima must cover the reserve; so must funds below thirty-two
    // that are not a whole number of maxima. Larger funds are checked against the maximum instead.
    const qint64 funds = m_funds;
    const qint64 perMatch = m_perMatch;
    if (funds < 16 * perMatch)
        return m_amount > funds;
    if (funds < 32 * perMatch && (perMatch == 0 || funds % perMatch != 0))
        return m_amount > funds;
    return false;
}

QString CWagerAmount::FormatAmount(int cents, int wholeDollarThreshold) {
    if (cents < 1)
        return QString();
    if (cents >= wholeDollarThreshold && cents % 100 == 0)
        return QString::number(cents / 100);
    return FormatCentsAsDollars(cents);
}

bool CWagerAmount::ParseLeavingText(const QString& text, int& cents) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() >= 2 && trimmed.at(0) == u'0' && trimmed.at(1) != u'.')
        return false;
    return ParseDollarsToCents(trimmed, cents, CentsRounding::Truncate);
}

int CWagerAmount::StepOnce(int amount, bool up) const {
    const qint64 a = amount;
    if (m_mode == kReserve && m_fixedStep > 0) {
        const qint64 s = m_fixedStep;
        const qint64 next = up ? a + s : a - s;
        return next > 0 ? ClampCents(next / s * s) : 0;
    }
    if (m_increments.empty())
        return amount;
    // The last pair whose threshold the amount has reached; going down from a threshold exactly, the
    // pair below it.
    size_t index = 0;
    for (size_t i = 0; i < m_increments.size(); ++i)
        if (m_increments[i].threshold <= a)
            index = i;
    if (!up && index > 0 && m_increments[index].threshold == a)
        --index;
    const qint64 t = m_increments[index].threshold;
    const qint64 s = m_increments[index].step;
    if (s <= 0)
        return amount;
    if (a < t) // below the whole table: up to its first amount, down to nothing
        return up ? ClampCents(t) : 0;
    const qint64 q = (a - t) / s;
    qint64 next = up ? t + s * (q + 1) : t + s * q;
    if (!up && (a - t) % s == 0)
        next -= s;
    return ClampCents(next);
}

int CWagerAmount::StepBy(int delta) {
    const bool up = delta > 0;
    // A spin reports a few steps at a time; a huge count is no reason to loop for long.
    int count = std::min(delta < 0 ? -qint64(delta) : qint64(delta), qint64(1000));
    while (count-- > 0) {
        if (up && m_amount > GetMaximum())
            break;
        const int next = StepOnce(m_amount, up);
        if (next == m_amount)
            break;
        m_amount = next;
    }
    return m_amount;
}

QString GetWagerProblemText(bool wagerAsked, const CWagerAmount& stake, const CWagerAmount& reserve,
                            int fixedReserve) {
    if (!wagerAsked)
        return QString();
    if (reserve.IsBeyondFunds())
        return QStringLiteral("Insufficient funds: Please deposit or reduce wager.");
    if (reserve.IsAboveMaximum() || stake.IsAboveMaximum())
        return QStringLiteral("Wager limit exceeded.");
    if (fixedReserve >= 0 && reserve.GetAmount() != fixedReserve)
        return QStringLiteral("For a $%1 wager, the reserve must be $%2.")
            .arg(FormatCentsAsDollars(stake.GetAmount()), FormatCentsAsDollars(fixedReserve));
    if (reserve.GetAmount() < stake.GetAmount())
        return QStringLiteral("The limit cannot be less than the wager.");
    if (!stake.IsInRange())
        return QStringLiteral("The minimum stake is $%1").arg(FormatCentsAsDollars(stake.GetMinimum()));
    if (!reserve.IsInRange())
        return QStringLiteral("The minimum reserve is $%1").arg(FormatCentsAsDollars(reserve.GetMinimum()));
    return QString();
}
