#pragma once

class QDialog;

// Qt's own dialogs (print, page set-up, the printer's properties, file choosers, colours, message
// boxes) are laid out by Qt, and Qt places and grows them without regard to the screen: the print
// dialog grows downwards where it stands when its options open, and the printer's properties are
// taller than a small screen. They are fitted as the program's own dialogs fit themselves.

// Watches every top-level dialog of the application that is not one of the program's own
// (platform::Dialog fits itself): fitted when it shows, and again when the program or Qt makes it
// larger while it is shown (a resize the user makes is his). Once per process; later calls do nothing.
void KeepQtDialogsOnScreen();

// Fits one dialog: kept whole on its screen (platform::KeepOnScreen); when even its smallest size is
// larger than the screen and its layout is a column of widgets above a button box, the widgets move
// into a scroll area, so that the dialog can be made to fit with its buttons in sight below the body.
// -> whether it changed.
bool FitQtDialog(QDialog& dialog);
