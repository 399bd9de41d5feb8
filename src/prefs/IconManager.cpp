#include "prefs/IconManager.h"


#include "platform/Paths.h"
#include "platform/PostCall.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "prefs/Downloader.h"
#include "support/SettingsStore.h"
#include "support/WindowBroadcast.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

const QString kSection = QStringLiteral("CIconManager");
const char kAgent[] = "Norvale IconManager";
// Icons are small; a body beyond this is no icon, and a picture beyond this size is refused before
// it is decoded.
constexpr qint64 kMaxIconBytes = 1 << 20;
constexpr int kMaxIconSide = 256;

QString RegisteredPathName(int key) { return QString::asprintf("%da", key); }
QString RegisteredVersionName(int key) { return QString::asprintf("%da.version", key); }
QString CacheFileName(int key) { return QString::asprintf("%da.ico", key); }

const char* AccessName(HttpAccessType access) {
    return access == HttpAccessType::Direct ? "DIRECT" : "PRECONFIG";
}

// Reads an icon file into an image -> a null image when the file is missing, is no picture, or is
// larger than any icon. Safe on any thread.
QImage DecodeIconFile(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxIconSide || size.height() > kMaxIconSide))
        return {};
    QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxIconSide || image.height() > kMaxIconSide)
        return {};
    return image;
}

// Our own artwork from the resource folder; a plain drawn stand-in when the file is not found, so
// a list never shows an empty cell for want of a data file.
QPixmap ResourceIcon(const QString& fileName, const QColor& fallbackColour) {
    const QImage image = DecodeIconFile(platform::FindResourceFile("icons/" + fileName));
    if (!image.isNull())
        return QPixmap::fromImage(image);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(fallbackColour.darker(150));
    painter.setBrush(fallbackColour);
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pixmap;
}

// "host", "host:port/" or "http://host" -> "http://host[:port]" without a trailing '/'; empty for
// anything that is not an http or https address.
QString NormaliseWebHost(const QString& base) {
    QString text = base.trimmed();
    if (text.isEmpty())
        return {};
    const QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != "http" && url.scheme() != "https"))
        return {};
    text = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    while (text.endsWith('/'))
        text.chop(1);
    return text;
}

// The process-wide lock of the log file, made on first use: the GUI thread and any worker write.
std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

// Everything a worker may still reach after the manager is gone (an abandoned worker ends on its own
// time): held through a shared pointer by the manager and by every worker.
struct CIconManager::Shared {
    struct Entry {
        QImage image; // null for the error icon
    };

    Clock clock;
    int stuckMs = 16000;
    int pollMs = 250;
    int postMs = 4000;
    int failuresBeforeSwitch = 3;
    CHttpSession::Limits limits;
    QString cacheFolder; // ends with '/'; fixed after construction

    // The icon table.
    std::mutex tableLock;
    std::unordered_map<int, Entry> table;

    // The request set, the worker's current key and who may act on them.
    std::mutex requestLock;
    std::vector<int> requests; // in the order asked; the newest is fetched first
    int currentKey = 0;
    qint64 lastActivity = 0;
    std::atomic<quint64> generation{0}; // changed under requestLock; a worker of an older one is abandoned
    QString webHost;

    // The requests-pending event (automatic reset).
    std::mutex eventLock;
    std::condition_variable eventSignal;
    bool eventPending = false;

    std::atomic<bool> run{false};
    std::atomic<int> accessType{0};

    // Where a worker's results leave the worker: the settings store and the posted update. Closed
    // when the manager goes, so a late worker touches neither.
    std::mutex outletLock;
    bool outletClosed = false;
    CSettingsStore* settings = nullptr;
    std::function<void(int nextKey)> postUpdate;

    // The log file (guarded by LogLock()).
    std::atomic<bool> logging{false};
    FILE* logFile = nullptr;
    QString logPath;

    qint64 Now() const { return clock(); }

    void SignalEvent() {
        {
            std::lock_guard<std::mutex> lock(eventLock);
            eventPending = true;
        }
        eventSignal.notify_all();
    }

