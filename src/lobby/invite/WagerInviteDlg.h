#pragma once

#include "board/MoneyInviteResponsePtr.h"
#include "lobby/invite/InvitationDlg.h"
#include "net/ServicePackets.h"

#include <QColor>

class CWagerEditControl;
class QCheckBox;
class QLabel;

// The invitation dialog with money play: a Wager box, a stake and a reserve ("limit"), and the money
// limits the database service gives for the room (asked with routed 251 to ".db", answered with 253).
// Invite and Play need the service's answer, and a wager, when one is asked, must be agreed by the
// service and lie within its limits.
class CWagerInviteDlg : public CInvitationDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CWagerInviteDlg, CInvitationDlg)
public:
    static constexpr int kPacketMoneyRequest = ServicePacket::Database;
    static constexpr int kPacketMoneyResponse = ServicePacket::MoneyResponse;
    static constexpr int kIdWager = 1255;
    static constexpr int kIdMoneyOk = 1546;
    static constexpr int kIdStake = 1539;
    static constexpr int kIdReserve = 1540;

    CWagerInviteDlg(CInvitationManager* manager, QWidget* parent, const CInviteData& record, int templateId,
                    bool received);

    int OfferPacket(int type, const QString& body) override;
    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;

    bool IsReady() const override;
    bool CanInvite() const override;
    bool CanPlay() const override;
    void OnTermsChanged(bool send) override;
    void UpdateButtons() override;

    // Sets the wager; a wager the service did not agree is dropped again -> true when it was dropped.
    bool SetStakeAndReserve(bool wager, int stake, int reserve);
    bool IsWagerAcceptable() const;
    QString GetWagerProblemText() const;
    bool IsMoneyStateReady() const { return m_moneyReady; }
    bool IsWagerAgreed() const { return m_wagerAgreed; }
    bool IsWagerAsked() const { return m_wagerAsked; }
    int GetFunds() const { return m_funds; }
    CWagerEditControl* GetStakeControl() const { return m_stake; }
    CWagerEditControl* GetReserveControl() const { return m_reserve; }
    // The room holds a robot that plays only for money.
    bool IsRobotOpponent() const;

protected:
    virtual bool HasFixedReserve() const { return true; }
    virtual int GetFixedReserve() const;
    virtual int GetReserveStep() const { return 0; }
    virtual QString GetStakeLabel() const { return QStringLiteral("US&$"); }
    // One of the amounts changed (the stake keeps the reserve in step).
    virtual void OnAmountChanged(CWagerEditControl* control);
    // The user changed an amount.
    virtual void OnAmountEdited(CWagerEditControl* control);
    void OnWagerCheck();
    void RefreshWagerControls();
    // The Wager box, the money indicator and the two amounts, for the subclass's terms pane (or its
    // foot).
    QWidget* CreateWagerControls(QWidget* parent);
    // Enter accepts the wager only while it is in sight.
    QWidget* GetTermsToSee() const override { return m_wagerPane; }
    void SetWagerLocked(bool locked) { m_wagerLocked = locked; }
    bool IsWagerLocked() const { return m_wagerLocked; }
    void SetWagerAsked(bool asked) { m_wagerAsked = asked; }

    static const QColor kControlColour;

private:
    void sendMoneyRequest();
    void applyMoneyLimits();

    QWidget* m_wagerPane = nullptr;
    QCheckBox* m_wagerBox = nullptr;
    QLabel* m_moneyOk = nullptr;
    CWagerEditControl* m_stake = nullptr;
    CWagerEditControl* m_reserve = nullptr;
    bool m_wagerLocked = false;
    bool m_wagerAsked = false;
    bool m_moneyReady = false;
    bool m_wagerAgreed = false;
    int m_funds = 0;
    CMoneyInviteResponsePtr m_response;
};
