#include "prefs/FontPage.h"

#include "platform/Color.h"
#include "platform/LogFont.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "prefs/GeneralPropertiesSheet.h"
#include "support/MessageRecorder.h"
#include "support/PersistentFont.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/controls/ColorButton.h"
#include "support/controls/FamilyComboBox.h"
#include "support/controls/FontComboBox.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using platform::COLORREF;
using platform::kNoColor;

const QString kFontChanged = "KELDERWICK_FONT_PROPERTIES_CHANGED";

class FontPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
    }
    void TearDown() override { testenv::scriptedUi().SetDialogHandler(nullptr); }

    // A sheet opened on the font page with that kind, as a text window's Properties command opens it.
    std::unique_ptr<CGeneralPropertiesSheet> Open(int kind = 0) {
        auto sheet = std::make_unique<CGeneralPropertiesSheet>(0, kind);
        sheet->EnsureInitialized();
        return sheet;
    }
    static CPrefPane& PaneOf(CGeneralPropertiesSheet& sheet) { return *sheet.FontPage().Pane(); }
    static QPushButton* Button(platform::Dialog& dialog, int id) { return dialog.ItemAs<QPushButton>(id); }

    // The next colour dialog is answered with this colour.
    void AnswerColor(COLORREF color) {
        testenv::scriptedUi().SetDialogHandler([color](QDialog* dialog) {
            auto* colors = qobject_cast<QColorDialog*>(dialog);
            if (!colors)
                return platform::IDCANCEL;
            colors->setCurrentColor(platform::ToQColor(color));
            return platform::IDOK;
        });
    }
    QString Stored(const QString& section, const QString& name = "Font") const {
        return GetSettingsStore().GetString(section, name);
    }
    QByteArray Snapshot() const { return GetSettingsStore().GetRegistry().ExportText(); }
};

TEST(TextWindowKinds, SectionsLabelsAndOptions) {
    const char* const sections[] = {"CChatView",         "CBGMatchLogView", "CPlayerListView",
                                    "CBGMatchBoardView", "CAnnotationView", "CAffinityListView",
                                    "CGagListView",      "CBlindListView",  "CMsgDisplayEditWnd"};
    for (int kind = 0; kind < kFontWindowKindCount; ++kind) {
        EXPECT_EQ(GetFontWindowKind(kind).section, sections[kind]);
        const bool watermark = kind == 2 || kind == 3 || kind == 5 || kind == 6 || kind == 7;
        EXPECT_EQ(GetFontWindowKind(kind).hasWatermarkOption, watermark) << kind;
        EXPECT_EQ(GetFontWindowKind(kind).hasHighlightColors, kind != kFontKindMail) << kind;
    }
    EXPECT_STREQ(GetFontWindowKind(kFontKindMail).label, "Quorl Messages");
    EXPECT_EQ(GetFontWindowKind(-1).section, "CChatView");
    EXPECT_EQ(GetFontWindowKind(9).section, "CChatView");
}

TEST_F(FontPageTest, EmptySettingsOpenOnTheMessageFontAndTheDesktopsColours) {
    auto sheet = Open(0);
    const CFontPage::Entry& entry = sheet->FontPage().GetEntry(0);
    const platform::LogFont system = platform::DefaultMessageFont();
    EXPECT_EQ(entry.face, system.faceName);
    EXPECT_EQ(entry.logFont.height, system.height);
    EXPECT_EQ(entry.logFont.weight, 400);
    EXPECT_EQ(entry.logFont.italic, 0);
    EXPECT_EQ(entry.colors, CTextWindowColors::SystemDefaults());

    CPrefPane& pane = PaneOf(*sheet);
    EXPECT_EQ(pane.FontList()->GetSelectedFace(), system.faceName);
    EXPECT_EQ(pane.SizeList()->currentText(), QString::number(platform::HeightToPointSize(system.height)));
    EXPECT_EQ(pane.StyleList()->currentText(), "Normal");
    EXPECT_EQ(pane.ItemAs<CColorButton>(CPrefPane::IDC_TEXT_COLOR)->GetColor(),
              platform::GetSysColor(platform::COLOR_WINDOWTEXT));
    EXPECT_EQ(pane.ItemAs<CColorButton>(CPrefPane::IDC_HIGHLIGHT_COLOR)->GetColor(),
              platform::GetSysColor(platform::COLOR_HIGHLIGHT));
    EXPECT_FALSE(sheet->FontPage().IsModified());

    // The kind list holds the nine labels and starts on the window's own kind.
    auto* list = sheet->FontPage().ItemAs<QListWidget>(CFontPage::IDC_KIND_LIST);
    ASSERT_EQ(list->count(), 9);
    EXPECT_EQ(list->item(1)->text(), "Match Log");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(Open(5)->FontPage().ItemAs<QListWidget>(CFontPage::IDC_KIND_LIST)->currentRow(), 5);
}

