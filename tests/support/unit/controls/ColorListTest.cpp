#include "platform/Color.h"
#include "support/controls/ColorLB.h"

#include <gtest/gtest.h>

namespace {

using platform::RGB;

TEST(ColorLB, StandardColoursWithAndWithoutNone) {
    CColorLB withNone;
    withNone.AddStandardColors(true);
    ASSERT_EQ(withNone.count(), 17);
    EXPECT_EQ(withNone.itemText(0), "None");
    EXPECT_EQ(withNone.itemData(0).value<quint32>(), platform::kNoColor);
    EXPECT_EQ(withNone.itemData(10).value<quint32>(), RGB(255, 0, 0)); // red keeps its byte order
    EXPECT_EQ(withNone.itemData(13).value<quint32>(), RGB(0, 0, 255));

    CColorLB plain;
    plain.AddStandardColors(false);
    EXPECT_EQ(plain.count(), 16);
    EXPECT_EQ(plain.FindColor(platform::kNoColor), -1);
}

TEST(ColorLB, SelectingAddsAMissingColourOnce) {
    CColorLB list;
    list.AddStandardColors(true);
    EXPECT_EQ(list.GetSelectedColor(), platform::kNoColor); // the first item starts selected

    EXPECT_EQ(list.SelectColor(RGB(0, 128, 128)), 7);
    EXPECT_EQ(list.GetSelectedColor(), RGB(0, 128, 128));

    const platform::COLORREF custom = RGB(12, 34, 56);
    const int index = list.SelectColor(custom);
    EXPECT_EQ(index, 17);
    EXPECT_EQ(list.count(), 18);
    EXPECT_EQ(list.GetSelectedColor(), custom);
    EXPECT_EQ(list.SelectColor(custom), index); // found, not added again
    EXPECT_EQ(list.count(), 18);

    // "None" is added as such when the list was filled without it.
    CColorLB plain;
    plain.AddStandardColors(false);
    plain.SelectColor(platform::kNoColor);
    EXPECT_EQ(plain.currentText(), "None");
    EXPECT_EQ(plain.GetSelectedColor(), platform::kNoColor);
}

TEST(ColorLB, NothingSelectedReadsAsZero) {
    CColorLB list;
    EXPECT_EQ(list.GetSelectedColor(), 0u);
    list.AddStandardColors(true);
    list.setCurrentIndex(-1);
    EXPECT_EQ(list.GetSelectedColor(), 0u);
}

} // namespace
