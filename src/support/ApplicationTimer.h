#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <map>

// The callback of an application timer: (owner, timer id, data as given when it was set).
using ApplicationTimerCallback = std::function<void(QObject* owner, int timerId, void* data)>;

// One-shot timers counted in whole seconds, all driven by one one-second QTimer on the GUI thread.
// An entry set for s seconds fires on the (s + 1)-th tick after it was set: at least s and at most
// s + 1 seconds later. An entry dies unfired with its owner. Callbacks may set and kill entries,
// their own included, while the table is walked; an entry set by a callback starts counting with
// the next tick. The QTimer only runs while entries are pending.
// GUI thread only: a call from another thread is refused (and asserts in debug builds).
class CApplicationTimer : public QObject {
public:
    // The process's table, made on first use as a child of the application object.
    static CApplicationTimer& Instance();

    // -> the id (1 or more), or 0 when refused (off the GUI thread, or no callback).
    int Set(int seconds, QObject* owner, ApplicationTimerCallback callback, void* data = nullptr);
    // -> whether the entry was still pending.
    bool Kill(int timerId);
    // -> how many entries of that owner were pending.
    int KillAllOf(QObject* owner);
    bool IsPending(int timerId) const;
    int PendingCount() const { return int(m_entries.size()); }

    // One second passes: counts every entry down and runs those that are due, in the order they were set.
    void Tick();

    // While manual, the one-second QTimer stays stopped and time moves only through Tick().
    void SetManualTicks(bool manual);
    bool IsManualTicks() const { return m_manual; }

    // The test clock: manual ticks for one scope.
    class ManualClock {
    public:
        ManualClock() : m_previous(Instance().IsManualTicks()) { Instance().SetManualTicks(true); }
        ~ManualClock() { Instance().SetManualTicks(m_previous); }
        ManualClock(const ManualClock&) = delete;
        ManualClock& operator=(const ManualClock&) = delete;
        void Tick(int seconds = 1) {
            for (int i = 0; i < seconds; ++i)
                Instance().Tick();
        }

    private:
        bool m_previous;
    };

private:
    explicit CApplicationTimer(QObject* parent);

    struct Entry {
        QObject* ownerKey = nullptr;   // the owner's address, for KillAllOf after it is gone
        QPointer<QObject> owner;
        ApplicationTimerCallback callback;
        void* data = nullptr;
        int ticksLeft = 0;
        quint64 setAtTick = 0;
    };

    bool onOwnThread(const char* operation) const;
    void watchOwner(QObject* owner);
    void updateRunning();

    std::map<int, Entry> m_entries;   // by id; ids grow, so this is also the order of setting
    QSet<QObject*> m_watchedOwners;
    QTimer m_timer;
    int m_lastId = 0;
    quint64 m_ticks = 0;
    bool m_manual = false;
};

// Sets a timer on the application's table (see CApplicationTimer::Set).
int SetApplicationTimer(int seconds, QObject* owner, ApplicationTimerCallback callback, void* data = nullptr);
// Cancels the timer *timerId when it is still pending and sets *timerId to 0.
void KillApplicationTimer(int* timerId);
// Cancels every pending timer of owner.
void KillApplicationTimersOf(QObject* owner);
