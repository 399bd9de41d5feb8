#pragma once

#include "game/RuleOptions.h"

#include <QString>

class CBackgammonLeagueInviteInfo;
class CServiceName;
class CSettingsStore;

// The terms of a backgammon invitation as the invitation dialog edits them, and the rules it applies
// to them: remembered terms per kind of play, robot opponents, corrections of received terms, the
// sentence that describes unusual terms. No widget.
struct TBackgammonTerms {
    int matchLength = -1; // 0 in a money session, 1..25 in match play (1..3 with a guest)
    bool money = false;   // a money session ("unlimited")
    bool rated = false;
    bool autoDoubles = false;
    bool beavers = false;
    bool cube = true;
    int variant = 0; // 0 Backgammon, 1 Nackgammon, 2 Hypergammon
    bool wager = false;
    int stake = 0;   // cents
    int reserve = 0; // cents

    bool operator==(const TBackgammonTerms&) const = default;
};

namespace bginvite {

constexpr char kSection[] = "CBackgammonInviteDlg";
// Whether the user last invited to a league match where one was offered.
constexpr char kLeagueSetting[] = "League";
constexpr char kHyperBot[] = "ZoRavedIvu";
constexpr char kTutorBot[] = "NVtutor";
constexpr int kMaxGuestMatchLength = 3;
constexpr int kDefaultStake = 1000;
constexpr int kDefaultReserve = 16000;
constexpr int kVariantCount = 3;

// Robot opponents, recognised by a part of the room's name.
bool IsHyperBot(const CServiceName& room);
bool IsTutorBot(const CServiceName& room);
// The robots that play only for money.
bool IsRobotForMoney(const CServiceName& room);

// The setting names of the wager amounts and flag, per kind of play.
QString StakeSettingName(bool money);
QString ReserveSettingName(bool money);
QString WagerSettingName(bool money);

struct TRememberContext {
    bool guestFree = true; // no guest (a player rated 100 or less) takes part
    bool hyperBot = false; // against the Hypergammon robot
    bool tutorBot = false; // against the tutor robot
    bool robotForMoney = false;
};

// The remembered terms of a kind of play (money: the money session). A match's reserve equals its
// stake. Stored values outside their ranges are brought into them.
TBackgammonTerms LoadRememberedTerms(const CSettingsStore& store, bool money,
                                     const TRememberContext& context);
// The kind of play last used ("Unlimited").
bool LoadRememberedKind(const CSettingsStore& store);
// Stores the terms just proposed, under the names of their kind of play.
void SaveRememberedTerms(CSettingsStore& store, const TBackgammonTerms& terms,
                         const TRememberContext& context);

// Keeps the options consistent: the kind of play follows the match length, and automatic doubles and
// beavers exist only in a money session played with the cube.
void MakeConsistent(TBackgammonTerms& terms);

// The rule options of the terms (Jacoby in a money session and Crawford in a match, both only with
// the cube); a chosen league's fixed values and its text part override them.
CBGRuleOptions BuildRuleOptions(const TBackgammonTerms& terms, const CBackgammonLeagueInviteInfo* league);

// The values of received rule options, without the wager.
void TakeRuleOptions(TBackgammonTerms& terms, const CBGRuleOptions& options);
// Corrects received terms that break the rules of play -> true when something was changed: a guest
// plays neither rated nor for money, raccoons are never played, with the cube Crawford belongs to
// matches and Jacoby to money sessions, and without the cube neither exists. raccoons, jacoby and
// crawford are the received flags that the terms do not keep.
bool CorrectReceivedTerms(TBackgammonTerms& terms, bool guestFree, bool raccoons, bool jacoby, bool crawford);

// Received options are taken only when they are valid invited rules (length 0..25, a played variant,
// sane amounts).
bool IsAcceptableRuleOptions(const CBGRuleOptions& options, bool parsed);

// The sentence under the terms that describes a variant, a game without the cube, or automatic
// doubles and beavers; empty for plain terms.
QString DescribeRules(const TBackgammonTerms& terms);

// The reserve a money session needs for a stake: the stake times funds / stake, kept within 1..16
// stakes. Nothing changes without a stake.
int ReserveForStake(int stake, int funds, int currentReserve);

} // namespace bginvite
