#include "session/PacketTarget.h"

#include "net/MessagePacket.h"
#include "session/SessionDoc.h"

CPacketTarget::CPacketTarget(CSessionDoc* session) {
    if (session)
        session->RegisterTarget(this);
}

CPacketTarget::CPacketTarget() : CPacketTarget(CSessionDoc::GetCurrent()) {}

CPacketTarget::~CPacketTarget() {
    if (m_session)
        m_session->UnregisterTarget(this);
}

bool CPacketTarget::SendPacketText(int type, const QString& text, int length, const QString& target) {
    return m_session && m_session->Send(type, text, length, target);
}

QString CPacketTarget::CurrentPacketSource() const {
    const CMessagePacket* packet = m_session ? m_session->GetCurrentPacket() : nullptr;
    return packet ? packet->GetSourceName() : QString();
}

CSubDocument::CSubDocument(CSessionDoc* session) : CPacketTarget(session) {
    if (GetSession())
        GetSession()->RegisterSubDocument(this);
}

CSubDocument::CSubDocument() : CSubDocument(CSessionDoc::GetCurrent()) {}

CSubDocument::~CSubDocument() {
    if (GetSession())
        GetSession()->UnregisterSubDocument(this);
}
