#include "support/controls/ColorButton.h"

#include "platform/Color.h"

#include <QPainter>
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
    if (swatch.width() <= 0 || swatch.height() <= 0)
        return;

    const QColor outline = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    if (m_color == platform::kNoColor) {
        // No colour: an empty box crossed out, as lists show "None".
        painter.setPen(outline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.drawLine(swatch.topLeft(), swatch.bottomRight());
        painter.drawLine(swatch.bottomLeft(), swatch.topRight());
        return;
    }
    QColor fill = platform::ToQColor(m_color);
    if (!isEnabled())
        fill = QColor::fromHsv(fill.hsvHue(), fill.hsvSaturation() / 3, (fill.value() + 2 * 192) / 3);
    painter.setPen(outline);
    painter.setBrush(fill);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}
