#include "web/WebPanes.h"

#include "frame/MultiPaneFrame.h"
#include "web/AdvertView.h"

void RegisterWebPanes() {
    CMultiPaneFrame::RegisterPane(QString::fromLatin1(CAdvertView::kPaneTag),
                                  [](QWidget* parent) { return new CAdvertView(parent); });
}
