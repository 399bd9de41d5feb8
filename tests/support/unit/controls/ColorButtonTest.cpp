#include "platform/Color.h"
#include "support/controls/ColorButton.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using platform::RGB;

QImage render(CColorButton& button) {
    button.resize(60, 30);
    QImage image(button.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    button.render(&image);
    return image;
}

// The swatch fills the middle of the button; red sits in the low byte of the stored colour.
TEST(ColorButton, PaintsTheStoredColourAsASwatch) {
    CColorButton button;
    button.SetColor(RGB(0xF0, 0, 0));
    EXPECT_EQ(button.GetColor(), 0xF0u);
    const QImage image = render(button);
    EXPECT_EQ(image.pixelColor(30, 15), QColor(0xF0, 0, 0));

    button.SetColor(0xF00000); // blue
    EXPECT_EQ(render(button).pixelColor(30, 15), QColor(0, 0, 0xF0));
}

TEST(ColorButton, NoColourIsNeverDrawnAsWhiteOrBlack) {
    CColorButton button;
    button.SetColor(platform::kNoColor);
    const QImage image = render(button);
    // The inside of the crossed box shows the button face, not a filled colour.
    const QColor inside = image.pixelColor(30, 10);
    EXPECT_NE(inside, QColor(Qt::white));
    EXPECT_EQ(button.GetColor(), platform::kNoColor);
}

} // namespace