    void PutInTable(int key, const QImage& image) {
        std::lock_guard<std::mutex> lock(tableLock);
        table[key] = Entry{image};
    }

    void WriteLog(const QString& message) {
        if (!logging.load())
            return;
        const QByteArray text = message.toLocal8Bit();
        std::lock_guard<std::mutex> lock(LogLock());
        if (!logFile)
            return;
        // Taken under the lock: the time zone look-up behind local time is best not raced.
        const QByteArray stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        std::fprintf(logFile, "%s\n%s\n\n", stamp.constData(), text.constData());
        std::fflush(logFile);
    }

    void LogV(const char* format, va_list args) {
        if (logging.load())
            WriteLog(QString::vasprintf(format, args));
    }

    [[gnu::format(printf, 2, 3)]] void Log(const char* format, ...) {
        va_list args;
        va_start(args, format);
        LogV(format, args);
        va_end(args);
    }
};

// A worker thread as the manager sees it.
struct CIconManager::Worker {
    // Set by the thread as its very last step, so shutdown can wait for it a poll at a time.
    struct Done {
        std::mutex lock;
        std::condition_variable signal;
        bool done = false;
        void Set() {
            {
                std::lock_guard<std::mutex> guard(lock);
                done = true;
            }
            signal.notify_all();
        }
        bool WaitFor(int milliseconds) {
            std::unique_lock<std::mutex> guard(lock);
            return signal.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return done; });
        }
    };

    std::thread thread;
    std::shared_ptr<CTransferCancel> cancel = std::make_shared<CTransferCancel>();
    std::shared_ptr<Done> done = std::make_shared<Done>();
};

namespace {

// The worker's side: everything runs on the worker thread and reaches the manager only through the
// shared state.
class IconWorker {
public:
    IconWorker(std::shared_ptr<CIconManager::Shared>, quint64, std::shared_ptr<CTransferCancel>,
               std::unique_ptr<CHttpSession>);
    void Run();

private:
    enum class Outcome { Fetched, Failed, Cancelled };

    bool Current() const { return m_shared->generation.load() == m_generation; }
    bool Stopped() const { return !m_shared->run.load() || m_cancel->IsCancelled() || !Current(); }
    // Removes the handled key and takes the next -> the next key, 0 when none; false when this
    // worker has been given up.
    bool TakeNext(int handled, int* next);
    Outcome Fetch(int key);
    void SwitchAccessType();
    void Post(int nextKey);

    std::shared_ptr<CIconManager::Shared> m_shared;
    quint64 m_generation;
    std::shared_ptr<CTransferCancel> m_cancel;
    std::unique_ptr<CHttpSession> m_session;
};

} // namespace

// Lets the worker side name the manager's private state.
using IconShared = CIconManager::Shared;

IconWorker::IconWorker(std::shared_ptr<IconShared> shared, quint64 generation, std::shared_ptr<CTransferCancel> cancel,
                       std::unique_ptr<CHttpSession> session)
    : m_shared(std::move(shared)), m_generation(generation), m_cancel(std::move(cancel)), m_session(std::move(session)) {}

bool IconWorker::TakeNext(int handled, int* next) {
    IconShared& s = *m_shared;
    std::lock_guard<std::mutex> lock(s.requestLock);
    *next = 0;
    if (!Current())
        return false;
    if (handled != 0)
        s.requests.erase(std::remove(s.requests.begin(), s.requests.end(), handled), s.requests.end());
    s.currentKey = 0;
    if (!s.requests.empty()) {
        *next = s.requests.back();
        s.currentKey = *next;
        s.lastActivity = s.Now();
    }
    return true;
}

