#pragma once

#include "game/RuleOptions.h"

// The terms of a proposition as invitations carry them: the base rule options (the contract length as
// match length, variant 3) followed by three texts (the first carried as received, the proposition's
// name, the position in board text form), the contract length again, the consideration (points one
// side pays the other, written as a decimal), the player-control side and the payee side, and a
// closing 0. The consideration is kept in exact hundredths, so 0.29 stays 29 whatever the float says.
class CPropRuleOptions : public CBGBaseRuleOptions {
public:
    static constexpr int kMaxContractLength = 100;
    static constexpr int kMaxConsiderationHundredths = 100 * 100;
    static constexpr int kMaxNameLength = 60;

    struct Terms {
        QString first;
        QString name;
        QString position;
        int considerationHundredths = 0;
        int controlSide = 0;
        int payeeSide = 0;
    };

    CPropRuleOptions();
    CPropRuleOptions(const QString& first, const QString& name, const QString& position, int contractLength,
                     int considerationHundredths, int controlSide, int payeeSide, bool wager, int stake,
                     int reserve);
    // From the text form; *ok tells whether it parsed and is valid.
    static CPropRuleOptions FromText(const QString& text, bool* ok = nullptr);

    // The base validity for a proposition (variant 3, contract 1..100, not unlimited or rated, no
    // Crawford, automatic doubles, beavers or raccoons, the cube and Jacoby on) and terms in range:
    // consideration 0..100 points, sides 0 or 1, a name of at most 60 characters.
    bool IsValid() const override;
    // Reads the whole text form; false when it is malformed (values undefined then).
    bool ParseText(const QString& text) override;
    QString FormatText() const override;
    // Both valid, the base numbers equal, the texts equal to the letter and the numbers equal.
    bool IsEqual(const CPropRuleOptions& other) const;

    // Terms a peer sent, corrected the way received backgammon terms are: the consideration brought
    // into 0..100 points, sides outside 0/1 made 0, the contract into 1..100, the base switches a
    // proposition needs set, the name made safe (SafeName) and the position put right
    // (CorrectPosition). -> false when the text is no terms at all or its position cannot
    // be played (CheckPosition): such terms are never shown.
    // *corrected tells whether anything had to change.
    static bool CorrectPeerText(const QString& text, CPropRuleOptions& out, bool* corrected = nullptr);
    // A proposition's name as it may come from a peer or a file chooser: everything up to the last '/'
    // or '\\' dropped, control characters removed, at most 60 characters. It never names a folder.
    static QString SafeName(const QString& name);
    // Fifteen checkers of each side in a board text of the current version.
    static bool IsCompletePosition(const QString& position);

    // What keeps a position from being played as a proposition.
    enum class PositionFault {
        kNone,
        kIncomplete, // not a board text of this version, as the board writes it, with fifteen checkers a side
        kBadCube,    // a cube other than 1, 2, 4, 8, 16 or 32, or an owned cube of 1
        kAlreadyWon, // a side has no checker left in play: its game is already won
        kNoMoves,    // neither side can move with any roll: no game could ever end
    };
    static PositionFault CheckPosition(const QString& position);
    // The user's words for a fault; empty for kNone.
    static QString DescribeFault(PositionFault fault);
    // A cube of a proposition: 1, 2, 4, 8, 16 or 32.
    static constexpr int kMaxCubeValue = 32;
    static bool IsValidCubeValue(int value) { return value >= 1 && value <= kMaxCubeValue && (value & (value - 1)) == 0; }
    // A position as a peer or a file gives it, put right: the cube brought within the proposition's
    // rules (above 32 it becomes 32, other values the power of two below them, a cube of 1 centred)
    // and the text written as the board writes it. Unchanged when it cannot be read as a board.
    static QString CorrectPosition(const QString& position);

    // The match start that sets a board up for these terms: the base start followed by the agreed
    // position (whose text is seen from White, who plays side 1). Empty when the terms are not valid or
    // the position is not a whole one.
    QString FormatPropositionStartCommand() const;

    const Terms& GetTerms() const { return m_terms; }
    int GetContractLength() const { return m_v.matchLength; }
    double GetConsideration() const { return m_terms.considerationHundredths / 100.0; }

    // The consideration as written in the text form: 3 significant digits below 10, 4 from 10 and 5
    // from 100 (so hundredths always survive).
    static QString FormatConsideration(int hundredths);
    // A decimal consideration read from a peer, in hundredths; false when it is negative, too large or
    // not a number.
    static bool ConsiderationToHundredths(double points, int& hundredths);

private:
    bool ParseTextImpl(const QString& text, bool clampConsideration, bool* clamped);

    Terms m_terms;
};

// The match start a game room's rules stand for: a backgammon match's, or a proposition's from its
// agreed position. Empty when the text is neither.
QString MatchStartOfRoomRules(const QString& rules);
