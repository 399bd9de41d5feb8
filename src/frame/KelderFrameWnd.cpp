#include "frame/KelderFrameWnd.h"

#include "support/MainWindow.h"
#include "frame/WindowPlacement.h"
#include "platform/Document.h"

#include <QCloseEvent>

CKelderFrameWnd::CKelderFrameWnd(QWidget* owner) : QWidget(owner ? owner : GetMainWindow(), Qt::Tool) {
    setAttribute(Qt::WA_DeleteOnClose);
}

CKelderFrameWnd::~CKelderFrameWnd() = default;

void CKelderFrameWnd::InitialUpdateAndPlace(platform::Document* document, bool visible) {
    if (document) {
        for (platform::View* view : document->Views()) {
            auto* widget = dynamic_cast<QWidget*>(view);
            if (widget && isAncestorOf(widget))
                view->OnInitialUpdate();
        }
    }
    LoadWindowPlacement(this, this, parentWidget(),
                        platform::Rect{kDefaultLeft, kDefaultTop, kDefaultRight, kDefaultBottom});
    if (visible)
        show();
}

void CKelderFrameWnd::SavePlacement() {
    SaveWindowPlacement(this, this, parentWidget(), true);
}

void CKelderFrameWnd::closeEvent(QCloseEvent* event) {
    OnClose();
    QWidget::closeEvent(event);
}
