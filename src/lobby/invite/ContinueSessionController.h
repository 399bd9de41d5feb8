#pragma once

#include "board/MoneyInviteResponsePtr.h"
#include "game/ContinueSession.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "net/ServicePackets.h"

#include <QPointer>
#include <QString>

class CGameDoc;
class CGameSessionLink;
class QWidget;

// Between two games of a money session both players agree to go on and on the money limit of the next
// game. The controller keeps that agreement: the server offers the stake and a limit (37), the
// database says which limits are allowed (253), the two players tell each other with routed 243
// ("<code> \"<text>\"") and each then tells the server with 36 ("<flag> <limit> <limit>") whether
// the session continues. The next game starts only when both sides answered with the same limit.
//
// Peer codes: 1 the dialog is open, 2 "Play Later", 3 "End Session", 4 "Next Game" with the limit,
// 6 a new limit. Numbers from the peer must be whole, non-negative and written twice alike; anything
// else is dropped. Once stopped, the controller takes from the peer only his end of the session (the
// chat line) and a dialog opened for the next pause (kept for the server's next offer).
//
// Every offer after the first is a new pause (the server offers again when a player comes back to a
// session waiting between games): both answers are cleared, the peer must say again that his dialog
// is open, and this side tells him that its own is.
//
// Stopping comes from this side ("Play Later", "End Session"), from the peer (his 2 or 3) or from the
// database (a refused money answer). Only the first leaves this side's buttons to act: the user can
// still end the session or close the dialog after the others stopped.
class CContinueSessionController : public CContinueSession {
public:
    enum PeerCode { kOpened = 1, kPlayLater = 2, kEndSession = 3, kNextGame = 4, kNewLimit = 6 };
    static constexpr int kPacketContinue = ServicePacket::ContinueAnswer;
    static constexpr int kPacketOffer = ServicePacket::ContinueOffer;
    static constexpr int kPacketPeer = 243;
    static constexpr int kPacketMoneyRequest = ServicePacket::Database;

    // Unless automatic, the game module makes the dialog now (for that parent window).
    CContinueSessionController(CGameDoc* document, QWidget* parent, bool automatic);
    ~CContinueSessionController() override;

    void OpenDialog() override;
    void OnLimitsPacket(const QString& text) override;
    void OnSessionPacket(const QString& text) override;
    int OnMoneyInviteResponse(const QString& text) override;
    bool IsSessionEnded() const override { return m_ended || m_peerStop == kEndSession; }

    // The dialog's buttons and the limit edit.
    void OnNextGame();
    void OnPlayLater();
    void OnEndSession();
    void OnLimitChanged(int cents);

    // Without the connection nothing can be answered: no answer may look given that never went.
    bool IsReady() const { return m_limitsKnown && m_offerReceived && m_peerReady && !m_stopped && IsConnected(); }
    bool CanAnswer() const { return IsReady() && !m_answered; }
    bool IsLimitInRange() const {
        return !m_limitsKnown || (m_lowerBound <= m_limit && m_limit <= m_upperBound);
    }
    bool MayStart() const { return CanAnswer() && IsLimitInRange(); }
    bool IsAnswered() const { return m_answered; }
    bool IsPeerConfirmed() const { return m_peerConfirmed; }
    bool IsStopped() const { return m_stopped; }
    // This side chose "Play Later" or "End Session" (or started the next game).
    bool HasLeft() const { return m_left; }
    // The peer's code 2 or 3 stopped the session, else 0.
    int GetPeerStop() const { return m_peerStop; }
    // The database refused money play between these players for the next game.
    bool IsRefused() const { return m_refused; }
    bool IsAutomatic() const { return m_automatic; }
    bool IsConnected() const;
    void OnConnectionClosed() override { refresh(); }
    // The offer was "0 0": a session agreed without a wager, whose games have no limit to agree on.
    bool IsWithoutWager() const { return m_withoutWager; }
    int GetLimit() const { return m_limit; }
    int GetStake() const { return m_stake; }
    const QString& GetPeer() const { return m_peer; }
    const QString& GetServiceText() const { return m_serviceName; }
    CContinueSessionDlg* GetDialog() const { return m_dialog.data(); }
    const CMoneyInviteResponsePtr& GetMoneyResponse() const { return m_response; }

    // "<code> \"<text>\"", the text "<limit> <limit>" for codes 4 and 6; empty when it is not a
    // message that may be sent.
    static QString FormatPeerMessage(int code, int limit);
    // -> false when the text is not a peer message: the code, and the limit of codes 4 and 6.
    static bool ParsePeerMessage(const QString& text, int& code, int& limit);
    // " 3 US$/Point " for 300 cents, " 2.50 US$/Point " for 250.
    static QString FormatStakeText(int cents);

private:
    CGameSessionLink* session() const;
    void sendPeer(int code);
    void evaluate();
    void startNextGame(int flag);
    void refresh();
    // Makes the dialog when there is none yet and shows it with what is known.
    void showDialog();

    QPointer<CContinueSessionDlg> m_dialog;
    QPointer<QWidget> m_parent;
    QPointer<CGameDoc> m_document;
    QString m_serviceName;
    QString m_own;
    QString m_peer;
    bool m_limitsKnown = false;
    bool m_offerReceived = false;
    bool m_peerReady = false;
    bool m_automatic = false;
    bool m_answered = false;
    bool m_peerConfirmed = false;
    bool m_stopped = false;
    bool m_left = false;
    // This side chose "End Session".
    bool m_ended = false;
    int m_peerStop = 0;
    bool m_refused = false;
    // The peer opened his dialog again while this side was stopped: counted with the next offer.
    bool m_peerOpenedAhead = false;
    bool m_withoutWager = false;
    int m_limit = 0;
    int m_lowerBound = 0;
    int m_upperBound = 0;
    int m_stake = 0;
    CMoneyInviteResponsePtr m_response;
};

// Registers the controller and the backgammon continue dialog with the game factory.
void RegisterContinueSession();
