#include "support/MainWindow.h"

#include <QPointer>
#include <QWidget>

namespace {
struct Registered {
    QPointer<QWidget> window;
    CMainWindowServices* services = nullptr;
};

Registered& registered() {
    static Registered entry;
    return entry;
}
} // namespace

void SetMainWindow(QWidget* window, CMainWindowServices* services) {
    registered().window = window;
    registered().services = window ? services : nullptr;
}

QWidget* GetMainWindow() { return registered().window.data(); }

CMainWindowServices* GetMainWindowServices() {
    // The services live and die with their window.
    return registered().window ? registered().services : nullptr;
}
