#include "web/WebMessageBox.h"

#include "session/DeferredMessageBox.h"

void PostWebMessageBox(const QString& text, unsigned type) { PostDeferredMessageBox(text, type); }
