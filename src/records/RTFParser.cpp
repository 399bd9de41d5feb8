#include "records/RTFParser.h"

#include <algorithm>
#include <limits>

namespace {

// What a keyword does besides being copied.
enum class Action { None, Font, Style, Color, DefaultFont, ColorPart, Destination, ParagraphReset };
enum Kind { kProperty = 2, kKept = 4 };

// One keyword record: keyword, default value, use-default flag, kind, index, action, own number.
struct Sym {
    const char* keyword;
    int defaultValue;
    bool useDefault;
    int kind;
    int index;
    Action action;
    int number;
};

// The keywords this parser acts on; every other word is passed through as it stands.
const Sym kSymbols[] = {
    {"stylesheet", 1, true, kProperty, 0, Action::Destination, 1},
    {"rtf", 0, false, kProperty, 24, Action::None, 2},
    {"deff", 0, false, kProperty, 25, Action::DefaultFont, 3},
    {"fonttbl", 1, true, kProperty, 0, Action::Destination, 4},
    {"colortbl", 1, true, kKept, 0, Action::Destination, 5},
    {"f", 0, false, kKept, 0, Action::Font, 6},
    {"s", 0, false, kKept, 0, Action::Style, 7},
    {"cs", 0, false, kKept, 0, Action::Style, 8},
    {"sbasedon", 0, false, kKept, 0, Action::Style, 9},
    {"snext", 0, false, kKept, 0, Action::Style, 10},
    {"red", 0, false, kProperty, 31, Action::ColorPart, 11},
    {"green", 0, false, kProperty, 32, Action::ColorPart, 12},
    {"blue", 0, false, kProperty, 33, Action::ColorPart, 13},
    {"cf", 0, false, kKept, 0, Action::Color, 14},
    {"pard", 0, false, kKept, 0, Action::ParagraphReset, 15},
};

const QHash<QByteArray, const Sym*>& sharedTable() {
    static const QHash<QByteArray, const Sym*> table = [] {
        QHash<QByteArray, const Sym*> t;
        for (const Sym& sym : kSymbols)
            t.insert(QByteArray(sym.keyword), &sym);
        return t;
    }();
    return table;
}

// Words of a document's own header: a body copied into another document leaves them out.
bool isDocumentHeaderWord(const QByteArray& keyword) {
    static const QByteArray words[] = {"rtf", "deff", "ansi", "ansicpg", "mac", "pc", "pca"};
    return std::find(std::begin(words), std::end(words), keyword) != std::end(words);
}

// Words that can only start a body.
bool isBodyWord(const QByteArray& keyword) {
    return keyword == "pard" || keyword == "plain" || keyword == "par" || keyword == "sectd";
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendWord(QByteArray& out, const CRTFParser::Word& w) {
    out += '\\';
    out += w.keyword;
    if (w.value != CRTFParser::kNoValue)
        out += QByteArray::number(w.value);
}

// A font or style name as RTF text.
void appendName(QByteArray& out, const QByteArray& name) {
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c >= 0x80) {
            out += "\\'";
            out += QByteArray::number(c, 16).rightJustified(2, '0');
        } else if (c >= 0x20) {
            out += ch;
        }
    }
}

// Font and style numbers stay within what RTF readers take (a signed 16-bit number).
constexpr int kMaxTableNumber = 32767;

// The number a new font or style takes: its own when free, else the one after the highest in use;
// past the highest number a reader takes, the lowest free one (the tables are far smaller).
int nextFreeNumber(const QList<CRTFParser::Entry>& entries, int wanted) {
    int highest = -1;
    bool taken = false;
    for (const CRTFParser::Entry& e : entries) {
        highest = std::max(highest, e.number);
        taken = taken || e.number == wanted;
    }
    if (wanted >= 0 && wanted <= kMaxTableNumber && !taken)
        return wanted;
    if (highest < kMaxTableNumber)
        return highest + 1;
    for (int number = 0;; ++number)
        if (std::none_of(entries.begin(), entries.end(), [number](const CRTFParser::Entry& e) {
                return e.number == number;
            }))
            return number;
}

