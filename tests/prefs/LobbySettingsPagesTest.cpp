#include "platform/Ui.h"
#include "prefs/MBFlyoverPropertyPage.h"
#include "prefs/MBGroupQueryDlg.h"
#include "prefs/MatchBoardQuery.h"
#include "prefs/MatchBoardQueryDlg.h"
#include "support/MessageRecorder.h"
#include "support/QtPrinters.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/controls/ColorButton.h"
#include "support/controls/SpinButton.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

using platform::ScriptedUi;

class LobbySettingsPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        ui().clear();
    }
    void TearDown() override {
        ui().SetDialogHandler(nullptr);
        ui().clear();
        testenv::ResetSettings();
    }
    static ScriptedUi& ui() { return testenv::scriptedUi(); }
    static CSettingsStore& store() { return GetSettingsStore(); }
    // How many messages the user was shown.
    static int boxes() {
        int count = 0;
        for (const auto& asked : ui().asked())
            count += asked.kind == ScriptedUi::Asked::MessageBoxKind;
        return count;
    }
    static CMatchBoardQuery defaults() {
        CMatchBoardQuery query;
        query.Load(true);
        return query;
    }
    template <class Page> static QCheckBox* box(Page& page, int id) { return page.template ItemAs<QCheckBox>(id); }
    template <class Page> static void type(Page& page, int id, const QString& text) {
        page.template ItemAs<QLineEdit>(id)->setText(text);
    }
};

// ---- "Filter" --------------------------------------------------------------------------------------

TEST_F(LobbySettingsPageTest, FilterTakesTheRecordAndGivesItBack) {
    CMatchBoardQuery query = defaults();
    query.statusMask = 0x8 | 0x2;
    query.actionMask = 0x2 | 0x8;
    query.origin = 1;
    query.centre = 1650.0f;
    query.size = 40;

    CMatchBoardQueryDlg page(nullptr);
    page.SetProperties(&query);
    EXPECT_FALSE(page.anyStatus);
    EXPECT_TRUE(page.away && page.ready && page.playing);
    EXPECT_FALSE(page.watching);
    EXPECT_EQ(page.ratingChoice, 1);

    page.EnsureInitialized();
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "40");
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kCentreEditId), "1650");
    EXPECT_TRUE(page.Item(CMatchBoardQueryDlg::kCentreEditId)->isEnabled());
    EXPECT_TRUE(page.IsItemChecked(CMatchBoardQueryDlg::kCentreRatingId));
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kAwayId)->checkState(), Qt::Checked);
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kWatchingId)->checkState(), Qt::Unchecked);

    ASSERT_TRUE(page.UpdateData(true));
    CMatchBoardQuery back = defaults();
    page.GetProperties(&back);
    EXPECT_EQ(back.ToText(), query.ToText());
    page.GetProperties(nullptr); // ignored
    page.SetProperties(nullptr);
}

TEST_F(LobbySettingsPageTest, FilterMasksFollowTheBoxes) {
    CMatchBoardQueryDlg page(nullptr);
    CMatchBoardQuery query = defaults();
    query.statusMask = 0;
    query.actionMask = 0;
    page.SetProperties(&query);
    page.EnsureInitialized();

    // Only "watching".
    box(page, CMatchBoardQueryDlg::kWatchingId)->click();
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.actionMask, 4u);
    EXPECT_EQ(query.statusMask, 0u);
    EXPECT_TRUE(page.IsModified());

    // "Any status" keeps the bits of the boxes set before, and shows the boxes undecided.
    box(page, CMatchBoardQueryDlg::kAwayId)->click();
    box(page, CMatchBoardQueryDlg::kAnyStatusId)->click();
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kReadyId)->checkState(), Qt::PartiallyChecked);
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.actionMask, 0x8000u | 4u);
    EXPECT_EQ(query.statusMask, 0x8000u | 8u);

    // While "any status" is on, a click on a box changes nothing.
    box(page, CMatchBoardQueryDlg::kPlayingId)->click();
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kPlayingId)->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(page.playing);

    box(page, CMatchBoardQueryDlg::kAnyStatusId)->click();
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kWatchingId)->checkState(), Qt::Checked);
    EXPECT_EQ(box(page, CMatchBoardQueryDlg::kPlayingId)->checkState(), Qt::Unchecked);
    box(page, CMatchBoardQueryDlg::kPlayingId)->click();
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.actionMask, 4u | 2u | 8u);
    EXPECT_EQ(query.statusMask, 8u);
}

