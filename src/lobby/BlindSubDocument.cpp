#include "lobby/BlindSubDocument.h"

#include "lobby/BlindFrameWnd.h"
#include "lobby/BlindListView.h"
#include "lobby/RelationsSubDoc.h"
#include "session/RelationPackets.h"
#include "session/SessionDoc.h"

// ---- The owner of a list window

CRelationWindowOwner::CRelationWindowOwner(CSessionDoc* session, int toggleCommand)
    : CSubDocument(session ? session : CSessionDoc::GetCurrent()), m_toggleCommand(toggleCommand) {}

CRelationWindowOwner::~CRelationWindowOwner() {
    if (CBlindFrameWnd* frame = m_frame.data()) {
        m_frame = nullptr;
        frame->CloseForOwner();
    }
}

bool CRelationWindowOwner::IsWindowOpen() const {
    return !m_frame.isNull();
}

CBlindFrameWnd* CRelationWindowOwner::GetFrame() const {
    return m_frame.data();
}

void CRelationWindowOwner::ForgetFrame() {
    m_frame = nullptr;
}

bool CRelationWindowOwner::CanToggleWindow() const {
    return IsWindowOpen() || (GetSession() && GetSession()->IsConnected() && GetSession()->GetServiceActive());
}

void CRelationWindowOwner::ToggleWindow() {
    if (CBlindFrameWnd* frame = m_frame.data()) {
        // Closed as the user would close it, so that a window he moved keeps its place.
        frame->close();
        m_frame = nullptr;
        return;
    }
    if (!CanToggleWindow())
        return;
    CBlindFrameWnd* frame = MakeFrame();
    if (!frame)
        return;
    m_frame = frame;
    // OpenWithView ran in MakeFrame; a frame that could not make its view is gone already.
    if (!frame->GetView()) {
        m_frame = nullptr;
        frame->CloseForOwner();
    }
}

bool CRelationWindowOwner::OnCommand(int id) {
    if (id != m_toggleCommand)
        return false;
    ToggleWindow();
    return true;
}

int CRelationWindowOwner::OnPacket(int type, const QString& text) {
    CBlindFrameWnd* frame = m_frame.data();
    return frame ? frame->RelayPacketResult(type, text) : 0;
}

// ---- Blinded players

CBlindSubDocument::CBlindSubDocument(CSessionDoc* session) : CRelationWindowOwner(session, kCmdToggleWindow) {}

CBlindSubDocument* CBlindSubDocument::Attach(CSessionDoc& session) {
    if (CBlindSubDocument* existing = Find(&session))
        return existing;
    return static_cast<CBlindSubDocument*>(
        session.AdoptSubDocument(std::make_unique<CBlindSubDocument>(&session)));
}

CBlindSubDocument* CBlindSubDocument::Find(const CSessionDoc* session) {
    return session ? static_cast<CBlindSubDocument*>(session->FindSubDocument(kClassName)) : nullptr;
}

bool CBlindSubDocument::SendBlindChange(const QString& text) {
    return GetSession() && GetSession()->SendRelationRequest(RelationPacket::BlindRequest, text);
}

int CBlindSubDocument::OnEvent(int code, const QVariant& argument) {
    if (code != kEventBlindChanged && code != kEventBlindChangedToo)
        return 0;
    SendBlindChange(argument.toString());
    return 1;
}

CBlindFrameWnd* CBlindSubDocument::MakeFrame() {
    auto* frame = new CBlindFrameWnd(GetSession(), [this] { ForgetFrame(); });
    frame->OpenWithView(new CBlindListView, QStringLiteral("Blinded Players"));
    return frame;
}

// ---- Gagged players

CGagSubDocument::CGagSubDocument(CSessionDoc* session) : CRelationWindowOwner(session, kCmdToggleWindow) {
    if (GetSession())
        CRelationsSubDoc::Attach(*GetSession());
}

CGagSubDocument* CGagSubDocument::Attach(CSessionDoc& session) {
    if (CGagSubDocument* existing = Find(&session))
        return existing;
    return static_cast<CGagSubDocument*>(session.AdoptSubDocument(std::make_unique<CGagSubDocument>(&session)));
}

CGagSubDocument* CGagSubDocument::Find(const CSessionDoc* session) {
    return session ? static_cast<CGagSubDocument*>(session->FindSubDocument(kClassName)) : nullptr;
}

CRelationsSubDoc* CGagSubDocument::relations() const {
    return CRelationsSubDoc::Find(GetSession());
}

bool CGagSubDocument::IsGagged(const QString& nickname) const {
    const CRelationsSubDoc* list = relations();
    return list && list->IsGagged(nickname);
}

bool CGagSubDocument::SendGagChange(const QString& text) {
    return GetSession() && GetSession()->SendRelationRequest(RelationPacket::GagRequest, text);
}

int CGagSubDocument::OnEvent(int code, const QVariant& argument) {
    if (code != kEventGagChanged)
        return 0;
    SendGagChange(argument.toString());
    return 1;
}

CBlindFrameWnd* CGagSubDocument::MakeFrame() {
    auto* frame = new CGagFrameWnd(GetSession(), [this] { ForgetFrame(); });
    frame->OpenWithView(new CGagListView, QStringLiteral("Gagged Players"));
    return frame;
}
