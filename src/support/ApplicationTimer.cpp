#include "support/ApplicationTimer.h"

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>

#include <limits>
#include <vector>

namespace {
constexpr int kTickMs = 1000;
}

CApplicationTimer& CApplicationTimer::Instance() {
    static QPointer<CApplicationTimer> instance;
    if (!instance) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app && QThread::currentThread() != app->thread()) {
            // First use off the GUI thread: the table still belongs to the GUI thread.
            instance = new CApplicationTimer(nullptr);
            instance->moveToThread(app->thread());
        } else {
            instance = new CApplicationTimer(app);
        }
    }
    return *instance;
}

CApplicationTimer::CApplicationTimer(QObject* parent) : QObject(parent), m_timer(this) {
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CApplicationTimer::Tick);
}

bool CApplicationTimer::onOwnThread(const char* operation) const {
    if (QThread::currentThread() == thread())
        return true;
    Q_ASSERT_X(false, operation, "application timers belong to the GUI thread");
    qWarning("%s: refused off the GUI thread", operation);
    return false;
}

int CApplicationTimer::Set(int seconds, QObject* owner, ApplicationTimerCallback callback, void* data) {
    if (!onOwnThread("SetApplicationTimer") || !callback)
        return 0;
    do {
        m_lastId = m_lastId == std::numeric_limits<int>::max() ? 1 : m_lastId + 1;
    } while (m_entries.count(m_lastId));
    Entry entry;
    entry.ownerKey = owner;
    entry.owner = owner;
    entry.callback = std::move(callback);
    entry.data = data;
    entry.ticksLeft = qMax(seconds, 0) + 1;
    entry.setAtTick = m_ticks;
    m_entries.emplace(m_lastId, std::move(entry));
    if (owner)
        watchOwner(owner);
    updateRunning();
    return m_lastId;
}

void CApplicationTimer::watchOwner(QObject* owner) {
    if (m_watchedOwners.contains(owner))
        return;
    m_watchedOwners.insert(owner);
    connect(owner, &QObject::destroyed, this, [this](QObject* gone) {
        m_watchedOwners.remove(gone);
        KillAllOf(gone);
    });
}

bool CApplicationTimer::Kill(int timerId) {
    if (!onOwnThread("KillApplicationTimer"))
        return false;
    const bool pending = m_entries.erase(timerId) > 0;
    updateRunning();
    return pending;
}

int CApplicationTimer::KillAllOf(QObject* owner) {
    if (!owner || !onOwnThread("KillApplicationTimersOf"))
        return 0;
    int killed = 0;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.ownerKey == owner) {
            it = m_entries.erase(it);
            ++killed;
        } else {
            ++it;
        }
    }
    updateRunning();
    return killed;
}

bool CApplicationTimer::IsPending(int timerId) const { return m_entries.count(timerId) > 0; }

void CApplicationTimer::Tick() {
    if (!onOwnThread("CApplicationTimer::Tick"))
        return;
    const quint64 tick = ++m_ticks;
    // Walk the ids as they stand now: callbacks may add and remove entries meanwhile.
    std::vector<int> ids;
    ids.reserve(m_entries.size());
    for (const auto& [id, entry] : m_entries) {
        if (entry.setAtTick < tick)
            ids.push_back(id);
    }
    for (const int id : ids) {
        const auto it = m_entries.find(id);
        if (it == m_entries.end())
            continue;
        Entry& entry = it->second;
        if (entry.ownerKey && !entry.owner) {
            m_entries.erase(it);
            continue;
        }
        if (--entry.ticksLeft > 0)
            continue;
        Entry due = std::move(entry);
        m_entries.erase(it);
        due.callback(due.owner.data(), id, due.data);
    }
    updateRunning();
}

void CApplicationTimer::SetManualTicks(bool manual) {
    m_manual = manual;
    updateRunning();
}

void CApplicationTimer::updateRunning() {
    const bool run = !m_manual && !m_entries.empty();
    if (run && !m_timer.isActive())
        m_timer.start();
    else if (!run && m_timer.isActive())
        m_timer.stop();
}

int SetApplicationTimer(int seconds, QObject* owner, ApplicationTimerCallback callback, void* data) {
    return CApplicationTimer::Instance().Set(seconds, owner, std::move(callback), data);
}

void KillApplicationTimer(int* timerId) {
    if (!timerId)
        return;
    if (*timerId != 0)
        CApplicationTimer::Instance().Kill(*timerId);
    *timerId = 0;
}

void KillApplicationTimersOf(QObject* owner) { CApplicationTimer::Instance().KillAllOf(owner); }
