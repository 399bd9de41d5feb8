#include "platform/Registry.h"

#include <QFile>
#include <QFileInfo>

#include <map>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kHeader[] = "REGEDIT4";
constexpr char kRoot[] = "HKEY_CURRENT_USER";
// Larger files are not settings files; reading one whole would only waste memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

QString fold(const QString& name) { return name.toCaseFolded(); }

QStringList splitKey(const QString& key) {
    QStringList elements = key.split(u'\\', Qt::SkipEmptyParts);
    for (QString& element : elements) {
        for (QChar& ch : element) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
                ch = u'?';
        }
    }
    return elements;
}

void appendQuoted(QByteArray& out, const QString& text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    qsizetype plainStart = 0; // characters that need no escape go out as one run, pairs kept whole
    const auto flushPlain = [&](qsizetype end) {
        out += QStringView(text).mid(plainStart, end - plainStart).toUtf8();
        plainStart = end + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x20 && c != 0x7F && c != u'\\' && c != u'"')
            continue;
        flushPlain(i);
        switch (c) {
        case u'\\': out += "\\\\"; break;
        case u'"': out += "\\\""; break;
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\t': out += "\\t"; break;
        default:
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    flushPlain(text.size());
    out += '"';
}

int hexDigit(QChar ch) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads a quoted text at pos; pos moves past the closing quote. False when the quotes do not close.
bool readQuoted(const QString& line, qsizetype& pos, QString& result) {
    if (pos >= line.size() || line.at(pos) != u'"')
        return false;
    QString value;
    for (qsizetype p = pos + 1; p < line.size(); ++p) {
        QChar ch = line.at(p);
        if (ch == u'"') {
            result = value;
            pos = p + 1;
            return true;
        }
        if (ch != u'\\') {
            value += ch;
            continue;
        }
        if (++p >= line.size())
            return false;
        ch = line.at(p);
        switch (ch.unicode()) {
        case u'n': value += u'\n'; break;
        case u'r': value += u'\r'; break;
        case u't': value += u'\t'; break;
        case u'x': {
            const int high = p + 1 < line.size() ? hexDigit(line.at(p + 1)) : -1;
            const int low = p + 2 < line.size() ? hexDigit(line.at(p + 2)) : -1;
            if (high < 0 || low < 0)
                return false;
            value += QChar(char16_t(high * 16 + low));
            p += 2;
            break;
        }
        default: value += ch; // '\\', '"' and anything else stand for themselves
        }
    }
    return false;
}

bool parseDWord(QStringView text, quint32& result) {
    if (text.isEmpty() || text.size() > 8)
        return false;
    quint32 value = 0;
    for (const QChar ch : text) {
        const int digit = hexDigit(ch);
        if (digit < 0)
            return false;
        value = value * 16 + quint32(digit);
    }
    result = value;
    return true;
}

} // namespace

struct Registry::Node {
    struct Value {
        QString name;
        ValueType type = ValueType::DWord;
        quint32 dword = 0;
        QString text;
    };

    QString name;
    std::map<QString, std::unique_ptr<Node>> children; // by folded name
    std::map<QString, Value> values;                   // by folded name

    Node* child(const QString& elementName) const {
        const auto it = children.find(fold(elementName));
        return it == children.end() ? nullptr : it->second.get();
    }
    Node* childOrNew(const QString& elementName) {
        auto& slot = children[fold(elementName)];
        if (!slot) {
            slot = std::make_unique<Node>();
            slot->name = elementName;
        }
        return slot.get();
    }
    const Value* value(const QString& valueName) const {
        const auto it = values.find(fold(valueName));
        return it == values.end() ? nullptr : &it->second;
    }
    // -> whether anything changed.
    bool setValue(const QString& valueName, ValueType type, quint32 dword, const QString& text) {
        const QString key = fold(valueName);
        auto it = values.find(key);
        if (it == values.end()) {
            values.emplace(key, Value{valueName, type, dword, text});
            return true;
        }
        Value& v = it->second;
        if (v.type == type && (type == ValueType::DWord ? v.dword == dword : v.text == text))
            return false;
        v.type = type;
        v.dword = dword;
        v.text = text;
        return true;
    }

    void exportTo(QByteArray& out, const QString& path) const {
        if (!path.isEmpty()) {
            out += '[';
            out += path.toUtf8();
            out += "]\n";
            for (const auto& [folded, v] : values) {
                if (v.name.isEmpty())
                    out += '@';
                else
                    appendQuoted(out, v.name);
                out += '=';
                if (v.type == ValueType::DWord)
                    out += "dword:" + QByteArray::number(v.dword, 16).rightJustified(8, '0');
                else
                    appendQuoted(out, v.text);
                out += '\n';
            }
            out += '\n';
        }
        for (const auto& [folded, node] : children)
            node->exportTo(out, (path.isEmpty() ? QString::fromLatin1(kRoot) : path) + u'\\' + node->name);
    }

