#include "board/BackgammonPropertySheet.h"
#include "board/BgClientView.h"
#include "platform/Color.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "support/MainWindow.h"
#include "support/MessageRecorder.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/SoundSettings.h"
#include "support/TestEnvironment.h"
#include "support/controls/ColorButton.h"
#include "support/controls/ColorLB.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

const QString kProperties = "KELDERWICK_BG_PROPERTIES_CHANGED";
const QString kPlayOptions = "KELDERWICK_BG_PLAY_OPTIONS_CHANGED";

class BackgammonSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
        InitColorSchemeStore([] { return 3; });
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        CBackgammonPropertySheet::SetPrintOptionsPageFactory(nullptr);
        CBgBoardPreferences::SetCapabilityCheck(nullptr);
    }

    // The colour dialog answers with this colour.
    static void AnswerColor(platform::COLORREF color) {
        testenv::scriptedUi().SetDialogHandler([color](QDialog* dialog) {
            if (auto* chooser = qobject_cast<QColorDialog*>(dialog))
                chooser->setCurrentColor(platform::ToQColor(color));
            return platform::IDOK;
        });
    }
    // Chooses an item of the page's item list as the user does -> its pane.
    static platform::Dialog* ShowItem(CBgBoardPreferences& page, int item) {
        page.ItemAs<QComboBox>(CBgBoardPreferences::IDC_ITEMS)->setCurrentIndex(item);
        return qobject_cast<platform::Dialog*>(page.GetItemPane());
    }
    static void ChooseScheme(CBgBoardPreferences& page, const QString& name) {
        page.SchemeList()->setCurrentIndex(page.FindScheme(name));
    }
    QString Stored(int set, const QString& name) const {
        return store.GetRecentString(CBgColorScheme::SchemeSection(set), name, QString());
    }
    QStringList Directory(int set) const {
        QStringList names;
        const QString section = CBgColorScheme::DirectorySection(set);
        for (int i = 0; i < store.GetRecentInt(section, "nItems", 0); ++i)
            names << store.GetRecentString(section, QString::number(i), QString());
        return names;
    }

    CSettingsStore& store = GetSettingsStore();
};

// Save As finds a name exactly (ignoring case), so "Blue" beside "Blue Sky" is a scheme of its own;
// saving over a name replaces that scheme; Delete removes one and keeps "Default".
TEST_F(BackgammonSettingsTest, SchemesSavedSelectedSavedOverAndDeleted) {
    CBackgammonPropertySheet sheet;
    sheet.EnsureInitialized();
    CBgBoardPreferences& page = sheet.DisplayPage();
    ASSERT_TRUE(page.IsInitialized());
    EXPECT_EQ(page.GetCurrentName(), "Default");
    EXPECT_FALSE(page.IsModified());
    EXPECT_EQ(page.SchemeList()->count(), 19);
    EXPECT_FALSE(page.Item(CBgBoardPreferences::IDC_DELETE)->isEnabled());

    ChooseScheme(page, "Blue Sky");
    EXPECT_EQ(page.GetCurrentName(), "Blue Sky");
    EXPECT_TRUE(page.GetWorkingScheme().IsEqual(CBgColorScheme(0, BuiltInSchemeText(0, "Blue Sky"))));
    EXPECT_TRUE(page.GetPreview()->GetScheme().IsEqual(page.GetWorkingScheme()));
    EXPECT_TRUE(page.IsModified());

    testenv::scriptedUi().QueuePromptAnswer("  Blue ");
    page.ItemAs<QPushButton>(CBgBoardPreferences::IDC_SAVE_AS)->click();
    EXPECT_EQ(page.SchemeList()->currentText(), "Blue");
    EXPECT_NE(page.FindScheme("Blue"), page.FindScheme("Blue Sky"));
    EXPECT_EQ(Directory(0).size(), 20);
    EXPECT_EQ(Directory(0).last(), "Blue");
    EXPECT_EQ(Stored(0, "Blue"), page.GetWorkingScheme().WriteText());
    EXPECT_EQ(store.GetString(CBgColorScheme::DirectorySection(0), "strCurrentScheme"), "Blue");

    // An edit in a pane turns the list to "(Current)"; saving it over "blue sky" replaces that scheme.
    AnswerColor(platform::RGB(1, 2, 3));
    auto* pane = qobject_cast<C2DTexturePane*>(ShowItem(page, CBgBoardPreferences::kItemCheckers1));
    ASSERT_TRUE(pane);
    pane->ItemAs<CColorButton>(CTexturePane::IDC_COLOR1)->click();
    EXPECT_EQ(page.GetWorkingScheme().m_elements[CBgColorScheme::kCheckerSet1].color1, platform::RGB(1, 2, 3));
    EXPECT_EQ(page.SchemeList()->currentIndex(), 0);
    EXPECT_TRUE(page.IsEdited());
    testenv::scriptedUi().QueuePromptAnswer("blue sky");
    page.SaveSchemeAs();
    EXPECT_EQ(Directory(0).size(), 20);
    EXPECT_EQ(page.SchemeList()->currentText(), "Blue Sky");
    CBgColorScheme saved(0, Stored(0, "Blue Sky"));
    EXPECT_EQ(saved.m_elements[CBgColorScheme::kCheckerSet1].color1, platform::RGB(1, 2, 3));
    EXPECT_EQ(store.GetString(CBgColorScheme::DirectorySection(0), "strCurrentScheme"), "Blue"); // edited

    testenv::scriptedUi().QueuePromptAnswer("   ");
    page.SaveSchemeAs();
    ASSERT_FALSE(testenv::scriptedUi().asked().empty());
    EXPECT_EQ(testenv::scriptedUi().asked().back().text,
              "You must specify a name under which to save the current color scheme.");

    ChooseScheme(page, "Blue");
    ASSERT_TRUE(page.Item(CBgBoardPreferences::IDC_DELETE)->isEnabled());
    page.ItemAs<QPushButton>(CBgBoardPreferences::IDC_DELETE)->click();
    EXPECT_EQ(page.GetCurrentName(), "(Current)");
    EXPECT_EQ(page.FindScheme("Blue"), -1);
    EXPECT_EQ(Directory(0).size(), 19);
    EXPECT_FALSE(Directory(0).contains("Blue"));
    EXPECT_TRUE(Stored(0, "Blue").isEmpty());
    EXPECT_FALSE(Stored(0, "Blue Sky").isEmpty());

    ChooseScheme(page, "Default");
    page.DeleteScheme();
    EXPECT_EQ(page.FindScheme("Default"), 1);
    EXPECT_FALSE(Stored(0, "Default").isEmpty());
}

