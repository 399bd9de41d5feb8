#include "prefs/BGMatchBoardProperties.h"
#include "platform/Ui.h"
#include "prefs/MBFlyoverPropertyPage.h"
#include "prefs/MBGroupQueryDlg.h"
#include "prefs/MatchBoardQueryDlg.h"
#include "support/MessageRecorder.h"
#include "support/QtPrinters.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using platform::ID_APPLY_NOW;
using platform::IDCANCEL;
using platform::IDOK;

const char kQueryChanged[] = "KELDERWICK_BG_QUERY_CHANGED";
const QString kSession = QStringLiteral("CSessionDoc");

// Stands in for the list columns page that the lobby hands to the sheet.
class ColumnsPage : public platform::PropertyPage {
    NV_DECLARE_RUNTIME_CLASS(CBGMatchBoardPropertyPage, platform::PropertyPage)
public:
    ColumnsPage() : platform::PropertyPage(QStringLiteral("Columns")) {}
};

class LobbySettingsSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        testenv::scriptedUi().clear();
    }
    void TearDown() override {
        testenv::scriptedUi().SetDialogHandler(nullptr);
        testenv::scriptedUi().clear();
        testenv::ResetSettings();
    }
    static CSettingsStore& store() { return GetSettingsStore(); }
    static QString storedQuery() {
        CMatchBoardQuery query;
        query.Load(true);
        return query.ToText();
    }
    static QStringList titles(const CBGMatchBoardProperties& sheet) {
        QStringList result;
        for (int i = 0; i < sheet.GetPageCount(); ++i)
            result << sheet.GetPage(i)->Title();
        return result;
    }
    static void click(platform::Dialog& page, int id) { page.ItemAs<QAbstractButton>(id)->click(); }

    testenv::MessageRecorder recorder{
        {kQueryChanged, "KELDERWICK_FONT_PROPERTIES_CHANGED", "KELDERWICK_FLYOVER_PROPERTIES_CHANGED"}};
};

TEST_F(LobbySettingsSheetTest, PagesComeInOrderWithRoomForTheColumns) {
    CBGMatchBoardProperties sheet;
    EXPECT_EQ(sheet.windowTitle(), "Lobby Settings");
    EXPECT_EQ(titles(sheet), QStringList({"Filter", "Groups", "Flyovers"}));
    EXPECT_EQ(sheet.GetPage(0), &sheet.FilterPage());
    EXPECT_EQ(sheet.GetPage(2), &sheet.FlyoverPage());
    EXPECT_EQ(sheet.ColumnsPage(), nullptr);

    CBGMatchBoardProperties withColumns(nullptr, std::make_unique<ColumnsPage>());
    EXPECT_EQ(titles(withColumns), QStringList({"Filter", "Groups", "Columns", "Flyovers"}));
    EXPECT_EQ(withColumns.GetPage(2), withColumns.ColumnsPage());
    EXPECT_EQ(withColumns.SlotToIndex(CBGMatchBoardProperties::kFlyoverSlot), 3);
    EXPECT_EQ(sheet.SlotToIndex(CBGMatchBoardProperties::kFlyoverSlot), 2);
    EXPECT_EQ(sheet.SlotToIndex(CBGMatchBoardProperties::kColumnsSlot), -1);
}

TEST_F(LobbySettingsSheetTest, OpensAtTheRememberedPageAndRemembersTheLastOne) {
    store().WriteInt("CBGMatchBoardProperties", "nOptionsPage", CBGMatchBoardProperties::kFlyoverSlot);
    {
        CBGMatchBoardProperties sheet(nullptr, std::make_unique<ColumnsPage>());
        sheet.EnsureInitialized();
        EXPECT_EQ(sheet.GetActivePage(), &sheet.FlyoverPage());
        EXPECT_FALSE(sheet.FilterPage().IsInitialized()); // only the shown page was made ready
        ASSERT_TRUE(sheet.SetActivePage(&sheet.GroupsPage()));
        EXPECT_EQ(sheet.Press(IDCANCEL), IDCANCEL);
    }
    EXPECT_EQ(store().GetIntEx("CBGMatchBoardProperties", "nOptionsPage", -1),
              CBGMatchBoardProperties::kGroupsSlot);

    // The slots keep their meaning without the columns page; a slot the sheet lacks opens the first page.
    store().WriteInt("CBGMatchBoardProperties", "nOptionsPage", CBGMatchBoardProperties::kFlyoverSlot);
    {
        CBGMatchBoardProperties sheet;
        sheet.EnsureInitialized();
        EXPECT_EQ(sheet.GetActivePage(), &sheet.FlyoverPage());
    }
    for (int stored : {int(CBGMatchBoardProperties::kColumnsSlot), 9, -1}) {
        store().WriteInt("CBGMatchBoardProperties", "nOptionsPage", stored);
        CBGMatchBoardProperties sheet;
        sheet.EnsureInitialized();
        EXPECT_EQ(sheet.GetActiveIndex(), 0) << stored;
    }
}

