// Qt's own print dialogs under the application's watch, on the screen the test runs on: ctest runs these
// again on a 1024 x 700 screen and, at scale 2, on a 1600 x 1000 one (800 x 500 for the program), where
// the printer's properties are taller than the screen.
#include "support/dialogs/QtDialogFit.h"
#include "platform/ScreenFit.h"
#include "support/FakeServer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testenv::WaitFor;

QRect Screen() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The dialog, frame and all, on the screen.
bool Whole(const QWidget& window) {
    return Screen().contains(QRect(window.pos(), window.size().grownBy(platform::FrameMarginsOf(window))));
}

// A button as the user sees it: shown, and on the screen.
bool InSight(const QWidget* button) {
    return button && button->isVisible() &&
           Screen().contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
}

template <class T> T* Named(const QWidget& in, const QString& text) {
    for (T* widget : in.findChildren<T*>())
        if (widget->text().remove(QLatin1Char('&')) == text)
            return widget;
    return nullptr;
}

TEST(QtDialogFitTest, ThePrintDialogGrowsOnTheScreenAndThePrintersPropertiesShowTheirButtons) {
    KeepQtDialogsOnScreen();
    // The window printed from stands at the screen's foot; the print dialog opens centred on it.
    QWidget owner;
    owner.setGeometry(Screen().left() + 20, Screen().bottom() - 200, 300, 150);
    owner.show();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("log.pdf"));
    QPrintDialog dialog(&printer, &owner);
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(Whole(dialog));

    // Its options open below; it moves up, whole, rather than push Print and Cancel off the screen.
    ASSERT_TRUE(Named<QPushButton>(dialog, "Options >>"));
    const int closedHeight = dialog.height();
    Named<QPushButton>(dialog, "Options >>")->click();
    ASSERT_TRUE(WaitFor([&] { return dialog.height() > closedHeight && Whole(dialog); }))
        << dialog.y() << "+" << dialog.height() << " on " << Screen().height();
    EXPECT_TRUE(InSight(Named<QPushButton>(dialog, "Print")));

    // The printer's properties (Qt's own, run modally by the print dialog): whole, OK and Cancel in
    // sight, and still doing what they say after their body was made to scroll.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* properties = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(properties && properties != &dialog);
        seen = true;
        WaitFor([&] { return false; }, 100); // the refits after it shows
        EXPECT_TRUE(Whole(*properties)) << properties->y() << "+" << properties->height();
        auto* buttons = properties->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons);
        EXPECT_TRUE(InSight(buttons->button(QDialogButtonBox::Ok)));
        EXPECT_TRUE(InSight(buttons->button(QDialogButtonBox::Cancel)));
        ASSERT_TRUE(Named<QRadioButton>(*properties, "Landscape"));
        Named<QRadioButton>(*properties, "Landscape")->click();
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(Named<QPushButton>(dialog, "Properties"));
    Named<QPushButton>(dialog, "Properties")->click();
    EXPECT_TRUE(seen);
    Named<QPushButton>(dialog, "Print")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

} // namespace
