#include "support/SettingsStore.h"

#include "platform/Object.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QThread>
#include <QTimer>

namespace {

const QString kProgramKey = QStringLiteral("Software\\Harrowgate\\Norvale");
const QString kAppProfileKey = QStringLiteral("Software\\Harrowgate\\Norvale Client");
const QString kRecentTree = QStringLiteral("MOST_RECENT");
const QString kPathNames = QStringLiteral("PathNames");
const QString kSettingsFileName = QStringLiteral("settings.reg");

QString sectionOf(const platform::Object* object) { return QString::fromLatin1(object->RuntimeClassName()); }

QString asFolder(QString path) {
    path.replace(u'\\', u'/');
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The virtual desktop (every screen), when there is a GUI to ask.
std::optional<platform::Rect> desktopRect() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return platform::Rect::FromQRect(screen->virtualGeometry());
}

bool parseRect(const QString& text, platform::Rect& rect) {
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return false;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return false;
    }
    rect = {numbers[0], numbers[2], numbers[1], numbers[3]}; // stored left, right, top, bottom
    return true;
}

} // namespace

CSettingsStore::CSettingsStore(platform::Registry& registry)
    : m_registry(registry), m_alive(std::make_shared<int>(0)) {
    m_installDirFound = !m_registry.GetString(RecentKey(kPathNames), QStringLiteral("InstallDir"))
                             .value_or(QString())
                             .isEmpty();
    m_registry.SetChangeHandler([this] { onRegistryChanged(); });
}

CSettingsStore::~CSettingsStore() {
    m_registry.SetChangeHandler(nullptr);
    m_alive.reset();
    if (m_saveTimer) {
        if (onGuiThread())
            delete m_saveTimer.data();
        else
            m_saveTimer->deleteLater();
    }
    if (m_registry.IsModified())
        m_registry.Save();
}

QString CSettingsStore::UserKey(const QString& nickname, const QString& section) {
    QString user = nickname;
    user.replace(u'\\', u'_');
    return kProgramKey + u'\\' + user + u'\\' + section;
}

QString CSettingsStore::RecentKey(const QString& section) { return kProgramKey + u'\\' + kRecentTree + u'\\' + section; }

QString CSettingsStore::AppProfileKey(const QString& section) { return kAppProfileKey + u'\\' + section; }

void CSettingsStore::SetUser(const QString& nickname) {
    std::lock_guard lock(m_userMutex);
    m_user = nickname;
}

QString CSettingsStore::GetUser() const {
    std::lock_guard lock(m_userMutex);
    return m_user;
}

QString CSettingsStore::userKey(const QString& section) const {
    const QString user = GetUser();
    return user.isEmpty() ? QString() : UserKey(user, section);
}

std::optional<quint32> CSettingsStore::readDWord(const QString& section, const QString& name, bool userOnly) const {
    const QString key = userKey(section);
    if (key.isEmpty())
        return m_registry.GetDWord(RecentKey(section), name);
    if (const auto value = m_registry.GetDWord(key, name))
        return value;
    return userOnly ? std::nullopt : m_registry.GetDWord(RecentKey(section), name);
}

std::optional<QString> CSettingsStore::readString(const QString& section, const QString& name, bool userOnly) const {
    const QString key = userKey(section);
    if (key.isEmpty())
        return m_registry.GetString(RecentKey(section), name);
    if (auto value = m_registry.GetString(key, name))
        return value;
    return userOnly ? std::nullopt : m_registry.GetString(RecentKey(section), name);
}

void CSettingsStore::writeDWord(const QString& section, const QString& name, quint32 value) {
    const QString key = userKey(section);
    if (!key.isEmpty())
        m_registry.SetDWord(key, name, value);
    m_registry.SetDWord(RecentKey(section), name, value);
}

void CSettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    const QString key = userKey(section);
    if (!key.isEmpty())
        m_registry.SetString(key, name, value);
    m_registry.SetString(RecentKey(section), name, value);
}

int CSettingsStore::GetIntEx(const QString& section, const QString& name, int defaultValue, bool userOnly) const {
    return int(readDWord(section, name, userOnly).value_or(quint32(defaultValue)));
}

