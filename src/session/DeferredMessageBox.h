#pragma once

#include <QString>

#include <functional>

// The record a deferred message box carries to the main frame: shown after the current message has
// been handled, so code that runs inside packet handling never blocks in a modal box.
struct CDeferredMessageBox {
    QString text;
    unsigned type = 0;   // MB_* style bits
    unsigned helpId = 0; // 0 for none
};

// Posts the box to the main frame when there is one (the frame registers itself with
// SetDeferredMessageBoxReceiver) -> nonzero. Without a main frame the box is shown at once, through
// the Ui seam, and the button pressed is returned.
int PostDeferredMessageBox(const QString& text, unsigned type, unsigned helpId = 0);

// The main frame's side: takes the record and shows it later -> false when it cannot (then the box is
// shown at once). Null removes the receiver.
using DeferredMessageBoxReceiver = std::function<bool(const CDeferredMessageBox& box)>;
void SetDeferredMessageBoxReceiver(DeferredMessageBoxReceiver receiver);
