#pragma once

#include <QString>

// The web panes' way to tell the user something while a browser event or a window's creation is
// being handled: the box is shown after the current message, through the deferred message box.
void PostWebMessageBox(const QString& text, unsigned type);