// Words that would make a reader fetch, run or hide something: a font or style entry keeps none of
// them, so that nothing an annotation defines reaches the header or the style switches with them.
bool isFieldOrObjectWord(const QByteArray& keyword) {
    return keyword == "field" || keyword.startsWith("fld") || keyword.startsWith("obj") || keyword == "result" ||
           keyword == "datafield" || keyword == "pict" || keyword.startsWith("shp") || keyword == "bin";
}

} // namespace

// The state of one ParseRtf call.
struct CRTFParser::Run {
    enum Dest { kSkip = 0, kCopy = 1, kSkipDest = 2, kTable = 4, kEntry = 5, kColorTable = 6 };
    enum Ris { kNorm, kBin, kHex };
    enum Table { kNoTable, kFontTable, kStyleTable };

    // Saved and restored per group.
    struct State {
        Dest dest = kCopy;
        Table table = kNoTable;
        bool braceWritten = false; // this group's '{' is in the output
        bool entryGroup = false;   // the group of one table entry
        bool implicitEntry = false;
    };

    struct PendingEntry {
        Entry entry;
        QByteArray text;
    };

    Run(CRTFParser& p, const QByteArray& t, int m, QByteArray* o) : parser(p), text(t), mode(m), out(o) {
        cur.dest = mode == kReadTemplate ? kSkip : kCopy;
    }

    CRTFParser& parser;
    const QByteArray& text;
    const int mode;
    QByteArray* out;
    qsizetype pos = 0;

    State cur;
    std::vector<State> stack;
    Ris ris = kNorm;
    qint64 binLeft = 0;
    int hexDigits = 0;
    int hexByte = 0;
    int pendingBrace = 0; // depth of a group whose '{' is held back (body modes), 0 for none

    PendingEntry entry;
    int red = -1, green = -1, blue = -1;
    int colorIndex = 0;
    QHash<int, int> fontMap, colorMap, styleMap; // this text's numbers -> merged numbers
    QList<int> newStyles;                        // merged styles added by this text

    bool bodyMode() const { return mode == kFirstBody || mode == kAppendBody; }
    bool writes() const { return out && mode != kReadTemplate && cur.dest == kCopy; }
    int depth() const { return int(stack.size()); }

    void flushBrace() {
        if (!pendingBrace)
            return;
        *out += '{';
        (pendingBrace == depth() ? cur : stack[size_t(pendingBrace)]).braceWritten = true;
        pendingBrace = 0;
    }
    void write(const QByteArray& bytes) {
        flushBrace();
        *out += bytes;
    }
    void write(char c) {
        flushBrace();
        *out += c;
    }

    int parse();
    int finish(int result);
    int pushGroup();
    int popGroup();
    int parseKeyword();
    int dispatch(const QByteArray& keyword, bool hasParam, int param, bool blank);
    int controlSymbol(char c);
    int hexChar(char c);
    int handleText(qsizetype from, qsizetype to);
    int bodyReached();
    void startEntry(bool implicit);
    void finishEntry(Table table);
    void addColor();
    void endDestination(const State& leaving);
    int renumber(const QHash<int, int>& map, int value, int fallback) const {
        return map.value(value, fallback);
    }
};

int CRTFParser::Run::parse() {
    const qsizetype n = text.size();
    while (pos < n) {
        const char c = text[pos];
        if (ris == kBin) {
            // Copied as hex digits, which mean the same inside a picture and cannot end a group.
            if (writes()) {
                static const char digits[] = "0123456789abcdef";
                write(digits[(uchar(c) >> 4) & 0xF]);
                write(digits[uchar(c) & 0xF]);
            }
            ++pos;
            if (--binLeft <= 0)
                ris = kNorm;
            continue;
        }
        int ec = ecOK;
        switch (c) {
        case '{':
            ++pos;
            ec = pushGroup();
            break;
        case '}':
            ++pos;
            ec = popGroup();
            break;
        case '\\':
            ++pos;
            ec = parseKeyword();
            break;
        case '\r':
        case '\n':
            ++pos;
            if (writes())
                write(c);
            break;
        default:
            if (ris == kHex) {
                ++pos;
                ec = hexChar(c);
            } else {
                // A run of plain text, up to the next brace, backslash or line end.
                const qsizetype from = pos;
                while (pos < n && pos - from < 1023) {
                    const char d = text[pos];
                    if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
                        break;
                    ++pos;
                }
                ec = handleText(from, pos);
            }
        }
        if (ec != ecOK)
            return finish(ec);
    }
    return finish(stack.empty() ? ecOK : ecUnmatchedBrace);
}