    static const Node* find(const Node* root, const QString& key) {
        const Node* node = root;
        for (const QString& element : splitKey(key)) {
            node = node->child(element);
            if (!node)
                return nullptr;
        }
        return node;
    }

    static Node* find(Node* root, const QString& key) {
        return const_cast<Node*>(find(static_cast<const Node*>(root), key));
    }

    static const Value* findValue(const Node* root, const QString& key, const QString& name) {
        const Node* node = find(root, key);
        return node ? node->value(name) : nullptr;
    }

    static Node* make(Node* root, const QString& key) {
        Node* node = root;
        for (const QString& element : splitKey(key))
            node = node->childOrNew(element);
        return node;
    }

    // Parses the file's text into root -> lines skipped.
    static int parse(Node* root, const QByteArray& bytes) {
        QString text = QString::fromUtf8(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        const QStringList lines = text.split(u'\n');
        int skipped = 0;
        bool headerSeen = false;
        Node* current = nullptr;   // key of the lines that follow; null while they are to be skipped
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString line = lines.at(i);
            if (line.endsWith(u'\r'))
                line.chop(1);
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(u';'))
                continue;
            if (!headerSeen) {
                headerSeen = true;
                if (trimmed == QLatin1String(kHeader) ||
                    trimmed == QLatin1String("Windows Registry Editor Version 5.00"))
                    continue;
                ++skipped; // no header: read what follows all the same
            }
            if (trimmed.startsWith(u'[')) {
                current = nullptr;
                if (!trimmed.endsWith(u']') || trimmed.startsWith(QLatin1String("[-"))) {
                    ++skipped;
                    continue;
                }
                QStringList elements = trimmed.mid(1, trimmed.size() - 2).split(u'\\', Qt::SkipEmptyParts);
                if (elements.isEmpty() ||
                    (elements.front().compare(QLatin1String(kRoot), Qt::CaseInsensitive) != 0 &&
                     elements.front().compare(QLatin1String("HKCU"), Qt::CaseInsensitive) != 0)) {
                    ++skipped;
                    continue;
                }
                elements.removeFirst();
                if (!elements.isEmpty())
                    current = make(root, elements.join(u'\\'));
                continue;
            }

            // A value line: "name"=... or @=...; values of other types may continue over lines ending in '\'.
            qsizetype pos = 0;
            QString name;
            bool ok = true;
            if (trimmed.startsWith(u'@'))
                pos = 1;
            else
                ok = readQuoted(trimmed, pos, name);
            ok = ok && pos < trimmed.size() && trimmed.at(pos) == u'=';
            const QString data = ok ? trimmed.mid(pos + 1).trimmed() : QString();
            quint32 dword = 0;
            QString string;
            qsizetype dataPos = 0;
            if (ok && data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive) &&
                parseDWord(QStringView(data).mid(6), dword)) {
                if (current)
                    current->setValue(name, ValueType::DWord, dword, QString());
                else
                    ++skipped;
            } else if (ok && readQuoted(data, dataPos, string) && dataPos == data.size()) {
                if (current)
                    current->setValue(name, ValueType::String, 0, string);
                else
                    ++skipped;
            } else {
                ++skipped;
                if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
                    // Binary and other typed values run on over lines that end in '\'.
                    while (line.trimmed().endsWith(u'\\') && i + 1 < lines.size())
                        line = lines.at(++i);
                }
            }
        }
        return skipped;
    }
};