TEST_F(LobbySettingsSheetTest, PagesStartFromTheStoredQuery) {
    store().WriteInt(kSession, "nQuerySize", 77);
    store().WriteInt(kSession, "eQueryOrigin", 1);
    store().WriteString(kSession, "szQueryCentre", "1844.000000");
    store().WriteBool(kSession, "bTrackRobot", false);
    CBGMatchBoardProperties sheet;
    sheet.EnsureInitialized();
    EXPECT_EQ(sheet.FilterPage().GetItemText(CMatchBoardQueryDlg::kSizeEditId), "77");
    EXPECT_EQ(sheet.FilterPage().GetItemText(CMatchBoardQueryDlg::kCentreEditId), "1844");
    ASSERT_TRUE(sheet.SetActivePage(&sheet.GroupsPage()));
    EXPECT_EQ(sheet.GroupsPage().ItemAs<QCheckBox>(1440)->checkState(), Qt::Unchecked);
    EXPECT_EQ(sheet.GroupsPage().ItemAs<QCheckBox>(1441)->checkState(), Qt::Checked);
}

TEST_F(LobbySettingsSheetTest, OkSavesTheQueryFromBothPagesAndAnnouncesItOnce) {
    CBGMatchBoardProperties sheet;
    sheet.EnsureInitialized();
    sheet.FilterPage().ItemAs<QLineEdit>(CMatchBoardQueryDlg::kSizeEditId)->setText("60");
    click(sheet.FilterPage(), CMatchBoardQueryDlg::kAnyStatusId);
    click(sheet.FilterPage(), CMatchBoardQueryDlg::kReadyId);
    ASSERT_TRUE(sheet.SetActivePage(&sheet.GroupsPage()));
    click(sheet.GroupsPage(), 1445); // club members off
    ASSERT_TRUE(sheet.SetActivePage(&sheet.FlyoverPage()));
    click(sheet.FlyoverPage(), CMBFlyoverPropertyPage::kFlyoverId);
    recorder.received.clear();

    EXPECT_EQ(sheet.Press(IDOK), IDOK);
    EXPECT_EQ(storedQuery(), R"("1500.000000" 60 0 2 0 1 1 1 1 1 1 0 1 1 1 0 0 1 0)");
    ASSERT_EQ(recorder.Count(kQueryChanged), 1);
    for (const auto& message : recorder.received)
        if (message.name == kQueryChanged) {
            EXPECT_EQ(message.wParam, 1);
            EXPECT_EQ(message.lParam, nullptr);
        }
    EXPECT_EQ(recorder.Count("KELDERWICK_FONT_PROPERTIES_CHANGED"), 1);
    EXPECT_EQ(recorder.Count("KELDERWICK_FLYOVER_PROPERTIES_CHANGED"), 1);
    EXPECT_TRUE(store().GetBool("CMBDetailedListOptions", "bDetailedListFlyover", false));
}

TEST_F(LobbySettingsSheetTest, EachApplySavesAndAnnouncesOnceAndTheSheetStaysOpen) {
    CBGMatchBoardProperties sheet;
    sheet.EnsureInitialized();
    ASSERT_TRUE(sheet.SetActivePage(&sheet.GroupsPage()));
    EXPECT_FALSE(sheet.IsApplyEnabled());
    recorder.received.clear();

    click(sheet.GroupsPage(), 1437); // friends off
    EXPECT_TRUE(sheet.IsApplyEnabled());
    EXPECT_EQ(sheet.Press(ID_APPLY_NOW), 0);
    EXPECT_FALSE(sheet.HasEnded());
    EXPECT_FALSE(sheet.IsApplyEnabled());
    EXPECT_EQ(recorder.Count(kQueryChanged), 1);
    EXPECT_EQ(storedQuery(), R"("1500.000000" 125 0 32768 32768 0 1 1 1 1 1 0 1 1 1 0 0 1 1)");

    ASSERT_TRUE(sheet.SetActivePage(&sheet.FilterPage()));
    click(sheet.FilterPage(), CMatchBoardQueryDlg::kCentreRatingId);
    sheet.FilterPage().ItemAs<QLineEdit>(CMatchBoardQueryDlg::kCentreEditId)->setText("1777");
    sheet.ItemAs<QPushButton>(ID_APPLY_NOW)->click(); // the button itself
    EXPECT_EQ(recorder.Count(kQueryChanged), 2);
    EXPECT_EQ(storedQuery(), R"("1777.000000" 125 1 32768 32768 0 1 1 1 1 1 0 1 1 1 0 0 1 1)");

    // A grey Apply does nothing.
    EXPECT_EQ(sheet.Press(ID_APPLY_NOW), 0);
    EXPECT_EQ(recorder.Count(kQueryChanged), 2);
    EXPECT_EQ(recorder.Count("KELDERWICK_FONT_PROPERTIES_CHANGED"), 2);
}

