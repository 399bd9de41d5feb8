#include "session/DeferredMessageBox.h"

#include "platform/Ui.h"

#include <QApplication>

namespace {
DeferredMessageBoxReceiver& receiver() {
    static DeferredMessageBoxReceiver instance;
    return instance;
}
} // namespace

void SetDeferredMessageBoxReceiver(DeferredMessageBoxReceiver r) {
    receiver() = std::move(r);
}

int PostDeferredMessageBox(const QString& text, unsigned type, unsigned helpId) {
    CDeferredMessageBox box{text, type, helpId};
    if (receiver() && receiver()(box))
        return 1;
    return platform::ui().MessageBox(QApplication::activeWindow(), text, QString(), type);
}
