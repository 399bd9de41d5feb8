#include "prefs/BgColorScheme.h"

#include "support/SettingsStore.h"

#include <QHash>
#include <QStringList>

namespace {

const QString kPrefsSection = QStringLiteral("BgColorPrefs");
constexpr int kMaxSchemeString = 511;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads a 32-bit integer, wrapping as unsigned arithmetic does ("4294967295" is 0xFFFFFFFF).
bool readRaw(const QString& text, qsizetype& pos, quint32& out) {
    const qsizetype n = text.size();
    while (pos < n && text[pos] == u' ')
        ++pos;
    bool negative = false;
    if (pos < n && text[pos] == u'-') {
        negative = true;
        ++pos;
    }
    if (pos >= n || !isDigit(text[pos])) {
        pos = n; // the rest of the text is not read
        return false;
    }
    quint32 value = 0;
    while (pos < n && isDigit(text[pos]))
        value = value * 10u + quint32(text[pos++].unicode() - u'0');
    out = negative ? 0u - value : value;
    return true;
}

QString quoted(const QString& s) {
    QString out;
    out.reserve(s.size() + 2);
    out += u'"';
    for (QChar c : s) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

void readElement(const QString& text, qsizetype& pos, CBgSchemeElement& e) {
    ReadSchemeInt(text, pos, e.textured);
    ReadSchemeInt(text, pos, e.tinted);
    ReadSchemeUInt(text, pos, e.color1);
    ReadSchemeUInt(text, pos, e.color2);
    ReadSchemeUInt(text, pos, e.outline);
    ReadSchemeUInt(text, pos, e.highlight);
    ReadSchemeString(text, pos, e.texture);
}

void writeElement(QStringList& tokens, const CBgSchemeElement& e) {
    tokens << QString::number(e.textured) << QString::number(e.tinted) << QString::number(e.color1)
           << QString::number(e.color2) << QString::number(e.outline) << QString::number(e.highlight)
           << quoted(e.texture);
}

// The order of the elements in the text: the Background record comes last.
constexpr CBgColorScheme::Item kLeadingItems[] = {
    CBgColorScheme::kCheckerSet1, CBgColorScheme::kCheckerSet2, CBgColorScheme::kBoardFrame,
    CBgColorScheme::kPoints1,     CBgColorScheme::kPoints2,     CBgColorScheme::kBoard,
    CBgColorScheme::kPockets,     CBgColorScheme::kDice1,       CBgColorScheme::kDice2,
};

bool isProtectedName(const QString& name) {
    // The store compares names without regard to case, so "default" would remove "Default".
    return name.compare(QLatin1String(CBgColorScheme::kCurrent), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String(CBgColorScheme::kDefault), Qt::CaseInsensitive) == 0;
}

} // namespace

void ReadSchemeInt(const QString& text, qsizetype& pos, qint32& value) {
    quint32 raw = 0;
    if (readRaw(text, pos, raw))
        value = qint32(raw);
}

void ReadSchemeUInt(const QString& text, qsizetype& pos, quint32& value) {
    quint32 raw = 0;
    if (readRaw(text, pos, raw))
        value = raw;
}

void ReadSchemeString(const QString& text, qsizetype& pos, QString& value) {
    const qsizetype n = text.size();
    const qsizetype open = text.indexOf(u'"', pos);
    if (open < 0) {
        pos = n;
        return;
    }
    pos = open + 1;
    QString taken;
    while (pos < n && taken.size() < kMaxSchemeString) {
        QChar c = text[pos];
        if (c == u'"') {
            ++pos;
            value = taken;
            return;
        }
        if (c == u'\\') {
            if (pos + 1 >= n) {
                pos = n;
                return;
            }
            c = text[++pos];
        }
        taken += c;
        ++pos;
    }
    // No closing quote within the limit: the field keeps its value and reading goes on from here.
    if (pos < n && text[pos] == u'"' && taken.size() <= kMaxSchemeString) {
        ++pos;
        value = taken;
    }
}

bool CBgSchemeElement::IsEqual(const CBgSchemeElement& o) const {
    return textured == o.textured && tinted == o.tinted && color1 == o.color1 && color2 == o.color2 &&
           outline == o.outline && highlight == o.highlight && texture == o.texture;
}

CBgColorScheme::CBgColorScheme() {
    struct Row {
        qint32 textured;
        quint32 color1, color2;
        quint32 highlight;
        const char* texture;
    };
    static const Row rows[kItemCount] = {
        {0, 192, 16777215, 16777215, ""},
        {0, 1052688, 16777215, 16777215, ""},
        {1, 4891132, 0, 16777215, "birdseye.bmp"},
        {0, 2308565, 0, 16777215, ""},
        {0, 1254486, 0, 16777215, ""},
        {0, 4891132, 0, 16777215, ""},
        {0, 0, 0, 0, ""},
        {0, 2109440, 0, 16777215, ""},
        {0, 16777215, 0, 16777215, ""},
        {0, 16777215, 0, 16777215, ""},
    };
    for (int i = 0; i < kItemCount; ++i) {
        CBgSchemeElement& e = m_elements[i];
        e.textured = rows[i].textured;
        e.color1 = rows[i].color1;
        e.color2 = rows[i].color2;
        e.highlight = rows[i].highlight;
        e.texture = QString::fromLatin1(rows[i].texture);
    }
}

CBgColorScheme::CBgColorScheme(int style, const std::optional<QString>& text) : CBgColorScheme() {
    if (style == -1)
        style = GetSettingsStore().GetIntEx(kPrefsSection, QStringLiteral("nStyle"), 0);
    if (text)
        ParseText(*text);
    else
        Load(style, QLatin1String(kCurrent));
    m_style = style;
}

void CBgColorScheme::ParseText(const QString& text) {
    qsizetype pos = 0;
    ReadSchemeInt(text, pos, m_style);
    ReadSchemeInt(text, pos, m_version);
    for (Item item : kLeadingItems)
        readElement(text, pos, m_elements[item]);
    ReadSchemeUInt(text, pos, m_colorA);
    ReadSchemeUInt(text, pos, m_colorB);
    ReadSchemeUInt(text, pos, m_labelColor);
    ReadSchemeString(text, pos, m_labelFace);
    ReadSchemeInt(text, pos, m_labelWeight);
    qint32 italic = m_labelItalic;
    ReadSchemeInt(text, pos, italic);
    m_labelItalic = quint8(italic & 0xFF);
    readElement(text, pos, m_elements[kBackground]);
}

QString CBgColorScheme::WriteText() const {
    QStringList tokens;
    tokens << QString::number(m_style) << QString::number(m_version);
    for (Item item : kLeadingItems)
        writeElement(tokens, m_elements[item]);
    tokens << QString::number(m_colorA) << QString::number(m_colorB) << QString::number(m_labelColor)
           << quoted(m_labelFace) << QString::number(m_labelWeight) << QString::number(m_labelItalic);
    writeElement(tokens, m_elements[kBackground]);
    return tokens.join(u' ');
}

QString CBgColorScheme::SchemeSection(int set) {
    return QStringLiteral("BgColorPrefs%1").arg(set);
}

QString CBgColorScheme::DirectorySection(int set) {
    return QStringLiteral("BgColorPrefsDir%1").arg(set);
}

void CBgColorScheme::Load(int set, const QString& name) {
    CSettingsStore& store = GetSettingsStore();
    const QString section = SchemeSection(set);
    const QString current = QLatin1String(kCurrent);
    QString text =
        name == current ? store.GetString(section, current) : store.GetRecentString(section, name, QString());
    if (text.isEmpty())
        text = store.GetString(section, current);
    if (text.isEmpty())
        text = store.GetRecentString(section, QLatin1String(kDefault), QString());
    if (text.isEmpty())
        text = set == kSetPrint ? BuiltInSchemeText(kSetPrint, QLatin1String(kDefault))
                                : BuiltInSchemeText(kSet2D, QStringLiteral("Pell Vegas"));
    ParseText(text);
}

void CBgColorScheme::Save(int set, const QString& name) const {
    CSettingsStore& store = GetSettingsStore();
    if (name == QLatin1String(kCurrent))
        store.WriteString(SchemeSection(set), name, WriteText());
    else
        store.WriteRecentString(SchemeSection(set), name, WriteText());
}

void CBgColorScheme::DeleteNamed(int set, const QString& name) {
    if (!isProtectedName(name))
        GetSettingsStore().DeleteValue(SchemeSection(set), name);
}

bool CBgColorScheme::IsEqual(const CBgColorScheme& o) const {
    for (int i = 0; i < kItemCount; ++i)
        if (!m_elements[i].IsEqual(o.m_elements[i]))
            return false;
    return m_version == o.m_version && m_colorA == o.m_colorA && m_colorB == o.m_colorB &&
           m_labelColor == o.m_labelColor && m_labelFace == o.m_labelFace &&
           m_labelWeight == o.m_labelWeight && m_labelItalic == o.m_labelItalic && m_style == o.m_style;
}

QString BuiltInSchemeText(int set, const QString& name) {
    int count = 0;
    const BgBuiltInScheme* rows = BuiltInSchemes(&count);
    for (int i = 0; i < count; ++i)
        if (rows[i].set == set && name == QLatin1String(rows[i].name))
            return QString::fromLatin1(rows[i].text);
    return QString();
}

int Check3DCapability() {
    return 3; // no three-dimensional board is drawn by this client
}

void InitColorSchemeStore(const std::function<int()>& check3D) {
    CSettingsStore& store = GetSettingsStore();
    const QString style = QStringLiteral("nStyle");
    const bool install = store.GetRecentInt(kPrefsSection, QStringLiteral("nVersion"), 0) < 6;
    if (install) {
        // The scheme the user chose in an older store survives the new table.
        const int oldStyle = store.GetIntEx(kPrefsSection, style, 999);
        QString oldName, oldText;
        if (oldStyle == 0 || oldStyle == 2) {
            const QString chosen = store.GetString(CBgColorScheme::DirectorySection(oldStyle),
                                                   QStringLiteral("strCurrentScheme"));
            oldText = store.GetString(CBgColorScheme::SchemeSection(oldStyle), chosen);
            if (oldText.isEmpty()) // an old store may hold only the working copy
                oldText = store.GetString(CBgColorScheme::SchemeSection(oldStyle),
                                          QLatin1String(CBgColorScheme::kCurrent));
            // The old "Default" was the scheme that is now called "Pell Vegas".
            oldName =
                chosen == QLatin1String(CBgColorScheme::kDefault) ? QStringLiteral("Pell Vegas") : chosen;
        }
        const bool carryOver = !oldName.isEmpty() && !oldText.isEmpty();

        int count = 0;
        const BgBuiltInScheme* rows = BuiltInSchemes(&count);
        QHash<int, int> items;
        for (int i = 0; i < count; ++i) {
            const int index = items[rows[i].set]++;
            store.WriteRecentString(CBgColorScheme::DirectorySection(rows[i].set), QString::number(index),
                                    QString::fromLatin1(rows[i].name));
            store.WriteRecentString(CBgColorScheme::SchemeSection(rows[i].set),
                                    QString::fromLatin1(rows[i].name), QString::fromLatin1(rows[i].text));
        }
        for (int set : {CBgColorScheme::kSet2D, CBgColorScheme::kSet3D, CBgColorScheme::kSetPrint}) {
            store.WriteRecentInt(CBgColorScheme::DirectorySection(set), QStringLiteral("nItems"),
                                 items.value(set));
            store.WriteRecentString(CBgColorScheme::DirectorySection(set), QStringLiteral("strCurrentScheme"),
                                    QLatin1String(CBgColorScheme::kDefault));
        }
        store.WriteRecentInt(kPrefsSection, style, 2);
        store.WriteRecentInt(kPrefsSection, QStringLiteral("nVersion"), 6);
        if (carryOver) {
            store.WriteRecentInt(kPrefsSection, style, oldStyle);
            store.WriteRecentString(CBgColorScheme::DirectorySection(oldStyle),
                                    QStringLiteral("strCurrentScheme"), oldName);
            store.WriteRecentString(CBgColorScheme::SchemeSection(oldStyle),
                                    QLatin1String(CBgColorScheme::kCurrent), oldText);
        }
    }
    // A board that cannot be drawn here falls back to two dimensions at every start; a merely slow
    // machine is the user's call (the appearance page asks), so only a new table sets it back.
    const int capability = check3D ? check3D() : 0;
    if (capability == 1 || capability == 3 || capability == 4 || (capability == 2 && install))
        store.WriteInt(kPrefsSection, style, 0);
}