// Closes off what a stopped body left open, so that the document it went into stays well formed.
int CRTFParser::Run::finish(int result) {
    if (result == ecBodyReached || !out || mode == kReadTemplate)
        return result;
    if (ris == kHex && cur.dest == kCopy)
        for (; hexDigits < 2; ++hexDigits)
            *out += '0';
    pendingBrace = 0;
    // The header run leaves the document's own outer group open for the body that follows.
    const int keep = mode == kCopyHeader ? 1 : 0;
    if (cur.braceWritten && depth() > keep)
        *out += '}';
    for (int i = depth() - 1; i > keep; --i)
        if (stack[size_t(i)].braceWritten)
            *out += '}';
    return result;
}

int CRTFParser::Run::pushGroup() {
    if (depth() >= kMaxDepth)
        return ecStackOverflow;
    if (ris == kHex)
        return ecInvalidHex;
    stack.push_back(cur);
    State next = cur;
    next.braceWritten = false;
    next.entryGroup = false;
    next.implicitEntry = false;
    if (cur.dest == kTable) {
        if (cur.implicitEntry)
            return ecBadTable;
        next.dest = kEntry;
        next.entryGroup = true;
        cur = next;
        startEntry(false);
        return ecOK;
    }
    if (cur.dest == kEntry || cur.dest == kColorTable)
        next.dest = kSkipDest; // {\*\panose ...} and the like inside an entry
    cur = next;
    // The document's own outer group is the caller's: the header run leaves its brace to the writer,
    // and a body goes inside the document.
    if (cur.dest == kCopy && out && mode != kReadTemplate && depth() > 1) {
        if (mode == kCopyHeader) {
            *out += '{';
            cur.braceWritten = true;
        } else {
            // Held back until it is known not to open a table, whose group a body leaves out.
            flushBrace();
            pendingBrace = depth();
        }
    }
    return ecOK;
}

int CRTFParser::Run::popGroup() {
    if (stack.empty())
        return ecStackUnderflow;
    if (ris == kHex)
        return ecInvalidHex;
    const State leaving = cur;
    const int leavingDepth = depth();
    cur = stack.back();
    stack.pop_back();
    if (leaving.dest == kEntry && (leaving.entryGroup || leaving.implicitEntry))
        finishEntry(leaving.table);
    if ((leaving.dest == kTable || leaving.dest == kColorTable || leaving.implicitEntry) &&
        cur.dest != kTable && cur.dest != kEntry)
        endDestination(leaving);
    if (leaving.braceWritten)
        *out += '}';
    else if (pendingBrace == leavingDepth)
        pendingBrace = 0; // an empty group
    return ecOK;
}

int CRTFParser::Run::parseKeyword() {
    const qsizetype n = text.size();
    if (pos >= n)
        return ecEndOfFile;
    const char c = text[pos];
    if (!isLetter(c)) {
        ++pos;
        return controlSymbol(c);
    }
    QByteArray keyword;
    while (pos < n && isLetter(text[pos])) {
        if (keyword.size() < 32)
            keyword += text[pos];
        ++pos;
    }
    bool hasParam = false;
    bool negative = false;
    qint64 value = 0;
    if (pos < n && text[pos] == '-') {
        if (pos + 1 >= n)
            return ecEndOfFile;
        if (isDigit(text[pos + 1])) {
            negative = true;
            ++pos;
        }
    }
    while (pos < n && isDigit(text[pos])) {
        hasParam = true;
        value = std::min<qint64>(value * 10 + (text[pos] - '0'), std::numeric_limits<int>::max());
        ++pos;
    }
    bool blank = false;
    if (pos < n && text[pos] == ' ') {
        blank = true;
        ++pos;
    }
    return dispatch(keyword, hasParam, int(negative ? -value : value), blank);
}

