#pragma once

#include <QString>

#include <memory>

class CBGRuleOptions;
class CPacketCursor;

// A league's answer to an invitation, as it travels: the class id and a blank, then each field
// followed by a blank (texts quoted). The base holds the sender's name and a second text, which the
// league invitation shows as the league's name.
class CLeagueInviteInfo {
public:
    virtual ~CLeagueInviteInfo() = default;

    virtual int GetClassId() const = 0;
    QString GetSenderNameText() const { return m_sender; }
    QString GetRuleOptionsText() const { return m_rulesText; }

    QString WriteText() const;

protected:
    virtual void WriteFields(QString& out) const;
    virtual bool ReadFields(CPacketCursor& cursor);

    QString m_sender;
    QString m_rulesText;
};

// The backgammon league record, class 301: five numbers after the texts, each -1 when the league
// leaves that option to the players: match length, rating (0 or 1), doubling cube (0 or 1), variant,
// stake in cents (nonzero means a wager).
class CBackgammonLeagueInviteInfo : public CLeagueInviteInfo {
public:
    static constexpr int kClassId = 301;
    // The option numbers of the invitation dialogs.
    enum Option {
        kOptionRating = 0,
        kOptionVariant = 1,
        kOptionMatchLength = 2,
        kOptionWager = 7,
        kOptionCube = 8
    };

    CBackgammonLeagueInviteInfo() = default;
    CBackgammonLeagueInviteInfo(const QString& sender, const QString& leagueName, int matchLength, int rating,
                                int cube, int variant, int stake);

    // The record of a text that starts with class id 301 and holds sensible values, else null.
    static std::unique_ptr<CBackgammonLeagueInviteInfo> FromText(const QString& text);

    int GetClassId() const override { return kClassId; }
    int GetMatchLength() const { return m_matchLength; }
    int GetRating() const { return m_rating; }
    int GetCube() const { return m_cube; }
    int GetVariant() const { return m_variant; }
    int GetStake() const { return m_stake; }

    bool FixesOption(int option) const;
    // Writes the values the league fixes into the options.
    void ApplyTo(CBGRuleOptions& options) const;

protected:
    void WriteFields(QString& out) const override;
    bool ReadFields(CPacketCursor& cursor) override;

private:
    int m_matchLength = -1;
    int m_rating = -1;
    int m_cube = -1;
    int m_variant = -1;
    int m_stake = -1;
};
