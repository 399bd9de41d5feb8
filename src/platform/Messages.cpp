#include "platform/Messages.h"

#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSet>
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

using Snapshot = QList<QPointer<QWidget>>;

// Takes widgets in depth-first order, each at most once; child windows are queued as further roots
// when ownedWindows is given, else left out.
class Collector {
public:
    explicit Collector(QList<QWidget*>* ownedWindows) : m_ownedWindows(ownedWindows) {}

    void addTree(QWidget* widget) {
        if (m_seen.contains(widget))
            return; // its tree was taken with it
        m_seen.insert(widget);
        m_snapshot.append(widget);
        addDescendants(widget);
    }

    void addDescendants(QWidget* widget) {
        for (QObject* child : widget->children()) {
            auto* childWidget = qobject_cast<QWidget*>(child);
            if (!childWidget)
                continue;
            if (!childWidget->isWindow())
                addTree(childWidget);
            else if (m_ownedWindows)
                m_ownedWindows->append(childWidget);
        }
    }

    void deliver(MessageId id, qintptr wParam, Object* lParam) const {
        for (const QPointer<QWidget>& widget : m_snapshot) {
            if (widget)
                SendMessageTo(widget.data(), id, wParam, lParam);
        }
    }

private:
    QList<QWidget*>* m_ownedWindows;
    QSet<QWidget*> m_seen;
    Snapshot m_snapshot;
};

} // namespace

void BroadcastMessage(const QList<QWidget*>& roots, MessageId id, qintptr wParam, Object* lParam) {
    QList<QWidget*> pending;
    for (QWidget* root : roots)
        if (root)
            pending.append(root);
    Collector collector(&pending);
    // Roots first, in the order given, each with its tree; the windows they own after all of them.
    for (qsizetype i = 0; i < pending.size(); ++i)
        collector.addTree(pending[i]);
    collector.deliver(id, wParam, lParam);
}

void SendMessageToDescendants(QWidget* root, MessageId id, qintptr wParam, Object* lParam) {
    if (!root)
        return;
    Collector collector(nullptr);
    collector.addDescendants(root);
    collector.deliver(id, wParam, lParam);
}

} // namespace platform
