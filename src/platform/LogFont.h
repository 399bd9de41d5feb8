#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

// A logical font as the program stores and exchanges it (the settings' "Font" texts, board label
// fonts): the fields of the original's LOGFONT, in its order and with its numbers.
namespace platform {

constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t OUT_DEFAULT_PRECIS = 0;
constexpr std::uint8_t OUT_STRING_PRECIS = 1;
constexpr std::uint8_t CLIP_DEFAULT_PRECIS = 0;
constexpr std::uint8_t CLIP_STROKE_PRECIS = 2;
constexpr std::uint8_t DEFAULT_QUALITY = 0;
constexpr std::uint8_t DRAFT_QUALITY = 1;
constexpr std::uint8_t PROOF_QUALITY = 2;
constexpr std::uint8_t NONANTIALIASED_QUALITY = 3;
constexpr std::uint8_t ANTIALIASED_QUALITY = 4;

// Pitch in the low two bits of pitchAndFamily, family in the high four.
constexpr std::uint8_t DEFAULT_PITCH = 0;
constexpr std::uint8_t FIXED_PITCH = 1;
constexpr std::uint8_t VARIABLE_PITCH = 2;
constexpr std::uint8_t FF_DONTCARE = 0x00;
constexpr std::uint8_t FF_ROMAN = 0x10;
constexpr std::uint8_t FF_SWISS = 0x20;
constexpr std::uint8_t FF_MODERN = 0x30;
constexpr std::uint8_t FF_SCRIPT = 0x40;
constexpr std::uint8_t FF_DECORATIVE = 0x50;

constexpr int kMaxFaceNameLength = 31;

struct LogFont {
    int height = 0; // < 0: character (em) height in pixels; > 0: cell height; 0: the default size
    int width = 0;  // average character width; 0: the face's own
    int escapement = 0;
    int orientation = 0;
    int weight = FW_DONTCARE; // 100..900; 400 normal, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = ANSI_CHARSET;
    std::uint8_t outPrecision = OUT_DEFAULT_PRECIS;
    std::uint8_t clipPrecision = CLIP_DEFAULT_PRECIS;
    std::uint8_t quality = DEFAULT_QUALITY;
    std::uint8_t pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    QString faceName; // at most kMaxFaceNameLength characters

    bool operator==(const LogFont&) const = default;
};

// The font to draw with. A negative height is a pixel size; a positive one picks the largest pixel
// size whose line (ascent + descent) is no taller. Escapement is left to the painter; the char set
// and the precisions have no counterpart.
QFont ToQFont(const LogFont& logFont);

// The logical font of a QFont; a point size becomes a height at dpi dots per inch (the screen's when
// dpi is 0). The face name is cut to kMaxFaceNameLength characters.
LogFont FromQFont(const QFont& font, int dpi = 0);

// Point size <-> height in logical units, both rounded to the nearest, so every size survives a save
// and reopen: PointSizeToHeight(12, 96) == -16, HeightToPointSize(-16, 96) == 12. dpi 0 = the screen's.
int PointSizeToHeight(int points, int dpi = 0);
int HeightToPointSize(int height, int dpi = 0);

// The vertical logical resolution of the primary screen (96 when there is none).
int ScreenDpiY();

// The desktop's font for dialogs and messages, as a logical font at the screen's resolution.
LogFont DefaultMessageFont();

} // namespace platform