int CRTFParser::Run::dispatch(const QByteArray& keyword, bool hasParam, int param, bool blank) {
    const Sym* sym = sharedTable().value(keyword, nullptr);
    if (!sym && !parser.m_ownKeywords.contains(keyword) && parser.m_ownKeywords.size() < kMaxOwnKeywords)
        parser.m_ownKeywords.insert(keyword, -int(parser.m_ownKeywords.size()) - 1);
    const Action action = sym ? sym->action : Action::None;
    if (keyword == "bin" && hasParam && param > 0) {
        ris = kBin;
        binLeft = param;
    }
    if (cur.dest == kTable && cur.table == kFontTable && action != Action::Destination) {
        // A font table written without a group per font: "{\fonttbl\f0\fswiss Helvetica;}".
        cur.dest = kEntry;
        cur.implicitEntry = true;
        startEntry(true);
    }
    const bool inFontEntry = cur.dest == kEntry && cur.table == kFontTable;
    const bool inStyleEntry = cur.dest == kEntry && cur.table == kStyleTable;
    if (isBodyWord(keyword) && depth() <= 1 && (cur.dest == kCopy || cur.dest == kSkip) &&
        (mode == kReadTemplate || mode == kCopyHeader))
        return bodyReached();

    // The action: renumbering, or the raw number inside the tables that define them.
    int value = param;
    switch (action) {
    case Action::Font:
        if (!inFontEntry && hasParam)
            value =
                renumber(fontMap, param, parser.m_fonts.isEmpty() ? param : parser.m_fonts.front().number);
        break;
    case Action::DefaultFont:
        if (hasParam)
            value = renumber(fontMap, param, param);
        break;
    case Action::Color:
        if (hasParam)
            value = renumber(colorMap, param, 0);
        break;
    case Action::Style:
        if (!inStyleEntry && hasParam)
            value = renumber(styleMap, param, keyword == "sbasedon" ? 222 : 0);
        break;
    case Action::ColorPart:
        if (cur.dest == kColorTable) {
            const int part = std::clamp(param, 0, 255);
            (keyword == "red" ? red : keyword == "green" ? green : blue) = part;
        }
        break;
    case Action::Destination:
        if (cur.dest == kCopy || cur.dest == kSkip) {
            if (pendingBrace == depth())
                pendingBrace = 0; // a body leaves its tables out, braces and all
            cur.dest = keyword == "colortbl" ? kColorTable : kTable;
            cur.table = keyword == "fonttbl" ? kFontTable : keyword == "stylesheet" ? kStyleTable : kNoTable;
            if (cur.dest == kColorTable) {
                colorIndex = 0;
                red = green = blue = -1;
            }
        }
        return ecOK;
    case Action::None:
    case Action::ParagraphReset:
        break;
    }

    if (writes() && !(bodyMode() && isDocumentHeaderWord(keyword)) && keyword != "bin") {
        QByteArray word = "\\" + keyword;
        if (hasParam)
            word += QByteArray::number(value);
        if (blank)
            word += ' ';
        write(word);
    }
    // An entry keeps no binary data, so neither does it keep the word announcing it: written back
    // without its bytes, \bin would swallow what follows it in the merged header or style text.
    if (cur.dest == kEntry && (inFontEntry || inStyleEntry) && !isFieldOrObjectWord(keyword) &&
        entry.entry.words.size() < kMaxEntryWords)
        entry.entry.words.append(Word{keyword, hasParam ? value : kNoValue});
    return ecOK;
}

int CRTFParser::Run::controlSymbol(char c) {
    if (c == '\'') {
        ris = kHex;
        hexDigits = 0;
        hexByte = 0;
    }
    if (writes()) {
        write('\\');
        write(c);
    } else if (cur.dest == kEntry && (c == '\\' || c == '{' || c == '}')) {
        if (entry.text.size() >= kMaxEntry)
            return ecBufferFull;
        entry.text += c;
    }
    return ecOK;
}