namespace {

// Writes bytes to path through a temporary file in the same folder, flushed and renamed. The folder
// must exist: a save never makes one (a folder removed meanwhile stays removed).
bool writeAtomically(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    QByteArray pattern = QFile::encodeName(info.absoluteFilePath()) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    bool ok = true;
    qint64 written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        written += ok ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(pattern.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) == 0;
    if (!ok) {
        ::unlink(pattern.constData());
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace

Registry::Registry(const QString& filePath) : m_filePath(filePath), m_root(std::make_unique<Node>()) {}

Registry::~Registry() = default;

bool Registry::Load() {
    if (m_filePath.isEmpty())
        return true;
    QFile file(m_filePath);
    if (!file.exists()) {
        std::lock_guard lock(m_mutex);
        m_root = std::make_unique<Node>();
        m_modified = false;
        m_loadFailed = false;
        m_skippedLines = 0;
        return true;
    }
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        std::lock_guard lock(m_mutex);
        m_loadFailed = true;
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    auto root = std::make_unique<Node>();
    const int skipped = Node::parse(root.get(), bytes);
    if (skipped > 0) {
        // Keep the file as it was before a save replaces it.
        const QString keep = m_filePath + QStringLiteral(".damaged");
        QFile::remove(keep);
        QFile::copy(m_filePath, keep);
    }
    std::lock_guard lock(m_mutex);
    m_root = std::move(root);
    m_modified = false;
    m_loadFailed = false;
    m_skippedLines = skipped;
    return true;
}

bool Registry::Save() {
    std::lock_guard saveLock(m_saveMutex);
    QByteArray text;
    {
        std::lock_guard lock(m_mutex);
        if (m_filePath.isEmpty()) {
            m_modified = false;
            return true;
        }
        if (m_loadFailed)
            return false;
        text = exportLocked();
        m_modified = false;
    }
    if (writeAtomically(m_filePath, text))
        return true;
    std::lock_guard lock(m_mutex);
    m_modified = true;
    return false;
}

QByteArray Registry::exportLocked() const {
    QByteArray out = QByteArray(kHeader) + "\n\n";
    m_root->exportTo(out, QString());
    return out;
}

bool Registry::IsModified() const {
    std::lock_guard lock(m_mutex);
    return m_modified;
}

int Registry::SkippedLineCount() const {
    std::lock_guard lock(m_mutex);
    return m_skippedLines;
}

std::optional<quint32> Registry::GetDWord(const QString& key, const QString& name) const {
    std::lock_guard lock(m_mutex);
    const Node::Value* value = Node::findValue(m_root.get(), key, name);
    if (!value || value->type != ValueType::DWord)
        return std::nullopt;
    return value->dword;
}

std::optional<QString> Registry::GetString(const QString& key, const QString& name) const {
    std::lock_guard lock(m_mutex);
    const Node::Value* value = Node::findValue(m_root.get(), key, name);
    if (!value || value->type != ValueType::String)
        return std::nullopt;
    return value->text;
}

std::optional<Registry::ValueType> Registry::GetType(const QString& key, const QString& name) const {
    std::lock_guard lock(m_mutex);
    const Node::Value* value = Node::findValue(m_root.get(), key, name);
    return value ? std::optional(value->type) : std::nullopt;
}

void Registry::SetDWord(const QString& key, const QString& name, quint32 value) {
    setValue(key, name, ValueType::DWord, value, QString());
}

void Registry::SetString(const QString& key, const QString& name, const QString& value) {
    setValue(key, name, ValueType::String, 0, value);
}

void Registry::setValue(const QString& key, const QString& name, ValueType type, quint32 dword, const QString& text) {
    {
        std::lock_guard lock(m_mutex);
        const bool existed = Node::find(m_root.get(), key) != nullptr;
        if (!Node::make(m_root.get(), key)->setValue(name, type, dword, text) && existed)
            return;
        m_modified = true;
    }
    changed();
}

bool Registry::DeleteValue(const QString& key, const QString& name) {
    {
        std::lock_guard lock(m_mutex);
        Node* node = Node::find(m_root.get(), key);
        if (!node || node->values.erase(fold(name)) == 0)
            return false;
        m_modified = true;
    }
    changed();
    return true;
}

bool Registry::DeleteKey(const QString& key) {
    const QStringList elements = splitKey(key);
    if (elements.isEmpty())
        return false;
    {
        std::lock_guard lock(m_mutex);
        Node* parent = Node::find(m_root.get(), elements.mid(0, elements.size() - 1).join(u'\\'));
        if (!parent || parent->children.erase(fold(elements.back())) == 0)
            return false;
        m_modified = true;
    }
    changed();
    return true;
}

bool Registry::KeyExists(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return Node::find(m_root.get(), key) != nullptr;
}

QStringList Registry::SubKeyNames(const QString& key) const {
    std::lock_guard lock(m_mutex);
    QStringList names;
    if (const Node* node = Node::find(m_root.get(), key)) {
        for (const auto& [folded, child] : node->children)
            names << child->name;
    }
    return names;
}

QStringList Registry::ValueNames(const QString& key) const {
    std::lock_guard lock(m_mutex);
    QStringList names;
    if (const Node* node = Node::find(m_root.get(), key)) {
        for (const auto& [folded, value] : node->values)
            names << value.name;
    }
    return names;
}

void Registry::Clear() {
    {
        std::lock_guard lock(m_mutex);
        if (m_root->children.empty() && m_root->values.empty())
            return;
        m_root = std::make_unique<Node>();
        m_modified = true;
    }
    changed();
}

QByteArray Registry::ExportText() const {
    std::lock_guard lock(m_mutex);
    return exportLocked();
}

int Registry::ImportText(const QByteArray& text) {
    int skipped = 0;
    {
        std::lock_guard lock(m_mutex);
        skipped = Node::parse(m_root.get(), text);
        m_skippedLines = skipped;
        m_modified = true;
    }
    changed();
    return skipped;
}

void Registry::SetChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(m_handlerMutex);
    m_changeHandler = std::move(handler);
}

void Registry::changed() {
    std::function<void()> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_changeHandler;
    }
    if (handler)
        handler();
}

} // namespace platform
