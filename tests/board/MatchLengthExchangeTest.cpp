#include "board/MatchLengthExchange.h"

#include "platform/Dialog.h"
#include "platform/Ui.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

TEST(MatchLengthExchangeTest, TextsReadAsLengths) {
    struct Case {
        const char* text;
        bool ok;
        int length;
    };
    const Case cases[] = {
        {"", true, 0},    {"   ", true, 0}, {"7", true, 7},    {" 25 ", true, 25},
        {"0", true, 1},   {"00", true, 1},  {"26", true, 25},  {"99999999999999999999", true, 25},
        {"-3", false, 0}, {"7a", false, 0}, {"1.5", false, 0},
    };
    for (const Case& c : cases) {
        int length = -1;
        EXPECT_EQ(ReadMatchLengthText(QString::fromLatin1(c.text), length), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(length, c.length) << c.text;
        }
    }
    EXPECT_EQ(MatchLengthText(0), "");
    EXPECT_EQ(MatchLengthText(-1), "") << "no length yet";
    EXPECT_EQ(MatchLengthText(11), "11");
}

class LengthDialog : public platform::Dialog {
public:
    LengthDialog() {
        edit = new QLineEdit(this);
        SetItemId(edit, 1001);
    }
    void DoDataExchange(platform::DataExchange& dx) override { DDX_MatchLength(dx, 1001, length); }
    QLineEdit* edit;
    int length = 0;
};

TEST(MatchLengthExchangeTest, ExchangeWritesTheClampedLengthBack) {
    LengthDialog dialog;
    dialog.length = 0;
    dialog.UpdateData(false);
    EXPECT_EQ(dialog.edit->text(), "");
    dialog.length = 9;
    dialog.UpdateData(false);
    EXPECT_EQ(dialog.edit->text(), "9");

    dialog.edit->setText("40");
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.length, 25);
    EXPECT_EQ(dialog.edit->text(), "25");

    dialog.edit->setText("");
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.length, 0);

    // Anything but digits fails the exchange and keeps the length.
    platform::ScriptedUi scripted;
    platform::Ui* previous = platform::SetUi(&scripted);
    dialog.edit->setText("x");
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.length, 0);
    ASSERT_EQ(scripted.asked().size(), 1u);
    platform::SetUi(previous);
}

} // namespace