TEST_F(LobbySettingsPageTest, FilterCentreIsBroughtIntoRangeOnlyWhenItIsUsed) {
    CMatchBoardQueryDlg page(nullptr);
    CMatchBoardQuery query = defaults();
    query.centre = 500.0f; // origin 0: the centre is not in use
    page.SetProperties(&query);
    EXPECT_EQ(page.centre, 1000.0);
    page.EnsureInitialized();
    EXPECT_FALSE(page.Item(CMatchBoardQueryDlg::kCentreEditId)->isEnabled());
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.centre, 500.0f);
    EXPECT_EQ(query.origin, 0);

    CMatchBoardQuery unloaded; // the constructor's centre of 2 to the power 30
    page.SetProperties(&unloaded);
    EXPECT_EQ(page.centre, 3000.0);

    // A centre is shown as the float it is, not as the float widened to a double.
    query.centre = 1650.3f;
    page.SetProperties(&query);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kCentreEditId), "1650.3");

    // Choosing the centre enables its edit and takes what it holds.
    page.ItemAs<QRadioButton>(CMatchBoardQueryDlg::kCentreRatingId)->click();
    EXPECT_TRUE(page.Item(CMatchBoardQueryDlg::kCentreEditId)->isEnabled());
    type(page, CMatchBoardQueryDlg::kCentreEditId, " 1712.5 ");
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.origin, 1);
    EXPECT_EQ(query.centre, 1712.5f);
}

TEST_F(LobbySettingsPageTest, FilterRefusesValuesOutsideTheirRanges) {
    store().WriteInt("CSessionDoc", "nMaxQuerySize", 150);
    CMatchBoardQueryDlg page(nullptr);
    CMatchBoardQuery query = defaults();
    query.origin = 1;
    page.SetProperties(&query);
    page.EnsureInitialized();

    const std::pair<int, QString> refused[] = {
        {CMatchBoardQueryDlg::kSizeEditId, "3"},       {CMatchBoardQueryDlg::kSizeEditId, "151"},
        {CMatchBoardQueryDlg::kSizeEditId, "many"},    {CMatchBoardQueryDlg::kCentreEditId, "3000.5"},
        {CMatchBoardQueryDlg::kCentreEditId, "-1"},    {CMatchBoardQueryDlg::kCentreEditId, "1500,5"},
        {CMatchBoardQueryDlg::kCentreEditId, "inf"},   {CMatchBoardQueryDlg::kCentreEditId, ""},
    };
    for (const auto& [id, text] : refused) {
        page.SetProperties(&query);
        type(page, id, text);
        const int before = boxes();
        EXPECT_FALSE(page.UpdateData(true)) << text.toStdString();
        EXPECT_EQ(boxes(), before + 1) << text.toStdString();
    }
    page.SetProperties(&query);
    type(page, CMatchBoardQueryDlg::kSizeEditId, "150");
    type(page, CMatchBoardQueryDlg::kCentreEditId, "0");
    EXPECT_TRUE(page.UpdateData(true));

    // With the user's own rating chosen, the unused centre does not stand in the way.
    page.ItemAs<QRadioButton>(CMatchBoardQueryDlg::kMyRatingId)->click();
    type(page, CMatchBoardQueryDlg::kCentreEditId, "17x");
    EXPECT_TRUE(page.UpdateData(true));
}

TEST_F(LobbySettingsPageTest, FilterSizeCanBeConfirmedWhateverTheServerMaximum) {
    store().WriteInt("CSessionDoc", "nMaxQuerySize", 1);
    store().WriteInt("CSessionDoc", "nQuerySize", 125);
    CMatchBoardQueryDlg page(nullptr);
    CMatchBoardQuery query = defaults();
    page.SetProperties(&query);
    page.EnsureInitialized();
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "4");
    EXPECT_TRUE(page.UpdateData(true));
    EXPECT_EQ(boxes(), 0);
}

