#include "support/controls/ColorButton.h"

#include "platform/Color.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

void CColorButton::SetColor(platform::COLORREF color) {
    m_color = color;
    update();
}

void CColorButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect swatch = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 2, -2, -2);
    if (m_color == platform::kNoColor) {
        // No colour: an empty frame crossed out.
        painter.setPen(palette().color(isEnabled() ? QPalette::ButtonText : QPalette::PlaceholderText));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.drawLine(swatch.topLeft(), swatch.bottomRight());
        return;
    }
    painter.fillRect(swatch, platform::ToQColor(m_color));
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}
