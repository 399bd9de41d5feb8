#pragma once

#include "platform/Document.h"
#include "session/PacketTarget.h"

// A session document with windows: the game, match board, proposition and login documents. It takes
// packets as a packet target and describes the panes of its window set by a layout string.
class CStateDoc : public platform::Document, public CPacketTarget {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CStateDoc, platform::Document)
public:
    explicit CStateDoc(CSessionDoc* session, QObject* parent = nullptr)
        : platform::Document(parent), CPacketTarget(session) {}

    // The panes of the document's window set (see CPaneLayout); empty: the service's default set.
    virtual QString GetWindowLayout() const { return QString(); }
    // Whether the user may be invited now (a game in progress says no).
    virtual bool CanInvite() const { return true; }
};