TEST_F(LobbySettingsPageTest, FilterArrowsStepTheSizeWithinItsRange) {
    store().WriteInt("CSessionDoc", "nMaxQuerySize", 126);
    CMatchBoardQueryDlg page(nullptr);
    CMatchBoardQuery query = defaults();
    page.SetProperties(&query);
    page.EnsureInitialized();
    auto* spin = page.ItemAs<CSpinButton>(CMatchBoardQueryDlg::kSizeSpinId);
    ASSERT_NE(spin, nullptr);
    spin->StepBy(1);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "126");
    EXPECT_TRUE(page.IsModified());
    spin->StepBy(1);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "126");
    // A typed value outside the range is left for the check to refuse; the arrows start from the bound.
    type(page, CMatchBoardQueryDlg::kSizeEditId, "900");
    spin->StepBy(-1);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "125");
    type(page, CMatchBoardQueryDlg::kSizeEditId, "1");
    spin->StepBy(-1);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kSizeEditId), "4");

    // The centre's arrows go with its edit.
    auto* centreSpin = page.ItemAs<CSpinButton>(CMatchBoardQueryDlg::kCentreSpinId);
    EXPECT_EQ(centreSpin->Maximum(), 3000);
    EXPECT_FALSE(centreSpin->isEnabled());
    page.ItemAs<QRadioButton>(CMatchBoardQueryDlg::kCentreRatingId)->click();
    EXPECT_TRUE(centreSpin->isEnabled());
    centreSpin->StepBy(1);
    EXPECT_EQ(page.GetItemText(CMatchBoardQueryDlg::kCentreEditId), "1501");
}

// ---- "Groups" --------------------------------------------------------------------------------------

TEST_F(LobbySettingsPageTest, GroupsTakeTheRecordAndAlwaysGiveSupportBackOff) {
    CMatchBoardQuery query = defaults();
    query.friends = 0;
    query.clubMembers = 0;
    query.leagueMembers = 1;
    query.trackGroups = 1;
    CMBGroupQueryDlg page(nullptr);
    page.SetProperties(&query);
    page.EnsureInitialized();
    EXPECT_EQ(box(page, 1437)->checkState(), Qt::Unchecked); // friends
    EXPECT_EQ(box(page, 1441)->checkState(), Qt::Checked);   // self

    box(page, 1437)->click();
    box(page, 1440)->click(); // robots off
    EXPECT_TRUE(page.IsModified());
    ASSERT_TRUE(page.UpdateData(true));
    CMatchBoardQuery back = query;
    page.GetProperties(&back);
    EXPECT_EQ(back.friends, 1);
    EXPECT_EQ(back.robots, 0);
    EXPECT_EQ(back.clubMembers, 0);
    EXPECT_EQ(back.support, 0);
    EXPECT_EQ(back.leagueMembers, 1); // no box for it: left as it was
    EXPECT_EQ(back.trackGroups, 1);
}

TEST_F(LobbySettingsPageTest, GroupsAllGroupsOverridesTheBoxes) {
    CMatchBoardQuery query = defaults();
    CMBGroupQueryDlg page(nullptr);
    page.SetProperties(&query);
    page.EnsureInitialized();

    box(page, CMBGroupQueryDlg::kAllGroupsId)->click();
    for (const auto& group : CMBGroupQueryDlg::Groups())
        EXPECT_EQ(box(page, group.boxId)->checkState(), Qt::PartiallyChecked);
    box(page, 1442)->click(); // ignored
    ASSERT_TRUE(page.UpdateData(true));
    page.GetProperties(&query);
    EXPECT_EQ(query.trackAllGroups, 1);
    EXPECT_EQ(query.sysops, 1);

    box(page, CMBGroupQueryDlg::kAllGroupsId)->click();
    EXPECT_EQ(box(page, 1442)->checkState(), Qt::Checked);
}

