#include "lobby/invite/BackgammonInviteTerms.h"

#include "game/BackgammonBoard.h"
#include "game/LeagueInviteInfo.h"
#include "session/ServiceName.h"
#include "support/Cents.h"
#include "support/SettingsStore.h"

#include <algorithm>

namespace bginvite {

namespace {

const QString kSectionName = QString::fromLatin1(kSection);

QString KindSuffix(bool money) {
    return money ? QStringLiteral("Unlimited") : QStringLiteral("Limited");
}

} // namespace

bool IsHyperBot(const CServiceName& room) {
    return room.HasPart(QString::fromLatin1(kHyperBot));
}

bool IsTutorBot(const CServiceName& room) {
    return room.HasPart(QString::fromLatin1(kTutorBot));
}

bool IsRobotForMoney(const CServiceName& room) {
    for (const char* robot : {"Xbot", "Ybot", "Tbot"})
        if (room.HasPart(QString::fromLatin1(robot)))
            return true;
    return false;
}

QString StakeSettingName(bool money) {
    return QStringLiteral("StakePennies") + KindSuffix(money);
}

QString ReserveSettingName(bool money) {
    return QStringLiteral("ReservePennies") + KindSuffix(money);
}

QString WagerSettingName(bool money) {
    return QStringLiteral("DoWager") + KindSuffix(money);
}

bool LoadRememberedKind(const CSettingsStore& store) {
    return store.GetBool(kSectionName, QStringLiteral("Unlimited"), false);
}

TBackgammonTerms LoadRememberedTerms(const CSettingsStore& store, bool money,
                                     const TRememberContext& context) {
    const QString& s = kSectionName;
    TBackgammonTerms t;
    // The wager: a match's reserve is its stake.
    t.stake = ClampCents(store.GetIntEx(s, StakeSettingName(money), kDefaultStake));
    t.reserve = money ? ClampCents(store.GetIntEx(s, ReserveSettingName(money), kDefaultReserve)) : t.stake;
    t.wager = store.GetBool(s, WagerSettingName(money), false) || context.robotForMoney;
    t.variant = store.GetIntEx(s, QStringLiteral("Variant") + KindSuffix(money), 0);
    if (t.variant < 0 || t.variant >= kVariantCount)
        t.variant = 0;
    if (context.guestFree && money) {
        t.money = true;
        t.cube = store.GetBool(s, QStringLiteral("UseDoublingCubeUnlimited"), true);
        t.matchLength = 0;
        t.rated = false;
        t.autoDoubles = store.GetBool(s, QStringLiteral("AutoDouble"), false);
        t.beavers = store.GetBool(s, QStringLiteral("Beavers"), true);
    } else {
        t.money = false;
        if (context.guestFree) {
            t.cube = store.GetBool(s, QStringLiteral("UseDoublingCubeLimited"), true);
            t.matchLength = std::clamp(store.GetIntEx(s, QStringLiteral("Match Length"), 3), 1,
                                       CBGRuleOptions::kMaxInvitedMatchLength);
            t.rated = store.GetBool(s, QStringLiteral("Rated"), true);
        } else {
            t.cube = store.GetBool(s, QStringLiteral("UseDoublingCubeGuest"), true);
            t.matchLength =
                std::clamp(store.GetIntEx(s, QStringLiteral("MatchLengthGuest"), 3), 1, kMaxGuestMatchLength);
            t.rated = false;
        }
        t.autoDoubles = false;
        t.beavers = false;
    }
    if (context.hyperBot)
        t.variant = CBackgammonBoard::kHypergammon;
    if (context.tutorBot)
        t.rated = false;
    return t;
}

void SaveRememberedTerms(CSettingsStore& store, const TBackgammonTerms& t, const TRememberContext& context) {
    const QString& s = kSectionName;
    if (!context.hyperBot)
        store.WriteInt(s, QStringLiteral("Variant") + KindSuffix(t.money), t.variant);
    if (context.guestFree) {
        store.WriteBool(s, QStringLiteral("Unlimited"), t.money);
        store.WriteBool(s, QStringLiteral("UseDoublingCube") + KindSuffix(t.money), t.cube);
        if (t.money) {
            store.WriteBool(s, QStringLiteral("AutoDouble"), t.autoDoubles);
            store.WriteBool(s, QStringLiteral("Beavers"), t.beavers);
        } else {
            if (!context.tutorBot)
                store.WriteBool(s, QStringLiteral("Rated"), t.rated);
            store.WriteInt(s, QStringLiteral("Match Length"), t.matchLength);
        }
    } else {
        store.WriteBool(s, QStringLiteral("UseDoublingCubeGuest"), t.cube);
        store.WriteInt(s, QStringLiteral("MatchLengthGuest"), t.matchLength);
    }
    if (!context.robotForMoney)
        store.WriteBool(s, WagerSettingName(t.money), t.wager);
    store.WriteInt(s, StakeSettingName(t.money), t.stake);
    store.WriteInt(s, ReserveSettingName(t.money), t.reserve);
}

void MakeConsistent(TBackgammonTerms& t) {
    t.money = t.matchLength == 0;
    if (!(t.cube && t.money)) {
        t.autoDoubles = false;
        t.beavers = false;
    }
}

CBGRuleOptions BuildRuleOptions(const TBackgammonTerms& t, const CBackgammonLeagueInviteInfo* league) {
    CBGBaseRuleOptions::Values v;
    v.matchLength = std::max(0, t.matchLength);
    v.unlimited = t.money;
    v.rated = t.rated;
    v.jacoby = t.cube && t.money;
    v.crawford = t.cube && !t.money;
    v.autoDoubles = t.autoDoubles;
    v.beavers = t.beavers;
    v.raccoons = false;
    v.cube = t.cube;
    v.variant = t.variant;
    v.wager = t.wager;
    v.stake = t.stake;
    v.reserve = t.reserve;
    CBGRuleOptions options(v);
    if (league) {
        league->ApplyTo(options);
        options.SetText(league->GetRuleOptionsText());
    }
    return options;
}

void TakeRuleOptions(TBackgammonTerms& t, const CBGRuleOptions& o) {
    t.matchLength = o.GetMatchLength();
    t.money = o.IsUnlimited();
    t.rated = o.IsRated();
    t.autoDoubles = o.HasAutoDoubles();
    t.beavers = o.HasBeavers();
    t.cube = o.UsesCube();
    t.variant = o.GetVariant();
}

bool CorrectReceivedTerms(TBackgammonTerms& t, bool guestFree, bool raccoons, bool jacoby, bool crawford) {
    bool changed = raccoons;
    if (!guestFree && (t.rated || t.money)) {
        t.rated = false;
        if (t.money) {
            t.money = false;
            t.matchLength = 1;
        }
        changed = true;
    }
    if (!guestFree && t.matchLength > kMaxGuestMatchLength) {
        t.matchLength = kMaxGuestMatchLength;
        changed = true;
    }
    if (t.cube) {
        if (crawford != !t.money || jacoby != t.money)
            changed = true;
        if (!t.money && (t.beavers || t.autoDoubles)) {
            t.beavers = false;
            t.autoDoubles = false;
            changed = true;
        }
    } else if (jacoby || crawford || t.autoDoubles || t.beavers) {
        t.beavers = false;
        t.autoDoubles = false;
        changed = true;
    }
    return changed;
}

bool IsAcceptableRuleOptions(const CBGRuleOptions& options, bool parsed) {
    return parsed && options.IsValid() && options.GetVariant() >= 0 && options.GetVariant() < kVariantCount;
}

QString DescribeRules(const TBackgammonTerms& t) {
    const QString kind = t.money ? QStringLiteral("money session") : QStringLiteral("match");
    QString allowed;
    if (t.autoDoubles && t.beavers)
        allowed = QStringLiteral("beavers and one automatic per game");
    else if (t.autoDoubles)
        allowed = QStringLiteral("one automatic per game");
    else if (t.beavers)
        allowed = QStringLiteral("beavers");
    if (t.variant != 0) {
        const QString tail = allowed.isEmpty() ? QString() : QStringLiteral(" with ") + allowed;
        return QStringLiteral("This is a ") + (t.cube ? QString() : QStringLiteral("cubeless ")) +
               CBackgammonBoard::GetVariantName(t.variant) + u' ' + kind + tail + u'.';
    }
    if (!t.cube)
        return QStringLiteral("The doubling cube will not be allowed in this ") + kind + u'.';
    if (!allowed.isEmpty())
        return QStringLiteral("This ") + kind + QStringLiteral(" allows ") + allowed + u'.';
    return QString();
}

int ReserveForStake(int stake, int funds, int currentReserve) {
    if (stake < 1)
        return currentReserve;
    const int k = std::clamp(funds / stake, 1, 16);
    return ClampCents(qint64(stake) * k);
}

} // namespace bginvite