int CRTFParser::Run::hexChar(char c) {
    const int v = hexValue(c);
    if (v < 0)
        return ecInvalidHex;
    hexByte = hexByte * 16 + v;
    ++hexDigits;
    if (writes())
        write(c);
    if (hexDigits == 2) {
        ris = kNorm;
        if (cur.dest == kEntry) {
            if (entry.text.size() >= kMaxEntry)
                return ecBufferFull;
            entry.text += char(hexByte);
        }
    }
    return ecOK;
}

int CRTFParser::Run::handleText(qsizetype from, qsizetype to) {
    const QByteArray run = text.mid(from, to - from);
    switch (cur.dest) {
    case kSkip:
    case kCopy:
        if ((mode == kReadTemplate || mode == kCopyHeader) && depth() <= 1 && !run.trimmed().isEmpty())
            return bodyReached();
        if (writes())
            write(run);
        return ecOK;
    case kSkipDest:
        return ecOK;
    case kTable:
    case kEntry:
        for (char c : run) {
            if (cur.dest == kTable) {
                // Fonts written without a group each: the text up to ';' names one.
                if (cur.table != kFontTable || c == ' ' || c == ';')
                    continue;
                cur.dest = kEntry;
                cur.implicitEntry = true;
                startEntry(true);
            }
            if (cur.implicitEntry && c == ';') {
                finishEntry(cur.table);
                cur.dest = kTable;
                cur.implicitEntry = false;
                continue;
            }
            if (entry.text.size() >= kMaxEntry)
                return ecBufferFull;
            entry.text += c;
        }
        return ecOK;
    case kColorTable:
        for (char c : run)
            if (c == ';')
                addColor();
        return ecOK;
    }
    return ecAssertion;
}

int CRTFParser::Run::bodyReached() {
    return ecBodyReached;
}

void CRTFParser::Run::startEntry(bool) {
    entry = PendingEntry();
}

void CRTFParser::Run::finishEntry(Table table) {
    Entry e = std::move(entry.entry);
    QByteArray name = entry.text;
    entry = PendingEntry();
    const qsizetype semicolon = name.indexOf(';');
    if (semicolon >= 0)
        name.truncate(semicolon);
    name = name.trimmed();
    if (name.isEmpty())
        return;
    auto wordOf = [&e](const char* keyword) -> Word* {
        for (Word& w : e.words)
            if (w.keyword == keyword)
                return &w;
        return nullptr;
    };

    if (table == kFontTable) {
        Word* f = wordOf("f");
        if (!f || f->value == kNoValue || fontMap.contains(f->value))
            return;
        const int source = f->value;
        if (const auto it = parser.m_fontByName.constFind(name); it != parser.m_fontByName.cend()) {
            fontMap.insert(source, parser.m_fonts[*it].number);
            return;
        }
        if (parser.m_fonts.size() >= kMaxTableSize)
            return;
        e.number = nextFreeNumber(parser.m_fonts, source);
        f->value = e.number;
        e.name = name;
        parser.m_fontByName.insert(name, int(parser.m_fonts.size()));
        parser.m_fonts.append(e);
        fontMap.insert(source, e.number);
        return;
    }

    // A style: paragraph styles carry "\s" (none for style 0), character styles "\cs"; section and table
    // styles are not merged.
    if (wordOf("ds") || wordOf("ts"))
        return;
    Word* s = wordOf("s");
    Word* cs = wordOf("cs");
    e.characterStyle = cs != nullptr;
    Word* own = cs ? cs : s;
    const int source = own && own->value != kNoValue ? own->value : 0;
    if (styleMap.contains(source))
        return;
    if (const auto it = parser.m_styleByName.constFind(name); it != parser.m_styleByName.cend()) {
        styleMap.insert(source, parser.m_styles[*it].number);
        return;
    }
    if (parser.m_styles.size() >= kMaxTableSize)
        return;
    e.number = nextFreeNumber(parser.m_styles, source);
    if (own)
        own->value = e.number;
    e.name = name;
    parser.m_styleByName.insert(name, int(parser.m_styles.size()));
    newStyles.append(int(parser.m_styles.size()));
    parser.m_styles.append(e);
    styleMap.insert(source, e.number);
}