bool CSettingsStore::GetBool(const QString& section, const QString& name, bool defaultValue, bool userOnly) const {
    const auto value = readDWord(section, name, userOnly);
    return value ? *value != 0 : defaultValue;
}

quint32 CSettingsStore::GetUInt(const QString& section, const QString& name, quint32 defaultValue) const {
    return readDWord(section, name, false).value_or(defaultValue);
}

QString CSettingsStore::GetString(const QString& section, const QString& name, const QString& defaultValue,
                                  bool userOnly) const {
    return readString(section, name, userOnly).value_or(defaultValue);
}

void CSettingsStore::WriteInt(const QString& section, const QString& name, int value) {
    writeDWord(section, name, quint32(value));
}

void CSettingsStore::WriteUInt(const QString& section, const QString& name, quint32 value) {
    writeDWord(section, name, value);
}

void CSettingsStore::WriteBool(const QString& section, const QString& name, bool value) {
    writeDWord(section, name, value ? 1 : 0);
}

void CSettingsStore::WriteString(const QString& section, const QString& name, const QString& value) {
    writeString(section, name, value);
}

void CSettingsStore::DeleteValue(const QString& section, const QString& name) {
    const QString key = userKey(section);
    if (!key.isEmpty())
        m_registry.DeleteValue(key, name);
    m_registry.DeleteValue(RecentKey(section), name);
}

int CSettingsStore::GetRecentInt(const QString& section, const QString& name, int defaultValue) const {
    return int(m_registry.GetDWord(RecentKey(section), name).value_or(quint32(defaultValue)));
}

QString CSettingsStore::GetRecentString(const QString& section, const QString& name,
                                        const QString& defaultValue) const {
    return m_registry.GetString(RecentKey(section), name).value_or(defaultValue);
}

void CSettingsStore::WriteRecentInt(const QString& section, const QString& name, int value) {
    m_registry.SetDWord(RecentKey(section), name, quint32(value));
}

void CSettingsStore::WriteRecentString(const QString& section, const QString& name, const QString& value) {
    m_registry.SetString(RecentKey(section), name, value);
}

int CSettingsStore::GetAppProfileInt(const QString& section, const QString& name, int defaultValue) const {
    return int(m_registry.GetDWord(AppProfileKey(section), name).value_or(quint32(defaultValue)));
}

QString CSettingsStore::GetAppProfileString(const QString& section, const QString& name,
                                            const QString& defaultValue) const {
    return m_registry.GetString(AppProfileKey(section), name).value_or(defaultValue);
}

void CSettingsStore::WriteAppProfileInt(const QString& section, const QString& name, int value) {
    m_registry.SetDWord(AppProfileKey(section), name, quint32(value));
}

void CSettingsStore::WriteAppProfileString(const QString& section, const QString& name, const QString& value) {
    m_registry.SetString(AppProfileKey(section), name, value);
}

int CSettingsStore::GetObjectInt(const platform::Object* object, const QString& name, int defaultValue) const {
    return object ? GetIntEx(sectionOf(object), name, defaultValue) : defaultValue;
}

bool CSettingsStore::GetObjectBool(const platform::Object* object, const QString& name, bool defaultValue,
                                   bool userOnly) const {
    return object ? GetBool(sectionOf(object), name, defaultValue, userOnly) : defaultValue;
}

QString CSettingsStore::GetObjectString(const platform::Object* object, const QString& name,
                                        const QString& defaultValue) const {
    return object ? GetString(sectionOf(object), name, defaultValue) : defaultValue;
}

platform::Rect CSettingsStore::GetObjectRect(const platform::Object* object, const QString& name,
                                             const platform::Rect& defaultValue) const {
    if (!object)
        return defaultValue;
    const auto text = readString(sectionOf(object), name, false);
    platform::Rect rect;
    if (!text || !parseRect(*text, rect) || rect.IsEmpty())
        return defaultValue;
    if (const auto desktop = desktopRect()) {
        const bool overlaps = qMax(rect.left, desktop->left) < qMin(rect.right, desktop->right) &&
                              qMax(rect.top, desktop->top) < qMin(rect.bottom, desktop->bottom);
        if (!overlaps || rect.Width() > desktop->Width() || rect.Height() > desktop->Height())
            return defaultValue;
    }
    return rect;
}

