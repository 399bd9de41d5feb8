#pragma once

#include "platform/Win32Codes.h"

class QWidget;

// Lets the user pick a colour, starting from color (the colour dialog with the sixteen remembered
// custom colours), through the Ui seam -> false on Cancel; on OK color holds the choice.
bool ChooseColor(QWidget* parent, platform::COLORREF& color);
