#include "lobby/invite/ContinueSessionController.h"

#include "game/ClientGameFactory.h"
#include "game/GameDoc.h"
#include "game/GameSessionLink.h"
#include "lobby/invite/ContestText.h"
#include "lobby/invite/ContinueSessionDlg.h"
#include "net/DatabaseTransaction.h"
#include "platform/Win32Codes.h"
#include "session/DeferredMessageBox.h"
#include "session/ServiceName.h"
#include "support/MainWindow.h"
#include "support/PacketText.h"
#include "support/Utilities.h"

#include <QRegularExpression>

namespace {

// A whole non-negative decimal number, nothing around it.
bool ReadWholeNumber(const QString& text, int& value) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return false;
    value = text.toInt();
    return true;
}

} // namespace

CContinueSessionController::CContinueSessionController(CGameDoc* document, QWidget* parent, bool automatic)
    : m_parent(parent), m_document(document), m_automatic(automatic) {
    if (CGameSessionLink* link = session()) {
        m_serviceName = link->GetServiceName();
        m_own = link->GetNickname();
    }
    const CServiceName name(m_serviceName);
    m_peer = name.GetPart(0);
    if (SameNickname(m_peer, m_own))
        m_peer = name.GetPart(1);
    if (!m_automatic)
        m_dialog = qobject_cast<CContinueSessionDlg*>(
            CClientGameFactory::GetFactory().CreateContinueSessionDialog(this, parent));
}

CContinueSessionController::~CContinueSessionController() {
    m_response.Release();
    delete m_dialog.data();
}

CGameSessionLink* CContinueSessionController::session() const {
    return m_document ? m_document->GetSession() : nullptr;
}

bool CContinueSessionController::IsConnected() const {
    const CGameSessionLink* link = session();
    return link && link->IsConnected();
}

QString CContinueSessionController::FormatPeerMessage(int code, int limit) {
    if (code < kOpened || code > kNewLimit)
        return QString();
    const QString inner =
        code == kNextGame || code == kNewLimit ? QStringLiteral("%1 %1").arg(limit) : QString();
    QString message = QString::number(code) + QLatin1Char(' ');
    WritePacketCString(message, inner);
    if (inner.size() + 2 >= 50 || !message.endsWith(QLatin1Char('"')))
        return QString();
    return message;
}

bool CContinueSessionController::ParsePeerMessage(const QString& text, int& code, int& limit) {
    CPacketCursor cursor(text);
    QString inner;
    if (!ReadPacketInt(cursor, code) || !ReadPacketString(cursor, inner) ||
        !cursor.rest().trimmed().isEmpty())
        return false;
    limit = 0;
    if (code != kNextGame && code != kNewLimit)
        return true;
    const QStringList numbers = inner.split(QLatin1Char(' '));
    int second = 0;
    return numbers.size() == 2 && ReadWholeNumber(numbers[0], limit) && ReadWholeNumber(numbers[1], second) &&
           second == limit;
}

QString CContinueSessionController::FormatStakeText(int cents) {
    if (cents % 100 == 0)
        return QStringLiteral(" %1 US$/Point ").arg(cents / 100);
    return QStringLiteral(" %1 US$/Point ").arg(cents / 100.0, 0, 'f', 2);
}

void CContinueSessionController::sendPeer(int code) {
    const QString message = FormatPeerMessage(code, m_limit);
    if (CGameSessionLink* link = session(); link && !message.isEmpty() && !m_peer.isEmpty())
        link->Send(kPacketPeer, message, m_peer);
}

void CContinueSessionController::refresh() {
    if (m_dialog)
        m_dialog->Refresh();
}

void CContinueSessionController::OpenDialog() {
    if (m_dialog)
        m_dialog->OpenWindow();
    // A game played for nothing needs no money limits.
    if (CGameSessionLink* link = session(); link && !m_withoutWager) {
        const CServiceName name(m_serviceName);
        const CUserMoneyInviteRequest request(m_own, m_own, m_serviceName, name.CountParts(), 0,
                                              name.GetPartsText());
        link->Send(kPacketMoneyRequest, request.FormatRequest(), QStringLiteral(".db"));
    }
    sendPeer(kOpened);
}

int CContinueSessionController::OnMoneyInviteResponse(const QString& text) {
    CMoneyInviteResponsePtr response;
    if (!response.AttachIfFor(CreateDatabaseTransaction(text), m_serviceName))
        return 0;
    m_response = std::move(response);
    int lower = 0, upper = 0;
    const bool readable = m_response.GetFirstIncrement(lower) && m_response.GetSecondAmountCents(upper);
    if (readable) {
        m_limitsKnown = true;
        m_lowerBound = lower;
        m_upperBound = upper;
    }
    if (readable && m_response.GetResultCode() != 0 &&
        (!m_dialog || m_dialog->AcceptLimits(m_response, m_limit))) {
        refresh();
        evaluate();
        return 1;
    }
    // No money play between these two now: this side cannot go on, and says so in the dialog (an
    // automatic side too, which would otherwise wait without a word).
    m_refused = true;
    m_stopped = true;
    if (m_automatic && !m_left) {
        m_automatic = false;
        showDialog();
    }
    refresh();
    if (m_document)
        m_document->RemoveTemporaryConnection();
    return 1;
}