// Opening the sheet, every page and every item pane, and closing it (by Cancel or by OK) writes
// nothing; a texture or a face this machine lacks stays the scheme's own.
TEST_F(BackgammonSettingsTest, LookingChangesNothing) {
    CBgColorScheme odd(0, BuiltInSchemeText(0, "Default"));
    odd.m_elements[CBgColorScheme::kBoardFrame].textured = 1;
    odd.m_elements[CBgColorScheme::kBoardFrame].texture = "Wood3.bmp"; // listed, not installed
    odd.m_labelFace = "No Such Face Here";
    odd.Save(0, "(Current)");
    store.WriteString(CBgColorScheme::DirectorySection(0), "strCurrentScheme", "(Current)");
    ASSERT_TRUE(store.Save());

    for (int button : {platform::IDCANCEL, platform::IDOK}) {
        const QByteArray before = store.GetRegistry().ExportText();
        CBackgammonPropertySheet sheet;
        sheet.EnsureInitialized();
        for (int i = 0; i < sheet.GetPageCount(); ++i)
            ASSERT_TRUE(sheet.SetActivePage(i));
        for (CBgBoardPreferences* page : {&sheet.DisplayPage(), &sheet.PrintingPage()}) {
            const CBgColorScheme shown = page->GetWorkingScheme();
            for (int item = 0; item < page->ItemAs<QComboBox>(CBgBoardPreferences::IDC_ITEMS)->count(); ++item)
                ASSERT_TRUE(ShowItem(*page, item)) << item;
            EXPECT_TRUE(page->GetWorkingScheme().IsEqual(shown));
            EXPECT_FALSE(page->IsModified());
        }
        CBgBoardPreferences& display = sheet.DisplayPage();
        EXPECT_TRUE(display.GetWorkingScheme().IsEqual(odd));
        auto* frame = ShowItem(display, CBgBoardPreferences::kItemFrame);
        EXPECT_EQ(frame->ItemAs<QComboBox>(CTexturePane::IDC_TEXTURE)->currentText(), "Wood3.bmp");
        auto* font = ShowItem(display, CBgBoardPreferences::kItemLabelFont);
        EXPECT_EQ(font->ItemAs<QComboBox>(CFontPane::IDC_FONT)->currentText(), "No Such Face Here");
        EXPECT_FALSE(display.Item(CBgBoardPreferences::IDC_2D)->isVisibleTo(&display)); // no 3D here
        EXPECT_FALSE(sheet.IsApplyEnabled());
        sheet.Press(button);
        EXPECT_EQ(store.GetRegistry().ExportText(), before) << button;
    }
}

