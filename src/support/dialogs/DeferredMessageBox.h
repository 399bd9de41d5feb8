#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// The application's message box: owned by the main window, captioned with the application's title,
// the text always plain (texts from the server must never be read as rich text). While it is open
// the help context is helpId + 0x30000 (a box without a help id leaves it as it is). -> the ID* code
// of the button.
int DoMessageBox(const QString& text, unsigned type, unsigned helpId = 0);
// The help context of the message box that is open now, 0 when none with a help id is.
unsigned GetMessageBoxHelpContext();

// A message box to be shown later, from the event loop: what message 0x2104 carries.
struct CDeferredMessageBox {
    QString text;
    unsigned type = 0;   // MB_* style bits
    unsigned helpId = 0; // 0 for none
};

constexpr int kDeferredMessageBoxMessage = 0x2104;

// Shows a message box once the current event has been handled, so code inside packet handling never
// blocks in a modal box. When a main window is registered (SetMainWindow) the box is queued to it ->
// nonzero. Without one the box is shown at once and the button pressed is returned. GUI thread only.
int PostDeferredMessageBox(const QString& text, unsigned type, unsigned helpId = 0);

// The main frame's handling of a queued box (its 0x2104 handler). By default the box is shown with
// DoMessageBox; the main frame may install its own handler (null restores the default). The record
// is freed after the handler returns, and with the queue when the main window goes first.
using DeferredMessageBoxHandler = std::function<void(const CDeferredMessageBox& box)>;
void SetDeferredMessageBoxHandler(DeferredMessageBoxHandler handler);
// The default handling: the record's text as a notice box (below); the answer is dropped. With a
// scripted seam installed (tests) it is asked through DoMessageBox instead.
void OnDeferredMessageBox(const CDeferredMessageBox& box);
// A box with an OK button, shown modeless and without taking the keyboard, deleted when closed; at
// most kMaxNoticeBoxes stand open at once (beyond them nothing is shown: null).
constexpr int kMaxNoticeBoxes = 8;
QMessageBox* ShowNoticeBox(const QString& text, unsigned type);
int CountOpenNoticeBoxes();

// Earlier form of the main frame's hook: a receiver that takes the record itself and answers
// whether it will show it later (false: the box is shown at once). A set receiver is asked first.
using DeferredMessageBoxReceiver = std::function<bool(const CDeferredMessageBox& box)>;
void SetDeferredMessageBoxReceiver(DeferredMessageBoxReceiver receiver);
