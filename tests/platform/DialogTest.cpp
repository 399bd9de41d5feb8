#include "platform/Dialog.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QGuiApplication>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using namespace platform;

// A small dialog of the kind the preference pages are: an edit for a number in a range, a prefix
// of at most ten characters, a check box, a radio group and a combo.
class LinesDialog : public Dialog {
    NV_DECLARE_RUNTIME_CLASS(CLinesDialog, Dialog)
public:
    int lines = 300;
    QString prefix = "->";
    bool bold = true;
    int choice = 0;
    int font = 1;
    int initRuns = 0;
    bool endDuringInit = false;

    LinesDialog() {
        auto* layout = new QVBoxLayout(this);
        auto* group = new QGroupBox("Chat", this); // controls may sit at any depth
        auto* inner = new QVBoxLayout(group);
        auto* linesEdit = new QLineEdit(group);
        SetItemId(linesEdit, 1185);
        inner->addWidget(linesEdit);
        auto* prefixEdit = new QLineEdit(group);
        SetItemId(prefixEdit, 1326);
        inner->addWidget(prefixEdit);
        layout->addWidget(group);
        auto* boldBox = new QCheckBox("Display &notifications in bold", this);
        SetItemId(boldBox, 1228);
        layout->addWidget(boldBox);
        for (int id : {1348, 1349, 1351}) {
            auto* radio = new QRadioButton(QString::number(id), this);
            SetItemId(radio, id);
            layout->addWidget(radio);
        }
        auto* combo = new QComboBox(this);
        combo->addItems({"Arial", "Courier New", "Times New Roman"});
        SetItemId(combo, 1036);
        layout->addWidget(combo);
        layout->addWidget(CreateButtonBox());
    }

    bool OnInitDialog() override {
        ++initRuns;
        Dialog::OnInitDialog();
        if (endDuringInit)
            EndDialog(IDABORT);
        return true;
    }

    void DoDataExchange(DataExchange& dx) override {
        dx.Text(1185, lines);
        dx.MinMaxInt(1185, lines, 20, 300);
        dx.Text(1326, prefix);
        dx.MaxChars(1326, prefix, 10);
        dx.Check(1228, bold);
        dx.Radio({1348, 1349, 1351}, choice);
        dx.ComboIndex(1036, font);
        dx.Text(4242, prefix); // no such control: nothing happens
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { scripted().clear(); }
    void TearDown() override {
        scripted().clear();
        scripted().SetDialogHandler(nullptr);
    }
    static ScriptedUi& scripted() { return testenv::scriptedUi(); }
    static QStringList boxTexts() {
        QStringList texts;
        for (const auto& asked : scripted().asked())
            if (asked.kind == ScriptedUi::Asked::MessageBoxKind)
                texts << asked.text;
        return texts;
    }
};

TEST_F(DialogTest, ControlsAreFoundByIdAndMissingIdsAreHarmless) {
    LinesDialog dialog;
    ASSERT_NE(dialog.Item(1185), nullptr);
    EXPECT_EQ(Dialog::ItemId(dialog.Item(1185)), 1185);
    EXPECT_EQ(dialog.Item(1185)->objectName(), "1185");
    EXPECT_NE(dialog.ItemAs<QComboBox>(1036), nullptr);
    EXPECT_EQ(dialog.ItemAs<QComboBox>(1185), nullptr); // wrong kind
    EXPECT_NE(dialog.ItemAs<QPushButton>(IDOK), nullptr);
    EXPECT_NE(dialog.ItemAs<QPushButton>(IDCANCEL), nullptr);
    EXPECT_EQ(dialog.Item(9999), nullptr);
    EXPECT_EQ(Dialog::ItemId(nullptr), 0);
    dialog.EnableItem(9999, false);
    dialog.CheckItem(9999);
    dialog.SetItemText(9999, "x");
    dialog.ShowItem(9999, false);
    dialog.FocusItem(9999);
    EXPECT_FALSE(dialog.IsItemChecked(9999));
    EXPECT_EQ(dialog.GetItemText(9999), QString());
}

TEST_F(DialogTest, EmbeddedDialogsKeepTheirOwnIds) {
    Dialog outer;
    auto* pane = new Dialog;
    pane->EmbedIn(&outer);
    EXPECT_FALSE(pane->isWindow());
    auto* paneEdit = new QLineEdit(pane);
    pane->SetItemId(paneEdit, 1036);
    EXPECT_EQ(outer.Item(1036), nullptr);
    EXPECT_EQ(pane->Item(1036), paneEdit);
    // The embedded dialog itself can carry an id of the outer one.
    outer.SetItemId(pane, 1167);
    EXPECT_EQ(outer.Item(1167), pane);
}

TEST_F(DialogTest, ItemTextWorksAcrossControlKinds) {
    LinesDialog dialog;
    dialog.SetItemText(1185, "42");
    EXPECT_EQ(dialog.GetItemText(1185), "42");
    dialog.SetItemText(1036, "Times New Roman"); // a list combo selects the matching item
    EXPECT_EQ(dialog.ItemAs<QComboBox>(1036)->currentIndex(), 2);
    dialog.SetItemText(1228, "Bold");
    EXPECT_EQ(dialog.GetItemText(1228), "Bold");

    auto* label = new QLabel(&dialog);
    dialog.SetItemId(label, 1131);
    dialog.SetItemText(1131, "Player to watch:");
    EXPECT_EQ(dialog.GetItemText(1131), "Player to watch:");
    // A text from the wire that looks like markup is shown as it is.
    dialog.SetItemText(1131, "<b>Mallory</b><img src=x>");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.GetItemText(1131), "<b>Mallory</b><img src=x>");