// Each page announces only its own kind of change, to the main window's descendants: an open game
// board follows, the sheet's own previews (a window of their own) do not.
TEST_F(BackgammonSettingsTest, AnnouncementsFollowTheKindOfChange) {
    QWidget main;
    SetMainWindow(&main);
    auto* recorder = new testenv::MessageRecorder({kProperties, kPlayOptions});
    recorder->setParent(&main);
    auto* view = new CBgClientView(&main);

    struct Case {
        const char* what;
        std::function<void(CBackgammonPropertySheet&)> change;
        int properties, playOptions;
    };
    const Case cases[] = {
        {"nothing", [](CBackgammonPropertySheet&) {}, 0, 0},
        {"die size",
         [](CBackgammonPropertySheet& s) { s.PlayOptionsPage().ItemAs<QSlider>(CBgPlayOptions::IDC_DIE_SIZE)->setValue(120); },
         1, 0},
        {"forced-move delay",
         [](CBackgammonPropertySheet& s) { s.PlayOptionsPage().ItemAs<QSlider>(CBgPlayOptions::IDC_FORCED_DELAY)->setValue(500); },
         0, 1},
        {"cube and single click",
         [](CBackgammonPropertySheet& s) {
             s.PlayOptionsPage().ItemAs<QAbstractButton>(CBgPlayOptions::IDC_CUBE_64)->click();
             s.PlayOptionsPage().ItemAs<QAbstractButton>(CBgPlayOptions::IDC_DOUBLE_CLICK)->click();
         },
         1, 1},
        {"screen colour",
         [](CBackgammonPropertySheet& s) {
             AnswerColor(platform::RGB(10, 200, 30));
             ShowItem(s.DisplayPage(), CBgBoardPreferences::kItemBoard)->ItemAs<CColorButton>(CTexturePane::IDC_COLOR1)->click();
         },
         1, 0},
        {"print colour",
         [](CBackgammonPropertySheet& s) {
             AnswerColor(platform::RGB(90, 90, 90));
             ShowItem(s.PrintingPage(), CBgBoardPreferences::kItemBoard)->ItemAs<CColorButton>(CTexturePane::IDC_COLOR1)->click();
         },
         0, 0},
    };
    for (const Case& c : cases) {
        recorder->received.clear();
        CBackgammonPropertySheet sheet(&main);
        sheet.EnsureInitialized();
        for (int i = 0; i < sheet.GetPageCount(); ++i)
            sheet.SetActivePage(i);
        c.change(sheet);
        const CBgColorScheme printPreview = sheet.PrintingPage().GetPreview()->GetScheme();
        sheet.Press(platform::ID_APPLY_NOW);
        EXPECT_EQ(recorder->Count(kProperties), c.properties) << c.what;
        EXPECT_EQ(recorder->Count(kPlayOptions), c.playOptions) << c.what;
        EXPECT_TRUE(view->GetBoardCtl()->GetScheme().IsEqual(CBgColorScheme(-1))) << c.what;
        EXPECT_TRUE(sheet.PrintingPage().GetPreview()->GetScheme().IsEqual(printPreview)) << c.what;
        EXPECT_EQ(view->GetBoardCtl()->GetDisplayOptions(), CBgPlaySettings::Load().DisplayOptions()) << c.what;
    }
    EXPECT_EQ(view->GetBoardCtl()->GetScheme().m_elements[CBgColorScheme::kBoard].color1, platform::RGB(10, 200, 30));
    EXPECT_EQ(view->GetBoardCtl()->GetDisplayOptions(), (CBoardDisplayOptions{true, 120, false}));
    EXPECT_EQ(CBgColorScheme(10, store.GetString("BgColorPrefs10", "(Current)")).m_elements[CBgColorScheme::kBoard].color1,
              platform::RGB(90, 90, 90));
    EXPECT_EQ(store.GetString("BgColorPrefsDir0", "strCurrentScheme"), "(Current)");
    SetMainWindow(nullptr);
}

