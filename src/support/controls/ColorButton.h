#pragma once

#include "platform/Win32Codes.h"

#include <QPushButton>

// A push button that shows one colour as a swatch. The owner reads the colour back after the user has
// picked one (the owner opens the colour dialog on clicked()).
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit CColorButton(QWidget* parent = nullptr);

    // Stores the colour and repaints the whole button; 0xFFFFFFFF shows "no colour".
    void SetColor(platform::COLORREF color);
    platform::COLORREF GetColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    platform::COLORREF m_color = 0;
};
