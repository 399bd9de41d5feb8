#include "support/controls/FamilyComboBox.h"
#include "support/controls/FontComboBox.h"
#include "support/controls/SpinButton.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FontComboBox, ListsTheScreensFamiliesInNameOrder) {
    CKWFontComboBox box;
    box.FillFontList();
    ASSERT_GT(box.count(), 0);
    EXPECT_TRUE(box.isEnabled());
    for (int i = 1; i < box.count(); ++i)
        EXPECT_LE(box.itemText(i - 1).compare(box.itemText(i), Qt::CaseInsensitive), 0);
    EXPECT_GE(box.FindFace("Liberation Mono"), 0);
    EXPECT_EQ(box.GetItemFontInfo(box.FindFace("Liberation Mono")).pitchAndFamily & 0x3, platform::FIXED_PITCH);
    EXPECT_EQ(box.GetItemFontInfo(box.FindFace("Liberation Sans")).pitchAndFamily & 0x3, platform::VARIABLE_PITCH);
}

TEST(FontComboBox, SelectedTypedOrFirstEntry) {
    CKWFontComboBox box;
    box.FillFontList();
    box.setCurrentIndex(-1);
    box.setEditText(QString());
    EXPECT_EQ(box.GetSelectedFace(), box.itemText(0)); // nothing chosen: the first entry

    ASSERT_TRUE(box.SelectFace("liberation serif")); // case is ignored
    EXPECT_EQ(box.GetSelectedFace(), "Liberation Serif");
    EXPECT_EQ(box.GetItemFontInfo().faceName, "Liberation Serif");
    EXPECT_EQ(box.GetItemFontInfo().weight, 400);

    box.setEditText("Typed Face");
    EXPECT_EQ(box.GetItemFontInfo().faceName, "Typed Face");
    EXPECT_EQ(box.GetSelectedFace(), "Typed Face");

    EXPECT_FALSE(box.SelectFace("No Such Face"));
}

TEST(FontComboBox, AFaceTheDesktopLacksIsAddedInOrderAndKept) {
    CKWFontComboBox box;
    box.FillFontList();
    const int count = box.count();
    const int at = box.AddFace("Arial");
    EXPECT_EQ(box.count(), count + 1);
    EXPECT_EQ(box.AddFace("ARIAL"), at); // once only
    if (at > 0) {
        EXPECT_LT(box.itemText(at - 1).compare("Arial", Qt::CaseInsensitive), 0);
    }
    if (at + 1 < box.count()) {
        EXPECT_GT(box.itemText(at + 1).compare("Arial", Qt::CaseInsensitive), 0);
    }
    ASSERT_TRUE(box.SelectFace("Arial"));
    EXPECT_EQ(box.GetItemFontInfo().faceName, "Arial");

    // A long family name stored cut to 31 characters finds its entry again.
    const QString longName = "Extraordinarily Long Family Name Regular";
    box.AddFace(longName);
    ASSERT_TRUE(box.SelectFace(longName.left(31)));
    EXPECT_EQ(box.GetSelectedFace(), longName);
    EXPECT_EQ(box.GetItemFontInfo().faceName, longName.left(31));
}

TEST(FontComboBox, AnEmptyListIsDisabled) {
    CKWFontComboBox box;
    box.FillFontList();
    box.clear();
    box.setEnabled(box.count() > 0);
    EXPECT_EQ(box.GetItemFontInfo(5), platform::LogFont());
    box.AddFace("Arial");
    EXPECT_TRUE(box.isEnabled());
}

QList<int> itemData(const QComboBox& box) {
    QList<int> data;
    for (int i = 0; i < box.count(); ++i)
        data << box.itemData(i).toInt();
    return data;
}

TEST(FamilyComboBox, FourStylesInTheirOrderWithTheirData) {
    CKWFamilyComboBox box;
    box.FillStyles("Liberation Sans");
    EXPECT_EQ(itemData(box), QList<int>({1, 4, 2, 8}));
    EXPECT_EQ(box.itemText(0), "Normal");
    EXPECT_EQ(box.itemText(1), "Italic");
    EXPECT_EQ(box.itemText(2), "Bold");
    EXPECT_EQ(box.itemText(3), "Bold Italic");
    // A face that is not installed is drawn with a substitute that has every style.
    box.FillStyles("Arial");
    EXPECT_EQ(itemData(box), QList<int>({1, 4, 2, 8}));
    // DejaVu Sans has oblique styles, not italic ones: they count as its italics.
    EXPECT_TRUE(CKWFamilyComboBox::StylesOf("DejaVu Sans") & CKWFamilyComboBox::kItalic);
}

TEST(FamilyComboBox, SelectionMapsToWeightAndSlant) {
    CKWFamilyComboBox box;
    box.FillStyles("Liberation Serif");
    struct Case {
        int weight;
        bool italic;
        const char* shown;
        int readWeight;
    } cases[] = {{400, false, "Normal", 400}, {700, false, "Bold", 700}, {400, true, "Italic", 400},
                 {900, true, "Bold Italic", 700}, {600, false, "Normal", 400}, {0, false, "Normal", 400}};
    for (const Case& c : cases) {
        box.SelectStyle(c.weight, c.italic);
        EXPECT_EQ(box.currentText(), c.shown) << c.weight;
        int weight = 0;
        bool italic = !c.italic;
        box.GetSelectedStyle(weight, italic);
        EXPECT_EQ(weight, c.readWeight);
        EXPECT_EQ(italic, c.italic);
    }
    box.setCurrentIndex(-1);
    int weight = 0;
    bool italic = true;
    box.GetSelectedStyle(weight, italic);
    EXPECT_EQ(weight, 400);
    EXPECT_FALSE(italic);
}

TEST(FamilyComboBox, AStyleMissingFromTheListIsAddedRatherThanLost) {
    CKWFamilyComboBox box;
    box.FillStyles("Liberation Sans");
    box.removeItem(box.findData(CKWFamilyComboBox::kBold));
    box.SelectStyle(700, false);
    EXPECT_EQ(box.currentText(), "Bold");
    EXPECT_EQ(itemData(box), QList<int>({1, 4, 2, 8}));
}

TEST(SpinButton, StepsWithinTheRangeButLeavesTypedNumbersAlone) {
    QLineEdit edit;
    CSpinButton spin;
    spin.SetBuddy(&edit);
    spin.SetRange(20, 300);
    int steps = 0;
    QObject::connect(&spin, &CSpinButton::stepped, [&] { ++steps; });

    edit.setText("500"); // a stored value out of range is shown as it is
    EXPECT_EQ(edit.text(), "500");
    spin.StepBy(-1);
    EXPECT_EQ(edit.text(), "299");
    edit.setText("500");
    spin.StepBy(1);
    EXPECT_EQ(edit.text(), "300");
    spin.StepBy(1); // at the top: nothing changes
    EXPECT_EQ(edit.text(), "300");
    edit.setText("junk");
    spin.StepBy(1);
    EXPECT_EQ(edit.text(), "20");
    EXPECT_EQ(steps, 3);
    edit.setText("61.6"); // a number with a fraction steps from its nearest whole number
    spin.StepBy(1);
    EXPECT_EQ(edit.text(), "63");
    edit.setText("20");
    steps = 3;

    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "21");
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), "20");

    spin.setEnabled(false);
    spin.StepBy(5);
    EXPECT_EQ(edit.text(), "20");
}

} // namespace