void CContinueSessionController::OnLimitsPacket(const QString& text) {
    const QStringList numbers = text.simplified().split(QLatin1Char(' '));
    int stake = 0, limit = 0;
    if (numbers.size() != 2 || !ReadWholeNumber(numbers[0], stake) || !ReadWholeNumber(numbers[1], limit))
        return;
    // Any offer after the first is a new pause, whether this side had stopped or still waits in the
    // pause the offer repeats: the peer must open his dialog again (unless his word of it came first
    // while this side was stopped), and is told that this one is open.
    const bool again = m_offerReceived;
    if (again) {
        m_peerReady = m_peerOpenedAhead;
        m_limitsKnown = false;
    }
    m_peerOpenedAhead = false;
    m_stake = stake;
    m_limit = limit;
    // Without a wager the only limit is 0, and no answer of the database is waited for.
    m_withoutWager = stake == 0 && limit == 0;
    if (m_withoutWager) {
        m_limitsKnown = true;
        m_lowerBound = 0;
        m_upperBound = 0;
    }
    m_offerReceived = true;
    m_answered = false;
    m_peerConfirmed = false;
    m_stopped = false;
    m_left = false;
    m_ended = false;
    m_peerStop = 0;
    m_refused = false;
    if (m_dialog)
        m_dialog->SetOffer(stake, limit);
    refresh();
    if (again)
        OpenDialog();
    evaluate();
}

void CContinueSessionController::OnSessionPacket(const QString& text) {
    int code = 0, limit = 0;
    if (!ParsePeerMessage(text, code, limit))
        return;
    // Once stopped, a late word from the peer changes nothing but his own end (the server's next offer
    // starts afresh); his dialog of the next pause is remembered for that offer.
    if (m_stopped && code == kOpened) {
        m_peerOpenedAhead = true;
        return;
    }
    if (m_stopped && code != kPlayLater && code != kEndSession)
        return;
    switch (code) {
    case kOpened:
        m_peerReady = true;
        evaluate();
        break;
    case kPlayLater:
    case kEndSession:
        m_stopped = true;
        if (code == kEndSession && m_peerStop != kEndSession)
            if (CGameSessionLink* link = session())
                link->AddSystemChatLine(m_peer + QStringLiteral(" has ended this session."));
        if (m_peerStop != kEndSession)
            m_peerStop = code;
        break;
    case kNextGame:
        if (limit == m_limit) {
            m_peerConfirmed = true;
            if (m_answered) {
                startNextGame(1);
                return;
            }
        }
        break;
    case kNewLimit:
        m_limit = limit;
        m_answered = false;
        m_peerConfirmed = false;
        if (!m_dialog) {
            m_automatic = false;
            showDialog();
        } else {
            int shown = 0;
            if (!m_dialog->GetValidLimit(shown) || shown != limit)
                m_dialog->ShowPeerLimit(limit);
        }
        break;
    default:
        break;
    }
    refresh();
}

void CContinueSessionController::evaluate() {
    if (!IsReady() || !m_automatic)
        return;
    if (!IsLimitInRange()) {
        m_automatic = false;
        showDialog();
        return;
    }
    OnNextGame();
}

void CContinueSessionController::showDialog() {
    if (!m_dialog)
        m_dialog = qobject_cast<CContinueSessionDlg*>(
            CClientGameFactory::GetFactory().CreateContinueSessionDialog(this, m_parent));
    if (!m_dialog)
        return;
    m_dialog->OpenWindow();
    if (m_response.IsAttached())
        m_dialog->AcceptLimits(m_response, m_limit);
    m_dialog->SetOffer(m_stake, m_limit);
    refresh();
}

void CContinueSessionController::OnNextGame() {
    if (m_dialog)
        m_dialog->EnableLimitEdit(false);
    if (MayStart()) {
        m_answered = true;
        refresh();
        sendPeer(kNextGame);
        if (m_peerConfirmed)
            startNextGame(1);
        return;
    }
    int cents = 0;
    if (m_dialog && CanAnswer() && !m_dialog->GetValidLimit(cents) && !m_dialog->IsClosing())
        PostDeferredMessageBox(QStringLiteral("Your limit is out of range."), platform::MB_ICONEXCLAMATION);
    refresh();
}

void CContinueSessionController::OnPlayLater() {
    if (m_left)
        return;
    m_left = true;
    m_stopped = true;
    refresh();
    sendPeer(kPlayLater);
    if (m_document)
        m_document->RemoveTemporaryConnection();
}

void CContinueSessionController::OnEndSession() {
    if (m_left)
        return;
    m_left = true;
    m_ended = true;
    m_stopped = true;
    refresh();
    sendPeer(kEndSession);
    startNextGame(0);
    if (m_document)
        m_document->RemoveTemporaryConnection();
}

void CContinueSessionController::OnLimitChanged(int cents) {
    if (!m_dialog || !m_dialog->IsInitialized() || !IsReady() || cents < 0)
        return;
    // The edit stays as it is (the refresh below keeps it enabled): taking it away between two steps
    // would end the arrow's auto-repeat and move the keyboard elsewhere.
    m_limit = cents;
    m_answered = false;
    m_peerConfirmed = false;
    sendPeer(kNewLimit);
    refresh();
}

void CContinueSessionController::startNextGame(int flag) {
    m_stopped = true;
    m_left = true;
    QString text;
    FormatThreeIntegers(text, flag, m_limit, m_limit);
    if (CGameSessionLink* link = session())
        link->Send(kPacketContinue, text, QString());
    if (flag == 1 && m_document)
        m_document->DeleteContinueSession();
}

void RegisterContinueSession() {
    CClientGameFactory& factory = CClientGameFactory::GetFactory();
    factory.SetContinueSessionDialogCreator(
        [](CContinueSessionController* controller, QWidget* parent) -> QDialog* {
            return new CBGContinueSessionDlg(controller, parent ? parent : GetMainWindow());
        });
    factory.SetContinueSessionCreator(
        [](CGameDoc* document, QWidget* parent, bool automatic) -> CContinueSession* {
            return new CContinueSessionController(document, parent, automatic);
        });
}