    auto* spin = new QSpinBox(&dialog);
    spin->setRange(0, 1000);
    dialog.SetItemId(spin, 1186);
    dialog.SetItemText(1186, "250");
    EXPECT_EQ(spin->value(), 250);
    EXPECT_EQ(dialog.GetItemText(1186), "250");

    auto* editable = new QComboBox(&dialog);
    editable->setEditable(true);
    dialog.SetItemId(editable, 1218);
    dialog.SetItemText(1218, "13");
    EXPECT_EQ(dialog.GetItemText(1218), "13");
}

TEST_F(DialogTest, EnableAndCheckById) {
    LinesDialog dialog;
    dialog.EnableItem(1228, false);
    EXPECT_FALSE(dialog.Item(1228)->isEnabled());
    dialog.EnableItem(1228);
    EXPECT_TRUE(dialog.Item(1228)->isEnabled());
    dialog.CheckItem(1228, true);
    EXPECT_TRUE(dialog.IsItemChecked(1228));
    dialog.CheckItem(1228, false);
    EXPECT_FALSE(dialog.IsItemChecked(1228));
    EXPECT_FALSE(dialog.IsItemChecked(1185)); // not a button
}

TEST_F(DialogTest, InitLoadsControlsOnceWhetherRunOrShown) {
    LinesDialog dialog;
    dialog.lines = 120;
    dialog.prefix = "**";
    dialog.bold = false;
    dialog.choice = 2;
    dialog.font = 0;
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.GetItemText(1185), "120");
    EXPECT_EQ(dialog.GetItemText(1326), "**");
    EXPECT_EQ(dialog.ItemAs<QLineEdit>(1326)->maxLength(), 10);
    EXPECT_FALSE(dialog.IsItemChecked(1228));
    EXPECT_TRUE(dialog.IsItemChecked(1351));
    EXPECT_EQ(dialog.ItemAs<QComboBox>(1036)->currentIndex(), 0);
    dialog.show();
    dialog.hide();
    EXPECT_EQ(dialog.initRuns, 1);
    EXPECT_EQ(dialog.objectName(), "CLinesDialog");
}

