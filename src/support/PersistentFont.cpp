#include "support/PersistentFont.h"

#include "support/SettingsStore.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

#include <limits>

using platform::LogFont;

namespace {

const QString kFontValue = QStringLiteral("Font");

// Reads the text's decimal numbers one at a time, as a scanf("%d") chain would: blanks before each,
// an optional sign, at least one digit.
class NumberReader {
public:
    explicit NumberReader(const QString& text) : m_text(text) {}

    bool Next(int minimum, int maximum, int& value) {
        qsizetype at = m_at;
        while (at < m_text.size() && m_text[at].isSpace())
            ++at;
        bool negative = false;
        if (at < m_text.size() && (m_text[at] == u'-' || m_text[at] == u'+'))
            negative = m_text[at++] == u'-';
        const qsizetype digits = at;
        qint64 number = 0;
        while (at < m_text.size() && m_text[at] >= u'0' && m_text[at] <= u'9') {
            number = number * 10 + (m_text[at++].unicode() - u'0');
            if (number > std::numeric_limits<int>::max())
                return false;
        }
        if (at == digits)
            return false;
        if (negative)
            number = -number;
        if (number < minimum || number > maximum)
            return false;
        value = int(number);
        m_at = at;
        return true;
    }
    qsizetype Position() const { return m_at; }

private:
    const QString& m_text;
    qsizetype m_at = 0;
};

// The eight numbers of a description, in order, with the range each may take.
struct NumberField {
    int minimum;
    int maximum;
    void (*store)(LogFont&, int);
};
const NumberField kNumberFields[] = {
    {-kMaxStoredFontHeight, kMaxStoredFontHeight, [](LogFont& f, int v) { f.height = v; }},
    {0, 1000, [](LogFont& f, int v) { f.weight = v; }},
    {0, 255, [](LogFont& f, int v) { f.italic = std::uint8_t(v); }},
    {0, 255, [](LogFont& f, int v) { f.charSet = std::uint8_t(v); }},
    {0, 255, [](LogFont& f, int v) { f.outPrecision = std::uint8_t(v); }},
    {0, 255, [](LogFont& f, int v) { f.clipPrecision = std::uint8_t(v); }},
    {0, 255, [](LogFont& f, int v) { f.quality = std::uint8_t(v); }},
    {0, 255, [](LogFont& f, int v) { f.pitchAndFamily = std::uint8_t(v); }},
};

// Reads up to eight numbers into font -> how many were read; the reader stops after the last one.
int readNumbers(NumberReader& reader, LogFont& font) {
    int count = 0;
    for (const NumberField& field : kNumberFields) {
        int value = 0;
        if (!reader.Next(field.minimum, field.maximum, value))
            break;
        field.store(font, value);
        ++count;
    }
    return count;
}

} // namespace

QString CutFaceName(const QString& face) {
    if (face.size() <= platform::kMaxFaceNameLength)
        return face;
    qsizetype length = platform::kMaxFaceNameLength;
    if (face[length - 1].isHighSurrogate())
        --length;
    return face.left(length);
}

QString FormatFontDescription(const LogFont& font) {
    QString face = CutFaceName(font.faceName);
    face.remove(u'"');
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 \"%9\"")
        .arg(font.height)
        .arg(font.weight)
        .arg(font.italic)
        .arg(font.charSet)
        .arg(font.outPrecision)
        .arg(font.clipPrecision)
        .arg(font.quality)
        .arg(font.pitchAndFamily)
        .arg(face);
}

bool ParseFontDescription(const QString& text, LogFont& font) {
    NumberReader reader(text);
    LogFont parsed = font;
    if (readNumbers(reader, parsed) != int(std::size(kNumberFields)))
        return false;
    const qsizetype open = text.indexOf(u'"', reader.Position());
    if (open < 0)
        return false;
    const qsizetype close = text.indexOf(u'"', open + 1);
    parsed.faceName = CutFaceName(text.mid(open + 1, close < 0 ? -1 : close - open - 1));
    font = parsed;
    return true;
}