TEST_F(FontPageTest, ArialTwelveBoldIsStoredForTheChatAndTheCommandLine) {
    testenv::MessageRecorder receiver({kFontChanged});
    auto sheet = Open(0);
    CPrefPane& pane = PaneOf(*sheet);
    pane.FontList()->setEditText("Arial");
    pane.SizeList()->setCurrentIndex(pane.SizeList()->findText("12"));
    pane.StyleList()->setCurrentIndex(pane.StyleList()->findText("Bold"));
    EXPECT_TRUE(sheet->FontPage().IsModified());
    EXPECT_TRUE(sheet->IsApplyEnabled());
    EXPECT_EQ(sheet->Press(platform::IDOK), platform::IDOK);

    const QString expected = "-16 700 0 0 1 2 2 0 \"Arial\"";
    EXPECT_EQ(Stored("CChatView"), expected);
    EXPECT_EQ(Stored("CCommandLineView"), expected);
    ASSERT_EQ(receiver.Count(kFontChanged), 1);
    EXPECT_EQ(receiver.received[0].wParam, 0);
    EXPECT_EQ(receiver.received[0].lParam, nullptr);

    // Every kind is written: its colours and its font.
    const CTextWindowColors desktop = CTextWindowColors::SystemDefaults();
    for (int kind = 0; kind < kFontWindowKindCount; ++kind) {
        const QString section = GetFontWindowKind(kind).section;
        EXPECT_EQ(CTextWindowColors::Load(section), desktop) << kind;
        EXPECT_EQ(GetSettingsStore().GetIntEx(section, "bShowWatermark", -1), 1) << kind;
        EXPECT_FALSE(Stored(section).isEmpty()) << kind;
    }

    // What the page wrote is what the windows load.
    CPersistentFont font;
    font.Load("CChatView");
    EXPECT_EQ(font.GetLogFont().height, -16);
    EXPECT_EQ(font.GetLogFont().weight, 700);
    EXPECT_EQ(font.GetLogFont().faceName, "Arial");
}