TEST_F(DialogTest, OkSavesTheControlsThroughTheScriptedUi) {
    LinesDialog dialog;
    scripted().SetDialogHandler([](QDialog* d) {
        auto* dlg = static_cast<LinesDialog*>(d);
        dlg->SetItemText(1185, " 150 ");
        dlg->SetItemText(1326, "=>");
        dlg->CheckItem(1228, false);
        dlg->CheckItem(1349);
        dlg->ItemAs<QComboBox>(1036)->setCurrentIndex(2);
        return dlg->Press(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(dialog.lines, 150);
    EXPECT_EQ(dialog.prefix, "=>");
    EXPECT_FALSE(dialog.bold);
    EXPECT_EQ(dialog.choice, 1);
    EXPECT_EQ(dialog.font, 2);
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(DialogTest, CancelSavesNothing) {
    LinesDialog dialog;
    scripted().SetDialogHandler([](QDialog* d) {
        auto* dlg = static_cast<LinesDialog*>(d);
        dlg->SetItemText(1185, "150");
        return dlg->Press(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.lines, 300);
}

TEST_F(DialogTest, AValueOutOfRangeKeepsTheDialogOpenUntilMended) {
    LinesDialog dialog;
    dialog.lines = 500; // stored by an older version: shown as it is
    QStringList shown;
    int firstPress = -1;
    scripted().SetDialogHandler([&](QDialog* d) {
        auto* dlg = static_cast<LinesDialog*>(d);
        shown << dlg->GetItemText(1185);
        firstPress = dlg->Press(IDOK);
        EXPECT_FALSE(dlg->HasEnded());
        dlg->SetItemText(1185, "300");
        return dlg->Press(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, QStringList({"500"}));
    EXPECT_EQ(firstPress, 0);
    EXPECT_EQ(boxTexts(), QStringList({"Please enter a whole number between 20 and 300."}));
    ASSERT_EQ(scripted().asked().size(), 2u); // the dialog, then its one message box
    EXPECT_EQ(scripted().asked()[1].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(dialog.lines, 300);
}

TEST_F(DialogTest, TextThatIsNotANumberIsRefusedAndLaterFieldsAreNotTaken) {
    LinesDialog dialog;
    dialog.EnsureInitialized();
    for (const char* bad : {"", "12abc", "1e3", "99999999999", "3.5"}) {
        scripted().clear();
        dialog.SetItemText(1185, bad);
        dialog.SetItemText(1326, "changed");
        EXPECT_FALSE(dialog.UpdateData(true)) << bad;
        EXPECT_EQ(boxTexts(), QStringList({"Please enter a whole number."})) << bad;
        EXPECT_EQ(dialog.lines, 300);
        EXPECT_EQ(dialog.prefix, "->"); // the exchange stopped at the first failure
    }
    dialog.SetItemText(1185, "-20");
    EXPECT_FALSE(dialog.UpdateData(true)); // a number, but out of range
    dialog.SetItemText(1185, "+25");
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.lines, 25);
}

TEST_F(DialogTest, TooLongTextIsRefused) {
    LinesDialog dialog;
    dialog.EnsureInitialized();
    // A text set by code passes the edit's own limit; the check still holds.
    dialog.ItemAs<QLineEdit>(1326)->setMaxLength(32767);
    dialog.SetItemText(1326, "12345678901");
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_EQ(boxTexts(), QStringList({"Please enter no more than 10 characters."}));
    dialog.SetItemText(1326, "1234567890");
    EXPECT_TRUE(dialog.UpdateData(true));
}

TEST_F(DialogTest, RadioGroupsMayHaveNoChoice) {
    LinesDialog dialog;
    dialog.choice = -1;
    dialog.EnsureInitialized();
    for (int id : {1348, 1349, 1351})
        EXPECT_FALSE(dialog.IsItemChecked(id));
    dialog.choice = 1;
    dialog.UpdateData(false);
    dialog.choice = 7;
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.choice, 1);
    // Out of range loads as "none".
    dialog.choice = 9;
    dialog.UpdateData(false);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.choice, -1);
}

TEST_F(DialogTest, ThreeStateCheckBoxes) {
    Dialog dialog;
    auto* box = new QCheckBox(&dialog);
    dialog.SetItemId(box, 1334);
    struct Exchange {
        static int run(Dialog& d, bool save, int value) {
            DataExchange dx(d, save);
            dx.Check(1334, value);
            return value;
        }
    };
    Exchange::run(dialog, false, 2);
    EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(Exchange::run(dialog, true, -1), 2);
    Exchange::run(dialog, false, 1);
    EXPECT_EQ(Exchange::run(dialog, true, -1), 1);
}

TEST_F(DialogTest, ButtonsKeysAndTheCloseBoxEndWithWin32Codes) {
    {
        LinesDialog dialog;
        dialog.show();
        dialog.ItemAs<QPushButton>(IDOK)->click();
        EXPECT_TRUE(dialog.HasEnded());
        EXPECT_EQ(dialog.result(), IDOK);
    }
    {
        LinesDialog dialog;
        dialog.show();
        QTest::keyClick(dialog.Item(1185), Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), IDCANCEL);
        EXPECT_FALSE(dialog.isVisible());
    }
    {
        LinesDialog dialog;
        dialog.show();
        dialog.close();
        EXPECT_EQ(dialog.result(), IDCANCEL);
    }
}

TEST_F(DialogTest, EnterInsideAnEmbeddedPaneReachesTheOuterOkButton) {
    LinesDialog outer;
    auto* pane = new Dialog;
    pane->EmbedIn(&outer);
    auto* edit = new QLineEdit(pane);
    pane->SetItemId(edit, 1036);
    outer.layout()->addWidget(pane);
    outer.ItemAs<QPushButton>(IDOK)->setDefault(true);
    outer.show();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(outer.HasEnded());
    EXPECT_EQ(outer.result(), IDOK);
    EXPECT_FALSE(pane->HasEnded());
}

TEST_F(DialogTest, ADialogEndedDuringInitIsNotRun) {
    LinesDialog dialog;
    dialog.endDuringInit = true;
    bool ran = false;
    scripted().SetDialogHandler([&](QDialog*) {
        ran = true;
        return IDOK;
    });
    EXPECT_EQ(dialog.DoModal(), IDABORT);
    EXPECT_FALSE(ran);
}

// A rating and a delay: a number with a point and a slider position.
class RatingDialog : public Dialog {
    NV_DECLARE_RUNTIME_CLASS(CRatingDialog, Dialog)
public:
    double rating = 1500.0;
    int delay = 50;

    RatingDialog() {
        auto* layout = new QVBoxLayout(this);
        auto* edit = new QLineEdit(this);
        SetItemId(edit, 1116);
        layout->addWidget(edit);
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(10, 200);
        SetItemId(slider, 1508);
        layout->addWidget(slider);
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.Text(1116, rating);
        dx.MinMaxDouble(1116, rating, 0.0, 3000.0);
        dx.Slider(1508, delay);
    }
};

TEST_F(DialogTest, NumbersWithAPointAndSliderPositions) {
    RatingDialog dialog;
    dialog.rating = 1623.25;
    dialog.delay = 500; // beyond the slider: shown at its end
    dialog.EnsureInitialized();
    EXPECT_EQ(dialog.GetItemText(1116), "1623.25");
    EXPECT_EQ(dialog.ItemAs<QSlider>(1508)->value(), 200);

    const std::pair<const char*, double> accepted[] = {{" 1700.5 ", 1700.5}, {"0", 0.0}, {"3e3", 3000.0}, {"+12", 12.0}};
    for (const auto& [text, value] : accepted) {
        dialog.SetItemText(1116, text);
        ASSERT_TRUE(dialog.UpdateData(true)) << text;
        EXPECT_EQ(dialog.rating, value) << text;
    }
    EXPECT_EQ(dialog.delay, 200);

    for (const char* bad : {"", "1700,5", "abc", "inf", "nan", "17 00"}) {
        scripted().clear();
        dialog.SetItemText(1116, bad);
        EXPECT_FALSE(dialog.UpdateData(true)) << bad;
        EXPECT_EQ(boxTexts(), QStringList({"Please enter a number."})) << bad;
    }
    scripted().clear();
    dialog.SetItemText(1116, "3000.01");
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_EQ(boxTexts(), QStringList({"Please enter a number between 0 and 3000."}));
    EXPECT_EQ(dialog.rating, 3000.01); // taken, then refused, as the integer check does
}

} // namespace

namespace {

// A dialog of few controls comes up wide enough for its title as the title bar shows it, the
// program's name added ("Resume Match \u2014 Norvale"); one that is wider already stays as it is.
TEST(DialogTitle, ADialogIsAsWideAsItsTitleWithTheProgramsName) {
    const QString name = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Norvale"));
    for (const int contentWidth : {40, 900}) {
        platform::Dialog dialog;
        dialog.setWindowTitle(QStringLiteral("Resume Match"));
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(QStringLiteral("Ask?"), &dialog);
        label->setMinimumWidth(contentWidth);
        layout->addWidget(label);
        dialog.show();
        EXPECT_GE(dialog.width(), platform::TitleBarWidth(dialog)) << contentWidth;
        EXPECT_GE(dialog.width(), contentWidth);
        QFontMetrics metrics(dialog.font());
        EXPECT_GT(platform::TitleBarWidth(dialog),
                  metrics.horizontalAdvance(QStringLiteral("Resume Match \u2014 Norvale")));
    }
    QGuiApplication::setApplicationDisplayName(name);
}

} // namespace
