#pragma once

#include "platform/Win32Codes.h"

#include <QComboBox>

// A drop-down list of colours, each shown as a swatch with its name.
class CColorLB : public QComboBox {
    Q_OBJECT
public:
    explicit CColorLB(QWidget* parent = nullptr);

    // Fills the list with "None" (kNoColor, when asked) and the sixteen standard colours.
    void AddStandardColors(bool withNone);
    // Selects the item of that colour, adding the colour first when the list lacks it -> its index.
    int SelectColor(platform::COLORREF color);
    // The selected colour; 0 when nothing is selected.
    platform::COLORREF GetSelectedColor() const;
    // The item of that colour, -1 when absent.
    int FindColor(platform::COLORREF color) const;
    // Adds one colour with its name -> its index.
    int AddColor(platform::COLORREF color, const QString& name);

    struct NamedColor {
        platform::COLORREF color;
        const char* name;
    };
    // The sixteen standard colours in list order.
    static const NamedColor kStandardColors[16];
};
