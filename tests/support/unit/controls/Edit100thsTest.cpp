#include "support/controls/Edit100ths.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr char16_t kBack = u'\b';

struct Case {
    const char* text;
    int selStart;
    int selEnd;
    char16_t ch;
    int maxWhole;
    bool accepted;
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Edit100thsAccepts(QString::fromLatin1(c.text), c.selStart, c.selEnd, QChar(c.ch), c.maxWhole),
                  c.accepted)
            << "text '" << c.text << "' sel " << c.selStart << "-" << c.selEnd << " char "
            << (c.ch == u'\b' ? std::string("BS") : std::string(1, char(c.ch))) << " M " << c.maxWhole;
    }
}

TEST(Edit100thsRule, DigitsWithoutSelection) {
    expectCases({
        {"", 0, 0, u'5', 6, true},
        {"12345", 5, 5, u'6', 6, true},
        {"123456", 6, 6, u'7', 6, false},  // the whole part is full
        {"123", 3, 3, u'4', 3, false},     // ... with M = 3 too
        {"12.3", 4, 4, u'4', 6, true},     // second decimal
        {"12.34", 5, 5, u'5', 6, false},   // no third decimal
        {"12.34", 3, 3, u'5', 6, false},   // right of the point, wherever the caret stands
        {"12.34", 0, 0, u'9', 6, true},    // left of the point while the whole part has room
        {"123456.5", 0, 0, u'1', 6, false},
        {"123456.", 6, 6, u'1', 6, false}, // a caret on the point counts as left of it
        {"12.", 2, 2, u'1', 3, true},
    });
}

TEST(Edit100thsRule, PointAndOtherCharactersWithoutSelection) {
    expectCases({
        {"", 0, 0, u'.', 6, true},
        {"12", 2, 2, u'.', 6, true},
        {"123", 0, 0, u'.', 6, true}, // the rule does not count what ends up after the point
        {"1.2", 3, 3, u'.', 6, false},
        {"12", 2, 2, u'a', 6, false},
        {"12", 2, 2, u'-', 6, false},
        {"12", 2, 2, u',', 6, false}, // a decimal comma is no point
        {"12", 2, 2, u' ', 6, false},
    });
}

TEST(Edit100thsRule, BackspaceWithoutSelection) {
    expectCases({
        {"12.34", 3, 3, kBack, 6, true},    // joins to 1234: fits in six
        {"1234.5", 5, 5, kBack, 3, false},  // joins to 12345: too long for three
        {"123.5", 4, 4, kBack, 3, false},   // 1235 has four digits
        {"12.5", 3, 3, kBack, 3, true},     // 125 fits exactly
        {"1234.5", 6, 6, kBack, 3, true},   // not right after the point
        {"1234.5", 4, 4, kBack, 3, true},   // takes a digit, not the point
        {".55", 1, 1, kBack, 1, true},      // a leading point joins nothing
        {"1234.", 5, 5, kBack, 3, true},    // nor does a trailing one
        {"", 0, 0, kBack, 6, true},
    });
}

TEST(Edit100thsRule, WithSelection) {
    expectCases({
        // '.': no point on either side, left at most M, something left, right at most two.
        {"1234", 1, 2, u'.', 6, true},
        {"1234", 0, 4, u'.', 6, false},    // nothing would be left around the point
        {"1234", 0, 1, u'.', 6, false},    // three digits would follow the point
        {"1234567", 6, 7, u'.', 3, false}, // more than M before it
        {"1.234", 2, 3, u'.', 6, false},   // a point stays on the left
        {"12.34", 0, 1, u'.', 6, false},   // and on the right
        {"12.34", 1, 3, u'.', 6, true},    // replacing the old point
        // Digits: refused only when replacing the point would join too many digits.
        {"12.34", 2, 3, u'5', 3, false},
        {"12.34", 2, 3, u'5', 6, true},
        {"12.34", 0, 1, u'5', 3, true},
        {"99.99", 0, 5, u'5', 3, true},
        // Everything else, backspace included, is dropped.
        {"12.34", 0, 1, kBack, 6, false},
        {"12.34", 0, 1, u'x', 6, false},
    });
}

TEST(Edit100thsRule, OutOfRangeSelectionIsClampedNotTrusted) {
    EXPECT_TRUE(Edit100thsAccepts(u"12", 7, 9, u'3', 6));
    EXPECT_FALSE(Edit100thsAccepts(u"12.34", -4, -1, u'.', 6));
}

TEST(Edit100thsFilter, PastedTextPassesCharacterByCharacter) {
    EXPECT_EQ(Edit100thsFilter(u"", 0, 0, u"12a.3.45", 6), "12.34");
    EXPECT_EQ(Edit100thsFilter(u"", 0, 0, u"1234567", 6), "123456");
    EXPECT_EQ(Edit100thsFilter(u"", 0, 0, u"$1,000.00", 6), "1000.00");
    EXPECT_EQ(Edit100thsFilter(u"99.99", 0, 5, u"5", 3), "5");
    EXPECT_EQ(Edit100thsFilter(u"12.34", 5, 5, u"9", 6), "");
    EXPECT_EQ(Edit100thsFilter(u"12", 2, 2, u"\b\b", 6), ""); // pasted control characters do nothing
    EXPECT_EQ(Edit100thsFilter(u"12", 2, 2, u"", 6), "");
}

class Edit100thsWidget : public ::testing::Test {
protected:
    void SetUp() override {
        edit = std::make_unique<CEdit100ths>(6);
        edit->show();
    }
    std::unique_ptr<CEdit100ths> edit;
};

TEST_F(Edit100thsWidget, TypingFollowsTheRule) {
    QTest::keyClicks(edit.get(), "12a.3.459");
    EXPECT_EQ(edit->text(), "12.34");
    QTest::keyClick(edit.get(), Qt::Key_Home);
    QTest::keyClicks(edit.get(), "9999");
    EXPECT_EQ(edit->text(), "999912.34"); // six whole digits at most
    QTest::keyClicks(edit.get(), "9");
    EXPECT_EQ(edit->text(), "999912.34");
}

TEST_F(Edit100thsWidget, BackspaceThatWouldJoinTooManyDigitsIsDropped) {
    CEdit100ths small(3);
    small.show();
    small.setText("123.4");
    small.setCursorPosition(4);
    QTest::keyClick(&small, Qt::Key_Backspace);
    EXPECT_EQ(small.text(), "123.4");
    small.setCursorPosition(5);
    QTest::keyClick(&small, Qt::Key_Backspace);
    EXPECT_EQ(small.text(), "123.");
}

TEST_F(Edit100thsWidget, PastedTextIsFilteredLikeTyping) {
    QApplication::clipboard()->setText("1,234.567");
    QTest::keyClick(edit.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "1234.56");

    edit->setText("50.00");
    edit->selectAll();
    QApplication::clipboard()->setText("x");
    QTest::keyClick(edit.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "50.00"); // nothing acceptable: the selection stays
    EXPECT_TRUE(edit->hasSelectedText());

    edit->PasteFiltered("7.5");
    EXPECT_EQ(edit->text(), "7.5");
}

TEST_F(Edit100thsWidget, ContextMenuPasteCanBeFound) {
    // The edit routes the menu's paste through the rule; it finds the entry by this name.
    std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    QAction* paste = CEdit100ths::FindPasteAction(menu.get());
    ASSERT_NE(paste, nullptr);
    EXPECT_NE(paste->text().indexOf("Paste"), -1);
}

} // namespace
