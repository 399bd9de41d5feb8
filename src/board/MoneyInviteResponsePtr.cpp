#include "board/MoneyInviteResponsePtr.h"

#include "support/Cents.h"

#include <QStringList>

#include <cmath>

namespace {

bool PositiveCents(const QString& text, int& cents) {
    int value = 0;
    if (!ParseDollarsToCents(text, value) || value <= 0)
        return false;
    cents = value;
    return true;
}

} // namespace

bool CMoneyInviteResponsePtr::AttachIfFor(std::unique_ptr<CDatabaseTransaction> transaction,
                                          const QString& name) {
    if (!transaction || transaction->GetCode() != CUserMoneyInviteResponse::kCode)
        return false;
    auto* response = static_cast<CUserMoneyInviteResponse*>(transaction.get());
    if (response->m_userName != name)
        return false;
    transaction.release();
    m_response.reset(response);
    return true;
}

int CMoneyInviteResponsePtr::GetResultCode() const {
    if (!m_response)
        return 0;
    const QString text = m_response->m_resultCode.trimmed();
    qsizetype end = 0;
    if (end < text.size() && text.at(end) == u'-')
        ++end;
    while (end < text.size() && text.at(end).isDigit() && end < 10)
        ++end;
    bool ok = false;
    const int code = text.left(end).toInt(&ok);
    return ok ? code : 0;
}

bool CMoneyInviteResponsePtr::GetFirstAmountCents(int& cents) const {
    return m_response && PositiveCents(m_response->m_firstAmount, cents);
}

bool CMoneyInviteResponsePtr::GetSecondAmountCents(int& cents) const {
    return m_response && PositiveCents(m_response->m_secondAmount, cents);
}

bool CMoneyInviteResponsePtr::GetScaledAmountCents(int& cents) const {
    int first = 0;
    if (!GetFirstAmountCents(first))
        return false;
    bool ok = false;
    const double factor = m_response->m_factor.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(factor) || factor <= 0)
        return false;
    const double scaled = std::round(double(first) * factor);
    if (scaled < 1)
        return false;
    cents = scaled >= kMaxCents ? kMaxCents : int(scaled);
    return true;
}

bool CMoneyInviteResponsePtr::GetIncrementTable(std::vector<TMoneyIncrement>& table,
                                                int& wholeDollarThreshold) const {
    if (!m_response)
        return false;
    const QStringList words = m_response->m_increments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() % 2 != 0)
        return false;
    std::vector<TMoneyIncrement> parsed;
    int threshold = wholeDollarThreshold;
    for (qsizetype i = 0; i < words.size(); i += 2) {
        TMoneyIncrement entry;
        if (!ParseDollarsToCents(words.at(i), entry.threshold) ||
            !ParseDollarsToCents(words.at(i + 1), entry.step))
            return false;
        if (entry.step <= 0 || (!parsed.empty() && entry.threshold <= parsed.back().threshold))
            return false;
        if (entry.threshold >= 100 && entry.step >= 100 && entry.threshold % 100 == 0 &&
            entry.step % 100 == 0)
            threshold = entry.threshold;
        parsed.push_back(entry);
    }
    table = std::move(parsed);
    wholeDollarThreshold = threshold;
    return true;
}

bool CMoneyInviteResponsePtr::GetFirstIncrement(int& cents) const {
    std::vector<TMoneyIncrement> table;
    int threshold = 0;
    if (!GetIncrementTable(table, threshold))
        return false;
    cents = table.front().threshold;
    return true;
}
