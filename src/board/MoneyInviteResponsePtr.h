#pragma once

#include "net/DatabaseTransaction.h"

#include <QString>

#include <memory>
#include <vector>

// One step of a money amount spin: from threshold (cents) upwards an amount moves by step (cents).
struct TMoneyIncrement {
    int threshold = 0;
    int step = 0;
    bool operator==(const TMoneyIncrement&) const = default;
};

// Holds the database service's answer to a money invitation (transaction 71) for one room and reads
// its fields as cents. Every amount the service sends is checked: a field that is missing, is not a
// plain decimal number, or is out of range reads as absent (false), never as a guess.
class CMoneyInviteResponsePtr {
public:
    CMoneyInviteResponsePtr() = default;

    // Takes the transaction when it is a money-invite response whose user-name field is name (the
    // room's service-name text); otherwise it is dropped. -> whether it was taken.
    bool AttachIfFor(std::unique_ptr<CDatabaseTransaction> transaction, const QString& name);
    bool IsAttached() const { return bool(m_response); }
    const CUserMoneyInviteResponse* Get() const { return m_response.get(); }
    void Release() { m_response.reset(); }

    // The leading decimal number of the result code; 0 when empty or not a number.
    int GetResultCode() const;
    // The first amount (the per-match maximum) and the second (the funds), rounded to cents; each
    // must be above 0.
    bool GetFirstAmountCents(int& cents) const;
    bool GetSecondAmountCents(int& cents) const;
    // The first amount times the factor field (the per-point maximum), at most 99 999 999 cents.
    bool GetScaledAmountCents(int& cents) const;
    // The increment list as {threshold, step} pairs in cents. The list must hold at least one pair,
    // every step above 0 and the thresholds strictly ascending. The whole-dollar threshold is the
    // threshold of the last pair whose values are both whole dollars of at least one dollar; it stays
    // as it was given when no pair is.
    bool GetIncrementTable(std::vector<TMoneyIncrement>& table, int& wholeDollarThreshold) const;
    bool GetFirstIncrement(int& cents) const;

private:
    std::unique_ptr<CUserMoneyInviteResponse> m_response;
};
