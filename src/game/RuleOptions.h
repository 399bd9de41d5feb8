#pragma once

#include "game/BackgammonBoard.h"

#include <QString>

class CPacketCursor;

// The conditions of a backgammon match as invitations carry them. Text form (docs/game-commands.md):
// the thirteen numbers below separated by blanks and ended by "!", then " : " and the quoted text part,
// e.g. `7 0 1 0 1 0 0 0 1 0 0 0 0! : ""`. Subclasses append their own fields after it.
// Numbers in order: match length, unlimited, rated, Jacoby, Crawford, automatic doubles, beavers,
// raccoons, doubling cube, variant, wager, stake (cents), reserve (cents).
class CBGBaseRuleOptions {
public:
    static constexpr int kNumberCount = 13;
    static constexpr int kMaxMatchLength = 999;
    static constexpr int kMaxCents = 99999999;

    CBGBaseRuleOptions() = default;
    CBGBaseRuleOptions(int matchLength, bool unlimited, bool rated, bool jacoby, bool crawford, bool autoDoubles,
                       bool beavers, bool raccoons, bool cube, int variant, bool wager, int stake, int reserve,
                       const QString& text);
    virtual ~CBGBaseRuleOptions() = default;

    // Ranges: a match length of 0 exactly when unlimited, a known variant, amounts 0..99 999 999 cents,
    // and a wager needs a stake and a reserve of at least one stake.
    virtual bool IsValid() const;
    // Reads the text form; false (values undefined) when it is malformed.
    virtual bool ParseText(const QString& text);
    virtual QString FormatText() const;

    // Both valid and every number equal; the text part is not compared.
    bool IsEqual(const CBGBaseRuleOptions& other) const;

    int GetMatchLength() const { return m_matchLength; }
    bool IsUnlimited() const { return m_unlimited; }
    bool IsRated() const { return m_rated; }
    bool IsJacoby() const { return m_jacoby; }
    bool IsCrawford() const { return m_crawford; }
    bool HasAutoDoubles() const { return m_autoDoubles; }
    bool HasBeavers() const { return m_beavers; }
    bool HasRaccoons() const { return m_raccoons; }
    bool UsesCube() const { return m_cube; }
    int GetVariant() const { return m_variant; }
    bool IsWager() const { return m_wager; }
    int GetStake() const { return m_stake; }
    int GetReserve() const { return m_reserve; }
    QString GetText() const { return m_text; }

    // The rules a board plays by, and the match-start command that sets a board up for them.
    CBackgammonBoard::Rules GetBoardRules() const;
    QString FormatMatchStartCommand() const;

protected:
    // Reads the base part from the cursor's position and leaves the cursor after it.
    bool ParseBase(CPacketCursor& cursor);

    int m_matchLength = 1;
    bool m_unlimited = false;
    bool m_rated = false;
    bool m_jacoby = false;
    bool m_crawford = false;
    bool m_autoDoubles = false;
    bool m_beavers = false;
    bool m_raccoons = false;
    bool m_cube = true;
    int m_variant = CBackgammonBoard::kBackgammon;
    bool m_wager = false;
    int m_stake = 0;
    int m_reserve = 0;
    QString m_text;
};

// The rule options of an invited match: the base values, limited to matches of at most 25 points and
// the three played variants.
class CBGRuleOptions : public CBGBaseRuleOptions {
public:
    static constexpr int kMaxInvitedMatchLength = 25;

    struct Values {
        int matchLength = 1;
        bool unlimited = false;
        bool rated = false;
        bool jacoby = false;
        bool crawford = false;
        bool autoDoubles = false;
        bool beavers = false;
        bool raccoons = false;
        bool cube = true;
        int variant = 0;
        bool wager = false;
        int stake = 0;
        int reserve = 0;
        QString text;
    };

    CBGRuleOptions() = default;
    explicit CBGRuleOptions(const Values& values);
    // The options of a text; *ok tells whether it parsed and is valid.
    static CBGRuleOptions CBGRuleOptionsFromText(const QString& text, bool* ok = nullptr);

    bool IsValid() const override;
    Values GetValues() const;

    // Setters used by league records and dialogs that correct received terms.
    void SetMatchLength(int length);
    void SetRated(bool rated) { m_rated = rated; }
    void SetVariant(int variant) { m_variant = variant; }
    void SetCube(bool cube) { m_cube = cube; }
    void SetWager(bool wager, int stake) {
        m_wager = wager;
        m_stake = stake;
    }
    void SetReserve(int reserve) { m_reserve = reserve; }
    void SetText(const QString& text) { m_text = text; }
};
