#pragma once

#include "support/dialogs/StickyDialog.h"

#include <QIcon>

class CContinueSessionController;
class CMoneyInviteResponsePtr;
class CWagerEditControl;
class QLabel;

// "Continue Session": the modeless choice between two games of a money session. It shows the
// controller's state (the status line, the stake, the limit of the next game) and hands the buttons
// and the limit edit to the controller. Shown without taking the keyboard.
class CContinueSessionDlg : public CStickyDialog {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CContinueSessionDlg, CStickyDialog)
public:
    static constexpr int kTemplateId = 433;
    static constexpr int kIdStatus = 1528;
    static constexpr int kIdNextGame = 1522;
    static constexpr int kIdPlayLater = 1523;
    static constexpr int kIdEndSession = 1524;
    static constexpr int kIdLimitPlace = 1540;
    static constexpr int kIdStake = 1542;
    static constexpr int kRefreshMs = 333;

    CContinueSessionDlg(CContinueSessionController* controller, QWidget* parent);
    ~CContinueSessionDlg() override;

    CContinueSessionController* GetController() const { return m_controller; }
    CWagerEditControl* GetLimitEdit() const { return m_limit; }

    // Creates the window if needed and shows it without activation.
    void OpenWindow();
    // The database's limits for the edit, with the limit shown -> false when they cannot be read.
    bool AcceptLimits(const CMoneyInviteResponsePtr& response, int limit);
    // The server's offer: the limit into the edit, the stake text.
    void SetOffer(int stake, int limit);
    // The peer chose another limit: shown in the edit, which is enabled, and refreshed shortly.
    void ShowPeerLimit(int limit);
    // The edit's amount when it is one the edit accepts.
    bool GetValidLimit(int& cents) const;
    void EnableLimitEdit(bool enable);
    bool IsClosing() const { return m_closing; }
    bool IsRefreshPending() const { return m_timerId != 0; }
    // The status line and the edit follow the controller.
    void Refresh();
    QString StatusText() const;

    bool OnInitDialog() override;
    void OnCancel() override;

protected:
    // The game's texts: the peer has answered, this side has not / nobody has / both have.
    virtual QString OpponentRolledText(const QString& peer) const;
    virtual QString ClickToContinueText() const;
    virtual QString RollingText() const;
    virtual QIcon NextGamePicture() const;

    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();

    CContinueSessionController* m_controller;
    QLabel* m_status = nullptr;
    QLabel* m_stakeLabel = nullptr;
    CWagerEditControl* m_limit = nullptr;
    bool m_built = false;
    bool m_closing = false;
    int m_timerId = 0;
};

// The backgammon game's continue dialog: its texts and its picture (a pair of dice).
class CBGContinueSessionDlg : public CContinueSessionDlg {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBGContinueSessionDlg, CContinueSessionDlg)
public:
    using CContinueSessionDlg::CContinueSessionDlg;

protected:
    QString OpponentRolledText(const QString& peer) const override;
    QString ClickToContinueText() const override;
    QString RollingText() const override;
    QIcon NextGamePicture() const override;
};
