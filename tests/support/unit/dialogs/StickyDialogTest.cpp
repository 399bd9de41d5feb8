#include "platform/Ui.h"
#include "support/Cascade.h"
#include "support/MainWindow.h"
#include "support/SettingsFixture.h"
#include "support/SettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/dialogs/PromptDlg.h"
#include "support/dialogs/StickyDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::Rect;

class CTestStickyDlg : public CStickyDialog {
    NV_DECLARE_RUNTIME_CLASS(CTestStickyDlg, CStickyDialog)
public:
    explicit CTestStickyDlg(QWidget* parent, bool takeFocus = true, bool positionOnly = false)
        : CStickyDialog(4242, parent, takeFocus, positionOnly) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("A sticky dialog", this));
        layout->addWidget(CreateButtonBox());
        resize(240, 120);
    }
};

class StickyDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::ResetSettings();
        CStickyDialog::SetMoveSaveDelay(0);
        parent = std::make_unique<QWidget>();
        parent->setGeometry(100, 100, 560, 420);
        parent->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        CStickyDialog::SetMoveSaveDelay(400);
        SetMainWindow(nullptr);
    }

    QString storedRect(const QString& section = "CTestStickyDlg") const {
        return GetSettingsStore().GetString(section, "Dialog Rect", "none");
    }
    static void storeRect(const Rect& r, const QString& section = "CTestStickyDlg") {
        GetSettingsStore().WriteString(section, "Dialog Rect",
                                       QString("%1 %2 %3 %4").arg(r.left).arg(r.right).arg(r.top).arg(r.bottom));
    }
    static QRect desktop() { return QGuiApplication::primaryScreen()->virtualGeometry(); }
    // Centring happens before the window has a frame, so it centres the dialog's own size.
    static QPoint centredOn(const QRect& around, const QWidget& dialog) {
        return around.topLeft() + QPoint((around.width() - dialog.width()) / 2, (around.height() - dialog.height()) / 2);
    }

    std::unique_ptr<QWidget> parent;
};

TEST_F(StickyDialogTest, FirstOpeningIsCentredAndAMoveIsRestoredRelativeToTheParent) {
    QPoint movedTo;
    {
        CTestStickyDlg dialog(parent.get());
        dialog.show();
        QApplication::processEvents();
        EXPECT_EQ(dialog.pos(), centredOn(parent->frameGeometry(), dialog));
        EXPECT_EQ(storedRect(), "none"); // its own placement is not a move

        movedTo = parent->mapToGlobal(QPoint(40, 30));
        dialog.move(movedTo);
        QApplication::processEvents();
        EXPECT_EQ(storedRect(), "40 280 30 150");
        dialog.reject();
    }
    // The parent moved meanwhile: the dialog follows it.
    parent->move(150, 120);
    QApplication::processEvents();
    CTestStickyDlg reopened(parent.get());
    reopened.show();
    QApplication::processEvents();
    EXPECT_EQ(reopened.pos(), parent->mapToGlobal(QPoint(40, 30)));
    EXPECT_EQ(reopened.size(), QSize(240, 120));
}

TEST_F(StickyDialogTest, AStoredRectangleIsPulledBackOntoTheDesktop) {
    const QPoint origin = parent->mapToGlobal(QPoint(0, 0));
    const int right = desktop().x() + desktop().width();
    // Its right part lies 100 pixels beyond the desktop's right edge.
    const Rect beyond{right - 200 - origin.x(), 50, right + 100 - origin.x(), 150};
    storeRect(beyond);
    {
        CTestStickyDlg dialog(parent.get());
        dialog.show();
        QApplication::processEvents();
        EXPECT_EQ(dialog.frameGeometry().x() + dialog.frameGeometry().width(), right) << "frame and all";
        EXPECT_EQ(dialog.width(), 300);
    }
    // Above and left of the screen: raised to 1, size kept.
    storeRect(Rect{-origin.x() - 50, -origin.y() - 30, -origin.x() + 250, -origin.y() + 170});
    CTestStickyDlg dialog(parent.get());
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.pos(), QPoint(1, 1));
    EXPECT_EQ(dialog.size(), QSize(300, 200));
}

TEST_F(StickyDialogTest, PositionOnlyKeepsItsOwnSize) {
    storeRect(Rect{20, 10, 620, 410}, "CPromptDlg");
    CPromptDlg prompt("Talk", "Talk to:", parent.get());
    prompt.show();
    QApplication::processEvents();
    EXPECT_EQ(prompt.pos(), parent->mapToGlobal(QPoint(20, 10)));
    EXPECT_NE(prompt.size(), QSize(600, 400));
}

TEST_F(StickyDialogTest, WithoutAParentTheRectangleIsWrittenOnScreenButNeverUsed) {
    storeRect(Rect{5, 5, 245, 125});
    CTestStickyDlg dialog(nullptr);
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.pos(), centredOn(desktop(), dialog));
    dialog.move(33, 44);
    QApplication::processEvents();
    EXPECT_EQ(storedRect(), "33 273 44 164");
}

