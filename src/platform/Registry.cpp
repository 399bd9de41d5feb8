#include "platform/Registry.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kHeader[] = "REGEDIT4";
constexpr char kRoot[] = "HKEY_CURRENT_USER";

QString fold(const QString& name) { return name.toCaseFolded(); }

// Control characters in key names become '?'.
void sanitize(QStringList& elements) {
    for (QString& element : elements) {
        for (QChar& ch : element) {
            if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
                ch = u'?';
        }
    }
}

QStringList splitKey(const QString& key) {
    QStringList elements = key.split(u'\\', Qt::SkipEmptyParts);
    sanitize(elements);
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

    // path: this key's full path in UTF-8, empty for the root (which has no section of its own);
    // grown and cut back in place, so that a deep tree costs no copy per level. A key with sub-keys
    // and no values gets no section: reading its sub-keys makes it again. Writing a section for every
    // ancestor would make the file grow with the square of a key's depth.
    void exportTo(QByteArray& out, QByteArray& path) const {
        if (!path.isEmpty() && (!values.empty() || children.empty())) {
            out += '[';
            out += path;
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
        const qsizetype length = path.size();
        for (const auto& [folded, node] : children) {
            if (path.isEmpty())
                path += kRoot;
            path += '\\';
            path += node->name.toUtf8();
            node->exportTo(out, path);
            path.truncate(length);
        }
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

    // Null when the key is deeper or longer than a key can be.
    static Node* make(Node* root, const QString& key) {
        const QStringList elements = splitKey(key);
        return IsValidKeyPath(elements) ? make(root, elements) : nullptr;
    }

    static Node* make(Node* root, const QStringList& elements) {
        Node* node = root;
        for (const QString& element : elements)
            node = node->childOrNew(element);
        return node;
    }
};

// Reads a settings file one line at a time into a tree.
class Registry::TextParser {
public:
    explicit TextParser(Registry::Node* root) : m_root(root) {}

    // Feeds text line by line -> lines skipped.
    static int Parse(Registry::Node* root, QByteArrayView text);
    // One line without its line feed.
    void Line(QByteArrayView bytes);
    int Skipped() const { return m_skipped; }

private:
    Registry::Node* m_root;
    Registry::Node* m_current = nullptr; // key of the lines that follow; null while they are to be skipped
    int m_skipped = 0;
    bool m_firstLine = true;
    bool m_headerSeen = false;
    bool m_continued = false; // the previous line of a typed value ended in '\'
};

void Registry::TextParser::Line(QByteArrayView bytes) {
    if (bytes.isEmpty() || (bytes.size() == 1 && bytes.front() == '\r')) {
        m_firstLine = false;
        m_continued = false;
        return;
    }
    QString line = QString::fromUtf8(bytes);
    if (m_firstLine) {
        m_firstLine = false;
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
    }
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (m_continued) {
        // Binary and other typed values run on over lines that end in '\'.
        m_continued = line.trimmed().endsWith(u'\\');
        return;
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u';'))
        return;
    if (!m_headerSeen) {
        m_headerSeen = true;
        if (trimmed == QLatin1String(kHeader) || trimmed == QLatin1String("Windows Registry Editor Version 5.00"))
            return;
        ++m_skipped; // no header: read what follows all the same
    }
    if (trimmed.startsWith(u'[')) {
        m_current = nullptr;
        if (!trimmed.endsWith(u']') || trimmed.startsWith(QLatin1String("[-"))) {
            ++m_skipped;
            return;
        }
        QStringList elements = trimmed.mid(1, trimmed.size() - 2).split(u'\\', Qt::SkipEmptyParts);
        if (elements.isEmpty() ||
            (elements.front().compare(QLatin1String(kRoot), Qt::CaseInsensitive) != 0 &&
             elements.front().compare(QLatin1String("HKCU"), Qt::CaseInsensitive) != 0)) {
            ++m_skipped;
            return;
        }
        elements.removeFirst();
        sanitize(elements);
        if (!Registry::IsValidKeyPath(elements)) {
            ++m_skipped; // deeper or longer than any key can be
            return;
        }
        if (!elements.isEmpty())
            m_current = Registry::Node::make(m_root, elements);
        return;
    }

    // A value line: "name"=... or @=...
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
        if (m_current)
            m_current->setValue(name, Registry::ValueType::DWord, dword, QString());
        else
            ++m_skipped;
    } else if (ok && readQuoted(data, dataPos, string) && dataPos == data.size()) {
        if (m_current)
            m_current->setValue(name, Registry::ValueType::String, 0, string);
        else
            ++m_skipped;
    } else {
        ++m_skipped;
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
            m_continued = trimmed.endsWith(u'\\');
    }
}