IconWorker::Outcome IconWorker::Fetch(int key) {
    IconShared& s = *m_shared;
    const int number = key / 1000;
    const int version = key % 1000;
    QString host;
    {
        std::lock_guard<std::mutex> lock(s.requestLock);
        host = s.webHost;
    }
    const QString address = host + QString::asprintf("/client/icon/%d.ico", number);
    s.Log("Sending request string: %s", qPrintable(address));
    const QString path = s.cacheFolder + CacheFileName(key);

    QImage image;
    if (!host.isEmpty()) {
        CDownloader downloader(address, m_session.get());
        downloader.SetCancel(m_cancel);
        downloader.SetMaxBytes(kMaxIconBytes);
        downloader.Run(path);
        if (Stopped())
            return Outcome::Cancelled;
        if (downloader.Succeeded())
            image = DecodeIconFile(path);
        else
            s.Log("Download of icon %d failed: %s", key, qPrintable(downloader.ErrorText()));
    }

    if (image.isNull()) {
        s.Log("Putting error icon in map for icon %d", key);
        // Whatever lies under the key's name is no icon: a later run must not take it for one.
        QFile::remove(path);
        s.PutInTable(key, QImage());
        return Outcome::Failed;
    }
    s.PutInTable(key, image);
    s.Log("*** Registering icon %d", key);
    std::lock_guard<std::mutex> lock(s.outletLock);
    if (!s.outletClosed && s.settings && Current()) {
        s.settings->WriteAppProfileString(kSection, RegisteredPathName(key), path);
        s.settings->WriteAppProfileInt(kSection, RegisteredVersionName(key), version);
    }
    return Outcome::Fetched;
}

void IconWorker::SwitchAccessType() {
    IconShared& s = *m_shared;
    s.Log("*** Changing access type");
    const HttpAccessType old = m_session->Access();
    const HttpAccessType other = old == HttpAccessType::Direct ? HttpAccessType::Preconfig : HttpAccessType::Direct;
    s.Log("Closing %s m_hSession = %p", AccessName(old), static_cast<void*>(m_session.get()));
    m_session.reset();
    m_session = std::make_unique<CHttpSession>(kAgent, other, s.limits);
    s.accessType = int(other);
    s.Log("New %s m_hSession = %p", AccessName(other), static_cast<void*>(m_session.get()));
}

void IconWorker::Post(int nextKey) {
    IconShared& s = *m_shared;
    if (!QCoreApplication::instance()) {
        s.Log("pClientApp is NULL!!!");
        return;
    }
    s.Log("*** Posting WM_UPDATE_ICON message");
    std::lock_guard<std::mutex> lock(s.outletLock);
    if (!s.outletClosed && s.postUpdate && Current())
        s.postUpdate(nextKey);
}

void IconWorker::Run() {
    IconShared& s = *m_shared;
    int failuresInRow = 0;
    qint64 lastPost = s.Now();
    bool unreported = false; // fetches finished since the last update message
    for (;;) {
        s.Log("Thread waiting for requests pending event");
        {
            std::unique_lock<std::mutex> lock(s.eventLock);
            s.eventSignal.wait(lock, [&] { return s.eventPending || Stopped(); });
            s.eventPending = false;
        }
        s.Log("Thread received requests pending event");
        if (Stopped())
            break;

        int key = 0;
        if (!TakeNext(0, &key))
            break;
        while (key != 0 && !Stopped()) {
            s.Log("*** Requesting icon %d", key);
            const Outcome outcome = Fetch(key);
            if (outcome == Outcome::Cancelled)
                break;
            if (outcome == Outcome::Failed) {
                if (++failuresInRow >= s.failuresBeforeSwitch) {
                    SwitchAccessType();
                    failuresInRow = 0;
                }
            } else {
                failuresInRow = 0;
            }
            // Failures are news too: their rows turn from loading to error.
            unreported = true;
            if (!TakeNext(key, &key))
                break;
            const qint64 now = s.Now();
            if (unreported && (key == 0 || now - lastPost >= s.postMs)) {
                Post(key);
                lastPost = now;
                unreported = false;
            }
        }
        if (Stopped())
            break;
        s.Log("Icon request set is empty");
    }
    s.Log("Thread is returning");
    if (m_session)
        s.Log("Closing m_hSession = %p", static_cast<void*>(m_session.get()));
}

CIconManager::CIconManager() : CIconManager(Config()) {}

