#pragma once

#include "game/BackgammonBoard.h"

#include <QString>

#include <array>

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
        int variant = CBackgammonBoard::kBackgammon;
        bool wager = false;
        int stake = 0;
        int reserve = 0;
        QString text;
    };

    CBGBaseRuleOptions() = default;
    explicit CBGBaseRuleOptions(const Values& values) : m_v(values) {}
    CBGBaseRuleOptions(int matchLength, bool unlimited, bool rated, bool jacoby, bool crawford,
                       bool autoDoubles, bool beavers, bool raccoons, bool cube, int variant, bool wager,
                       int stake, int reserve, const QString& text);
    virtual ~CBGBaseRuleOptions() = default;

    // Ranges: a match length of 0 exactly when unlimited, a known variant, amounts 0..99 999 999 cents,
    // and a wager needs a stake and a reserve of at least one stake.
    virtual bool IsValid() const;
    // Reads the text form; false (values undefined) when it is malformed.
    virtual bool ParseText(const QString& text);
    virtual QString FormatText() const;

    // Both valid and every number equal; the text part is not compared.
    bool IsEqual(const CBGBaseRuleOptions& other) const;

    // The values in the order of the constructor.
    const Values& GetValues() const { return m_v; }
    int GetMatchLength() const { return m_v.matchLength; }
    bool IsUnlimited() const { return m_v.unlimited; }
    bool IsRated() const { return m_v.rated; }
    bool IsJacoby() const { return m_v.jacoby; }
    bool IsCrawford() const { return m_v.crawford; }
    bool HasAutoDoubles() const { return m_v.autoDoubles; }
    bool HasBeavers() const { return m_v.beavers; }
    bool HasRaccoons() const { return m_v.raccoons; }
    bool UsesCube() const { return m_v.cube; }
    int GetVariant() const { return m_v.variant; }
    bool IsWager() const { return m_v.wager; }
    int GetStake() const { return m_v.stake; }
    int GetReserve() const { return m_v.reserve; }
    QString GetText() const { return m_v.text; }

    // The rules a board plays by, and the match-start command that sets a board up for them.
    CBackgammonBoard::Rules GetBoardRules() const;
    QString FormatMatchStartCommand() const;

protected:
    // Reads the base part from the cursor's position and leaves the cursor after it.
    bool ParseBase(CPacketCursor& cursor);

    Values m_v;

private:
    std::array<int, kNumberCount> Numbers() const;
};

// The rule options of an invited match: the base values, limited to matches of at most 25 points and
// the three played variants.
class CBGRuleOptions : public CBGBaseRuleOptions {
public:
    static constexpr int kMaxInvitedMatchLength = 25;

    CBGRuleOptions() = default;
    explicit CBGRuleOptions(const Values& values) : CBGBaseRuleOptions(values) {}
    // The options of a text; *ok tells whether it parsed and is valid.
    static CBGRuleOptions CBGRuleOptionsFromText(const QString& text, bool* ok = nullptr);

    bool IsValid() const override;

    // Setters used by league records and dialogs that correct received terms.
    void SetMatchLength(int length) {
        m_v.matchLength = length;
        m_v.unlimited = length == 0;
    }
    void SetRated(bool rated) { m_v.rated = rated; }
    void SetVariant(int variant) { m_v.variant = variant; }
    void SetCube(bool cube) { m_v.cube = cube; }
    void SetWager(bool wager, int stake) {
        m_v.wager = wager;
        m_v.stake = stake;
    }
    void SetReserve(int reserve) { m_v.reserve = reserve; }
    void SetText(const QString& text) { m_v.text = text; }
};
