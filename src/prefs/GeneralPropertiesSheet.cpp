#include "prefs/GeneralPropertiesSheet.h"

CGeneralPropertiesSheet::CGeneralPropertiesSheet(int firstPage, int fontKind)
    : PropertySheet(tr("General Properties"), nullptr, firstPage >= kFontPage && firstPage <= kNotificationPage ? firstPage : 0),
      m_font(fontKind) {
    for (platform::PropertyPage* page :
         std::initializer_list<platform::PropertyPage*>{&m_font, &m_view, &m_macros, &m_sound, &m_notification})
        AddPage(page);
}

int ShowGeneralPropertiesSheet(int firstPage, int fontKind) {
    CGeneralPropertiesSheet sheet(firstPage, fontKind);
    return sheet.DoModal();
}