CIconManager::CIconManager(const Config& config) : m_shared(std::make_shared<Shared>()) {
    Shared& s = *m_shared;
    s.clock = config.clock ? config.clock : Clock([] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    });
    s.stuckMs = config.stuckSeconds * 1000;
    s.pollMs = std::max(1, config.pollMilliseconds);
    s.postMs = config.postSeconds * 1000;
    s.failuresBeforeSwitch = std::max(1, config.failuresBeforeSwitch);
    s.limits = config.limits;
    s.settings = config.settings ? config.settings : &GetSettingsStore();

    // 1. The icons, made here on the GUI thread.
    m_loadingIcon = ResourceIcon(QStringLiteral("usericon-loading.ico"), QColor(200, 200, 200));
    m_errorIcon = ResourceIcon(QStringLiteral("usericon-error.ico"), QColor(204, 40, 40));
    m_blankIcon = ResourceIcon(QStringLiteral("usericon-blank.ico"), QColor(215, 215, 215));
    m_guard = std::make_unique<QObject>();
    s.postUpdate = [guard = m_guard.get(), this](int nextKey) {
        platform::PostCall(guard, [this, nextKey] { DeliverUpdate(nextKey); });
    };

    // 2. The access type and the session.
    const int access = s.settings->GetAppProfileInt(kSection, QStringLiteral("AccessType"), 0);
    s.accessType = access == int(HttpAccessType::Direct) ? access : int(HttpAccessType::Preconfig);
    m_spareSession = std::make_unique<CHttpSession>(kAgent, HttpAccessType(s.accessType.load()), s.limits);
    s.webHost = NormaliseWebHost(config.webHost);

    // 3. The cache folder and the log.
    OpenCacheAndLog();

    // 4.
    s.Log("Icon Manager constructed");
    s.Log("m_hSession = %p", static_cast<void*>(m_spareSession.get()));
    s.Log("Icon path name = %s", qPrintable(s.cacheFolder));
    s.Log(s.accessType == int(HttpAccessType::Direct) ? "Using DIRECT access type" : "Using PRECONFIG access type");
}