int Registry::TextParser::Parse(Registry::Node* root, QByteArrayView text) {
    TextParser parser(root);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf('\n', start);
        parser.Line(text.sliced(start, (end < 0 ? text.size() : end) - start));
        if (end < 0)
            break;
        start = end + 1;
    }
    return parser.Skipped();
}

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

bool Registry::IsValidKeyPath(const QStringList& elements) {
    if (elements.size() > kMaxKeyDepth)
        return false;
    return std::all_of(elements.begin(), elements.end(),
                       [](const QString& element) { return element.size() <= kMaxKeyNameLength; });
}

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
        m_damage = Damage::None;
        return true;
    }
    const QString keep = m_filePath + QStringLiteral(".damaged");
    if (file.size() > kMaxFileSize) {
        // No settings file is that large: keep it aside unread and start afresh.
        QFile::remove(keep);
        if (!file.rename(keep)) {
            std::lock_guard lock(m_mutex);
            m_loadFailed = true;
            return false;
        }
        std::lock_guard lock(m_mutex);
        m_root = std::make_unique<Node>();
        m_modified = false;
        m_loadFailed = false;
        m_skippedLines = 1;
        m_damage = Damage::WholeFile;
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        std::lock_guard lock(m_mutex);
        m_loadFailed = true;
        return false;
    }
    auto root = std::make_unique<Node>();
    TextParser parser(root.get());
    // A block at a time, line by line; never more than the size bound should the file grow meanwhile.
    qint64 total = 0;
    QByteArray pending; // the start of a line that runs on into the next block
    while (total < kMaxFileSize) {
        const QByteArray block = file.read(qMin<qint64>(1 << 20, kMaxFileSize - total));
        if (block.isEmpty())
            break;
        total += block.size();
        pending += block;
        qsizetype start = 0;
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
            parser.Line(QByteArrayView(pending).sliced(start, end - start));
            start = end + 1;
        }
        pending.remove(0, start);
    }
    if (!pending.isEmpty())
        parser.Line(pending);
    file.close();
    const int skipped = parser.Skipped();
    if (skipped > 0) {
        // Keep the file as it was before a save replaces it.
        QFile::remove(keep);
        QFile::copy(m_filePath, keep);
    }
    std::lock_guard lock(m_mutex);
    m_root = std::move(root);
    m_modified = false;
    m_loadFailed = false;
    m_skippedLines = skipped;
    m_damage = skipped > 0 ? Damage::Lines : Damage::None;
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
        if (m_loadFailed) {
            m_saveFailure = SaveFailure::CannotWrite;
            return false;
        }
        text = exportLocked();
        if (text.size() > kMaxFileSize) {
            // Load() would set such a file aside unread: keep the last one that can be read.
            m_saveFailure = SaveFailure::TooLarge;
            return false;
        }
        m_modified = false;
    }
    if (writeAtomically(m_filePath, text)) {
        std::lock_guard lock(m_mutex);
        m_saveFailure = SaveFailure::None;
        return true;
    }
    std::lock_guard lock(m_mutex);
    m_modified = true;
    m_saveFailure = SaveFailure::CannotWrite;
    return false;
}

Registry::SaveFailure Registry::LastSaveFailure() const {
    std::lock_guard lock(m_mutex);
    return m_saveFailure;
}

QByteArray Registry::exportLocked() const {
    QByteArray out = QByteArray(kHeader) + "\n\n";
    QByteArray path;
    m_root->exportTo(out, path);
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

Registry::Damage Registry::LastLoadDamage() const {
    std::lock_guard lock(m_mutex);
    return m_damage;
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
        Node* node = Node::make(m_root.get(), key);
        if (!node || (!node->setValue(name, type, dword, text) && existed))
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
        skipped = TextParser::Parse(m_root.get(), text);
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