TEST_F(LobbySettingsPageTest, GroupsColoursArePickedAndSavedOnApply) {
    testenv::MessageRecorder recorder({"KELDERWICK_FONT_PROPERTIES_CHANGED", "KELDERWICK_BG_QUERY_CHANGED"});
    CMBGroupQueryDlg page(nullptr);
    page.EnsureInitialized();
    auto* friends = page.ItemAs<CColorButton>(1503);
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->GetColor(), 0xF00000u);

    // Cancelled: nothing changes.
    ui().SetDialogHandler([](QDialog*) { return platform::IDCANCEL; });
    friends->click();
    EXPECT_EQ(friends->GetColor(), 0xF00000u);
    EXPECT_FALSE(page.IsModified());

    ui().SetDialogHandler([](QDialog* dialog) {
        auto* colors = qobject_cast<QColorDialog*>(dialog);
        if (!colors)
            return platform::IDCANCEL;
        EXPECT_EQ(colors->currentColor(), QColor(0, 0, 0xF0)); // starts from the button's colour
        colors->setCurrentColor(QColor(0x12, 0x34, 0x56));
        return platform::IDOK;
    });
    friends->click();
    EXPECT_EQ(friends->GetColor(), 0x563412u);
    EXPECT_TRUE(page.IsModified());
    EXPECT_EQ(store().GetIntEx("CMBColors", "Friends Color", -1), -1); // not before Apply

    // Names in the lists' own colour: the buttons go grey.
    box(page, CMBGroupQueryDlg::kColorNamesId)->click();
    EXPECT_FALSE(friends->isEnabled());

    ASSERT_TRUE(page.OnKillActive());
    ASSERT_TRUE(page.OnApply());
    EXPECT_EQ(store().GetIntEx("CMBColors", "Friends Color", -1), 0x563412);
    EXPECT_EQ(store().GetIntEx("CMBColors", "Color by Group", -1), 0);
    EXPECT_EQ(store().GetIntEx("CMBColors", "Self Color", -1), 0xF000);
    EXPECT_EQ(recorder.Count("KELDERWICK_FONT_PROPERTIES_CHANGED"), 1);
    EXPECT_EQ(recorder.Count("KELDERWICK_BG_QUERY_CHANGED"), 0); // no sheet to save the query
}

// ---- flyovers ----------------------------------------------------------------------------------------

// An open list view as far as the flyover page is concerned: it fills the page it is given, when the
// page is of the kind it knows.
class ListViewStandIn : public QWidget, public platform::MessageTarget {
public:
    bool OnMessage(platform::MessageId id, qintptr, platform::Object* lParam) override {
        if (id != platform::RegisterMessage("KELDERWICK_VIEW_PROPERTIES_INIT"))
            return false;
        ++calls;
        if (auto* page = platform::object_cast<CMBFlyoverPropertyPage>(lParam))
            page->Settings().delay = 140;
        else
            ++otherPages;
        return true;
    }
    int calls = 0;
    int otherPages = 0;
};

TEST_F(LobbySettingsPageTest, FlyoverPageIsFilledByTheOpenListsWhileItIsMade) {
    ListViewStandIn view;
    CMBFlyoverPropertyPage page;
    EXPECT_EQ(view.calls, 1);
    EXPECT_EQ(page.Settings().delay, 140);
    EXPECT_EQ(view.otherPages, 0);

    CMBGroupQueryDlg groups(nullptr);
    platform::BroadcastMessage({&view}, platform::RegisterMessage("KELDERWICK_VIEW_PROPERTIES_INIT"), 0, &groups);
    EXPECT_EQ(view.otherPages, 1);
}

TEST_F(LobbySettingsPageTest, FlyoverPageShowsLoadsAndSaves) {
    store().WriteInt("CMBDetailedListOptions", "nDetailedListFlyoverDelay", 150);
    testenv::MessageRecorder recorder({"KELDERWICK_FLYOVER_PROPERTIES_CHANGED"});
    CMBFlyoverPropertyPage page;
    page.EnsureInitialized();
    auto* slider = page.ItemAs<QSlider>(CMBFlyoverPropertyPage::kDelayId);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), 150); // not cut to a default range
    EXPECT_EQ(slider->minimum(), 10);
    EXPECT_EQ(slider->maximum(), 200);
    EXPECT_EQ(slider->pageStep(), 19);
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(page.IsModified());

    box(page, CMBFlyoverPropertyPage::kFlyoverId)->click();
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_TRUE(page.IsModified());
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(slider->value(), 169);

    ASSERT_TRUE(page.OnKillActive());
    ASSERT_TRUE(page.OnApply());
    EXPECT_TRUE(store().GetBool("CMBDetailedListOptions", "bDetailedListFlyover", false));
    EXPECT_EQ(store().GetIntEx("CMBDetailedListOptions", "nDetailedListFlyoverDelay", 0), 169);
    EXPECT_EQ(recorder.Count("KELDERWICK_FLYOVER_PROPERTIES_CHANGED"), 1);

    // A stored delay outside what the page offers is shown, and saved, at the nearest end.
    store().WriteInt("CMBDetailedListOptions", "nDetailedListFlyoverDelay", 5000);
    CMBFlyoverPropertyPage far;
    far.EnsureInitialized();
    ASSERT_TRUE(far.OnKillActive());
    EXPECT_EQ(far.Settings().delay, 200);
}

} // namespace
