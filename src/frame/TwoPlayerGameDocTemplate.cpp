#include "frame/TwoPlayerGameDocTemplate.h"

#include "frame/MultiPaneFrame.h"
#include "platform/Commands.h"
#include "platform/Document.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include <map>

namespace {

std::map<int, std::vector<CTwoPlayerGameDocTemplate::Menu>>& menus() {
    static std::map<int, std::vector<CTwoPlayerGameDocTemplate::Menu>> table;
    return table;
}

std::vector<CTwoPlayerGameDocTemplate>& templates() {
    static std::vector<CTwoPlayerGameDocTemplate> list;
    return list;
}

} // namespace

CTwoPlayerGameDocTemplate::CTwoPlayerGameDocTemplate(int resourceId, QString tag, QString documentClass)
    : m_resourceId(resourceId), m_tag(std::move(tag)), m_documentClass(std::move(documentClass)) {}

bool CTwoPlayerGameDocTemplate::Matches(const platform::Document* document) const {
    return document && document->IsKindOf(m_documentClass.toStdString());
}

void CTwoPlayerGameDocTemplate::RegisterMenu(int resourceId, std::vector<Menu> entries) {
    menus()[resourceId] = std::move(entries);
}

const std::vector<CTwoPlayerGameDocTemplate::Menu>* CTwoPlayerGameDocTemplate::FindMenu(int resourceId) {
    const auto it = menus().find(resourceId);
    return it == menus().end() ? nullptr : &it->second;
}

void CTwoPlayerGameDocTemplate::Register(const CTwoPlayerGameDocTemplate& documentTemplate) {
    for (CTwoPlayerGameDocTemplate& known : templates())
        if (known.m_documentClass == documentTemplate.m_documentClass) {
            known = documentTemplate;
            return;
        }
    templates().push_back(documentTemplate);
}

void CTwoPlayerGameDocTemplate::ClearRegistered() {
    templates().clear();
}

const CTwoPlayerGameDocTemplate* CTwoPlayerGameDocTemplate::FindFor(const platform::Document* document) {
    for (const CTwoPlayerGameDocTemplate& known : templates())
        if (known.Matches(document))
            return &known;
    return nullptr;
}

QMenuBar* CTwoPlayerGameDocTemplate::LoadMenu(CMultiPaneFrame* frame) const {
    const std::vector<Menu>* resource = FindMenu(m_resourceId);
    if (!frame || !resource)
        return nullptr;
    auto* bar = new QMenuBar(frame);
    bar->setNativeMenuBar(false);
    // The window's commands go to this window: its focused pane first, else the frame (which offers
    // them to its panes), never to whatever window has the focus.
    const auto start = [frame]() -> QWidget* {
        QWidget* focus = QApplication::focusWidget();
        return focus && frame->isAncestorOf(focus) ? focus : frame;
    };
    for (const Menu& entry : *resource) {
        QMenu* menu = bar->addMenu(entry.title);
        for (const MenuItem& item : entry.items) {
            if (item.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = platform::MakeAction(item.command, item.text, menu);
            action->setStatusTip(item.tip);
            menu->addAction(action);
            QObject::connect(action, &QAction::triggered, frame,
                             [frame, start, id = item.command] { frame->Commands().Route(id, start()); });
        }
        QObject::connect(menu, &QMenu::aboutToShow, frame,
                         [frame, menu, start] { frame->Commands().UpdateActions(menu->actions(), start()); });
    }
    frame->SetMenuBar(bar);
    return bar;
}
