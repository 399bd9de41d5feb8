#include "support/controls/ColorButton.h"

#include "support/controls/ColorSwatch.h"

#include <QStyle>
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
    // The frame and focus of a push button, with the swatch in place of the label.
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect swatch = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    swatch.adjust(3, 3, -3, -3);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        swatch.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                         style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    const QColor outline = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    if (!isEnabled())
        painter.setOpacity(0.4);
    PaintColorSwatch(painter, swatch, m_color, outline);
}
