#include "platform/Commands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace platform {

namespace {
const char* const kCommandIdProperty = "nvCommandId";
CommandTarget* g_routingTarget = nullptr;
} // namespace

QAction* MakeAction(int id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    SetCommandId(action, id);
    return action;
}

void SetCommandId(QAction* action, int id) {
    if (action)
        action->setProperty(kCommandIdProperty, id);
}

int CommandId(const QAction* action) { return action ? action->property(kCommandIdProperty).toInt() : 0; }

CommandTarget::~CommandTarget() {
    const std::vector<CommandRouter*> routers = m_routers;
    for (CommandRouter* router : routers)
        router->RemoveTarget(this);
}

CommandRouter::CommandRouter(QObject* parent) : QObject(parent) {}

CommandRouter::~CommandRouter() {
    for (CommandTarget* target : m_targets)
        std::erase(target->m_routers, this);
}

void CommandRouter::AddTarget(CommandTarget* target) {
    if (!target || std::find(m_targets.begin(), m_targets.end(), target) != m_targets.end())
        return;
    m_targets.push_back(target);
    target->m_routers.push_back(this);
}

void CommandRouter::RemoveTarget(CommandTarget* target) {
    if (!target)
        return;
    std::erase(m_targets, target);
    std::erase(target->m_routers, this);
}

std::vector<CommandTarget*> CommandRouter::chain(QWidget* start) const {
    std::vector<CommandTarget*> out;
    auto add = [&out](CommandTarget* target) {
        if (target && std::find(out.begin(), out.end(), target) == out.end())
            out.push_back(target);
    };
    for (QWidget* w = start ? start : QApplication::focusWidget(); w; w = w->parentWidget())
        add(dynamic_cast<CommandTarget*>(w));
    for (CommandTarget* target : m_targets)
        add(target);
    return out;
}

bool CommandRouter::Route(int id, QWidget* start) {
    if (id == 0)
        return false;
    for (CommandTarget* target : chain(start)) {
        CommandTarget* const outer = std::exchange(g_routingTarget, target);
        const bool taken = target->OnCommand(id);
        g_routingTarget = outer;
        if (taken)
            return true;
    }
    return false;
}

CommandTarget* CommandRouter::RoutingTarget() { return g_routingTarget; }

bool CommandRouter::QueryState(int id, CommandState& state, QWidget* start) {
    if (id == 0)
        return false;
    for (CommandTarget* target : chain(start))
        if (target->OnUpdateCommand(id, state))
            return true;
    return false;
}

void CommandRouter::UpdateAction(QAction* action, QWidget* start) {
    const int id = CommandId(action);
    if (id == 0)
        return;
    CommandState state;
    state.enabled = true;
    state.checked = action->isChecked();
    state.checkable = action->isCheckable();
    state.text = action->text();
    if (!QueryState(id, state, start)) {
        action->setEnabled(false);
        return;
    }
    action->setEnabled(state.enabled);
    action->setCheckable(state.checkable || state.checked);
    action->setChecked(state.checked);
    if (state.text != action->text())
        action->setText(state.text);
}

void CommandRouter::UpdateActions(const QList<QAction*>& actions, QWidget* start) {
    for (QAction* action : actions)
        UpdateAction(action, start);
}

void CommandRouter::ConnectAction(QAction* action) {
    if (action)
        connect(action, &QAction::triggered, this, &CommandRouter::actionTriggered, Qt::UniqueConnection);
}

void CommandRouter::AttachMenu(QMenu* menu) {
    if (menu)
        connect(menu, &QMenu::aboutToShow, this, &CommandRouter::menuAboutToShow, Qt::UniqueConnection);
}

void CommandRouter::actionTriggered() { Route(CommandId(qobject_cast<QAction*>(sender()))); }

void CommandRouter::menuAboutToShow() {
    auto* menu = qobject_cast<QMenu*>(sender());
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = action->menu())
            AttachMenu(submenu);
        if (CommandId(action) == 0)
            continue;
        ConnectAction(action);
        UpdateAction(action);
    }
}

} // namespace platform
