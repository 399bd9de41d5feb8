#include "platform/Color.h"
#include "platform/Geometry.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(ColorRef, RedLivesInTheLowByte) {
    static_assert(RGB(0x12, 0x34, 0x56) == 0x00563412u);
    static_assert(GetRValue(0x00563412u) == 0x12 && GetGValue(0x00563412u) == 0x34 && GetBValue(0x00563412u) == 0x56);
    EXPECT_EQ(ToQColor(RGB(255, 0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x00FF0000u), QColor(0, 0, 255));
    EXPECT_EQ(FromQColor(QColor(255, 204, 153)), RGB(255, 204, 153));
    EXPECT_EQ(FromQColor(QColor(255, 204, 153)), 0x0099CCFFu);
    // A palette flag in the high byte does not change the colour drawn.
    EXPECT_EQ(ToQColor(0x02563412u), QColor(0x12, 0x34, 0x56));
    // Semi-transparent colours lose their alpha; they still draw.
    EXPECT_EQ(FromQColor(QColor(1, 2, 3, 128)), RGB(1, 2, 3));
}

TEST(ColorRef, NoColorDrawsNothing) {
    EXPECT_EQ(FromQColor(ToQColor(kNoColor)), kNoColor);
    EXPECT_EQ(FromQColor(QColor()), kNoColor);
    EXPECT_EQ(FromQColor(QColor(Qt::transparent)), kNoColor);
    // White is a colour, not "none", although all its bytes but the top one are set.
    EXPECT_EQ(FromQColor(ToQColor(0x00FFFFFFu)), 0x00FFFFFFu);

    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30));
    {
        QPainter painter(&image);
        painter.fillRect(image.rect(), ToQColor(kNoColor));
        painter.setPen(ToQColor(kNoColor));
        painter.drawLine(0, 0, 3, 3);
    }
    EXPECT_EQ(image.pixelColor(0, 0), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(10, 20, 30));
}

TEST(MulDiv, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(MulDiv(4, 1, 3), 1);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);
    EXPECT_EQ(MulDiv(11, 96, 72), 15); // 14.67: an 11-point font is 15 pixels at 96 dpi
    EXPECT_EQ(MulDiv(15, 72, 96), 11); // and back
}

TEST(MulDiv, UsesAWideIntermediateAndReportsOverflow) {
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);
    EXPECT_EQ(MulDiv(INT32_MIN, 1, 1), -1); // magnitude beyond INT32_MAX counts as overflow
    EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(0, 3, 7), 0);
}

TEST(SystemColors, FollowTheApplicationPalette) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Base, QColor(250, 251, 252));
    palette.setColor(QPalette::Window, QColor(200, 201, 202));
    palette.setColor(QPalette::Text, QColor(1, 2, 3));
    palette.setColor(QPalette::Highlight, QColor(0, 120, 215));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 254));
    palette.setColor(QPalette::Button, QColor(240, 240, 241));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 110));
    QApplication::setPalette(palette);

    // The window colour is the background of text windows (the base), not of dialogs.
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(250, 251, 252));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), RGB(1, 2, 3));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(0, 120, 215));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), RGB(255, 255, 254));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 241));
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), RGB(109, 109, 110));
    EXPECT_EQ(GetSysColor(9999), 0u);

    // Even a transparent role gives a colour, never "draw nothing".
    palette.setColor(QPalette::ToolTipBase, Qt::transparent);
    QApplication::setPalette(palette);
    EXPECT_NE(GetSysColor(COLOR_INFOBK), kNoColor);
    QApplication::setPalette(saved);
}

TEST(Rect, RightAndBottomAreExclusive) {
    const Rect r{10, 20, 30, 40};
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.ToQRect(), QRect(10, 20, 20, 20));
    EXPECT_EQ(r.ToQRect().right(), 29);
    EXPECT_EQ(Rect::FromQRect(r.ToQRect()), r);
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(29, 39));
    EXPECT_FALSE(r.Contains(30, 25));
    EXPECT_FALSE(r.Contains(15, 40));
    EXPECT_TRUE((Rect{5, 5, 5, 9}).IsEmpty());
}

TEST(Rect, CombiningRectangles) {
    const Rect a{0, 0, 10, 10};
    const Rect b{5, 5, 20, 20};
    EXPECT_EQ(a.Intersected(b), (Rect{5, 5, 10, 10}));
    EXPECT_EQ(a.United(b), (Rect{0, 0, 20, 20}));
    // Touching edges do not overlap.
    EXPECT_FALSE(a.Intersects(Rect{10, 0, 20, 10}));
    EXPECT_TRUE(a.Intersected(Rect{10, 0, 20, 10}).IsEmpty());
    EXPECT_EQ(a.United(Rect{}), a);
    EXPECT_EQ(Rect{}.United(b), b);
    EXPECT_EQ(a.Offset(3, -2), (Rect{3, -2, 13, 8}));
    EXPECT_EQ(a.Inflated(2, 1), (Rect{-2, -1, 12, 11}));
    EXPECT_EQ((Rect{10, 10, 0, 0}).Normalized(), (Rect{0, 0, 10, 10}));
}

} // namespace
