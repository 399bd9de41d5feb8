#include "platform/LogFont.h"

#include "platform/Color.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>

namespace platform {

namespace {

int effectiveDpi(int dpi) { return dpi > 0 ? dpi : ScreenDpiY(); }

QFont::StyleHint styleHintOf(std::uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return QFont::Serif;
    case FF_SWISS: return QFont::SansSerif;
    case FF_MODERN: return QFont::Monospace;
    case FF_SCRIPT: return QFont::Cursive;
    case FF_DECORATIVE: return QFont::Decorative;
    default: return (pitchAndFamily & 0x3) == FIXED_PITCH ? QFont::Monospace : QFont::AnyStyle;
    }
}

std::uint8_t familyOf(QFont::StyleHint hint) {
    switch (hint) {
    case QFont::Serif: return FF_ROMAN;
    case QFont::SansSerif: return FF_SWISS;
    case QFont::Monospace:
    case QFont::TypeWriter: return FF_MODERN;
    case QFont::Cursive: return FF_SCRIPT;
    case QFont::Decorative:
    case QFont::Fantasy: return FF_DECORATIVE;
    default: return FF_DONTCARE;
    }
}

// The largest pixel size whose line height does not pass cellHeight (at least 1).
int pixelSizeForCellHeight(QFont font, int cellHeight) {
    auto lineHeight = [&font](int pixelSize) {
        font.setPixelSize(pixelSize);
        return QFontMetrics(font).height();
    };
    // The em is shorter than the cell by the internal leading: estimate once, then step.
    const int first = qMax(1, lineHeight(cellHeight));
    int size = qBound(1, MulDiv(cellHeight, cellHeight, first), cellHeight);
    for (int guard = 0; guard < 64 && size > 1 && lineHeight(size) > cellHeight; ++guard)
        --size;
    for (int guard = 0; guard < 64 && size < cellHeight && lineHeight(size + 1) <= cellHeight; ++guard)
        ++size;
    return size;
}

} // namespace

int ScreenDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 0;
    return dpi > 0 ? dpi : 96;
}

int PointSizeToHeight(int points, int dpi) { return -MulDiv(points, effectiveDpi(dpi), 72); }

int HeightToPointSize(int height, int dpi) { return MulDiv(std::abs(height), 72, effectiveDpi(dpi)); }

namespace {

// A fixed-pitch family the machine really has. The desktop's fixed font may be a generic alias
// ("monospace") that the font database lists but resolves to a proportional face, so each candidate
// is judged by the face it really gives.
QString fixedPitchFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        QStringList candidates{QFontDatabase::systemFont(QFontDatabase::FixedFont).family(), "DejaVu Sans Mono",
                               "Liberation Mono", "Noto Sans Mono"};
        candidates += installed;
        for (const QString& name : candidates)
            if (installed.contains(name, Qt::CaseInsensitive) && QFontInfo(QFont(name)).fixedPitch())
                return name;
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}

} // namespace

QFont ToQFont(const LogFont& logFont) {
    QFont font;
    const bool fixed = (logFont.pitchAndFamily & 0x3) == FIXED_PITCH;
    QStringList families;
    if (!logFont.faceName.isEmpty())
        families << logFont.faceName;
    // A face the machine lacks falls back to one of the asked pitch; fontconfig alone may ignore
    // the style hint and hand out a proportional face.
    if (fixed)
        families << fixedPitchFamily();
    if (!families.isEmpty())
        font.setFamilies(families);
    font.setStyleHint(styleHintOf(logFont.pitchAndFamily));
    if (fixed)
        font.setFixedPitch(true);
    if (logFont.height < 0)
        font.setPixelSize(-logFont.height);
    else if (logFont.height > 0)
        font.setPixelSize(pixelSizeForCellHeight(font, logFont.height));
    font.setWeight(QFont::Weight(logFont.weight <= 0 ? FW_NORMAL : qBound(1, logFont.weight, 1000)));
    font.setItalic(logFont.italic != 0);
    font.setUnderline(logFont.underline != 0);
    font.setStrikeOut(logFont.strikeOut != 0);
    if (logFont.quality == NONANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::NoAntialias);
    else if (logFont.quality >= ANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::PreferAntialias);
    if (logFont.width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(qBound(1, MulDiv(100, logFont.width, natural), 4000));
    }
    return font;
}

LogFont FromQFont(const QFont& font, int dpi) {
    LogFont out;
    if (font.pixelSize() > 0)
        out.height = -font.pixelSize();
    else
        out.height = -qRound(font.pointSizeF() * effectiveDpi(dpi) / 72.0);
    if (font.stretch() != QFont::AnyStretch && font.stretch() != QFont::Unstretched)
        out.width = QFontMetrics(font).averageCharWidth();
    out.weight = font.weight();
    out.italic = font.italic() ? 1 : 0;
    out.underline = font.underline() ? 1 : 0;
    out.strikeOut = font.strikeOut() ? 1 : 0;
    if (font.styleStrategy() & QFont::NoAntialias)
        out.quality = NONANTIALIASED_QUALITY;
    else if (font.styleStrategy() & QFont::PreferAntialias)
        out.quality = ANTIALIASED_QUALITY;
    out.pitchAndFamily = std::uint8_t((font.fixedPitch() ? FIXED_PITCH : DEFAULT_PITCH) | familyOf(font.styleHint()));
    out.faceName = font.family().left(kMaxFaceNameLength);
    return out;
}

LogFont DefaultMessageFont() { return FromQFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont)); }

} // namespace platform
