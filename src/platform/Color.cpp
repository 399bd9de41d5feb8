#include "platform/Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

QColor ToQColor(COLORREF color) {
    if (color == kNoColor)
        return QColor(Qt::transparent);
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

COLORREF FromQColor(const QColor& color) {
    if (!color.isValid() || color.alpha() == 0)
        return kNoColor;
    const QColor rgb = color.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

COLORREF GetSysColor(int index) {
    const QPalette palette = QGuiApplication::palette();
    auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup group = QPalette::Active) {
        const QColor c = palette.color(group, r);
        return RGB(c.red(), c.green(), c.blue()); // never kNoColor, even for a transparent role
    };
    switch (index) {
    case COLOR_SCROLLBAR: return role(QPalette::Button);
    case COLOR_MENU: return role(QPalette::Window);
    case COLOR_WINDOW: return role(QPalette::Base);
    case COLOR_WINDOWFRAME: return role(QPalette::Shadow);
    case COLOR_MENUTEXT: return role(QPalette::WindowText);
    case COLOR_WINDOWTEXT: return role(QPalette::Text);
    case COLOR_HIGHLIGHT: return role(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT: return role(QPalette::HighlightedText);
    case COLOR_BTNFACE: return role(QPalette::Button);
    case COLOR_BTNSHADOW: return role(QPalette::Dark);
    case COLOR_GRAYTEXT: return role(QPalette::Text, QPalette::Disabled);
    case COLOR_BTNTEXT: return role(QPalette::ButtonText);
    case COLOR_BTNHIGHLIGHT: return role(QPalette::Light);
    case COLOR_3DDKSHADOW: return role(QPalette::Shadow);
    case COLOR_3DLIGHT: return role(QPalette::Midlight);
    case COLOR_INFOTEXT: return role(QPalette::ToolTipText);
    case COLOR_INFOBK: return role(QPalette::ToolTipBase);
    case COLOR_HOTLIGHT: return role(QPalette::Link);
    default: return 0;
    }
}

} // namespace platform
