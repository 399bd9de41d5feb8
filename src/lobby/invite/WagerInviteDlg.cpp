#include "lobby/invite/WagerInviteDlg.h"

#include "lobby/invite/BackgammonInviteTerms.h"
#include "lobby/invite/InvitationManager.h"
#include "lobby/invite/WagerEditControl.h"
#include "net/DatabaseTransaction.h"
#include "net/MessagePacket.h"
#include "session/SessionDoc.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

const QColor CWagerInviteDlg::kControlColour(0, 204, 102);

CWagerInviteDlg::CWagerInviteDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record,
                                 int templateId, bool received)
    : CInvitationDlg(manager, parent, record, templateId, received) {}

QWidget* CWagerInviteDlg::CreateWagerControls(QWidget* parent) {
    auto* pane = new QWidget(parent);
    m_wagerPane = pane;
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    m_wagerBox = new QCheckBox(QStringLiteral("&Wager"), pane);
    SetItemId(m_wagerBox, kIdWager);
    m_moneyOk = new QLabel(QStringLiteral("$"), pane);
    m_moneyOk->setToolTip(QStringLiteral("The money service agreed to this wager"));
    QFont bold = m_moneyOk->font();
    bold.setBold(true);
    m_moneyOk->setFont(bold);
    SetItemId(m_moneyOk, kIdMoneyOk);
    m_stake = new CWagerEditControl(CWagerAmount::kStake, GetStakeLabel(), pane);
    SetItemId(m_stake, kIdStake);
    m_reserve = new CWagerEditControl(CWagerAmount::kReserve, QStringLiteral("US$ &Limit"), pane);
    SetItemId(m_reserve, kIdReserve);
    grid->addWidget(m_wagerBox, 0, 0);
    grid->addWidget(m_moneyOk, 0, 1);
    grid->addWidget(m_stake, 1, 0, 1, 2);
    grid->addWidget(m_reserve, 2, 0, 1, 2);
    connect(m_wagerBox, &QCheckBox::clicked, this, [this] { OnWagerCheck(); });
    for (CWagerEditControl* control : {m_stake, m_reserve})
        connect(control, &CWagerEditControl::amountChanged, this,
                [this](CWagerEditControl* c) { OnAmountEdited(c); });
    return pane;
}

bool CWagerInviteDlg::IsRobotOpponent() const {
    return bginvite::IsRobotForMoney(GetServiceName());
}

int CWagerInviteDlg::GetFixedReserve() const {
    return m_stake ? m_stake->GetAmount() : 0;
}

// ---- The money service ---------------------------------------------------------------------------

bool CWagerInviteDlg::OnInitDialog() {
    CInvitationDlg::OnInitDialog();
    if (m_stake)
        m_stake->SetLabel(GetStakeLabel());
    RefreshWagerControls();
    sendMoneyRequest();
    OnTermsChanged(false);
    return true;
}

void CWagerInviteDlg::sendMoneyRequest() {
    if (!m_manager)
        return;
    const CServiceName& room = GetServiceName();
    const CUserMoneyInviteRequest request(GetOwnNickname(), GetOwnNickname(), room.GetText(),
                                          GetPlayerCount(), m_matchLength, room.GetPartsText());
    m_manager->SendPacketText(kPacketMoneyRequest, request.FormatRequest(), -1, QStringLiteral(".db"));
}

int CWagerInviteDlg::OfferPacket(int type, const QString& body) {
    if (type != kPacketMoneyResponse || IsClosed())
        return CInvitationDlg::OfferPacket(type, body);
    // Only the database service speaks about money.
    const CSessionDoc* session = m_manager ? m_manager->GetSession() : nullptr;
    const CMessagePacket* packet = session ? session->GetCurrentPacket() : nullptr;
    if (packet && packet->IsRouted() && packet->GetSourceName() != QLatin1String(".db"))
        return 0;
    CMoneyInviteResponsePtr response;
    if (!response.AttachIfFor(CreateDatabaseTransaction(body), GetServiceName().GetText()))
        return 0;
    m_response = std::move(response);
    applyMoneyLimits();
    return 1;
}

void CWagerInviteDlg::applyMoneyLimits() {
    m_moneyReady = true;
    m_wagerAgreed = m_response.GetResultCode() != 0;
    if (m_wagerAgreed && m_stake && m_reserve) {
        int funds = 0;
        m_wagerAgreed = m_stake->LoadLimits(m_response) && m_reserve->LoadLimits(m_response) &&
                        m_response.GetSecondAmountCents(funds);
        if (m_wagerAgreed)
            m_funds = funds;
    }
    Refresh();
}

// ---- Readiness -------------------------------------------------------------------------------------

bool CWagerInviteDlg::IsWagerAcceptable() const {
    if (!HasVersionReply() || !m_moneyReady)
        return false;
    if (!m_wagerAsked)
        return true;
    if (!m_wagerAgreed || !m_stake || !m_reserve || !m_stake->IsInRange() || !m_reserve->IsInRange())
        return false;
    if (m_stake->GetAmount() > m_reserve->GetAmount())
        return false;
    return !HasFixedReserve() || m_reserve->GetAmount() == GetFixedReserve();
}

