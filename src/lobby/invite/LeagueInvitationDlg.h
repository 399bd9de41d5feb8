#pragma once

#include "lobby/invite/WagerInviteDlg.h"

class CBackgammonLeagueInviteInfo;
class QCheckBox;

// The wager dialog with league play: when the server names a league for the invitation and the peer's
// client knows leagues, the match may be played as a league match, whose rules then fix some of the
// terms. Neither Invite nor Play is possible before the server's league answer has arrived.
class CLeagueInvitationDlg : public CWagerInviteDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CLeagueInvitationDlg, CWagerInviteDlg)
public:
    static constexpr int kIdLeague = 1621;
    static constexpr int kLeagueVersion = 810;

    CLeagueInvitationDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                         int templateId, bool received);

    bool IsLeagueAvailable() const;
    bool IsLeagueChosen() const { return IsLeagueAvailable() && m_leagueChosen; }
    // The chosen league fixes that option (CBackgammonLeagueInviteInfo::Option).
    bool LeagueFixes(int option) const;
    void ApplyLeagueRules();

    bool IsReady() const override;
    void UpdateButtons() override;
    void DoDataExchange(platform::DataExchange& dx) override;

protected:
    virtual bool PeerSupportsLeagues() const = 0;
    virtual const CBackgammonLeagueInviteInfo* GetLeagueInfo() const = 0;
    // The current terms with the league's rules applied.
    virtual QString GetLeagueRulesText() = 0;
    virtual void UpdateLeagueControls();
    // Whether the inviting side ticks the league when it first appears.
    virtual bool IsLeagueWanted() const { return true; }
    QCheckBox* CreateLeagueBox(QWidget* parent);
    void SetLeagueChosen(bool chosen) { m_leagueChosen = chosen; }

private:
    QCheckBox* m_leagueBox = nullptr;
    bool m_leagueChosen = false;
    bool m_leagueOffered = false; // the inviting side decides on the league once, when it first appears
};
