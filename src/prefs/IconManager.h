#pragma once

#include "platform/Messages.h"
#include "platform/Object.h"
#include "prefs/HttpSession.h"

#include <QPixmap>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>

class CSettingsStore;
class QObject;

// The payload of "KELDERWICK_UPDATE_ICON" (wParam 0): the key of the icon fetched next, 0 when no
// request is left.
class CIconUpdateInfo : public platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CIconUpdateInfo, platform::Object)
    explicit CIconUpdateInfo(int nextKey) : nextKey(nextKey) {}
    int nextKey;
};

// Hands the user lists a small picture for every (user number, icon version) at once, without ever
// waiting on the network: one it holds already, one cached on disk by an earlier run, or, while the
// icon is fetched by the worker thread, the loading icon. Icons that cannot be fetched get the
// error icon for the rest of the run. When icons have arrived the lists are told with
// "KELDERWICK_UPDATE_ICON", at most once every few seconds while a long queue is fetched.
//
// The worker decodes into images; pixmaps are made on the GUI thread only. The icon table and the
// request set each have their own lock, never held together. A worker that stops taking requests is
// cancelled and left to end on its own; no thread is ever killed.
class CIconManager {
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    struct Config {
        CSettingsStore* settings = nullptr; // null: the process-wide store
        QString webHost;                    // as for SetWebHost
        Clock clock;                        // null: the steady clock
        int stuckSeconds = 16;              // a worker that takes no request this long is given up
        int pollMilliseconds = 250;         // how often shutdown looks at the worker
        int postSeconds = 4;                // least time between two update messages during a run
        int failuresBeforeSwitch = 3;       // failed fetches in a row before the other access type
        CHttpSession::Limits limits{10, 10, 15};
    };

    CIconManager();
    explicit CIconManager(const Config& config);
    virtual ~CIconManager();
    CIconManager(const CIconManager&) = delete;
    CIconManager& operator=(const CIconManager&) = delete;

    // The icon of a user's icon version, at once: null for user number 0 and for numbers or
    // versions that cannot form a key. GUI thread only.
    QPixmap GetIcon(int number, int version);

    // Where icons are fetched: "http://host[:port]" (a bare host gets "http://"; addresses of other
    // schemes are refused). Until one is set, icons that are not cached are not requested (GetIcon
    // gives null). Setting it tells the windows to ask again.
    void SetWebHost(const QString& base);
    QString WebHost() const;

    // printf-style entry in the log file when logging is on. Any thread.
    [[gnu::format(printf, 2, 3)]] void Log(const char* format, ...) const;

    QPixmap LoadingIcon() const { return m_loadingIcon; }
    QPixmap ErrorIcon() const { return m_errorIcon; }
    QPixmap BlankIcon() const { return m_blankIcon; }
    QString CacheFolder() const;
    HttpAccessType AccessType() const;
    bool IsLogging() const;
    QString LogFilePath() const;

    // key = number x 1000 + version -> false when no valid key can be made (number 0 or below,
    // a version outside 0..999, or a key that does not fit).
    static bool MakeKey(int number, int version, int* key);

    // What the manager shares with its worker threads (defined with the implementation).
    struct Shared;

private:
    struct Worker;

    void OpenCacheAndLog();
    void StartWorker();
    void AbandonWorker(int stuckKey);
    void StopWorker();
    void DeliverUpdate(int nextKey);
    QPixmap PixmapFor(int key);

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<CHttpSession> m_spareSession; // opened at construction, handed to the first worker
    std::unique_ptr<QObject> m_guard;             // the GUI-thread object update calls are posted to
    std::unordered_map<int, QPixmap> m_pixmaps;   // GUI thread only
    QPixmap m_loadingIcon;
    QPixmap m_errorIcon;
    QPixmap m_blankIcon;
};

// The one manager of the process, made on first use.
CIconManager& GetIconManager();
// Ends it (stopping its worker); the application calls this on the way out, while the GUI still
// exists. It also runs when the application is about to quit.
void DeleteIconManager();
