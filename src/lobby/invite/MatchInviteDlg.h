#pragma once

#include "lobby/invite/InvitationDlg.h"

// The invitation dialog of game kinds that have no dialog of their own: a match of 1 to 25 points,
// rated or not, with or without the doubling cube. Terms it cannot show as they are (money play,
// variants, other rules) are put back to its own and answered with new terms.
class CMatchInviteDlg : public CInvitationDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMatchInviteDlg, CInvitationDlg)
public:
    static constexpr int kIdLength = 1018;
    static constexpr int kIdRated = 1622;
    static constexpr int kIdCube = 1623;
    static constexpr int kIdRules = 1627;
    static constexpr int kDefaultLength = 3;

    CMatchInviteDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record, int templateId,
                    bool received);

    void DoDataExchange(platform::DataExchange& dx) override;
    // The sentence that says the terms ("A rated 5-point match with the doubling cube.").
    static QString DescribeTerms(int length, bool rated, bool cube);

protected:
    QWidget* CreateTermsPane(QWidget* parent) override;
    void SaveDefaults() override;
    void LoadDefaults() override;
    QString GetRulesText() override;
    bool ApplyRulesText(const QString& text) override;
    bool RulesEqual(const QString& a, const QString& b) const override;
    bool AreRulesValid() const override;
    bool IsRated() const override { return m_rated && m_noGuest; }
    void OnGuestMatchFound() override;

private:
    void refreshRules();

    bool m_rated = true;
    bool m_cube = true;
    bool m_noGuest = true;
};

// Makes the game factory create these dialogs for every game kind but propositions, unless another
// dialog was registered before.
void RegisterInvitationDialogs();
