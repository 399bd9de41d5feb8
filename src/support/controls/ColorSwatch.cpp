#include "support/controls/ColorSwatch.h"

#include "platform/Color.h"

#include <QPainter>

void PaintColorSwatch(QPainter& painter, const QRect& rect, platform::COLORREF color, const QColor& outline) {
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    painter.save();
    painter.setPen(outline);
    const QRect box = rect.adjusted(0, 0, -1, -1);
    if (color == platform::kNoColor) {
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.bottomLeft(), box.topRight());
    } else {
        painter.setBrush(platform::ToQColor(color));
        painter.drawRect(box);
    }
    painter.restore();
}
