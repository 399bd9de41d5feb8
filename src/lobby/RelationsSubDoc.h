#pragma once

#include "session/PacketTarget.h"
#include "session/RelationPackets.h"
#include "session/SessionServices.h"
#include "support/NoCaseStringMap.h"

#include <array>

class CSessionDoc;

// The session's copy of the user's three relation lists on the server (friends, blinded, gagged) and
// the way the user's changes to them go out. Window-less: it asks the database service for all three
// lists when it is made, replaces a list whenever the service sends it, and then tells the session's
// sub-documents with event 500. Changes are only sent: a list changes here when the service sends it
// again. The user lists' check marks, the chat filter, the invitation code and player information ask
// it about nicknames.
//
// GUI thread only.
class CRelationsSubDoc : public CSubDocument, public CRelationsQuery {
    NV_DECLARE_RUNTIME_CLASS(CRelationsSubDoc, CSubDocument)
public:
    using List = RelationPacket::List;
    // Nickname (folded) to the entry's text.
    using NameMap = CNoCaseStringMap<QString>;

    static constexpr int kEventListArrived = 500;

    // Registers with the session (the current one when null), becomes its relation lists for the chat
    // filter and asks for the gag, friends and blind lists, in that order.
    explicit CRelationsSubDoc(CSessionDoc* session = nullptr);
    ~CRelationsSubDoc() override;

    // The session's relations sub-document; made and handed to the session to keep on the first call,
    // so a session never asks for its lists twice.
    static CRelationsSubDoc* Attach(CSessionDoc& session);
    // The session's relations sub-document, or null.
    static CRelationsSubDoc* Find(const CSessionDoc* session);

    // Lists 189, 202 and 235 from the database service replace the list, then event 500 goes to the
    // sub-documents. Never takes a packet: the list windows see the same packets.
    int OnPacket(int type, const QString& text) override;

    // Membership, without regard to the case of ASCII letters.
    bool IsGagged(const QString& nickname) const override;
    bool IsAffinity(const QString& nickname) const override;
    bool IsBlinded(const QString& nickname) const override;

    // Asks the service to add ('+') or remove ('-') the blank-separated nicknames. Words that cannot be
    // nicknames are left out -> false when nothing was sent (no nickname left, not connected).
    bool ChangeGagList(const QString& names, bool add) { return sendChange(List::Gag, names, add); }
    bool ChangeAffinityList(const QString& names, bool add) { return sendChange(List::Friends, names, add); }
    bool ChangeBlindList(const QString& names, bool add) { return sendChange(List::Blind, names, add); }
    // Asks for the whole list again.
    bool RequestList(List list);

    // Whether the list has arrived at least once.
    bool HasReceived(List list) const { return slot(list).received; }
    bool HasReceivedAll() const;
    const NameMap& GetList(List list) const { return slot(list).names; }

private:
    struct Slot {
        NameMap names;
        bool received = false;
    };
    Slot& slot(List list) { return m_lists[size_t(list)]; }
    const Slot& slot(List list) const { return m_lists[size_t(list)]; }
    bool sendChange(List list, const QString& names, bool add);

    std::array<Slot, 3> m_lists;
};