// The play options: defaults, the sound boxes that follow "&Enable" but keep their values.
TEST_F(BackgammonSettingsTest, PlayOptionsDefaultsAndSounds) {
    CBackgammonPropertySheet sheet(nullptr, CBackgammonPropertySheet::kPlayOptionsPage);
    sheet.EnsureInitialized();
    CBgPlayOptions& page = sheet.PlayOptionsPage();
    ASSERT_TRUE(page.IsInitialized());
    EXPECT_TRUE(page.IsItemChecked(CBgPlayOptions::IDC_SINGLE_CLICK));
    EXPECT_EQ(page.ItemAs<QSlider>(CBgPlayOptions::IDC_FORCED_DELAY)->value(), 20);
    EXPECT_FALSE(page.IsItemChecked(CBgPlayOptions::IDC_PLAY_FORCED));
    EXPECT_TRUE(page.IsItemChecked(CBgPlayOptions::IDC_CUBE_1));
    EXPECT_EQ(page.ItemAs<QSlider>(CBgPlayOptions::IDC_DIE_SIZE)->value(), 75);
    EXPECT_TRUE(page.IsItemChecked(CBgPlayOptions::IDC_CONFIRM_DOUBLES));
    EXPECT_TRUE(page.IsItemChecked(CBgPlayOptions::IDC_ENABLE_SOUND));
    EXPECT_TRUE(page.IsItemChecked(CBgPlayOptions::IDC_GAME_EVENTS));
    EXPECT_FALSE(page.IsItemChecked(CBgPlayOptions::IDC_ROLL_OR_DOUBLE));
    EXPECT_FALSE(page.IsModified());

    page.ItemAs<QAbstractButton>(CBgPlayOptions::IDC_DANCE)->click();
    page.ItemAs<QAbstractButton>(CBgPlayOptions::IDC_ENABLE_SOUND)->click();
    for (int id : {CBgPlayOptions::IDC_ROLL_OR_DOUBLE, CBgPlayOptions::IDC_GAME_EVENTS, CBgPlayOptions::IDC_DANCE})
        EXPECT_FALSE(page.Item(id)->isEnabled()) << id;
    ASSERT_EQ(sheet.Press(platform::IDOK), platform::IDOK);
    EXPECT_EQ(store.GetIntEx("Sounds", "bEnableSound", -1), 0);
    EXPECT_EQ(store.GetIntEx("Sounds", "bDance", -1), 1);
    EXPECT_EQ(store.GetIntEx("Sounds", "bGameEvents", -1), 1);
    EXPECT_EQ(store.GetIntEx("Backgammon", "bEnableSingleClick", -1), 1);
    EXPECT_EQ(store.GetIntEx("Backgammon", "nDieSize", -1), 75);
    EXPECT_FALSE(GetSoundSettings().Get(CSoundSettings::kEnableSound)); // the switches were reloaded
    EXPECT_TRUE(GetSoundSettings().Get(CSoundSettings::kDance));
    GetSoundSettings().Load();
}

// Automatic saving: the getters' defaults, the folder chooser, and what Apply writes.
TEST_F(BackgammonSettingsTest, SaveOptionsGettersAndFolder) {
    EXPECT_TRUE(CBgSaveOptions::GetSaveWhilePlaying());
    EXPECT_FALSE(CBgSaveOptions::GetSaveWhileWatching());
    EXPECT_FALSE(CBgSaveOptions::GetAutoSaveFormatTxt());
    EXPECT_TRUE(CBgSaveOptions::GetAutoSaveFolderCbg());
    EXPECT_FALSE(CBgSaveOptions::GetAutoSaveFolderSnv());
    EXPECT_TRUE(CBgSaveOptions::GetSaveFolder().endsWith("SaveGame/")) << CBgSaveOptions::GetSaveFolder().toStdString();
    store.WriteRecentString("PathNames", "InitialSavedGame", "/tmp/elsewhere");
    EXPECT_EQ(CBgSaveOptions::GetSaveFolder(), "/tmp/elsewhere/");

    CBackgammonPropertySheet sheet(nullptr, CBackgammonPropertySheet::kSaveOptionsPage);
    sheet.EnsureInitialized();
    CBgSaveOptions& page = sheet.SaveOptionsPage();
    EXPECT_EQ(page.GetItemText(CBgSaveOptions::IDC_FOLDER), "/tmp/elsewhere/");
    page.ItemAs<QPushButton>(CBgSaveOptions::IDC_BROWSE)->click(); // cancelled
    EXPECT_FALSE(page.IsModified());
    testenv::scriptedUi().QueueFileAnswer("/srv/matches");
    page.ItemAs<QPushButton>(CBgSaveOptions::IDC_BROWSE)->click();
    EXPECT_EQ(testenv::scriptedUi().asked().back().caption, "Save games Directory");
    EXPECT_EQ(page.GetItemText(CBgSaveOptions::IDC_FOLDER), "/srv/matches");
    page.ItemAs<QAbstractButton>(CBgSaveOptions::IDC_WHILE_WATCHING)->click();
    ASSERT_EQ(sheet.Press(platform::IDOK), platform::IDOK);
    EXPECT_EQ(CBgSaveOptions::GetSaveFolder(), "/srv/matches");
    EXPECT_TRUE(CBgSaveOptions::GetSaveWhileWatching());
    EXPECT_TRUE(CBgSaveOptions::GetAutoSaveFolderCbg());
}

