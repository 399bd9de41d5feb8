// Temporary stand-in until the colour button's own implementation lands; removed then.
#include "support/controls/ColorButton.h"

#include "platform/Color.h"

#include <QPainter>

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

void CColorButton::SetColor(platform::COLORREF color) {
    m_color = color;
    update();
}

void CColorButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(6, 6, -6, -6);
    if (m_color != platform::kNoColor)
        painter.fillRect(swatch, platform::ToQColor(m_color));
    painter.drawRect(swatch);
}
