#pragma once

#include <functional>

class QObject;
class QString;
class QWidget;

// What the features ask of the application's main window without knowing the application: deferred
// calls on the GUI thread and the user's browser. The main frame implements it; features reach it
// through GetMainWindowServices(), null while no main window is registered.
class CMainWindowServices {
public:
    virtual ~CMainWindowServices() = default;
    // Calls function later on the GUI thread, unless object has been destroyed by then (a null object
    // guards nothing). The function and what it holds are freed either way.
    virtual void PostInvitationCall(QObject* object, std::function<void()> function) = 0;
    // Opens an address in the user's browser; only http, https and mailto addresses leave the program.
    virtual bool OpenInExternalBrowser(const QString& address) = 0;
};

// The application's main window as the lower layers see it: the owner of the application's message
// boxes, the area that new dialogs cascade in and the target of deferred message boxes. The main
// frame registers itself when it is made (with its services); both clear themselves when that window
// is destroyed.
void SetMainWindow(QWidget* window, CMainWindowServices* services = nullptr);
// The registered main window, null when there is none (yet, or any more).
QWidget* GetMainWindow();
// The registered main window's services, null when there is no main window or it gave none.
CMainWindowServices* GetMainWindowServices();
