#include "app/SessionGameLink.h"

#include "app/GameRoom.h"

#include "game/ClientGameFactory.h"
#include "game/GameDoc.h"
#include "lobby/invite/InvitationManager.h"
#include "net/ClientNode.h"
#include "session/ServiceName.h"
#include "session/SessionDoc.h"

CSessionGameLink::CSessionGameLink(CSessionDoc* session, CGameDoc* document)
    : CPacketTarget(session), m_document(document) {
    if (document)
        document->SetSession(this);
}

CSessionGameLink::~CSessionGameLink() {
    if (m_document && m_document->GetSession() == this)
        m_document->SetSession(nullptr);
}

int CSessionGameLink::OnPacket(int type, const QString& text) {
    return m_document ? m_document->OnPacket(type, text) : 0;
}

int CSessionGameLink::OnSessionEvent(int code, const QString& text) {
    const int taken = m_document ? m_document->OnSessionEvent(code, text) : 0;
    checkOpponent();
    return taken;
}

QString CSessionGameLink::OpponentLeftText(const QString& opponent) {
    return QStringLiteral("The match is kept unfinished: when %1 asks to resume it you will be asked.").arg(opponent);
}

QString CSessionGameLink::OpponentBackText(const QString& opponent) {
    return QStringLiteral("%1 is back: the match goes on.").arg(opponent);
}

void CSessionGameLink::checkOpponent() {
    CSessionDoc* session = GetSession();
    if (!m_document || !session)
        return;
    const QString opponent = m_document->GetOpponentName();
    if (opponent.isEmpty())
        return;
    const CClientUserInfo* user = session->FindUser(opponent);
    const bool present = user && CServiceName(user->GetLocation()).IsSameService(session->GetServiceName());
    if (present && m_document->IsOpponentAway()) {
        m_document->SetOpponentAway(false);
        // Told where he read that the other had left.
        session->AddChatLine(QString(), OpponentBackText(opponent), ChatKind::System);
    }
    if (present || !m_opponentSeen) {
        m_opponentSeen = m_opponentSeen || present;
        return;
    }
    m_opponentSeen = false;
    if (!m_document->IsMatchInProgress())
        return;
    // Nothing is played until he is back.
    m_document->SetOpponentAway(true);
    // That he left is told as the Notification page chose (by the lobby directory's notifications);
    // what becomes of the match is always said in the chat.
    session->AddChatLine(QString(), OpponentLeftText(opponent), ChatKind::System);
}

bool CSessionGameLink::Send(int type, const QString& text, const QString& target) {
    return SendPacketText(type, text, -1, target);
}

QString CSessionGameLink::GetNickname() const {
    return GetSession() ? GetSession()->GetNickname() : QString();
}

QString CSessionGameLink::GetServiceName() const {
    return GetSession() ? GetSession()->GetServiceName().GetText() : QString();
}

bool CSessionGameLink::IsConnected() const {
    return GetSession() && GetSession()->IsConnected();
}

QString CSessionGameLink::CurrentPacketDestination() const {
    const CMessagePacket* packet = GetSession() ? GetSession()->GetCurrentPacket() : nullptr;
    return packet && packet->IsRouted() ? packet->GetDestinationName() : QString();
}

void CSessionGameLink::RemoveTemporaryConnection() {
    if (GetSession() && GetSession()->GetClientNode())
        GetSession()->GetClientNode()->RemoveTemporaryConnection();
}

void CSessionGameLink::AddSystemChatLine(const QString& text) {
    if (GetSession())
        GetSession()->AddChatLine(QString(), text, ChatKind::System);
}

void CSessionGameLink::OpenInvitationFromGame(const QString& serviceName, int localSide) {
    CSessionDoc* session = GetSession();
    CInvitationManager* invitations = CInvitationManager::Find(session);
    if (!invitations)
        return;
    // The room names the terms its match was played by: play again offers them, even to a client
    // started after they were agreed (one that came back to the match by resuming it).
    const bool inRoom = CServiceName(serviceName).IsSameService(session->GetServiceName());
    invitations->OpenInvitationFromGame(
        serviceName, localSide,
        inRoom ? session->GetServiceSetting(QString::fromLatin1(CGameRoom::kRulesSetting)) : QString());
}

QString CFactoryGameModuleInfo::GetServiceWord() const {
    return CClientGameFactory::GetFactory().GetServiceWord();
}

QString CFactoryGameModuleInfo::GetGameName() const {
    return CClientGameFactory::GetFactory().GetGameName();
}

bool CFactoryGameModuleInfo::HidesPrivateScore() const {
    return CClientGameFactory::GetFactory().HidesPrivateScore();
}

QString CFactoryGameModuleInfo::GetScoreText(const QString& location, const QString& gameDescriptor) const {
    return CClientGameFactory::GetFactory().GetScoreText(location, gameDescriptor);
}