// The print options page comes from whoever registered its maker, as the third tab.
TEST_F(BackgammonSettingsTest, PrintOptionsPageThroughItsMaker) {
    const auto titles = [](const CBackgammonPropertySheet& sheet) {
        QStringList result;
        for (int i = 0; i < sheet.GetPageCount(); ++i)
            result << sheet.GetPage(i)->Title();
        return result;
    };
    CBackgammonPropertySheet four;
    EXPECT_EQ(titles(four), QStringList({"Display", "Printing", "Play Options", "AutoSave"}));
    EXPECT_EQ(four.PageIndex(CBackgammonPropertySheet::kPrintOptionsPage), -1);
    EXPECT_EQ(four.windowTitle(), "Backgammon Settings");

    CBackgammonPropertySheet::SetPrintOptionsPageFactory(
        [] { return std::make_unique<platform::PropertyPage>("Move Log Printing"); });
    CBackgammonPropertySheet five(nullptr, CBackgammonPropertySheet::kSaveOptionsPage);
    five.EnsureInitialized();
    EXPECT_EQ(titles(five), QStringList({"Display", "Printing", "Move Log Printing", "Play Options", "AutoSave"}));
    EXPECT_EQ(five.GetActiveIndex(), 4);
}

// The speed test measures once and keeps its rating; a stored rating answers without measuring.
TEST_F(BackgammonSettingsTest, FloatingPointSpeedIsMeasuredOnce) {
    EXPECT_GT(MeasureMultiplicationRate(1, 5), 0);
    const bool fast = MeasureFloatingPointSpeed();
    const int rating = store.GetIntEx("OpenGL", "mFlops", 0);
    EXPECT_GT(rating, 0);
    EXPECT_EQ(fast, rating >= 11);
    for (int stored : {10, 11}) {
        store.WriteInt("OpenGL", "mFlops", stored);
        EXPECT_EQ(MeasureFloatingPointSpeed(), stored >= 11);
        EXPECT_EQ(store.GetIntEx("OpenGL", "mFlops", 0), stored);
    }
}

