#include "app/SessionGameLink.h"

#include "game/ClientGameFactory.h"
#include "game/GameDoc.h"
#include "lobby/invite/InvitationManager.h"
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
    return m_document ? m_document->OnSessionEvent(code, text) : 0;
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

void CSessionGameLink::RemoveTemporaryConnection() {
    if (GetSession() && GetSession()->GetClientNode())
        GetSession()->GetClientNode()->RemoveTemporaryConnection();
}

void CSessionGameLink::OpenInvitationFromGame(const QString& serviceName, int localSide) {
    if (CInvitationManager* invitations = CInvitationManager::Find(GetSession()))
        invitations->OpenInvitationFromGame(serviceName, localSide);
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
