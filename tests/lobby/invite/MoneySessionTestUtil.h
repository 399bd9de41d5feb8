#pragma once

// A money session between alice and bob as the continuation tests play it, and the database's
// answer to its continuation.
#include "game/RuleOptions.h"
#include "net/DatabaseTransaction.h"

#include <QString>

namespace moneytest {

// Unlimited money play with a wager: 1.00 a point, a reserve of 50.
inline CBGRuleOptions SessionTerms() {
    CBGRuleOptions::Values values;
    values.matchLength = 0;
    values.unlimited = true;
    values.wager = true;
    values.stake = 100;
    values.reserve = 5000;
    return CBGRuleOptions(values);
}

// The database's answer for the room: result "1" lets the session go on.
inline QString Answer(const QString& room, const QString& result = QStringLiteral("1")) {
    CUserMoneyInviteResponse response;
    response.m_userName = room;
    response.m_resultCode = result;
    response.m_firstAmount = QStringLiteral("100");
    response.m_secondAmount = QStringLiteral("1000");
    response.m_factor = QStringLiteral("0.5");
    response.m_increments = QStringLiteral("0.25 0.25 10 1");
    return response.FormatRequest();
}

} // namespace moneytest
