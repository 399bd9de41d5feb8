#include "platform/Messages.h"

#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QWidget>

namespace platform {

MessageId RegisterMessage(const QString& name) {
    static QMutex mutex;
    static QHash<QString, MessageId> ids;
    const QString key = name.toUpper(); // registered names compare without regard to case
    QMutexLocker lock(&mutex);
    auto it = ids.constFind(key);
    if (it != ids.constEnd())
        return *it;
    const MessageId id = 0xC000u + MessageId(ids.size());
    ids.insert(key, id);
    return id;
}

bool SendMessageTo(QObject* target, MessageId id, qintptr wParam, Object* lParam) {
    if (auto* receiver = dynamic_cast<MessageTarget*>(target))
        return receiver->OnMessage(id, wParam, lParam);
    return false;
}

namespace {

void collect(QWidget* widget, QList<QPointer<QWidget>>& out) {
    out.append(widget);
    for (QObject* child : widget->children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        if (!childWidget || childWidget->isWindow())
            continue; // owned top-level windows are roots of their own
        collect(childWidget, out);
    }
}

} // namespace

void BroadcastMessage(const QList<QWidget*>& roots, MessageId id, qintptr wParam, Object* lParam) {
    QList<QPointer<QWidget>> snapshot;
    for (QWidget* root : roots) {
        if (!root)
            continue;
        bool seen = false;
        for (const auto& p : snapshot)
            seen = seen || p == root;
        if (!seen)
            collect(root, snapshot);
    }
    for (const QPointer<QWidget>& widget : snapshot) {
        if (widget)
            SendMessageTo(widget.data(), id, wParam, lParam);
    }
}

} // namespace platform
