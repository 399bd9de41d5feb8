#include "support/PersistentFont.h"

#include "platform/LogFont.h"
#include "platform/Registry.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TextWindowStyle.h"

#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

using platform::LogFont;

LogFont arialBold12() {
    LogFont font;
    font.height = -16;
    font.weight = 700;
    font.charSet = 0;
    font.outPrecision = 3;
    font.clipPrecision = 2;
    font.quality = 1;
    font.pitchAndFamily = 0x22;
    font.faceName = "Arial";
    return font;
}

TEST(FontDescription, WritesAllEightNumbersAndTheQuotedFace) {
    EXPECT_EQ(FormatFontDescription(arialBold12()), "-16 700 0 0 3 2 1 34 \"Arial\"");
    LogFont quoted = arialBold12();
    quoted.faceName = "Odd\"Face";
    EXPECT_EQ(FormatFontDescription(quoted), "-16 700 0 0 3 2 1 34 \"OddFace\"");
}

TEST(FontDescription, StrictReadingTakesWhatWasWritten) {
    LogFont read;
    ASSERT_TRUE(ParseFontDescription(FormatFontDescription(arialBold12()), read));
    EXPECT_EQ(read, arialBold12());

    // Blanks are free, anything between the numbers and the quote is skipped, the face ends at the
    // next quote (or the end of the text).
    ASSERT_TRUE(ParseFontDescription("  -13\t400 1 1 1 2 2 0 junk \"DejaVu Sans\" tail", read));
    EXPECT_EQ(read.height, -13);
    EXPECT_EQ(read.italic, 1);
    EXPECT_EQ(read.faceName, "DejaVu Sans");
    ASSERT_TRUE(ParseFontDescription("-13 400 0 1 1 2 2 0 \"Unclosed", read));
    EXPECT_EQ(read.faceName, "Unclosed");
}

TEST(FontDescription, StrictReadingRefusesBrokenTextsAndKeepsTheFont) {
    const LogFont before = arialBold12();
    for (const char* text : {
             "",
             "-16 700 0 0 1 2 2 \"Arial\"",             // a number missing
             "-16 700 0 0 1 2 2 0",                     // no face
             "-16 700 0 0 1 2 2 0 Arial",               // no quote after the numbers
             "-16 700 0 0 1 2 2 x0 \"Arial\"",          // not a number
             "-16 7000 0 0 1 2 2 0 \"Arial\"",          // no such weight
             "-16 700 0 300 1 2 2 0 \"Arial\"",         // a byte field out of range
             "-99999 700 0 0 1 2 2 0 \"Arial\"",        // a gigantic height
             "-99999999999999999999 700 0 0 1 2 2 0 \"Arial\"", // overflow
         }) {
        LogFont font = before;
        EXPECT_FALSE(ParseFontDescription(text, font)) << text;
        EXPECT_EQ(font, before) << text;
    }
}

TEST(FontDescription, FacesAreCutToThirtyOneCharactersWithoutSplittingACharacter) {
    const QString longFace = QString(40, u'x');
    LogFont font;
    ASSERT_TRUE(ParseFontDescription("-13 400 0 0 1 2 2 0 \"" + longFace + "\"", font));
    EXPECT_EQ(font.faceName, QString(31, u'x'));

    // A character outside the basic plane straddling the cut is dropped whole.
    const QString astral = QString(30, u'a') + QString::fromUcs4(U"\U0001D11E") + "b";
    EXPECT_EQ(CutFaceName(astral), QString(30, u'a'));
    EXPECT_EQ(CutFaceName("Short"), "Short");
}

TEST(FontDescription, LenientReadingGoesAsFarAsItCan) {
    LogFont font = arialBold12();
    EXPECT_EQ(ReadFontDescriptionLeniently("-20 400 1", font), 3);
    EXPECT_EQ(font.height, -20);
    EXPECT_EQ(font.weight, 400);
    EXPECT_EQ(font.italic, 1);
    EXPECT_EQ(font.charSet, arialBold12().charSet); // not reached: kept
    EXPECT_EQ(font.faceName, "Arial");              // no quote: kept

    font = arialBold12();
    EXPECT_EQ(ReadFontDescriptionLeniently("-11 oops \"Liberation Serif\"", font), 1);
    EXPECT_EQ(font.height, -11);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.faceName, "Liberation Serif");

    // Everything after the first quote is the face, less a final quote.
    EXPECT_EQ(ReadFontDescriptionLeniently("-11 400 0 0 1 2 2 0 \"A \"B\"", font), 8);
    EXPECT_EQ(font.faceName, "A \"B");
}

class PersistentFontTest : public ::testing::Test {
protected:
    void SetUp() override { testenv::ResetSettings(); }
    CSettingsStore& store = GetSettingsStore();
};

