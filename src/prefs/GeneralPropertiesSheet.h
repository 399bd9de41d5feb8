#pragma once

#include "platform/PropertySheet.h"
#include "prefs/FontPage.h"
#include "prefs/MacroPreferences.h"
#include "prefs/NotificationPrefs.h"
#include "prefs/SoundPropertyPg.h"
#include "prefs/ViewPref.h"

// The "General Properties" sheet: "Font", "View", "Macros", "Sound" and "Notification", in that
// order. It has no parent window, so the windows it tells about changes never include itself.
class CGeneralPropertiesSheet : public platform::PropertySheet {
    Q_OBJECT
public:
    enum PageIndex { kFontPage = 0, kViewPage = 1, kMacrosPage = 2, kSoundPage = 3, kNotificationPage = 4 };

    // Opens on firstPage (out of range: the first) with the font page on the window kind fontKind.
    CGeneralPropertiesSheet(int firstPage, int fontKind);

    CFontPage& FontPage() { return m_font; }
    CViewPref& ViewPage() { return m_view; }
    CMacroPreferences& MacrosPage() { return m_macros; }
    CSoundPropertyPg& SoundPage() { return m_sound; }
    CNotificationPrefs& NotificationPage() { return m_notification; }

private:
    CFontPage m_font;
    CViewPref m_view;
    CMacroPreferences m_macros;
    CSoundPropertyPg m_sound;
    CNotificationPrefs m_notification;
};

// Runs the sheet modally; each page that was shown saves itself on OK and Apply -> the result
// (IDOK or IDCANCEL). A text window's Properties command opens page 0 on its own kind; Edit Macros
// opens page 2 with kind 0.
int ShowGeneralPropertiesSheet(int firstPage, int fontKind);
