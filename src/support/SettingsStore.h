#pragma once

#include "platform/Geometry.h"

#include <QString>
#include <QtGlobal>

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
    bool Save();

private:
    platform::Registry& m_registry;
    QString m_user;
    bool m_installDirFound = false;
};

// The one process-wide store, on the settings file under $NORVALE_HOME (made on first use).
CSettingsStore& GetSettingsStore();
