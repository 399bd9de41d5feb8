#pragma once

#include "platform/Win32Codes.h"

#include <QColor>
#include <QRect>

class QPainter;

// Draws one colour as a framed swatch; "no colour" (kNoColor) as an empty box crossed out, so it is
// never mistaken for white or black.
void PaintColorSwatch(QPainter& painter, const QRect& rect, platform::COLORREF color, const QColor& outline);