void CRTFParser::Run::addColor() {
    const qint64 color =
        red < 0 && green < 0 && blue < 0
            ? -1
            : qint64(std::max(red, 0)) | qint64(std::max(green, 0)) << 8 | qint64(std::max(blue, 0)) << 16;
    red = green = blue = -1;
    qsizetype merged = parser.m_colors.indexOf(color);
    if (merged < 0 && parser.m_colors.size() < kMaxTableSize) {
        merged = parser.m_colors.size();
        parser.m_colors.append(color);
    }
    // Numbers past the merged table's size can only be filler; they read as the automatic colour.
    if (colorIndex < 4 * kMaxTableSize && !colorMap.contains(colorIndex))
        colorMap.insert(colorIndex, merged < 0 ? 0 : int(merged));
    ++colorIndex;
}

void CRTFParser::Run::endDestination(const State& leaving) {
    if (leaving.table == kStyleTable) {
        // The references between this text's styles, now that all of them are numbered.
        for (int index : newStyles)
            for (Word& w : parser.m_styles[index].words)
                if ((w.keyword == "sbasedon" || w.keyword == "snext") && w.value != kNoValue)
                    w.value = styleMap.value(w.value,
                                             w.keyword == "sbasedon" ? 222 : parser.m_styles[index].number);
        newStyles.clear();
    }
    if (mode != kCopyHeader || cur.dest != kCopy || !out)
        return;
    QByteArray table;
    if (leaving.dest == kColorTable) {
        table += "\\colortbl";
        for (qint64 c : parser.m_colors) {
            if (c >= 0)
                table += "\\red" + QByteArray::number(c & 0xFF) + "\\green" +
                         QByteArray::number((c >> 8) & 0xFF) + "\\blue" +
                         QByteArray::number((c >> 16) & 0xFF);
            table += ';';
        }
    } else if (leaving.table == kFontTable) {
        table += "\\fonttbl";
        for (const Entry& font : parser.m_fonts) {
            table += '{';
            for (const Word& w : font.words)
                appendWord(table, w);
            table += ' ';
            appendName(table, font.name);
            table += ";}\n";
        }
    } else if (leaving.table == kStyleTable) {
        table += "\\stylesheet";
        for (const Entry& style : parser.m_styles) {
            table += style.characterStyle ? "{\\*" : "{";
            for (const Word& w : style.words)
                appendWord(table, w);
            table += ' ';
            appendName(table, style.name);
            table += ";}\n";
        }
    }
    write(table);
}

CRTFParser::CRTFParser() = default;
CRTFParser::~CRTFParser() = default;

int CRTFParser::ParseRtf(const QByteArray& text, int mode, QByteArray* out) {
    if (mode < kReadTemplate || mode > kAppendBody)
        return ecAssertion;
    Run run(*this, text, mode, out);
    return run.parse();
}

QByteArray CRTFParser::GetStyleText(const QString& name) const {
    const QByteArray key = name.toLatin1();
    int index = m_styleByName.value(key, -1);
    if (index < 0)
        index = m_styleByName.value("Normal", -1);
    if (index < 0)
        return "\\pard\\plain ";
    const Entry& style = m_styles[index];
    QByteArray text = "\\pard\\plain\\s" + QByteArray::number(style.number);
    for (const Word& w : style.words)
        if (w.keyword != "s" && w.keyword != "cs" && w.keyword != "sbasedon" && w.keyword != "snext")
            appendWord(text, w);
    text += ' ';
    return text;
}

QList<QByteArray> CRTFParser::OwnKeywords() const {
    QList<QByteArray> words(m_ownKeywords.size());
    for (auto it = m_ownKeywords.cbegin(); it != m_ownKeywords.cend(); ++it)
        words[-it.value() - 1] = it.key();
    return words;
}
