#include "support/controls/MappedBitmap.h"

#include <gtest/gtest.h>

namespace {

TEST(MappedBitmap, OnlyExactLightGreyTakesTheFaceColour) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0xC0, 0xC0, 0xC0));
    image.setPixel(1, 0, qRgb(0xC0, 0xC0, 0xC1));
    image.setPixel(2, 0, qRgb(0x10, 0x20, 0x30));
    const QImage mapped = CMappedBitmap::MapLightGrey(image, QColor(1, 2, 3));
    EXPECT_EQ(mapped.pixelColor(0, 0), QColor(1, 2, 3));
    EXPECT_EQ(mapped.pixelColor(1, 0), QColor(0xC0, 0xC0, 0xC1));
    EXPECT_EQ(mapped.pixelColor(2, 0), QColor(0x10, 0x20, 0x30));
}

TEST(MappedBitmap, AMissingPictureLeavesTheControlEmpty) {
    CMappedBitmap bitmap;
    EXPECT_FALSE(bitmap.LoadMappedBitmap("no-such-picture.png"));
    EXPECT_TRUE(bitmap.pixmap().isNull());
    EXPECT_FALSE(bitmap.LoadMappedBitmap("../../etc/passwd")); // never outside the data files
}

} // namespace