bool CWagerInviteDlg::IsReady() const {
    return m_moneyReady && CInvitationDlg::IsReady();
}

bool CWagerInviteDlg::CanInvite() const {
    return CInvitationDlg::CanInvite() && IsWagerAcceptable();
}

bool CWagerInviteDlg::CanPlay() const {
    return CInvitationDlg::CanPlay() && IsWagerAcceptable();
}

QString CWagerInviteDlg::GetWagerProblemText() const {
    if (!m_stake || !m_reserve)
        return QString();
    return ::GetWagerProblemText(m_wagerAsked, m_stake->Amount(), m_reserve->Amount(),
                                 HasFixedReserve() ? GetFixedReserve() : -1);
}

bool CWagerInviteDlg::SetStakeAndReserve(bool wager, int stake, int reserve) {
    m_wagerAsked = wager;
    if (m_stake)
        m_stake->SetAmount(stake);
    if (m_reserve)
        m_reserve->SetAmount(reserve);
    if (m_moneyReady && HasVersionReply() && m_wagerAsked && !m_wagerAgreed) {
        m_wagerAsked = false;
        return true;
    }
    return false;
}

// ---- Controls --------------------------------------------------------------------------------------

void CWagerInviteDlg::DoDataExchange(platform::DataExchange& dx) {
    CInvitationDlg::DoDataExchange(dx);
    dx.Check(kIdWager, m_wagerAsked);
    if (HasFixedReserve() && m_reserve && m_stake && m_reserve->GetAmount() != GetFixedReserve())
        m_reserve->SetAmount(GetFixedReserve());
}

void CWagerInviteDlg::RefreshWagerControls() {
    if (!m_stake || !m_reserve)
        return;
    ShowItem(kIdMoneyOk, m_wagerAsked && m_wagerAgreed);
    if (!m_wagerLocked && m_moneyReady && m_wagerAgreed) {
        EnableItem(kIdWager, !IsRobotOpponent());
        m_stake->EnableAll(m_wagerAsked);
        m_reserve->EnableAll(m_wagerAsked && !HasFixedReserve());
    } else {
        EnableItem(kIdWager, false);
        m_stake->EnableAll(false);
        m_reserve->EnableAll(false);
    }
    m_stake->SetLabel(GetStakeLabel());
    QPalette palette = m_wagerBox->palette();
    palette.setColor(QPalette::WindowText,
                     m_wagerAsked && m_wagerAgreed ? kControlColour.darker(150) : QColor(Qt::black));
    m_wagerBox->setPalette(palette);
    m_moneyOk->setPalette(palette);
    if (m_wagerAsked)
        OnAmountChanged(m_stake);
}

void CWagerInviteDlg::OnAmountChanged(CWagerEditControl* control) {
    if (!m_stake || !m_reserve)
        return;
    if (control == m_stake) {
        m_reserve->SetStep(GetReserveStep());
        if (HasFixedReserve()) {
            if (m_reserve->GetAmount() != GetFixedReserve())
                m_reserve->SetAmount(GetFixedReserve());
            m_reserve->SetWarning(false);
        } else {
            m_reserve->SetWarning(m_stake->GetAmount() > m_reserve->GetAmount());
        }
    } else if (control == m_reserve) {
        m_reserve->SetWarning(m_stake->GetAmount() > m_reserve->GetAmount());
    }
}

void CWagerInviteDlg::OnAmountEdited(CWagerEditControl* control) {
    if (IsClosed() || !IsReady())
        return;
    OnAmountChanged(control);
    if (UpdateData(true))
        OnTermsChanged(true);
    UpdateButtons();
}

void CWagerInviteDlg::OnWagerCheck() {
    if (IsClosed() || !IsReady() || !UpdateData(true))
        return;
    RefreshWagerControls();
    if (m_stake && m_stake->GetAmount() < m_stake->Amount().GetMinimum()) {
        m_stake->SetAmount(m_stake->Amount().GetMinimum());
        if (HasFixedReserve())
            m_reserve->SetAmount(GetFixedReserve());
    }
    OnTermsChanged(true);
    UpdateButtons();
}

void CWagerInviteDlg::OnTermsChanged(bool send) {
    if (IsReady()) {
        if (m_wagerAsked && !m_wagerAgreed) {
            m_wagerAsked = false;
            CheckItem(kIdWager, false);
            RefreshWagerControls();
            send = true;
        } else if (m_wagerAsked) {
            OnAmountChanged(m_stake);
        }
        EnableItem(kIdInvite, CanInvite());
        EnableItem(kIdPlay, CanPlay());
    }
    CInvitationDlg::OnTermsChanged(send);
}

void CWagerInviteDlg::UpdateButtons() {
    CInvitationDlg::UpdateButtons();
    if (IsClosed())
        return;
    if (m_wagerAsked && m_moneyReady && !m_wagerAgreed) {
        m_wagerAsked = false;
        CheckItem(kIdWager, false);
        if (IsReceived() && IsLive())
            SendInvitationMessage(CInviteData::kNewTerms);
    }
    RefreshWagerControls();
    OnTermsChanged(false);
    if (IsClosed())
        return;
    EnableItem(kIdInvite, CanInvite());
    EnableItem(kIdPlay, CanPlay());
}
