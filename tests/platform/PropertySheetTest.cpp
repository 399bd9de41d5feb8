#include "platform/PropertySheet.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using namespace platform;

// A page with one number edit (id 1001). It writes what happens to it into a shared log and keeps
// a "stored" value that only OnOK changes, as a settings page does.
class NumberPage : public PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CNumberPage, PropertyPage)
public:
    NumberPage(const QString& name, QStringList& log) : PropertyPage(name), m_log(log) {
        auto* layout = new QVBoxLayout(this);
        auto* edit = new QLineEdit(this);
        SetItemId(edit, 1001);
        layout->addWidget(edit);
    }
    int value = 5;
    int stored = 5;
    bool refuseApply = false;
    bool refuseCancel = false;

    bool OnInitDialog() override {
        m_log << "init " + Title();
        return PropertyPage::OnInitDialog();
    }
    void OnSetActive() override {
        m_log << "active " + Title();
        PropertyPage::OnSetActive();
    }
    bool OnKillActive() override {
        m_log << "leave " + Title();
        return PropertyPage::OnKillActive();
    }
    bool OnApply() override {
        m_log << "apply " + Title();
        return !refuseApply && PropertyPage::OnApply();
    }
    void OnOK() override { stored = value; }
    void OnReset() override {
        m_log << "reset " + Title();
        PropertyPage::OnReset();
    }
    bool OnQueryCancel() override { return !refuseCancel; }
    void DoDataExchange(DataExchange& dx) override { dx.Text(1001, value); }

private:
    QStringList& m_log;
};

class PropertySheetTest : public ::testing::Test {
protected:
    PropertySheetTest() : sheet("General Properties") {
        for (const char* name : {"Font", "View", "Macros"}) {
            auto* page = new NumberPage(name, log);
            pages.push_back(page);
            sheet.AddPage(page);
        }
    }
    void SetUp() override { testenv::scriptedUi().clear(); }
    void TearDown() override {
        testenv::scriptedUi().clear();
        testenv::scriptedUi().SetDialogHandler(nullptr);
    }
    // Runs the sheet modally; the handler plays the user.
    int run(const std::function<int(PropertySheet&)>& user) {
        testenv::scriptedUi().SetDialogHandler([&](QDialog*) { return user(sheet); });
        return sheet.DoModal();
    }
    std::string events() const { return log.join(", ").toStdString(); }

    QStringList log;
    PropertySheet sheet;
    std::vector<NumberPage*> pages;
};

