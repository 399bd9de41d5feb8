#include "web/WebMessageBox.h"

#include "platform/PostCall.h"
#include "platform/Ui.h"

#include <QApplication>

void PostWebMessageBox(const QString& text, unsigned type) {
    platform::PostCall(qApp, [text, type] {
        platform::ui().MessageBox(QApplication::activeWindow(), text, QString(), type);
    });
}
