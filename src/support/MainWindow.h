#pragma once

class QWidget;

// The application's main window as the lower layers see it: the owner of the application's message
// boxes, the area that new dialogs cascade in and the target of deferred message boxes. The main
// frame registers itself when it is made; the pointer clears itself when that window is destroyed.
void SetMainWindow(QWidget* window);
// The registered main window, null when there is none (yet, or any more).
QWidget* GetMainWindow();
