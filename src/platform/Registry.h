#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// The settings tree the program keeps in place of the system registry: keys hold sub-keys and typed
// values (32-bit DWORDs and strings). Key and value names compare without regard to case and keep
// the spelling they were first given. Key paths are relative to the user's root and separate their
// elements with '\' ("Software\Harrowgate\Norvale\MOST_RECENT\CChatView"); empty elements are ignored
// and control characters in key names become '?'. A key holds at most kMaxKeyDepth elements of at most
// kMaxKeyNameLength characters each; longer or deeper keys are not stored (nor read from a file). An
// empty value name is the key's default value.
//
// The tree lives in memory; Save() writes it to its file in the layout of a registry export:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Harrowgate\Norvale\MOST_RECENT\CChatView]
//   "nFontSize"=dword:0000000c
//   "Font"="Arial"
//   @="default value"
//
// in UTF-8, keys and values sorted by name; a key that holds only sub-keys has no section of its own
// (its sub-keys make it again). Inside quotes '\' escapes '\' and '"'; line feeds,
// carriage returns and tabs are written "\n", "\r", "\t", other control characters "\xHH".
// Saving is atomic: a temporary file in the same folder is written, flushed to disk and renamed over
// the old file, so an interrupted save leaves the previous file whole.
// Loading is lenient and goes line by line: lines that cannot be read are skipped (values of other
// types among them), and the file as it was is then kept beside it as "<file>.damaged" before
// anything overwrites it. A file larger than kMaxFileSize is damaged as a whole: it is moved aside to
// "<file>.damaged" unread and the tree starts empty. So that what is written is always read back, a
// save whose text would pass kMaxFileSize is refused: the last file written stays as it was.
//
// Every operation is thread-safe.
class Registry {
public:
    enum class ValueType { DWord, String };

    static constexpr int kMaxKeyNameLength = 255;
    static constexpr int kMaxKeyDepth = 512;
    // Far above any real settings file.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // Whether a key of these elements can be stored.
    static bool IsValidKeyPath(const QStringList& elements);

    // A tree kept in memory only when filePath is empty.
    explicit Registry(const QString& filePath = QString());
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    QString FilePath() const { return m_filePath; }

    // Replaces the tree with the file's contents. A missing file gives an empty tree and true. When
    // the file exists but cannot be read, the tree is left alone, false is returned, and Save()
    // refuses to write over that file from then on.
    bool Load();
    // Writes the file now (nothing to do in memory-only mode) -> false when it could not be written;
    // the tree then stays marked as modified, and LastSaveFailure() says why.
    bool Save();
    enum class SaveFailure { None, TooLarge, CannotWrite };
    SaveFailure LastSaveFailure() const;
    // Whether the tree changed since it was last loaded or saved.
    bool IsModified() const;
    // Lines that the last Load() or ImportText() skipped (1 for a file too large to read).
    int SkippedLineCount() const;
    // What the last Load() found wrong with the file; the file as it was is then "<file>.damaged".
    enum class Damage { None, Lines, WholeFile };
    Damage LastLoadDamage() const;

    // A value of the other type reads as absent.
    std::optional<quint32> GetDWord(const QString& key, const QString& name) const;
    std::optional<QString> GetString(const QString& key, const QString& name) const;
    std::optional<ValueType> GetType(const QString& key, const QString& name) const;
    // Creates the key and its parents as needed; replaces a value of either type. Nothing is stored
    // under a key that IsValidKeyPath() refuses.
    void SetDWord(const QString& key, const QString& name, quint32 value);
    void SetString(const QString& key, const QString& name, const QString& value);
    // -> whether there was such a value.
    bool DeleteValue(const QString& key, const QString& name);
    // Deletes the key with its sub-keys and values -> whether there was such a key.
    bool DeleteKey(const QString& key);
    bool KeyExists(const QString& key) const;
    QStringList SubKeyNames(const QString& key) const;
    QStringList ValueNames(const QString& key) const;
    // Empties the tree.
    void Clear();

    // The file's text for the whole tree.
    QByteArray ExportText() const;
    // Merges a file's text into the tree (values in it replace those in memory) -> lines skipped.
    int ImportText(const QByteArray& text);

    // Called after every change, on the thread that made it and with no lock held.
    void SetChangeHandler(std::function<void()> handler);

private:
    struct Node;
    class TextParser;

    QByteArray exportLocked() const;
    void setValue(const QString& key, const QString& name, ValueType type, quint32 dword, const QString& text);
    void changed();

    QString m_filePath;
    mutable std::mutex m_mutex;       // guards the tree and the flags
    std::mutex m_saveMutex;           // one save at a time, each writing the latest tree
    std::unique_ptr<Node> m_root;
    bool m_modified = false;
    bool m_loadFailed = false;
    int m_skippedLines = 0;
    Damage m_damage = Damage::None;
    SaveFailure m_saveFailure = SaveFailure::None;
    std::mutex m_handlerMutex;
    std::function<void()> m_changeHandler;
};

} // namespace platform