void CSettingsStore::WriteObjectInt(const platform::Object* object, const QString& name, int value) {
    if (object)
        WriteInt(sectionOf(object), name, value);
}

void CSettingsStore::WriteObjectString(const platform::Object* object, const QString& name, const QString& value) {
    if (object)
        WriteString(sectionOf(object), name, value);
}

void CSettingsStore::WriteObjectRect(const platform::Object* object, const QString& name, const platform::Rect& rect) {
    if (!object)
        return;
    const QString text = QStringLiteral("%1 %2 %3 %4").arg(rect.left).arg(rect.right).arg(rect.top).arg(rect.bottom);
    WriteString(sectionOf(object), name, text);
}

QString CSettingsStore::GetPathName(const QString& name, const QString& subFolder) const {
    if (!name.isEmpty()) {
        const QString stored = GetRecentString(kPathNames, name, QString());
        if (!stored.isEmpty())
            return asFolder(stored);
    }
    QString path = platform::UserDataDir();
    if (!subFolder.isEmpty()) {
        path = asFolder(path + subFolder);
        QDir().mkpath(path);
    }
    return path;
}

bool CSettingsStore::Save() {
    if (m_registry.Save())
        return true;
    if (m_registry.LastSaveFailure() != platform::Registry::SaveFailure::TooLarge)
        return false;
    std::function<void(const QString&)> handler;
    {
        std::lock_guard lock(m_refusedMutex);
        if (m_toldRefused)
            return false;
        m_toldRefused = true;
        handler = m_saveRefusedHandler;
    }
    const QString text = SaveRefusedText(m_registry.FilePath());
    if (handler)
        handler(text);
    else
        qWarning("%s", qUtf8Printable(text));
    return false;
}

void CSettingsStore::SetSaveRefusedHandler(std::function<void(const QString&)> handler) {
    std::lock_guard lock(m_refusedMutex);
    m_saveRefusedHandler = std::move(handler);
}

QString CSettingsStore::SaveRefusedText(const QString& file) {
    return QStringLiteral("Your settings have grown larger than the settings file \"%1\" may be, so the latest "
                          "changes were not saved; the file keeps the settings it had. Remove what you no longer "
                          "need (long lists, macros or saved texts) so that your settings can be saved again.")
        .arg(QDir::toNativeSeparators(file));
}

void CSettingsStore::SetSaveDelay(int milliseconds) {
    m_saveDelayMs = qMax(0, milliseconds);
    if (m_saveTimer)
        m_saveTimer->setInterval(m_saveDelayMs);
}

void CSettingsStore::onRegistryChanged() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return; // no event loop to save from: the file is written when the store goes
    if (onGuiThread()) {
        startSaveTimer();
        return;
    }
    if (m_saveRequested.exchange(true))
        return;
    std::weak_ptr<int> alive = m_alive;
    QMetaObject::invokeMethod(
        app,
        [this, alive] {
            if (alive.expired())
                return;
            m_saveRequested = false;
            startSaveTimer();
        },
        Qt::QueuedConnection);
}

void CSettingsStore::startSaveTimer() {
    if (!m_saveTimer) {
        QCoreApplication* app = QCoreApplication::instance();
        auto* timer = new QTimer(app);
        timer->setSingleShot(true);
        timer->setInterval(m_saveDelayMs);
        QObject::connect(timer, &QTimer::timeout, timer, [this] { Save(); });
        // Whatever is still unsaved when the application quits goes to the file then.
        QObject::connect(app, &QCoreApplication::aboutToQuit, timer, [this] {
            if (m_registry.IsModified())
                Save();
        });
        m_saveTimer = timer;
    }
    if (!m_saveTimer->isActive())
        m_saveTimer->start();
}

CSettingsStore& GetSettingsStore() {
    struct Holder {
        platform::Registry registry;
        CSettingsStore store;

        static platform::Registry& loaded(platform::Registry& registry) {
            registry.Load();
            return registry;
        }
        Holder() : registry(platform::UserDataDir() + kSettingsFileName), store(loaded(registry)) {}
    };
    static Holder holder;
    return holder.store;
}
