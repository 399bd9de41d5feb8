#pragma once

#include "lobby/invite/BackgammonInviteTerms.h"
#include "lobby/invite/LeagueInvitationDlg.h"

#include <memory>

class CBackgammonLeagueInviteInfo;

// The backgammon invitation: match play of 1 to 25 points or a money session, the variant, the
// doubling cube with Crawford, Jacoby, beavers and automatic doubles, rating, the wager and a league.
// It remembers the user's terms per kind of play, knows the robot opponents, corrects terms a peer
// sends that break the rules of play (answering with the corrected terms), and says in a line below
// the terms what is unusual about them.
class CBackgammonInviteDlg : public CLeagueInvitationDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBackgammonInviteDlg, CLeagueInvitationDlg)
public:
    static constexpr int kTemplateId = 148;
    static constexpr int kIdLength = 1001;
    static constexpr int kIdLengthSpin = 1018;
    static constexpr int kIdWarning = 1518;
    static constexpr int kIdVariant = 1265;
    static constexpr int kIdAutoDouble = 1020;
    static constexpr int kIdCube = 1253;
    static constexpr int kIdBeavers = 1021;
    static constexpr int kIdRated = 1254;
    static constexpr int kIdMatchPlay = 1624;
    static constexpr int kIdMoneyPlay = 1625;
    static constexpr int kIdPoints = 1636;
    static constexpr int kIdGroupOptions = 1635;
    static constexpr int kIdGroupMoney = 1639;
    static constexpr int kIdGroupMatch = 1640;
    static constexpr int kIdGroupWager = 1637;
    static constexpr char kWarningText[] = "Warning:  Non-Standard Parameters";

    CBackgammonInviteDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                         int templateId, bool received);
    ~CBackgammonInviteDlg() override;

    int OfferPacket(int type, const QString& body) override;
    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    void OnTermsChanged(bool send) override;
    void UpdateButtons() override;
    // Play again: the terms of the match just played are kept, so that with "bAutoPlayAgain" set the
    // same terms are offered and accepted without a click.
    void StartFromGame(const QString& startText) override;

    // The terms as the controls hold them (the wager read from its controls).
    TBackgammonTerms GetTerms() const;
    CBGRuleOptions BuildRuleOptions() const;
    QString GetWarningText() const;
    // Packet 77 carrying a league record (class 301) -> nonzero when it was this dialog's.
    int OnLeagueInfo(const QString& text);

    // A key typed in the Points box: the terms and the estimates follow what it reads as, the box
    // keeps what was typed (empty is no length: Invite and Play wait for one).
    void OnMatchLengthChanged();
    // The user is done with the Points box (left it, pressed Enter, or used its spin): it shows the
    // length taken, corrected into range.
    void OnMatchLengthEntered();
    void OnMoneyOrMatchPlay();

protected:
    QWidget* CreateTermsPane(QWidget* parent) override;
    void SaveDefaults() override;
    void LoadDefaults() override;
    QString GetRulesText() override;
    bool ApplyRulesText(const QString& text) override;
    bool RulesEqual(const QString& a, const QString& b) const override;
    bool AreRulesValid() const override;
    bool IsRated() const override { return m_terms.rated; }
    void OnGuestMatchFound() override;
    QFont GetNameFont() const override;
    QFont GetRatingFont() const override;
    QFont GetDeltaFont() const override;
    QColor GetNameColor() const override { return kNameColour; }
    QColor GetTextColor() const override { return kNameColour; }

    bool HasFixedReserve() const override { return !m_terms.money; }
    int GetFixedReserve() const override;
    int GetReserveStep() const override;
    QString GetStakeLabel() const override;
    void OnAmountEdited(CWagerEditControl* control) override;

    bool PeerSupportsLeagues() const override;
    const CBackgammonLeagueInviteInfo* GetLeagueInfo() const override { return m_league.get(); }
    QString GetLeagueRulesText() override;
    // A rematch is a league match when the match just played was one; any other invitation follows
    // the user's last choice ("League", ticked until he first invites without it).
    bool IsLeagueWanted() const override;
    void UpdateLeagueControls() override;

    static const QColor kNameColour;

private:
    // The match length of a Points box that is still empty.
    static constexpr int kNoLength = -1;
    // The length a text typed into the Points box stands for (kNoLength when empty).
    int typedLength(const QString& text) const;
    void exchangeLength(platform::DataExchange& dx);
    bginvite::TRememberContext rememberContext() const;
    void takeTerms(const TBackgammonTerms& terms);
    void showWarning();
    void paintGroups();

    TBackgammonTerms m_terms;
    std::unique_ptr<CBackgammonLeagueInviteInfo> m_league;
    bool m_robotRefused = false;
    QString m_rematchTerms;
    bool m_rematchPressed = false;
};

// Makes the game factory create the backgammon invitation for every game kind but propositions.
void RegisterBackgammonInviteDialog();