TEST_F(FontPageTest, EveryOfferedSizeSurvivesASaveAndReopen) {
    const QStringList sizes = {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48"};
    {
        auto sheet = Open(1);
        QStringList offered;
        for (int i = 0; i < PaneOf(*sheet).SizeList()->count(); ++i)
            offered << PaneOf(*sheet).SizeList()->itemText(i);
        EXPECT_EQ(offered, sizes);
    }
    for (const QString& size : sizes) {
        {
            auto sheet = Open(1);
            CFontSizeComboBox* list = PaneOf(*sheet).SizeList();
            // Through another size first, so that every size is a change.
            list->setCurrentIndex(list->findText(size == "8" ? "9" : "8"));
            list->setCurrentIndex(list->findText(size));
            sheet->Press(platform::IDOK);
        }
        auto reopened = Open(1);
        EXPECT_EQ(PaneOf(*reopened).SizeList()->currentText(), size);
        EXPECT_EQ(PaneOf(*reopened).SizeList()->currentIndex(), PaneOf(*reopened).SizeList()->findText(size));
    }
}

TEST_F(FontPageTest, TypedSizesAreKeptSane) {
    auto sheet = Open(0);
    CPrefPane& pane = PaneOf(*sheet);
    pane.SizeList()->setEditText("0");
    EXPECT_EQ(sheet->FontPage().GetEntry(0).logFont.height, platform::PointSizeToHeight(10));
    pane.SizeList()->setEditText("9999");
    EXPECT_EQ(sheet->FontPage().GetEntry(0).logFont.height, platform::PointSizeToHeight(CFontSizeComboBox::kMaxPoints));
    EXPECT_EQ(sheet->FontPage().PreviewFont().pixelSize(), -platform::PointSizeToHeight(CFontSizeComboBox::kMaxPoints));
    pane.SizeList()->setEditText("13");
    EXPECT_EQ(sheet->FontPage().GetEntry(0).logFont.height, platform::PointSizeToHeight(13));
    EXPECT_EQ(sheet->FontPage().PreviewFont().pixelSize(), -platform::PointSizeToHeight(13));
    // The edit takes digits only, and no more than four.
    QLineEdit* edit = pane.SizeList()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, "12x345");
    EXPECT_EQ(edit->text(), "1234");
}