TEST_F(StickyDialogTest, TheDerivedClassSectionIsUsedUpToDestruction) {
    auto dialog = std::make_unique<CTestStickyDlg>(parent.get());
    CStickyDialog::SetMoveSaveDelay(60000); // only closing writes now
    dialog->show();
    QApplication::processEvents();
    dialog->move(parent->mapToGlobal(QPoint(7, 8)));
    QApplication::processEvents();
    EXPECT_TRUE(dialog->IsMoved());
    EXPECT_EQ(storedRect(), "none");
    dialog.reset(); // deleted while still open
    EXPECT_EQ(storedRect(), "7 247 8 128");
    EXPECT_EQ(storedRect("CStickyDialog"), "none");
}

TEST_F(StickyDialogTest, ClosingWritesOnceAfterAPendingMove) {
    CStickyDialog::SetMoveSaveDelay(60000);
    CTestStickyDlg dialog(parent.get());
    dialog.show();
    QApplication::processEvents();
    dialog.move(parent->mapToGlobal(QPoint(11, 12)));
    QApplication::processEvents();
    dialog.reject();
    EXPECT_EQ(storedRect(), "11 251 12 132");
    EXPECT_FALSE(dialog.IsMoved());
    GetSettingsStore().DeleteValue("CTestStickyDlg", "Dialog Rect");
    dialog.hide(); // nothing moved since: nothing more to write
    EXPECT_EQ(storedRect(), "none");
}

TEST_F(StickyDialogTest, ASecondDialogAtTheSamePlaceStepsAside) {
    storeRect(Rect{40, 30, 280, 150});
    CTestStickyDlg first(parent.get());
    first.show();
    QApplication::processEvents();
    CTestStickyDlg second(parent.get());
    second.show();
    QApplication::processEvents();
    const int step = CascadeStep();
    EXPECT_EQ(second.pos(), first.pos() + QPoint(step, step));
}

// Centred on a window at the screen's bottom or right edge, a dialog still lies whole on the screen,
// its frame and its buttons with it.
TEST_F(StickyDialogTest, ADialogCentredOnAWindowAtTheScreensEdgeStaysOnIt) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint at : {QPoint(screen.left() + 20, screen.bottom() - 60), QPoint(screen.right() - 60, screen.top() + 20)}) {
        parent->move(at);
        QApplication::processEvents();
        CTestStickyDlg dialog(parent.get());
        dialog.show();
        QApplication::processEvents();
        EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << dialog.frameGeometry().bottom() << " "
                                                             << dialog.frameGeometry().right();
    }
}

TEST_F(StickyDialogTest, ItemHelpersAndMouseUpReenableTheDialog) {
    CTestStickyDlg dialog(parent.get());
    auto* edit = new QLineEdit(&dialog);
    dialog.SetItemId(edit, 1052);
    dialog.DisableDlgItem(1052);
    EXPECT_FALSE(edit->isEnabled());
    dialog.EnableDlgItemOn(1052);
    EXPECT_TRUE(edit->isEnabled());
    dialog.EnableDlgItem(9999, false); // no such control: nothing happens
    EXPECT_TRUE(dialog.GetDefaultFocus());
    dialog.SetDefaultFocus(false);
    EXPECT_FALSE(dialog.OnInitDialog());
}

TEST(Cascade, WrapsInsideTheAreaAndGivesUpWhenEveryPlaceIsTaken) {
    QWidget area;
    area.setGeometry(0, 0, 400, 300);
    const int step = CascadeStep();
    std::vector<std::unique_ptr<QWidget>> others;
    auto place = [&](QPoint at) {
        auto w = std::make_unique<QWidget>(&area);
        w->setGeometry(QRect(at, QSize(100, 80)));
        w->show();
        others.push_back(std::move(w));
    };
    area.show();
    place({0, 0});
    place({step, step});
    QWidget window(&area);
    window.setGeometry(0, 0, 100, 80);
    EXPECT_TRUE(CascadeWindow(&area, &area, &window));
    EXPECT_EQ(window.pos(), QPoint(2 * step, 2 * step));

    // A window that cannot go further right starts again at the area's left edge.
    place({300, 100});
    QWidget edge(&area);
    edge.setGeometry(300, 100, 100, 80);
    EXPECT_TRUE(CascadeWindow(&area, &area, &edge));
    EXPECT_EQ(edge.pos(), QPoint(0, 100 + step));

    // Every place taken: after two wraps it stays where it was.
    QWidget small;
    small.setGeometry(0, 0, 100, 100);
    small.show();
    for (int x = 0; x < 100; x += step)
        for (int y = 0; y < 100; y += step) {
            auto* w = new QWidget(&small); // owned by small
            w->setGeometry(x, y, 10, 10);
            w->show();
        }
    QWidget late(&small);
    late.setGeometry(0, 0, 10, 10);
    EXPECT_FALSE(CascadeWindow(&small, &small, &late));
    EXPECT_EQ(late.pos(), QPoint(0, 0));
}

} // namespace