TEST_F(PersistentFontTest, AStoredFontIsLoadedAndLeftAsItIs) {
    const QString text = "-16 700 1 0 3 2 1 34 \"Liberation Sans\"";
    store.WriteString("CChatView", "Font", text);
    CPersistentFont font;
    ASSERT_TRUE(font.Load("CChatView"));
    EXPECT_FALSE(font.IsNull());
    EXPECT_EQ(font.GetSection(), "CChatView");
    EXPECT_EQ(font.GetLogFont().height, -16);
    EXPECT_EQ(font.GetFont().pixelSize(), 16);
    EXPECT_EQ(font.GetFont().weight(), QFont::Bold);
    EXPECT_TRUE(font.GetFont().italic());
    EXPECT_EQ(QFontInfo(font.GetFont()).family(), "Liberation Sans");
    EXPECT_EQ(store.GetString("CChatView", "Font"), text);
}

TEST_F(PersistentFontTest, WithoutAStoredFontTheMessageFontIsTakenAndWritten) {
    CPersistentFont font;
    ASSERT_TRUE(font.Load("CBGMatchLogView"));
    const LogFont system = platform::DefaultMessageFont();
    EXPECT_EQ(font.GetLogFont(), system);
    EXPECT_EQ(store.GetString("CBGMatchLogView", "Font"), FormatFontDescription(system));

    // The next window of the kind reads back the same font.
    CPersistentFont again;
    again.Load("CBGMatchLogView");
    EXPECT_EQ(again.GetLogFont(), system);
}

TEST_F(PersistentFontTest, ABrokenTextGivesTheKindsDefaultWrittenBack) {
    store.WriteString("CChatView", "Font", "-16 700 garbage");
    CPersistentFont font;
    ASSERT_TRUE(font.Load("CChatView"));
    EXPECT_EQ(font.GetLogFont().faceName, "System");
    EXPECT_EQ(font.GetLogFont().height, platform::PointSizeToHeight(10));
    EXPECT_EQ(store.GetString("CChatView", "Font"), FormatFontDescription(font.GetLogFont()));

    store.WriteString("CAnnotationView", "Font", "not a font");
    ASSERT_TRUE(font.CreateFromSettings("CAnnotationView", 1, 96));
    EXPECT_EQ(font.GetLogFont().faceName, "Courier New");
    EXPECT_EQ(font.GetLogFont().height, -13);
    EXPECT_EQ(font.GetLogFont().weight, 400);
    EXPECT_EQ(font.GetLogFont().pitchAndFamily, 0x31);
    EXPECT_TRUE(font.GetFont().fixedPitch() || QFontInfo(font.GetFont()).fixedPitch());
    EXPECT_EQ(store.GetString("CAnnotationView", "Font"), "-13 400 0 0 0 0 0 49 \"Courier New\"");

    ASSERT_TRUE(font.CreateFromSettings("CGagListView", 2, 96));
    EXPECT_EQ(store.GetString("CGagListView", "Font"), "-13 400 0 0 0 0 0 2 \"MSSansSerif\"");
}

TEST_F(PersistentFontTest, WithoutASectionNothingIsReadOrWritten) {
    store.WriteString("", "Font", "-40 700 0 0 0 0 0 0 \"Serif\"");
    const QByteArray before = store.GetRegistry().ExportText();
    CPersistentFont font;
    ASSERT_TRUE(font.Load(QString()));
    EXPECT_EQ(font.GetLogFont(), platform::DefaultMessageFont());
    font.SaveDescription(font.GetLogFont());
    EXPECT_EQ(store.GetRegistry().ExportText(), before);

    font.DeleteObject();
    EXPECT_TRUE(font.IsNull());
}

TEST(DefaultPageFont, IsTheMessageFontUpright) {
    const LogFont font = DefaultPageFont();
    const LogFont system = platform::DefaultMessageFont();
    EXPECT_EQ(font.faceName, system.faceName);
    EXPECT_EQ(font.height, system.height);
    EXPECT_EQ(font.weight, 400);
    EXPECT_EQ(font.italic, 0);
}

TEST(TextWindowColors, MissingValuesAreTheDesktopsAndNoColourSurvives) {
    testenv::ResetSettings();
    const CTextWindowColors defaults = CTextWindowColors::Load("CChatView");
    EXPECT_EQ(defaults, CTextWindowColors::SystemDefaults());
    EXPECT_TRUE(defaults.showWatermark);

    CTextWindowColors colors{0x0000FF, platform::kNoColor, 0x123456, 0xFFFFFF, false};
    colors.Save("CChatView");
    EXPECT_EQ(GetSettingsStore().GetIntEx("CChatView", "Background Colour", 0), -1);
    EXPECT_EQ(CTextWindowColors::Load("CChatView"), colors);
}

} // namespace
