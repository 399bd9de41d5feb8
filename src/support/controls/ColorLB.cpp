#include "support/controls/ColorLB.h"

#include "platform/Color.h"
#include "support/controls/ColorSwatch.h"

#include <QPainter>
#include <QPixmap>

using platform::RGB;

const CColorLB::NamedColor CColorLB::kStandardColors[16] = {
    {RGB(0, 0, 0), "Black"},       {RGB(128, 0, 0), "Maroon"},    {RGB(0, 128, 0), "Green"},
    {RGB(128, 128, 0), "Olive"},   {RGB(0, 0, 128), "Navy"},      {RGB(128, 0, 128), "Purple"},
    {RGB(0, 128, 128), "Teal"},    {RGB(128, 128, 128), "Gray"},  {RGB(192, 192, 192), "Silver"},
    {RGB(255, 0, 0), "Red"},       {RGB(0, 255, 0), "Lime"},      {RGB(255, 255, 0), "Yellow"},
    {RGB(0, 0, 255), "Blue"},      {RGB(255, 0, 255), "Fuchsia"}, {RGB(0, 255, 255), "Aqua"},
    {RGB(255, 255, 255), "White"},
};

CColorLB::CColorLB(QWidget* parent) : QComboBox(parent) { setIconSize(QSize(24, 14)); }

void CColorLB::AddStandardColors(bool withNone) {
    if (withNone)
        AddColor(platform::kNoColor, QStringLiteral("None"));
    for (const NamedColor& entry : kStandardColors)
        AddColor(entry.color, QString::fromLatin1(entry.name));
}

int CColorLB::AddColor(platform::COLORREF color, const QString& name) {
    QPixmap swatch(iconSize());
    swatch.fill(Qt::transparent);
    {
        QPainter painter(&swatch);
        PaintColorSwatch(painter, swatch.rect(), color, palette().color(QPalette::Text));
    }
    addItem(QIcon(swatch), name, QVariant::fromValue<quint32>(color));
    return count() - 1;
}

int CColorLB::FindColor(platform::COLORREF color) const {
    for (int i = 0; i < count(); ++i)
        if (itemData(i).value<quint32>() == color)
            return i;
    return -1;
}

int CColorLB::SelectColor(platform::COLORREF color) {
    int index = FindColor(color);
    if (index < 0) {
        const QString name = color == platform::kNoColor
                                 ? QStringLiteral("None")
                                 : QStringLiteral("Custom (%1, %2, %3)")
                                       .arg(platform::GetRValue(color))
                                       .arg(platform::GetGValue(color))
                                       .arg(platform::GetBValue(color));
        index = AddColor(color, name);
    }
    setCurrentIndex(index);
    return index;
}

platform::COLORREF CColorLB::GetSelectedColor() const {
    const int index = currentIndex();
    return index < 0 ? 0 : itemData(index).value<quint32>();
}