// The texture pane: only installed textures are offered; the kind of the chosen one decides which
// colours it takes and whether the texture is tinted.
TEST_F(BackgammonSettingsTest, TextureKindsDecideColorsAndTint) {
    const auto names = [](int list) {
        QStringList result;
        for (const CBgTextureChoice& choice : BgTextureChoices(list))
            result << choice.name;
        return result;
    };
    EXPECT_EQ(names(kBoardTextures), QStringList({"<none>", "Birdseye Maple", "Concrete", "Copper", "Leather",
                                                  "Linen", "Mahogany", "Marble"}));
    EXPECT_EQ(names(kCheckerTextures), QStringList({"<none>", "Felsoid #1", "Felsoid #3", "Wood", "Concrete"}));

    CBackgammonPropertySheet sheet;
    sheet.EnsureInitialized();
    CBgBoardPreferences& page = sheet.DisplayPage();
    auto* pane = qobject_cast<CTexturePane*>(ShowItem(page, CBgBoardPreferences::kItemPockets));
    ASSERT_TRUE(pane);
    auto* list = pane->ItemAs<QComboBox>(CTexturePane::IDC_TEXTURE);
    const CBgSchemeElement& pockets = page.GetWorkingScheme().m_elements[CBgColorScheme::kPockets];
    struct Case {
        const char* name;
        qint32 textured, tinted;
        const char* file;
        bool color1, color2;
    };
    const Case cases[] = {
        {"Mahogany", 1, 0, "mahog.bmp", false, false},
        {"Marble", 1, 1, "marble.bmp", true, true},
        {"<none>", 0, 0, "", true, false},
    };
    for (const Case& c : cases) {
        list->setCurrentIndex(list->findText(c.name));
        emit list->activated(list->currentIndex());
        EXPECT_EQ(pockets.textured, c.textured) << c.name;
        EXPECT_EQ(pockets.tinted, c.tinted) << c.name;
        EXPECT_EQ(pockets.texture, c.file) << c.name;
        EXPECT_EQ(pane->Item(CTexturePane::IDC_COLOR1)->isVisibleTo(pane), c.color1) << c.name;
        EXPECT_EQ(pane->Item(CTexturePane::IDC_COLOR2)->isVisibleTo(pane), c.color2) << c.name;
    }
    EXPECT_TRUE(page.GetPreview()->GetScheme().IsEqual(page.GetWorkingScheme()));

    // The dice and the label font: a choice in a list is taken; the highlight row is the checkers' own.
    auto* dice = ShowItem(page, CBgBoardPreferences::kItemDice2);
    auto* spots = dice->ItemAs<CColorLB>(CLineArtPane::IDC_HIGHLIGHT);
    spots->SelectColor(platform::RGB(255, 0, 0));
    emit spots->activated(spots->currentIndex());
    EXPECT_EQ(page.GetWorkingScheme().m_elements[CBgColorScheme::kDice2].highlight, platform::RGB(255, 0, 0));
    EXPECT_FALSE(ShowItem(page, CBgBoardPreferences::kItemFrame)->Item(C2DTexturePane::IDC_HIGHLIGHT)->isVisibleTo(page.GetItemPane()));
    auto* font = ShowItem(page, CBgBoardPreferences::kItemLabelFont);
    auto* style = font->ItemAs<QComboBox>(CFontPane::IDC_STYLE);
    const int italic = style->findText("Italic");
    ASSERT_GE(italic, 0);
    style->setCurrentIndex(italic);
    emit style->activated(italic);
    EXPECT_EQ(page.GetWorkingScheme().m_labelItalic, 1);
    EXPECT_EQ(page.GetWorkingScheme().m_labelWeight, 400);
    EXPECT_EQ(page.GetCurrentName(), "(Current)");
}

// Where a three-dimensional board could be drawn the radios show; a slow machine asks first, and
// "No" leaves the page as it was. The printing page never offers a style.
TEST_F(BackgammonSettingsTest, StyleChoiceAsksOnASlowMachine) {
    CBgBoardPreferences::SetCapabilityCheck([] { return 2; });
    CBackgammonPropertySheet sheet;
    sheet.EnsureInitialized();
    CBgBoardPreferences& page = sheet.DisplayPage();
    EXPECT_TRUE(page.Item(CBgBoardPreferences::IDC_3D)->isVisibleTo(&page));
    EXPECT_FALSE(page.Item(CBgBoardPreferences::IDC_ACCELERATION)->isEnabled());
    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDNO);
    page.ItemAs<QAbstractButton>(CBgBoardPreferences::IDC_3D)->click();
    EXPECT_EQ(page.GetStyle(), 0);
    EXPECT_EQ(page.SchemeList()->count(), 19);
    EXPECT_FALSE(page.IsModified());

    testenv::scriptedUi().QueueMessageBoxAnswer(platform::IDYES);
    page.ItemAs<QAbstractButton>(CBgBoardPreferences::IDC_3D)->click();
    EXPECT_EQ(page.GetStyle(), 2);
    EXPECT_EQ(page.GetSchemeSet(), 2);
    EXPECT_EQ(page.SchemeList()->count(), 18);
    EXPECT_TRUE(page.Item(CBgBoardPreferences::IDC_ACCELERATION)->isEnabled());
    EXPECT_EQ(page.ItemAs<QComboBox>(CBgBoardPreferences::IDC_ITEMS)->count(), 11);
    EXPECT_TRUE(qobject_cast<CTexturePane*>(ShowItem(page, CBgBoardPreferences::kItemBackground)));
    page.ItemAs<QAbstractButton>(CBgBoardPreferences::IDC_ACCELERATION)->click();

    ASSERT_TRUE(sheet.SetActivePage(1));
    EXPECT_FALSE(sheet.PrintingPage().Item(CBgBoardPreferences::IDC_3D)->isVisibleTo(&sheet.PrintingPage()));
    ASSERT_EQ(sheet.Press(platform::IDOK), platform::IDOK);
    EXPECT_EQ(store.GetIntEx("BgColorPrefs", "nStyle", -1), 2);
    EXPECT_EQ(store.GetRecentInt("BgColorPrefs", "bEnableHardwareAcceleration", -1), 0);
}

} // namespace
