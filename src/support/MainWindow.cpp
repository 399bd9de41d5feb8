#include "support/MainWindow.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget>& mainWindow() {
    static QPointer<QWidget> window;
    return window;
}
} // namespace

void SetMainWindow(QWidget* window) { mainWindow() = window; }

QWidget* GetMainWindow() { return mainWindow().data(); }
