#include "platform/UpDown.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using platform::UpDownControl;

struct UpDownTest : ::testing::Test {
    UpDownTest() {
        spin = new UpDownControl(&window);
        edit = new QLineEdit(&window);
        spin->SetBuddy(edit);
        spin->SetRange(4, 125);
    }
    QWidget window;
    UpDownControl* spin;
    QLineEdit* edit;
};

TEST_F(UpDownTest, StepsTheBuddyWithinTheRange) {
    QSignalSpy stepped(spin, &UpDownControl::Stepped);
    edit->setText("124");
    spin->StepBy(1);
    EXPECT_EQ(edit->text(), "125");
    spin->StepBy(1); // at the end: nothing changes, nothing is announced
    EXPECT_EQ(edit->text(), "125");
    EXPECT_EQ(stepped.count(), 1);

    edit->setText("9000"); // typed, not limited
    EXPECT_EQ(spin->Position(), 125);
    spin->StepBy(-3);
    EXPECT_EQ(edit->text(), "122");

    edit->setText("17.6");
    spin->StepBy(1);
    EXPECT_EQ(edit->text(), "19");

    edit->setText("many"); // no number: the last position
    spin->StepBy(1);
    EXPECT_EQ(edit->text(), "20");

    spin->SetRange(0, 3000);
    edit->setText("2999");
    spin->StepBy(std::numeric_limits<int>::max());
    EXPECT_EQ(edit->text(), "3000");
    spin->SetRange(50, 10); // either order
    EXPECT_EQ(spin->Lower(), 10);
    EXPECT_EQ(spin->Upper(), 50);
}

TEST_F(UpDownTest, ArrowsAndKeysStepAndFollowTheBuddysEnabling) {
    edit->setText("10");
    const auto arrows = spin->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[0]->click();
    EXPECT_EQ(edit->text(), "11");
    arrows[1]->click();
    arrows[1]->click();
    EXPECT_EQ(edit->text(), "9");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "10");
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), "9");

    edit->setEnabled(false);
    EXPECT_FALSE(arrows[0]->isEnabled());
    edit->setEnabled(true);
    EXPECT_TRUE(arrows[1]->isEnabled());
}

} // namespace
