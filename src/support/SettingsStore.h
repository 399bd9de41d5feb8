#pragma once

#include "platform/Geometry.h"

#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QTimer;

namespace platform {
class Object;
class Registry;
}

// The program's settings, kept as the original kept them in the registry: a tree per user (chosen at
// login) and the "MOST_RECENT" tree that holds the latest values of any user. Reads try the user's tree,
// then "MOST_RECENT" (unless user-only), then the default; writes go to both trees. Before a user is set
// there is no user tree: reads and writes use "MOST_RECENT" alone.
// Sections and value names compare without regard to case. Integers are 32 raw bits: a value written
// as -1 reads back as 0xFFFFFFFF through GetUInt. A value of the wrong type reads as the default.
// Thread-safe: the icon worker reads and writes the application profile.
//
// Layout in the registry tree (platform::Registry), below the user's root:
//   Software\Harrowgate\Norvale\<nickname>\<section>     the user's tree
//   Software\Harrowgate\Norvale\MOST_RECENT\<section>    the "MOST_RECENT" tree
//   Software\Harrowgate\Norvale Client\<section>         the application profile
// No nickname can be "MOST_RECENT" (nicknames hold no '_'); a '\' in one would be taken as '_'.
// Values are DWORDs (integers, switches as 0/1, unsigned masks and colours) or strings (texts and
// rectangles). Each change schedules a save of the whole file a second later on the GUI thread
// (changes in between share it); the file is also written when the application quits and when the
// store is destroyed.
class CSettingsStore {
public:
    explicit CSettingsStore(platform::Registry& registry);
    ~CSettingsStore();

    // The nickname whose tree reads and writes use; empty for none.
    void SetUser(const QString& nickname);
    QString GetUser() const;

    int GetIntEx(const QString& section, const QString& name, int defaultValue, bool userOnly = false) const;
    bool GetBool(const QString& section, const QString& name, bool defaultValue, bool userOnly = false) const;
    quint32 GetUInt(const QString& section, const QString& name, quint32 defaultValue) const;
    QString GetString(const QString& section, const QString& name, const QString& defaultValue = QString(),
                      bool userOnly = false) const;

    void WriteInt(const QString& section, const QString& name, int value);
    void WriteUInt(const QString& section, const QString& name, quint32 value);
    void WriteBool(const QString& section, const QString& name, bool value);
    void WriteString(const QString& section, const QString& name, const QString& value);
    // Deletes from both trees; a missing value is no error.
    void DeleteValue(const QString& section, const QString& name);

    // "MOST_RECENT" only.
    int GetRecentInt(const QString& section, const QString& name, int defaultValue) const;
    QString GetRecentString(const QString& section, const QString& name, const QString& defaultValue) const;
    void WriteRecentInt(const QString& section, const QString& name, int value);
    void WriteRecentString(const QString& section, const QString& name, const QString& value);

    // The application's own profile, outside the per-user trees.
    int GetAppProfileInt(const QString& section, const QString& name, int defaultValue) const;
    QString GetAppProfileString(const QString& section, const QString& name, const QString& defaultValue) const;
    void WriteAppProfileInt(const QString& section, const QString& name, int value);
    void WriteAppProfileString(const QString& section, const QString& name, const QString& value);

    // Object forms: the section is the object's runtime class name; a null object reads the default
    // and writes nothing.
    int GetObjectInt(const platform::Object* object, const QString& name, int defaultValue) const;
    bool GetObjectBool(const platform::Object* object, const QString& name, bool defaultValue,
                       bool userOnly = false) const;
    QString GetObjectString(const platform::Object* object, const QString& name,
                            const QString& defaultValue = QString()) const;
    // Stored as "%d %d %d %d" (left right top bottom); kept only when it overlaps the desktop and is
    // no larger than it, else the default.
    platform::Rect GetObjectRect(const platform::Object* object, const QString& name,
                                 const platform::Rect& defaultValue) const;
    void WriteObjectInt(const platform::Object* object, const QString& name, int value);
    void WriteObjectString(const platform::Object* object, const QString& name, const QString& value);
    void WriteObjectRect(const platform::Object* object, const QString& name, const platform::Rect& rect);

    // A folder ending with '/': "PathNames"/name of "MOST_RECENT" when set, else the per-user data
    // folder plus the sub-folder (the folder itself for empty arguments).
    QString GetPathName(const QString& name = QString(), const QString& subFolder = QString()) const;
    // Whether "PathNames"/"InstallDir" was found non-empty when the store was made.
    bool InstallDirFound() const { return m_installDirFound; }

    // Writes the settings file now (it is also written shortly after each change and at exit).
    // When the settings grow past what the file may hold, the last file is kept and the handler of
    // SetSaveRefusedHandler hears of it once (GUI thread, or the thread of the save).
    bool Save();
    void SetSaveRefusedHandler(std::function<void(const QString& text)> handler);
    static QString SaveRefusedText(const QString& file);

    // How long after a change the file is written (1000 ms; tests shorten it). GUI thread only.
    void SetSaveDelay(int milliseconds);

    // The tree under the store (tests empty it between cases).
    platform::Registry& GetRegistry() const { return m_registry; }

    // The sections' keys in the tree.
    static QString UserKey(const QString& nickname, const QString& section);
    static QString RecentKey(const QString& section);
    static QString AppProfileKey(const QString& section);

private:
    QString userKey(const QString& section) const;
    std::optional<quint32> readDWord(const QString& section, const QString& name, bool userOnly) const;
    std::optional<QString> readString(const QString& section, const QString& name, bool userOnly) const;
    void writeDWord(const QString& section, const QString& name, quint32 value);
    void writeString(const QString& section, const QString& name, const QString& value);
    void onRegistryChanged();
    void startSaveTimer();

    platform::Registry& m_registry;
    mutable std::mutex m_userMutex;
    QString m_user;
    bool m_installDirFound = false;
    int m_saveDelayMs = 1000;
    QPointer<QTimer> m_saveTimer;              // GUI thread only
    std::atomic<bool> m_saveRequested{false};  // a worker's change is on its way to the GUI thread
    std::shared_ptr<int> m_alive;              // guards calls queued to the GUI thread
    std::mutex m_refusedMutex;
    std::function<void(const QString&)> m_saveRefusedHandler;
    bool m_toldRefused = false;
};

// The one process-wide store, on the settings file $NORVALE_HOME/settings.reg (made on first use,
// written at exit).
CSettingsStore& GetSettingsStore();
