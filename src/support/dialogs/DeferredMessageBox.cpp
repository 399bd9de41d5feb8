#include "support/dialogs/DeferredMessageBox.h"

#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include <memory>

namespace {

unsigned g_helpContext = 0;
constexpr char kNoticeProperty[] = "norvaleNoticeBox";

DeferredMessageBoxHandler& handler() {
    static DeferredMessageBoxHandler instance;
    return instance;
}

DeferredMessageBoxReceiver& receiver() {
    static DeferredMessageBoxReceiver instance;
    return instance;
}

// The queued record. The event owns it, so a record still queued when its window goes is freed with
// the queue.
class DeferredBoxEvent : public QEvent {
public:
    static QEvent::Type kind() {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    explicit DeferredBoxEvent(std::unique_ptr<CDeferredMessageBox> box) : QEvent(kind()), m_box(std::move(box)) {}
    const CDeferredMessageBox& box() const { return *m_box; }

private:
    std::unique_ptr<CDeferredMessageBox> m_box;
};

// Lives as a child of the main window and takes the queued boxes for it.
class DeferredBoxReceiver : public QObject {
public:
    explicit DeferredBoxReceiver(QObject* parent) : QObject(parent) {
        setObjectName(QStringLiteral("DeferredMessageBoxReceiver"));
    }

    bool event(QEvent* event) override {
        if (event->type() != DeferredBoxEvent::kind())
            return QObject::event(event);
        const CDeferredMessageBox& box = static_cast<DeferredBoxEvent*>(event)->box();
        if (handler())
            handler()(box);
        else
            OnDeferredMessageBox(box);
        return true;
    }
};

DeferredBoxReceiver* receiverOf(QWidget* window) {
    if (!window)
        return nullptr;
    if (auto* existing = window->findChild<DeferredBoxReceiver*>(QStringLiteral("DeferredMessageBoxReceiver"),
                                                                  Qt::FindDirectChildrenOnly))
        return existing;
    return new DeferredBoxReceiver(window);
}

} // namespace

int DoMessageBox(const QString& text, unsigned type, unsigned helpId) {
    const unsigned previous = g_helpContext;
    if (helpId != 0)
        g_helpContext = helpId + 0x30000;
    QWidget* owner = GetMainWindow();
    const QString caption = QApplication::applicationDisplayName();
    const int answer = platform::ui().MessageBox(owner, text, caption, type);
    g_helpContext = previous;
    return answer;
}

unsigned GetMessageBoxHelpContext() { return g_helpContext; }

void SetDeferredMessageBoxHandler(DeferredMessageBoxHandler h) { handler() = std::move(h); }

void SetDeferredMessageBoxReceiver(DeferredMessageBoxReceiver r) { receiver() = std::move(r); }

void OnDeferredMessageBox(const CDeferredMessageBox& box) {
    // What arises while packets are handled must not take the keyboard from what the user is typing:
    // with the real dialogs the box comes up beside his window, modeless and without activation.
    if (!dynamic_cast<platform::QtUi*>(&platform::ui())) {
        DoMessageBox(box.text, box.type, box.helpId);
        return;
    }
    ShowNoticeBox(box.text, box.type);
}

int CountOpenNoticeBoxes() {
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->property(kNoticeProperty).toBool() && window->isVisible())
            ++count;
    }
    return count;
}

QMessageBox* ShowNoticeBox(const QString& text, unsigned type) {
    // However many arrive, only a few stand open at once; the rest are dropped.
    if (CountOpenNoticeBoxes() >= kMaxNoticeBoxes)
        return nullptr;
    auto* box = new QMessageBox(GetMainWindow());
    box->setProperty(kNoticeProperty, true);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setWindowTitle(QApplication::applicationDisplayName());
    switch (type & platform::MB_ICONMASK) {
    case platform::MB_ICONHAND: box->setIcon(QMessageBox::Critical); break;
    case platform::MB_ICONQUESTION: box->setIcon(QMessageBox::Question); break;
    case platform::MB_ICONEXCLAMATION: box->setIcon(QMessageBox::Warning); break;
    case platform::MB_ICONASTERISK: box->setIcon(QMessageBox::Information); break;
    default: break;
    }
    box->setStandardButtons(QMessageBox::Ok);
    box->show();
    return box;
}

int PostDeferredMessageBox(const QString& text, unsigned type, unsigned helpId) {
    if (QThread::currentThread() != qApp->thread()) {
        // A box can only be shown on the GUI thread: from elsewhere it is always queued there.
        QMetaObject::invokeMethod(
            qApp, [text, type, helpId] { PostDeferredMessageBox(text, type, helpId); }, Qt::QueuedConnection);
        return 1;
    }
    auto box = std::make_unique<CDeferredMessageBox>(CDeferredMessageBox{text, type, helpId});
    if (receiver() && receiver()(*box))
        return 1;
    if (DeferredBoxReceiver* target = receiverOf(GetMainWindow())) {
        QCoreApplication::postEvent(target, new DeferredBoxEvent(std::move(box)));
        return 1;
    }
    return DoMessageBox(box->text, box->type, box->helpId);
}
