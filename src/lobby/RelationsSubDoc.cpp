#include "lobby/RelationsSubDoc.h"

#include "lobby/RelationList.h"
#include "session/SessionDoc.h"

namespace {

const QString kDatabaseService = QStringLiteral(".db");

} // namespace

CRelationsSubDoc::CRelationsSubDoc(CSessionDoc* session)
    : CSubDocument(session ? session : CSessionDoc::GetCurrent()) {
    if (!GetSession())
        return;
    GetSession()->SetRelations(this);
    for (List list : RelationPacket::kAllLists)
        RequestList(list);
}

CRelationsSubDoc::~CRelationsSubDoc() {
    if (GetSession() && GetSession()->GetRelations() == this)
        GetSession()->SetRelations(nullptr);
}

CRelationsSubDoc* CRelationsSubDoc::Attach(CSessionDoc& session) {
    if (CRelationsSubDoc* existing = Find(&session))
        return existing;
    return static_cast<CRelationsSubDoc*>(
        session.AdoptSubDocument(std::make_unique<CRelationsSubDoc>(&session)));
}

CRelationsSubDoc* CRelationsSubDoc::Find(const CSessionDoc* session) {
    return session ? dynamic_cast<CRelationsSubDoc*>(session->GetRelations()) : nullptr;
}

int CRelationsSubDoc::OnPacket(int type, const QString& text) {
    const std::optional<List> list = RelationPacket::ListOfList(type);
    // These types are routed, so another member could send them straight to us; only the database
    // service's lists count.
    if (!list || !GetSession() || CurrentPacketSource() != kDatabaseService)
        return 0;
    GetSession()->MarkPacketRead();
    Slot& target = slot(*list);
    target.names.RemoveAll();
    for (const CRelationEntry& entry : ParseRelationList(text))
        target.names.SetAt(entry.nickname, entry.text);
    target.received = true;
    GetSession()->BroadcastSubDocEvent(kEventListArrived, QVariant(0));
    return 0;
}

bool CRelationsSubDoc::IsGagged(const QString& nickname) const {
    return slot(List::Gag).names.Contains(nickname);
}

bool CRelationsSubDoc::IsAffinity(const QString& nickname) const {
    return slot(List::Friends).names.Contains(nickname);
}

bool CRelationsSubDoc::IsBlinded(const QString& nickname) const {
    return slot(List::Blind).names.Contains(nickname);
}

bool CRelationsSubDoc::HasReceivedAll() const {
    for (List list : RelationPacket::kAllLists) {
        if (!HasReceived(list))
            return false;
    }
    return true;
}

bool CRelationsSubDoc::RequestList(List list) {
    return GetSession() &&
           GetSession()->SendRelationRequest(RelationPacket::RequestType(list), QStringLiteral("="));
}

bool CRelationsSubDoc::sendChange(List list, const QString& names, bool add) {
    return GetSession() &&
           GetSession()->SendRelationRequest(RelationPacket::RequestType(list),
                                             (add ? QStringLiteral("+ ") : QStringLiteral("- ")) + names);
}