TEST_F(FontPageTest, CancelAfterWindowsDefaultAllWritesNothing) {
    GetSettingsStore().WriteString("CChatView", "Font", "-20 700 1 0 1 2 2 0 \"Liberation Serif\"");
    GetSettingsStore().WriteInt("CPlayerListView", "Text Colour", 0x123456);
    GetSettingsStore().WriteInt("CPlayerListView", "bShowWatermark", 0);
    const QByteArray before = Snapshot();

    auto sheet = Open(0);
    sheet->FontPage().ItemAs<QPushButton>(CFontPage::IDC_WINDOWS_DEFAULT_ALL)->click();
    EXPECT_TRUE(sheet->FontPage().IsModified());
    const platform::LogFont defaults = DefaultPageFont();
    for (int kind = 0; kind < kFontWindowKindCount; ++kind) {
        const CFontPage::Entry& entry = sheet->FontPage().GetEntry(kind);
        EXPECT_EQ(entry.face, defaults.faceName) << kind;
        EXPECT_EQ(entry.logFont.height, defaults.height) << kind;
        EXPECT_EQ(entry.colors.text, platform::GetSysColor(platform::COLOR_WINDOWTEXT)) << kind;
    }
    EXPECT_FALSE(sheet->FontPage().GetEntry(kFontKindPlayerList).colors.showWatermark); // kept
    EXPECT_EQ(PaneOf(*sheet).FontList()->GetSelectedFace(), defaults.faceName);         // the pane follows

    EXPECT_EQ(sheet->Press(platform::IDCANCEL), platform::IDCANCEL);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(FontPageTest, WindowsDefaultResetsTheSelectedKindOnly) {
    GetSettingsStore().WriteString("CGagListView", "Font", "-20 700 1 0 1 2 2 0 \"Liberation Serif\"");
    GetSettingsStore().WriteInt("CGagListView", "Background Colour", 0x00FF00);
    GetSettingsStore().WriteInt("CGagListView", "bShowWatermark", 0);
    GetSettingsStore().WriteInt("CBlindListView", "Background Colour", 0x0000FF);
    auto sheet = Open(kFontKindGagged);
    Button(PaneOf(*sheet), CPrefPane::IDC_WINDOWS_DEFAULT)->click();
    const CFontPage::Entry& gagged = sheet->FontPage().GetEntry(kFontKindGagged);
    EXPECT_EQ(gagged.face, DefaultPageFont().faceName);
    EXPECT_EQ(gagged.logFont.height, DefaultPageFont().height);
    EXPECT_EQ(gagged.logFont.weight, 400);
    EXPECT_EQ(gagged.colors.background, platform::GetSysColor(platform::COLOR_WINDOW));
    EXPECT_FALSE(gagged.colors.showWatermark);
    EXPECT_EQ(sheet->FontPage().GetEntry(kFontKindBlinded).colors.background, 0x0000FFu);
    EXPECT_TRUE(sheet->FontPage().IsModified());
}

TEST_F(FontPageTest, PaneControlsFollowTheKind) {
    auto sheet = Open(kFontKindMail);
    CPrefPane& pane = PaneOf(*sheet);
    for (int id : {CPrefPane::IDC_HIGHLIGHT_COLOR, CPrefPane::IDC_HIGHLIGHT_TEXT_COLOR,
                   CPrefPane::IDC_HIGHLIGHT_COLOR_LABEL, CPrefPane::IDC_HIGHLIGHT_TEXT_COLOR_LABEL,
                   CPrefPane::IDC_SHOW_WATERMARK})
        EXPECT_TRUE(pane.Item(id)->isHidden()) << id;

    sheet->FontPage().SelectKind(kFontKindPlayerList);
    for (int id : {CPrefPane::IDC_HIGHLIGHT_COLOR, CPrefPane::IDC_HIGHLIGHT_TEXT_COLOR, CPrefPane::IDC_SHOW_WATERMARK})
        EXPECT_FALSE(pane.Item(id)->isHidden()) << id;
    EXPECT_TRUE(pane.ItemAs<QCheckBox>(CPrefPane::IDC_SHOW_WATERMARK)->isChecked());
    EXPECT_FALSE(sheet->FontPage().IsModified()); // switching kinds changes nothing

    sheet->FontPage().SelectKind(kFontKindChatView);
    EXPECT_TRUE(pane.Item(CPrefPane::IDC_SHOW_WATERMARK)->isHidden());
}

TEST_F(FontPageTest, ChangesOfSeveralKindsAreAllSaved) {
    auto sheet = Open(0);
    CPrefPane& pane = PaneOf(*sheet);
    AnswerColor(0x0000FF);
    Button(pane, CPrefPane::IDC_TEXT_COLOR)->click();
    EXPECT_EQ(sheet->FontPage().GetEntry(0).colors.text, 0x0000FFu);

    sheet->FontPage().ItemAs<QListWidget>(CFontPage::IDC_KIND_LIST)->setCurrentRow(kFontKindFriends);
    EXPECT_NE(pane.ItemAs<CColorButton>(CPrefPane::IDC_TEXT_COLOR)->GetColor(), 0x0000FFu);
    pane.ItemAs<QCheckBox>(CPrefPane::IDC_SHOW_WATERMARK)->click();
    AnswerColor(0x00AA00);
    Button(pane, CPrefPane::IDC_HIGHLIGHT_TEXT_COLOR)->click();

    // A cancelled colour dialog changes nothing.
    testenv::scriptedUi().SetDialogHandler([](QDialog*) { return platform::IDCANCEL; });
    Button(pane, CPrefPane::IDC_BACKGROUND_COLOR)->click();

    sheet->Press(platform::IDOK);
    const CSettingsStore& store = GetSettingsStore();
    EXPECT_EQ(store.GetUInt("CChatView", "Text Colour", 0), 0x0000FFu);
    EXPECT_EQ(store.GetIntEx("CAffinityListView", "bShowWatermark", -1), 0);
    EXPECT_EQ(store.GetUInt("CAffinityListView", "Selected Text Colour", 0), 0x00AA00u);
    EXPECT_EQ(store.GetUInt("CAffinityListView", "Background Colour", 0), platform::GetSysColor(platform::COLOR_WINDOW));
}

TEST_F(FontPageTest, AStoredFaceTheDesktopLacksSurvivesOtherChanges) {
    GetSettingsStore().WriteString("CChatView", "Font", "-15 700 1 0 1 2 2 0 \"Arial\"");
    auto sheet = Open(0);
    EXPECT_EQ(PaneOf(*sheet).FontList()->GetSelectedFace(), "Arial");
    EXPECT_EQ(PaneOf(*sheet).StyleList()->currentText(), "Bold Italic");
    AnswerColor(0x336699);
    Button(PaneOf(*sheet), CPrefPane::IDC_BACKGROUND_COLOR)->click();
    sheet->Press(platform::IDOK);
    EXPECT_EQ(Stored("CChatView"), "-15 700 1 0 1 2 2 0 \"Arial\"");
}

TEST_F(FontPageTest, AHeightBetweenTwoSizesStaysWhenOnlyAColourChanges) {
    GetSettingsStore().WriteString("CAnnotationView", "Font", "-14 400 0 0 1 2 2 0 \"Liberation Sans\"");
    auto sheet = Open(kFontKindAnnotation);
    AnswerColor(0x336699);
    Button(PaneOf(*sheet), CPrefPane::IDC_TEXT_COLOR)->click();
    sheet->Press(platform::IDOK);
    EXPECT_EQ(Stored("CAnnotationView"), "-14 400 0 0 1 2 2 0 \"Liberation Sans\"");
}

TEST_F(FontPageTest, StoredTextsAreReadAsFarAsTheyGo) {
    GetSettingsStore().WriteString("CChatView", "Font", "0 700");
    GetSettingsStore().WriteString("CBGMatchLogView", "Font", "-18 400 0 0 1 2 2 0 \"" + QString(40, u'q') + "\"");
    auto sheet = Open(0);
    const CFontPage::Entry& chat = sheet->FontPage().GetEntry(0);
    EXPECT_EQ(chat.logFont.height, -13);
    EXPECT_EQ(chat.logFont.weight, 700);
    EXPECT_EQ(chat.face, DefaultPageFont().faceName);
    EXPECT_EQ(sheet->FontPage().GetEntry(1).face, QString(31, u'q'));
}

TEST_F(FontPageTest, SamplesDrawNothingInAMissingColour) {
    CFontPage::Entry entry;
    entry.colors = {0x000001, 0x000002, 0x000003, 0x000004, true};
    EXPECT_EQ(CFontPage::SampleLookFor(entry, false).fill, 0x000002u);
    EXPECT_EQ(CFontPage::SampleLookFor(entry, false).text, 0x000001u);
    EXPECT_EQ(CFontPage::SampleLookFor(entry, true).fill, 0x000003u);
    EXPECT_EQ(CFontPage::SampleLookFor(entry, true).text, 0x000004u);
    entry.colors = {kNoColor, 0x000002, kNoColor, kNoColor, true};
    EXPECT_EQ(CFontPage::SampleLookFor(entry, false).text, kNoColor);
    EXPECT_EQ(CFontPage::SampleLookFor(entry, true).fill, 0x000002u); // the background instead
    EXPECT_EQ(CFontPage::SampleLookFor(entry, true).text, kNoColor);
}

TEST_F(FontPageTest, SamplesArePaintedInTheKindsColours) {
    GetSettingsStore().WriteInt("CChatView", "Background Colour", int(platform::RGB(10, 20, 30)));
    GetSettingsStore().WriteInt("CChatView", "Text Colour", int(platform::RGB(250, 250, 250)));
    GetSettingsStore().WriteInt("CChatView", "Selected Text Background Colour", -1);
    auto sheet = Open(0);
    sheet->resize(640, 480);
    sheet->show();
    auto grab = [&](const char* name) { return sheet->FontPage().findChild<QWidget*>(name)->grab().toImage(); };
    const QImage unselected = grab("UnselectedSample");
    const QImage selected = grab("SelectedSample");
    ASSERT_FALSE(unselected.isNull());
    EXPECT_EQ(unselected.pixelColor(1, 1), QColor(10, 20, 30));
    EXPECT_EQ(selected.pixelColor(1, 1), QColor(10, 20, 30)); // no highlight colour: the background
    // Some text was drawn in the text colour, in the middle of the sample.
    bool textDrawn = false;
    for (int x = 0; x < unselected.width() && !textDrawn; ++x)
        textDrawn = unselected.pixelColor(x, unselected.height() / 2).red() > 128;
    EXPECT_TRUE(textDrawn);
    sheet->hide();
}

} // namespace
