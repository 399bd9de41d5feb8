#include "platform/LogFont.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(FontSizes, EveryUsualSizeSurvivesASaveAndReopen) {
    for (int dpi : {96, ScreenDpiY(), 72, 120, 144, 192}) {
        for (int points = 8; points <= 72; ++points) {
            const int height = PointSizeToHeight(points, dpi);
            EXPECT_LT(height, 0);
            EXPECT_EQ(HeightToPointSize(height, dpi), points) << points << " pt at " << dpi << " dpi";
        }
    }
}

TEST(FontSizes, HeightsRoundToTheNearestPixel) {
    EXPECT_EQ(PointSizeToHeight(12, 96), -16);
    EXPECT_EQ(PointSizeToHeight(10, 96), -13); // 13.33
    EXPECT_EQ(PointSizeToHeight(11, 96), -15); // 14.67, where truncating would give 14 and then 10 pt
    EXPECT_EQ(PointSizeToHeight(8, 96), -11);
    EXPECT_EQ(HeightToPointSize(-13, 96), 10);
    EXPECT_EQ(HeightToPointSize(13, 96), 10); // a cell height converts the same way
    EXPECT_EQ(PointSizeToHeight(12, 0), PointSizeToHeight(12, ScreenDpiY()));
}

TEST(LogFontToQFont, NegativeHeightIsThePixelSizeOfTheCharacters) {
    LogFont lf;
    lf.height = -16;
    lf.weight = FW_BOLD;
    lf.italic = 1;
    lf.underline = 1;
    lf.faceName = "Arial";
    const QFont font = ToQFont(lf);
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.strikeOut());
    EXPECT_EQ(font.family(), "Arial");

    LogFont plain;
    plain.height = -12;
    EXPECT_EQ(ToQFont(plain).weight(), QFont::Normal); // "don't care" draws normal
}

TEST(LogFontToQFont, PositiveHeightIsTheWholeCell) {
    for (int cell : {10, 16, 20, 33}) {
        LogFont lf;
        lf.height = cell;
        lf.faceName = "Arial";
        QFont font = ToQFont(lf);
        ASSERT_GT(font.pixelSize(), 0);
        EXPECT_LE(QFontMetrics(font).height(), cell);
        EXPECT_LT(font.pixelSize(), cell); // the em is shorter than the cell
        font.setPixelSize(font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(font).height(), cell) << "a larger size would still fit " << cell;
    }
}

TEST(LogFontToQFont, PitchAndFamilyGuideTheSubstitute) {
    LogFont courier;
    courier.height = -13;
    courier.faceName = "Courier New";
    courier.pitchAndFamily = FIXED_PITCH | FF_MODERN; // 0x31
    const QFont font = ToQFont(courier);
    EXPECT_TRUE(QFontInfo(font).fixedPitch());
    EXPECT_EQ(FromQFont(font).pitchAndFamily, 0x31);

    // A face the machine lacks still gives a font of the asked kind.
    LogFont missing;
    missing.height = -13;
    missing.faceName = "NoSuchFaceAnywhere";
    missing.pitchAndFamily = FIXED_PITCH | FF_MODERN;
    EXPECT_TRUE(QFontInfo(ToQFont(missing)).fixedPitch());
}

TEST(LogFontToQFont, WidthStretchesTheFace) {
    LogFont lf;
    lf.height = -20;
    lf.faceName = "DejaVu Sans";
    const int natural = QFontMetrics(ToQFont(lf)).averageCharWidth();
    lf.width = natural * 2;
    const QFont wide = ToQFont(lf);
    EXPECT_NEAR(QFontMetrics(wide).averageCharWidth(), natural * 2, 2);
}

TEST(QFontToLogFont, PointSizesBecomeHeightsAtTheGivenResolution) {
    QFont arial("Arial", 12, QFont::Bold);
    const LogFont lf = FromQFont(arial, 96);
    EXPECT_EQ(lf.height, -16);
    EXPECT_EQ(lf.weight, FW_BOLD);
    EXPECT_EQ(lf.italic, 0);
    EXPECT_EQ(lf.faceName, "Arial");
    EXPECT_EQ(lf.charSet, ANSI_CHARSET);
    EXPECT_EQ(FromQFont(arial, 120).height, -20);
}

TEST(QFontToLogFont, RoundTripKeepsTheStoredFields) {
    LogFont lf;
    lf.height = -15;
    lf.weight = FW_NORMAL;
    lf.italic = 1;
    lf.strikeOut = 1;
    lf.quality = NONANTIALIASED_QUALITY;
    lf.pitchAndFamily = FF_ROMAN;
    lf.faceName = "Liberation Serif";
    EXPECT_EQ(FromQFont(ToQFont(lf)), lf);

    // Sizes chosen in points come back as the same points after a store at the screen's dpi.
    for (int points = 8; points <= 72; ++points) {
        LogFont sized;
        sized.height = PointSizeToHeight(points);
        sized.weight = FW_NORMAL;
        sized.faceName = "Arial";
        EXPECT_EQ(HeightToPointSize(FromQFont(ToQFont(sized)).height), points);
    }
}

TEST(QFontToLogFont, FaceNamesAreCutTo31Characters) {
    QFont font(QString(40, 'x'));
    EXPECT_EQ(FromQFont(font).faceName, QString(31, 'x'));
}

TEST(MessageFont, IsAReadableFontInPixels) {
    const LogFont lf = DefaultMessageFont();
    EXPECT_LT(lf.height, 0);
    EXPECT_GE(HeightToPointSize(lf.height), 6);
    EXPECT_FALSE(lf.faceName.isEmpty());
    EXPECT_GT(lf.weight, 0);
}

} // namespace
