#pragma once

#include "platform/Object.h"

#include <QString>
#include <QVariant>

class CSessionDoc;
class CMessagePacket;

// The base of every object that takes session packets. It registers with a session when it is made
// (the current one unless another is given) and unregisters when it is destroyed; the session offers
// it each packet it dispatches and each session event, in order of registration, until one takes it.
// When the session goes first, the target is simply detached (GetSession() becomes null).
class CPacketTarget {
public:
    explicit CPacketTarget(CSessionDoc* session);
    CPacketTarget();
    virtual ~CPacketTarget();
    CPacketTarget(const CPacketTarget&) = delete;
    CPacketTarget& operator=(const CPacketTarget&) = delete;

    // A packet of the session: (effective type, payload text) -> nonzero when taken (the session then
    // stops offering it). The packet itself, with its routed source name, is the session's
    // GetCurrentPacket() during the call.
    virtual int OnPacket(int type, const QString& text) {
        (void)type;
        (void)text;
        return 0;
    }
    // A session event (4353 user arrived, 4354 user left, 4355 user changed, ...) -> nonzero when taken.
    // By default it is handled like a packet of that number.
    virtual int OnSessionEvent(int code, const QString& text) { return OnPacket(code, text); }

    // Sends text as a packet through the session: length -1 for the whole text; an empty target is the
    // lobby connection. Nothing happens (false) when the object is not attached to a session.
    bool SendPacketText(int type, const QString& text, int length = -1, const QString& target = QString());

    CSessionDoc* GetSession() const { return m_session; }

protected:
    // The session name (for routed packets) of the packet being handled now, or empty.
    QString CurrentPacketSource() const;

private:
    friend class CSessionDoc;
    CSessionDoc* m_session = nullptr;
};

// A window-less helper document of the session (relations, mail, invitations, player information ...).
// Besides packets it takes sub-document events, answers queries and may handle menu commands.
class CSubDocument : public platform::Object, public CPacketTarget {
    NV_DECLARE_RUNTIME_CLASS(CSubDocument, platform::Object)
public:
    explicit CSubDocument(CSessionDoc* session);
    CSubDocument();
    ~CSubDocument() override;

    // A sub-document event (500: a relation list arrived; 0, 1: the blind list changed; 400: the gag
    // list changed; 4128: a chat command) -> nonzero when taken.
    virtual int OnEvent(int code, const QVariant& argument) {
        (void)code;
        (void)argument;
        return 0;
    }
    // A question the session asks every sub-document -> true when this one says yes.
    virtual bool Query(int code, const QVariant& data) {
        (void)code;
        (void)data;
        return false;
    }
    // A menu command routed to the sub-documents -> true when handled.
    virtual bool OnCommand(int id) {
        (void)id;
        return false;
    }
};
