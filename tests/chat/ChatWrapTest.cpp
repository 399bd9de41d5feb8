#include "chat/ChatWrap.h"

#include <gtest/gtest.h>

namespace {

// Every character is 10 pixels wide: the layout can be worked out by hand.
int TenEach(const QString& text) {
    return int(text.size()) * 10;
}

QStringList Wrap(const QString& text, int width) {
    return WrapChatText(text, width, TenEach);
}

TEST(ChatWrapTest, ATextThatFitsStaysWhole) {
    EXPECT_EQ(Wrap("bob: hi there", 200), QStringList({"bob: hi there"}));
    EXPECT_EQ(Wrap("", 200), QStringList({""}));
    // Exactly as wide as the view is not narrower than it: the words decide, and they fit.
    EXPECT_EQ(Wrap("bob: hi", 70), QStringList({"bob: hi"}));
}

TEST(ChatWrapTest, LongTextsWrapAtWordsAndContinuationLinesAreIndented) {
    const QStringList lines = Wrap("bob: the quick brown fox jumps", 120);
    EXPECT_EQ(lines, QStringList({"bob: the ", "   quick ", "   brown ", "   fox jumps"}));
    // Nothing but the indent is added, and blanks stay at the end of their word.
    QString joined;
    for (const QString& line : lines)
        joined += line.startsWith("   ") ? line.mid(3) : line;
    EXPECT_EQ(joined, "bob: the quick brown fox jumps");
    // Runs of blanks travel with the word before them.
    EXPECT_EQ(Wrap("aaaa    bbbb", 100), QStringList({"aaaa    ", "   bbbb"}));
}

TEST(ChatWrapTest, AWordWiderThanTheViewStandsAloneOnItsLine) {
    EXPECT_EQ(Wrap("averyveryverylongword", 100), QStringList({"averyveryverylongword"}));
    EXPECT_EQ(Wrap("bob: averyveryverylongword ok", 100),
              QStringList({"bob: ", "   averyveryverylongword ", "   ok"}));
}

TEST(ChatWrapTest, LineBreaksEndDisplayLinesEvenInANarrowText) {
    EXPECT_EQ(Wrap("bob: one\r\ntwo", 1000), QStringList({"bob: one", "   two"}));
    EXPECT_EQ(Wrap("one\ntwo\n\nthree", 1000), QStringList({"one", "   two", "   ", "   three"}));
    // A break at the end adds no empty line; carriage returns are dropped wherever they stand.
    EXPECT_EQ(Wrap("Help:\r\n  /tell\r\n", 1000), QStringList({"Help:", "     /tell"}));
    EXPECT_EQ(Wrap("a\rb", 1000), QStringList({"ab"}));
    EXPECT_EQ(Wrap("\r\n", 1000), QStringList({""}));
}

TEST(ChatWrapTest, AZeroWidthViewPutsEachWordOnALine) {
    EXPECT_EQ(Wrap("a b c", 0), QStringList({"a ", "   b ", "   c"}));
}

} // namespace