void CIconManager::OpenCacheAndLog() {
    Shared& s = *m_shared;
    QString folder = s.settings->GetAppProfileString(kSection, QStringLiteral("UserIconDir"), QString());
    const bool isDefault = folder.isEmpty();
    if (isDefault)
        folder = platform::UserDataDir() + QStringLiteral("UserIcons/");
    if (!folder.endsWith('/'))
        folder += '/';
    s.cacheFolder = folder;
    const bool existed = QDir(folder).exists();
    if (!existed && QDir().mkpath(folder) && isDefault && s.settings->InstallDirFound())
        s.settings->WriteAppProfileString(kSection, QStringLiteral("UserIconDir"), folder);

    if (s.settings->GetAppProfileInt(kSection, QStringLiteral("Log"), 0) == 0)
        return;
    // Colons have no place in a file name: the time is written with dashes, after an underscore.
    const QDateTime now = QDateTime::currentDateTime();
    s.logPath = folder + QStringLiteral("iconlog%1%2.txt")
                             .arg(now.toString(QStringLiteral("yyyy-MM-dd")), now.toString(QStringLiteral("_HH-mm-ss")));
    const QByteArray path = QFile::encodeName(s.logPath);
    std::lock_guard<std::mutex> lock(LogLock());
    s.logFile = std::fopen(path.constData(), "w");
    if (!s.logFile) {
        QDir().mkpath(folder);
        s.logFile = std::fopen(path.constData(), "w");
    }
    if (!s.logFile) {
        platform::ui().MessageBox(nullptr, QStringLiteral("Unable to open Icon Manager log file"),
                                  QCoreApplication::applicationName(), platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    s.logging = true;
}

CIconManager::~CIconManager() {
    Shared& s = *m_shared;
    StopWorker();
    if (m_spareSession)
        s.Log("Closing m_hSession = %p", static_cast<void*>(m_spareSession.get()));
    m_spareSession.reset();
    {
        // From here on no worker writes settings or posts: the guard and this object are going.
        std::lock_guard<std::mutex> lock(s.outletLock);
        s.outletClosed = true;
        s.postUpdate = nullptr;
    }
    s.settings->WriteAppProfileInt(kSection, QStringLiteral("AccessType"), s.accessType.load());
    s.Log("Icon Manager destructed - closing log file");
    std::lock_guard<std::mutex> lock(LogLock());
    s.logging = false;
    if (s.logFile) {
        std::fclose(s.logFile);
        s.logFile = nullptr;
    }
}

void CIconManager::StopWorker() {
    if (!m_worker)
        return;
    Shared& s = *m_shared;
    s.Log("Shutting icon downloader thread down");
    {
        std::lock_guard<std::mutex> lock(s.requestLock);
        if (s.requests.empty())
            s.lastActivity = s.Now();
    }
    s.run = false;
    // The program is ending: a half-fetched icon is fetched again next time, so the transfer in
    // flight is stopped now rather than awaited.
    m_worker->cancel->Cancel();
    s.SignalEvent();
    const auto started = std::chrono::steady_clock::now();
    for (int polls = 1;; ++polls) {
        if (m_worker->done->WaitFor(s.pollMs)) {
            m_worker->thread.join();
            break;
        }
        qint64 idle;
        {
            std::lock_guard<std::mutex> lock(s.requestLock);
            idle = s.Now() - s.lastActivity;
        }
        if (idle >= s.stuckMs || std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(s.stuckMs)) {
            s.Log("*** Terminating thread");
            m_worker->thread.detach(); // it holds what it needs and ends on its own
            break;
        }
        if (polls % 4 == 0)
            s.Log("Waiting for thread to die naturally");
    }
    m_worker.reset();
}

bool CIconManager::MakeKey(int number, int version, int* key) {
    if (number <= 0 || version < 0 || version > 999)
        return false;
    const qint64 wide = qint64(number) * 1000 + version;
    if (wide > INT_MAX)
        return false;
    *key = int(wide);
    return true;
}

QPixmap CIconManager::PixmapFor(int key) {
    auto it = m_pixmaps.find(key);
    if (it != m_pixmaps.end())
        return it->second;
    QImage image;
    {
        std::lock_guard<std::mutex> lock(m_shared->tableLock);
        auto entry = m_shared->table.find(key);
        if (entry == m_shared->table.end())
            return {};
        image = entry->second.image;
    }
    const QPixmap pixmap = image.isNull() ? m_errorIcon : QPixmap::fromImage(image);
    m_pixmaps.emplace(key, pixmap);
    return pixmap;
}

QPixmap CIconManager::GetIcon(int number, int version) {
    Shared& s = *m_shared;
    int key = 0;
    if (!MakeKey(number, version, &key))
        return {};

    if (QPixmap held = PixmapFor(key); !held.isNull()) {
        s.Log("Returning icon we already have in table: %d", key);
        return held;
    }
    {
        std::lock_guard<std::mutex> lock(s.requestLock);
        if (std::find(s.requests.begin(), s.requests.end(), key) != s.requests.end()) {
            s.Log("Returning loading icon for %d -- already in request set", key);
            return m_loadingIcon;
        }
    }

    // Cached by an earlier run: the file is always the key's own name in today's cache folder; the
    // registered path only says that there is one.
    const QString registered = s.settings->GetAppProfileString(kSection, RegisteredPathName(key), QString());
    const int storedVersion = s.settings->GetAppProfileInt(kSection, RegisteredVersionName(key), -1);
    if (!registered.isEmpty() && storedVersion == version) {
        const QImage image = DecodeIconFile(s.cacheFolder + CacheFileName(key));
        if (!image.isNull()) {
            s.PutInTable(key, image);
            const QPixmap pixmap = QPixmap::fromImage(image);
            m_pixmaps.emplace(key, pixmap);
            s.Log("Returning registered icon: %d", key);
            return pixmap;
        }
        s.Log("LoadIconFromLocalFile failed for icon %d", key);
    }

    bool noHost = false;
    bool stuck = false;
    int stuckKey = 0;
    {
        std::lock_guard<std::mutex> lock(s.requestLock);
        noHost = s.webHost.isEmpty();
        if (!noHost) {
            const qint64 now = s.Now();
            if (!s.requests.empty() && m_worker && now - s.lastActivity >= s.stuckMs) {
                // The worker has taken nothing for too long: it is given up, and the key it hangs on
                // is not tried again (it would only hang the next worker too).
                stuck = true;
                stuckKey = s.currentKey;
                s.requests.erase(std::remove(s.requests.begin(), s.requests.end(), stuckKey), s.requests.end());
                s.currentKey = 0;
                ++s.generation;
                s.lastActivity = now;
            } else if (s.requests.empty()) {
                s.lastActivity = now;
            }
            s.requests.push_back(key);
        }
    }
    if (noHost)
        return {};
    s.Log("Adding icon %d to request set", key);
    if (stuck)
        AbandonWorker(stuckKey);
    if (!m_worker)
        StartWorker();
    s.SignalEvent();
    s.Log("Returning loading icon for new request %d", key);
    return m_loadingIcon;
}

void CIconManager::AbandonWorker(int stuckKey) {
    Shared& s = *m_shared;
    s.Log("*** Terminating thread");
    m_worker->cancel->Cancel();
    s.SignalEvent();
    m_worker->thread.detach();
    m_worker.reset();
    if (stuckKey != 0)
        s.PutInTable(stuckKey, QImage());
}

void CIconManager::StartWorker() {
    Shared& s = *m_shared;
    s.Log("*** Starting new downloader thread");
    s.run = true;
    quint64 generation;
    {
        std::lock_guard<std::mutex> lock(s.requestLock);
        s.lastActivity = s.Now();
        generation = s.generation.load();
    }
    std::unique_ptr<CHttpSession> session = std::move(m_spareSession);
    if (!session || session->Access() != HttpAccessType(s.accessType.load()))
        session = std::make_unique<CHttpSession>(kAgent, HttpAccessType(s.accessType.load()), s.limits);
    m_worker = std::make_unique<Worker>();
    auto worker = std::make_shared<IconWorker>(m_shared, generation, m_worker->cancel, std::move(session));
    try {
        m_worker->thread = std::thread([worker, done = m_worker->done] {
            worker->Run();
            done->Set();
        });
    } catch (const std::system_error& error) {
        // Out of threads: the requests wait, and the next new request tries again.
        s.Log("Could not start the downloader thread: %s", error.what());
        m_worker.reset();
    }
}

void CIconManager::DeliverUpdate(int nextKey) {
    CIconUpdateInfo info(nextKey);
    BroadcastToApplicationWindows(QStringLiteral("KELDERWICK_UPDATE_ICON"), 0, &info);
}

void CIconManager::SetWebHost(const QString& base) {
    const QString host = NormaliseWebHost(base);
    {
        std::lock_guard<std::mutex> lock(m_shared->requestLock);
        if (m_shared->webHost == host)
            return;
        m_shared->webHost = host;
    }
    // Rows that got no icon for want of a host may now ask again.
    platform::PostCall(m_guard.get(), [this] { DeliverUpdate(0); });
}

QString CIconManager::WebHost() const {
    std::lock_guard<std::mutex> lock(m_shared->requestLock);
    return m_shared->webHost;
}

void CIconManager::Log(const char* format, ...) const {
    va_list args;
    va_start(args, format);
    m_shared->LogV(format, args);
    va_end(args);
}

QString CIconManager::CacheFolder() const { return m_shared->cacheFolder; }
HttpAccessType CIconManager::AccessType() const { return HttpAccessType(m_shared->accessType.load()); }
bool CIconManager::IsLogging() const { return m_shared->logging.load(); }
QString CIconManager::LogFilePath() const { return m_shared->logPath; }

namespace {
CIconManager* g_iconManager = nullptr;
}

CIconManager& GetIconManager() {
    if (!g_iconManager) {
        g_iconManager = new CIconManager();
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, &DeleteIconManager);
    }
    return *g_iconManager;
}

void DeleteIconManager() {
    delete g_iconManager;
    g_iconManager = nullptr;
}