int ReadFontDescriptionLeniently(const QString& text, LogFont& font) {
    NumberReader reader(text);
    const int count = readNumbers(reader, font);
    const qsizetype open = text.indexOf(u'"');
    if (open >= 0) {
        QString face = text.mid(open + 1);
        if (face.endsWith(u'"'))
            face.chop(1);
        font.faceName = CutFaceName(face);
    }
    return count;
}

QString ResolveFaceName(const QString& face) {
    if (face.size() != platform::kMaxFaceNameLength)
        return face;
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        if (family.compare(face, Qt::CaseInsensitive) == 0)
            return family;
    for (const QString& family : families)
        if (family.startsWith(face, Qt::CaseInsensitive))
            return family;
    return face;
}

QFont FontFromLogFont(const LogFont& font) {
    LogFont resolved = font;
    resolved.faceName = ResolveFaceName(font.faceName);
    return platform::ToQFont(resolved);
}

LogFont DefaultPageFont() {
    LogFont font = platform::DefaultMessageFont();
    if (!font.faceName.isEmpty()) {
        font.weight = platform::FW_NORMAL;
        font.italic = 0;
        return font;
    }
    LogFont fallback;
    fallback.height = QFontMetrics(QApplication::font()).height();
    fallback.faceName = QStringLiteral("Arial");
    fallback.pitchAndFamily = platform::VARIABLE_PITCH | platform::FF_SWISS;
    return fallback;
}

// ---- CPersistentFont ---------------------------------------------------------------------------

bool CPersistentFont::Load(const QString& section) {
    m_section = section;
    const QString text = section.isEmpty() ? QString() : GetSettingsStore().GetString(section, kFontValue);
    if (!text.isEmpty())
        return CreateFromSettings(section, 0);
    const LogFont system = platform::DefaultMessageFont();
    if (!system.faceName.isEmpty()) {
        Create(system);
        SaveDescription(system);
        return true;
    }
    return CreateFromSettings(section, 2);
}

bool CPersistentFont::CreateFromSettings(const QString& section, int defaultKind, int dpi) {
    CSettingsStore& store = GetSettingsStore();
    LogFont stored;
    if (!section.isEmpty() && ParseFontDescription(store.GetString(section, kFontValue), stored)) {
        Create(stored);
        return true;
    }
    const LogFont fallback = DefaultFont(defaultKind, dpi);
    Create(fallback);
    if (!section.isEmpty())
        store.WriteString(section, kFontValue, FormatFontDescription(fallback));
    return true;
}

void CPersistentFont::SaveDescription(const LogFont& font) const {
    if (!m_section.isEmpty())
        GetSettingsStore().WriteString(m_section, kFontValue, FormatFontDescription(font));
}

LogFont CPersistentFont::DefaultFont(int defaultKind, int dpi) {
    LogFont font;
    font.height = platform::PointSizeToHeight(10, dpi);
    font.weight = platform::FW_NORMAL;
    switch (defaultKind) {
    case 1:
        font.faceName = QStringLiteral("Courier New");
        font.pitchAndFamily = platform::FIXED_PITCH | platform::FF_MODERN;
        break;
    case 2:
        font.faceName = QStringLiteral("MSSansSerif");
        font.pitchAndFamily = platform::VARIABLE_PITCH;
        break;
    default: font.faceName = QStringLiteral("System"); break;
    }
    return font;
}

void CPersistentFont::DeleteObject() {
    m_created = false;
    m_logFont = LogFont();
    m_font = QFont();
}

QFont CPersistentFont::GetFont() const { return m_created ? m_font : QApplication::font(); }

void CPersistentFont::Create(const LogFont& font) {
    m_logFont = font;
    m_logFont.faceName = CutFaceName(font.faceName);
    m_font = FontFromLogFont(m_logFont);
    m_created = true;
}
