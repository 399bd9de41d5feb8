#pragma once

#include "platform/Object.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class QObject;
class QWidget;

namespace platform {

// Ids of registered messages ("KELDERWICK_..."): the same name always gives the same id, ids start
// at 0xC000 so they never meet a private message number.
using MessageId = unsigned;
MessageId RegisterMessage(const QString& name);

// A window (or any object) that takes registered messages. lParam payloads are typed: a receiver
// checks the payload's runtime class (object_cast) before it uses it.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    // -> true when the message was handled.
    virtual bool OnMessage(MessageId id, qintptr wParam, Object* lParam) = 0;
};

// Sends to one object when it is a MessageTarget -> whether it handled the message.
bool SendMessageTo(QObject* target, MessageId id, qintptr wParam = 0, Object* lParam = nullptr);

// Sends to each root and all its descendants, then to every top-level window that a reached widget
// owns (a window whose Qt parent is inside the tree) and its descendants, and so on; a window is
// reached once even when it is owned through several roots. Other top-level windows are left out.
// The walk runs over a snapshot of guarded pointers taken before the first delivery, so receivers
// may delete or rebuild their children meanwhile; an object deleted during the walk is skipped, and
// widgets created during the walk are not reached.
void BroadcastMessage(const QList<QWidget*>& roots, MessageId id, qintptr wParam = 0,
                      Object* lParam = nullptr);

// Sends to the root's descendants (not the root itself) without crossing into owned windows,
// over the same kind of snapshot.
void SendMessageToDescendants(QWidget* root, MessageId id, qintptr wParam = 0, Object* lParam = nullptr);

} // namespace platform
