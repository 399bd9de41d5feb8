#pragma once

#include "platform/Win32Codes.h"

#include <QColor>
#include <cstdint>

// Colours as the program stores and computes them: COLORREF 0x00BBGGRR, red in the low byte;
// kNoColor (0xFFFFFFFF, a stored -1) means "draw nothing in this colour".
namespace platform {

constexpr COLORREF RGB(int red, int green, int blue) {
    return COLORREF(std::uint8_t(red)) | COLORREF(std::uint8_t(green)) << 8 | COLORREF(std::uint8_t(blue)) << 16;
}
constexpr int GetRValue(COLORREF color) { return int(color & 0xFF); }
constexpr int GetGValue(COLORREF color) { return int((color >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF color) { return int((color >> 16) & 0xFF); }

// kNoColor becomes fully transparent, so filling or stroking with it draws nothing. Any other value
// is taken by its three colour bytes; palette flags in the high byte are ignored.
QColor ToQColor(COLORREF color);
// An invalid or fully transparent colour becomes kNoColor; alpha is otherwise dropped.
COLORREF FromQColor(const QColor& color);

// number * numerator / denominator with a 64-bit intermediate, rounded half away from zero;
// -1 when the denominator is 0 or the result does not fit an int.
constexpr int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const std::int64_t product = std::int64_t(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::uint64_t magnitude = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
    const std::uint64_t divisor = denominator < 0 ? std::uint64_t(-std::int64_t(denominator)) : std::uint64_t(denominator);
    const std::uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > std::uint64_t(INT32_MAX))
        return -1;
    return negative ? -int(quotient) : int(quotient);
}

// System colour indexes, with the numbers the original used.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;

// The desktop's colour for that index, from the application's palette (0, black, for an index the
// program does not use). "Window" is the background of text windows and lists, not of dialogs.
COLORREF GetSysColor(int index);

} // namespace platform
