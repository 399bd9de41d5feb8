#include "lobby/invite/LeagueInvitationDlg.h"

#include "game/LeagueInviteInfo.h"

#include <QCheckBox>

CLeagueInvitationDlg::CLeagueInvitationDlg(CInvitationManager* manager, QWidget* parent,
                                           const CInviteData& record, int templateId, bool received)
    : CWagerInviteDlg(manager, parent, record, templateId, received) {}

QCheckBox* CLeagueInvitationDlg::CreateLeagueBox(QWidget* parent) {
    m_leagueBox = new QCheckBox(QStringLiteral("Lea&gue Match"), parent);
    SetItemId(m_leagueBox, kIdLeague);
    m_leagueBox->setEnabled(false);
    connect(m_leagueBox, &QCheckBox::clicked, this, [this] { OnOptionChanged(); });
    return m_leagueBox;
}

bool CLeagueInvitationDlg::IsLeagueAvailable() const {
    const CBackgammonLeagueInviteInfo* info = GetLeagueInfo();
    return info && !info->GetRuleOptionsText().isEmpty() && PeerSupportsLeagues();
}

bool CLeagueInvitationDlg::LeagueFixes(int option) const {
    const CBackgammonLeagueInviteInfo* info = GetLeagueInfo();
    return IsLeagueChosen() && info && info->FixesOption(option);
}

void CLeagueInvitationDlg::ApplyLeagueRules() {
    if (!IsLeagueChosen())
        return;
    CheckItem(kIdLeague, true);
    m_leagueChosen = true;
    ApplyRulesText(GetLeagueRulesText());
    UpdateData(false);
}

bool CLeagueInvitationDlg::IsReady() const {
    return GetLeagueInfo() && CWagerInviteDlg::IsReady();
}

void CLeagueInvitationDlg::DoDataExchange(platform::DataExchange& dx) {
    CWagerInviteDlg::DoDataExchange(dx);
    dx.Check(kIdLeague, m_leagueChosen);
}

void CLeagueInvitationDlg::UpdateLeagueControls() {
    EnableItem(kIdLeague, IsLeagueAvailable());
}

void CLeagueInvitationDlg::UpdateButtons() {
    CWagerInviteDlg::UpdateButtons();
    if (IsClosed())
        return;
    if (IsLeagueAvailable()) {
        const QString caption = GetLeagueInfo()->GetRuleOptionsText() + QStringLiteral(" League");
        if (GetItemText(kIdLeague) != caption) {
            SetItemText(kIdLeague, caption);
            // A long league name widens the dialog rather than being cut.
            if (layout())
                layout()->activate();
            resize(size().expandedTo(sizeHint()));
        }
        if (!IsReceived() && !m_leagueOffered) {
            m_leagueOffered = true;
            m_leagueChosen = IsLeagueWanted();
        }
        if (!IsReceived())
            ApplyLeagueRules();
    } else {
        m_leagueChosen = false;
        CheckItem(kIdLeague, false);
        EnableItem(kIdLeague, false);
    }
    UpdateLeagueControls();
    OnTermsChanged(false);
}
