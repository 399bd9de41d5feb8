// ctest runs this again on a 1024 x 700 screen and, at scale 2, on a 1600 x 1000 one (800 x 500 for the
// program), where the printer's properties are taller than the screen.
#include "support/dialogs/QtDialogFit.h"
#include "platform/ScreenFit.h"

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

// The widget, and a window's frame with it, on the screen.
bool OnScreen(const QWidget* widget) {
    const QMargins frame = widget->isWindow() ? platform::FrameMarginsOf(*widget) : QMargins();
    const QRect at(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return widget->isVisible() && widget->screen()->availableGeometry().contains(at.marginsAdded(frame));
}

template <class T> T* Named(const QWidget& in, const QString& text) {
    for (T* widget : in.findChildren<T*>())
        if (widget->text().remove(QLatin1Char('&')) == text)
            return widget;
    return nullptr;
}

// Qt's printer properties, run modally by its print dialog: whole on the screen with OK and Cancel in
// sight, and still doing what they say once their body was made to scroll.
TEST(QtDialogFitTest, ThePrintersPropertiesShowTheirButtonsAndStillWork) {
    KeepQtDialogsOnScreen();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("log.pdf"));
    QPrintDialog dialog(&printer);
    dialog.show();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* properties = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(properties && properties != &dialog);
        seen = true;
        auto* buttons = properties->findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons && Named<QRadioButton>(*properties, "Landscape"));
        EXPECT_TRUE(OnScreen(properties)) << properties->y() << "+" << properties->height();
        EXPECT_TRUE(OnScreen(buttons->button(QDialogButtonBox::Ok)));
        EXPECT_TRUE(OnScreen(buttons->button(QDialogButtonBox::Cancel)));
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
