#pragma once

#include "platform/Win32Codes.h"

class QWidget;

// Lets the user pick a colour, starting from color, in the program's colour dialog run modally
// through the Ui seam -> true with the choice in color on OK; color is unchanged on Cancel.
bool ChooseColor(QWidget* parent, platform::COLORREF& color);