TEST_F(LobbySettingsSheetTest, CancelAndUntouchedQueryPagesLeaveTheQueryAlone) {
    store().WriteInt(kSession, "nQuerySize", 90);
    {
        CBGMatchBoardProperties sheet;
        sheet.EnsureInitialized();
        sheet.FilterPage().ItemAs<QLineEdit>(CMatchBoardQueryDlg::kSizeEditId)->setText("30");
        recorder.received.clear();
        EXPECT_EQ(sheet.Press(IDCANCEL), IDCANCEL);
        EXPECT_EQ(recorder.Count(kQueryChanged), 0);
        EXPECT_EQ(store().GetIntEx(kSession, "nQuerySize", 0), 90);
    }
    // Only the flyover page was shown: nothing of the query is written or announced.
    store().WriteInt("CBGMatchBoardProperties", "nOptionsPage", CBGMatchBoardProperties::kFlyoverSlot);
    CBGMatchBoardProperties sheet;
    sheet.EnsureInitialized();
    click(sheet.FlyoverPage(), CMBFlyoverPropertyPage::kFlyoverId);
    recorder.received.clear();
    EXPECT_EQ(sheet.Press(IDOK), IDOK);
    EXPECT_EQ(recorder.Count(kQueryChanged), 0);
    EXPECT_EQ(recorder.Count("KELDERWICK_FLYOVER_PROPERTIES_CHANGED"), 1);
    EXPECT_EQ(store().GetString(kSession, "szQueryCentre", "none"), "none");
}

TEST_F(LobbySettingsSheetTest, ARefusedValueKeepsTheSheetOpenAndSavesNothing) {
    CBGMatchBoardProperties sheet;
    sheet.EnsureInitialized();
    ASSERT_TRUE(sheet.SetActivePage(&sheet.GroupsPage()));
    ASSERT_TRUE(sheet.SetActivePage(&sheet.FilterPage()));
    sheet.FilterPage().ItemAs<QLineEdit>(CMatchBoardQueryDlg::kSizeEditId)->setText("2");
    recorder.received.clear();
    EXPECT_EQ(sheet.Press(IDOK), 0);
    EXPECT_FALSE(sheet.HasEnded());
    EXPECT_EQ(recorder.Count(kQueryChanged), 0);

    sheet.FilterPage().ItemAs<QLineEdit>(CMatchBoardQueryDlg::kSizeEditId)->setText("4");
    EXPECT_EQ(sheet.Press(IDOK), IDOK);
    EXPECT_EQ(recorder.Count(kQueryChanged), 1);
    EXPECT_EQ(store().GetIntEx(kSession, "nQuerySize", 0), 4);
}

TEST_F(LobbySettingsSheetTest, ATinyServerMaximumStillLetsTheSheetBeConfirmed) {
    store().WriteInt(kSession, "nMaxQuerySize", 0);
    store().WriteInt(kSession, "nQuerySize", 125);
    testenv::scriptedUi().SetDialogHandler([](QDialog* dialog) {
        auto* sheet = dynamic_cast<CBGMatchBoardProperties*>(dialog);
        return sheet ? sheet->Press(IDOK) : IDCANCEL;
    });
    CBGMatchBoardProperties sheet;
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(recorder.Count(kQueryChanged), 1);
    EXPECT_EQ(store().GetIntEx(kSession, "nQuerySize", 0), CMatchBoardQuery::kMinSize);
    EXPECT_EQ(store().GetIntEx(kSession, "nMaxQuerySize", -1), 0); // the server's value stays as it came
}

} // namespace