TEST_F(PropertySheetTest, OnlyTheStartPageIsCreatedAndOnlyShownPagesSave) {
    sheet.SetStartPage(1);
    const int result = run([&](PropertySheet& s) {
        EXPECT_EQ(s.GetActiveIndex(), 1);
        EXPECT_EQ(s.GetActivePage(), pages[1]);
        s.GetActivePage()->SetItemText(1001, "9");
        return s.Press(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(events(), "init View, active View, leave View, apply View");
    EXPECT_FALSE(pages[0]->IsInitialized());
    EXPECT_FALSE(pages[2]->IsInitialized());
    EXPECT_EQ(pages[1]->stored, 9);
}

TEST_F(PropertySheetTest, VisitedPagesAllSaveInTabOrder) {
    run([&](PropertySheet& s) {
        s.GetActivePage()->SetItemText(1001, "1");
        EXPECT_TRUE(s.SetActivePage(2));
        s.GetActivePage()->SetItemText(1001, "3");
        return s.Press(IDOK);
    });
    EXPECT_EQ(events(), "init Font, active Font, leave Font, init Macros, active Macros, leave Macros, "
                        "apply Font, apply Macros");
    EXPECT_EQ(pages[0]->stored, 1);
    EXPECT_EQ(pages[1]->stored, 5);
    EXPECT_EQ(pages[2]->stored, 3);
    EXPECT_EQ(sheet.result(), IDOK);
}

TEST_F(PropertySheetTest, ComingBackToAPageReloadsItsControls) {
    sheet.EnsureInitialized();
    pages[0]->SetItemText(1001, "12");
    ASSERT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(pages[0]->value, 12); // saved into the member when left
    pages[0]->value = 40;           // changed by code meanwhile (a "Default" button of another page)
    ASSERT_TRUE(sheet.SetActivePage(pages[0]));
    EXPECT_EQ(pages[0]->GetItemText(1001), "40");
    EXPECT_EQ(pages[0]->stored, 5); // nothing stored before OK or Apply
}

TEST_F(PropertySheetTest, APageThatWillNotBeLeftKeepsTheSheetOnIt) {
    sheet.EnsureInitialized();
    pages[0]->SetItemText(1001, "many");
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_FALSE(pages[1]->IsInitialized());

    // A click on the tab is refused the same way.
    auto* tabs = sheet.findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);

    // And so are OK and Apply: nothing is saved and the sheet stays open.
    pages[0]->SetModified();
    EXPECT_EQ(sheet.Press(IDOK), 0);
    sheet.Press(ID_APPLY_NOW);
    EXPECT_FALSE(sheet.HasEnded());
    EXPECT_EQ(pages[0]->stored, 5);
    EXPECT_FALSE(log.contains("apply Font"));
    // Each refusal told the user why.
    EXPECT_EQ(testenv::scriptedUi().asked().size(), 4u);

    pages[0]->SetItemText(1001, "8");
    EXPECT_EQ(sheet.Press(IDOK), IDOK);
    EXPECT_EQ(pages[0]->stored, 8);
}

TEST_F(PropertySheetTest, ApplySavesKeepsTheSheetOpenAndGoesGrey) {
    sheet.EnsureInitialized();
    EXPECT_FALSE(sheet.IsApplyEnabled());
    sheet.Press(ID_APPLY_NOW); // grey: nothing happens
    EXPECT_FALSE(log.contains("apply Font"));

    pages[0]->SetItemText(1001, "21");
    pages[0]->SetModified();
    EXPECT_TRUE(sheet.IsApplyEnabled());
    EXPECT_TRUE(sheet.ItemAs<QPushButton>(ID_APPLY_NOW)->isEnabled());
    sheet.Press(ID_APPLY_NOW);
    EXPECT_EQ(pages[0]->stored, 21);
    EXPECT_FALSE(sheet.HasEnded());
    EXPECT_FALSE(sheet.IsApplyEnabled());
    EXPECT_FALSE(pages[0]->IsModified());
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
}

TEST_F(PropertySheetTest, ApplyStaysAvailableWhileAnyPageIsChanged) {
    sheet.EnsureInitialized();
    sheet.SetActivePage(1);
    pages[0]->SetModified();
    pages[1]->SetModified();
    pages[1]->SetModified(false); // a page may clear its own flag (changed and changed back)
    EXPECT_TRUE(sheet.IsApplyEnabled());
    pages[0]->SetModified(false);
    EXPECT_FALSE(sheet.IsApplyEnabled());
}

TEST_F(PropertySheetTest, APageRefusingToApplyIsShownAndOkIsCancelled) {
    sheet.SetStartPage(2);
    sheet.EnsureInitialized();
    sheet.SetActivePage(0);
    pages[0]->refuseApply = true;
    sheet.SetActivePage(2);
    EXPECT_EQ(sheet.Press(IDOK), 0);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_FALSE(sheet.HasEnded());
    EXPECT_FALSE(log.contains("apply Macros")); // stopped at the page that refused
}

TEST_F(PropertySheetTest, CancelResetsShownPagesAndSavesNothing) {
    const int result = run([&](PropertySheet& s) {
        s.GetActivePage()->SetItemText(1001, "77");
        s.GetActivePage()->SetModified();
        s.SetActivePage(2);
        return s.Press(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(log.contains("reset Font"));
    EXPECT_TRUE(log.contains("reset Macros"));
    EXPECT_FALSE(log.contains("reset View"));
    for (NumberPage* page : pages)
        EXPECT_EQ(page->stored, 5);
}

TEST_F(PropertySheetTest, TheActivePageMayRefuseCancel) {
    sheet.EnsureInitialized();
    pages[0]->refuseCancel = true;
    EXPECT_EQ(sheet.Press(IDCANCEL), 0);
    EXPECT_FALSE(log.contains("reset Font"));
    pages[0]->refuseCancel = false;
    EXPECT_EQ(sheet.Press(IDCANCEL), IDCANCEL);
}

TEST_F(PropertySheetTest, PagesCarryTheirOwnRuntimeClass) {
    Object* payload = pages[1];
    EXPECT_EQ(object_cast<NumberPage>(payload), pages[1]);
    EXPECT_NE(object_cast<PropertyPage>(payload), nullptr);
    EXPECT_NE(object_cast<Dialog>(payload), nullptr);
    EXPECT_EQ(object_cast<PropertySheet>(payload), nullptr);
    EXPECT_STREQ(sheet.RuntimeClassName(), "CPropertySheet");
    EXPECT_EQ(pages[1]->Sheet(), &sheet);
    EXPECT_EQ(sheet.GetPageIndex(pages[2]), 2);
    EXPECT_EQ(sheet.GetPage(3), nullptr);
    EXPECT_FALSE(sheet.SetActivePage(7));
}

TEST_F(PropertySheetTest, AStartPageOutOfRangeOpensTheFirst) {
    sheet.SetStartPage(9);
    sheet.EnsureInitialized();
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
}

TEST_F(PropertySheetTest, AShownSheetCreatesOnlyTheStartPage) {
    sheet.SetStartPage(2);
    sheet.show();
    EXPECT_TRUE(pages[2]->isVisible());
    EXPECT_FALSE(pages[0]->IsInitialized());
    EXPECT_FALSE(pages[1]->IsInitialized());
    sheet.findChild<QTabBar*>()->setCurrentIndex(1); // the user clicks a tab
    EXPECT_TRUE(pages[1]->IsInitialized());
    EXPECT_TRUE(pages[1]->isVisible());
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
}

TEST_F(PropertySheetTest, KeysInsideAPageActOnTheSheet) {
    sheet.show();
    auto* edit = pages[0]->ItemAs<QLineEdit>(1001);
    edit->setText("31");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(sheet.result(), IDOK);
    EXPECT_EQ(pages[0]->stored, 31);

    PropertySheet other("Other");
    auto* page = new NumberPage("Only", log);
    other.AddPage(page);
    other.show();
    QTest::keyClick(page->Item(1001), Qt::Key_Escape);
    EXPECT_TRUE(other.HasEnded());
    EXPECT_EQ(other.result(), IDCANCEL);
    EXPECT_TRUE(log.contains("reset Only"));
}

// A page that builds a large control into its place only when it is first shown.
class LazyPage : public PropertyPage {
public:
    LazyPage() : PropertyPage("Lazy") { (new QVBoxLayout(this))->addWidget(m_place); }
    bool OnInitDialog() override {
        auto* big = new QWidget(m_place);
        big->setMinimumSize(700, 500);
        (new QVBoxLayout(m_place))->addWidget(big);
        return PropertyPage::OnInitDialog();
    }

private:
    QWidget* m_place = new QWidget(this);
};

TEST_F(PropertySheetTest, ControlsBuiltWhenAPageIsFirstShownGrowTheSheet) {
    auto* lazy = new LazyPage;
    sheet.AddPage(lazy);
    sheet.show();
    sheet.SetActivePage(lazy);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_GE(sheet.minimumSizeHint().width(), 700);
    EXPECT_GE(sheet.minimumSizeHint().height(), 500);
}

} // namespace
#include "PropertySheetTest.moc"
