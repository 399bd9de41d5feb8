#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QWidget;

// Menu and toolbar commands by number: each QAction carries its command id; a router offers a
// command, or the question whether it is available, to the focused window and its ancestors, then to
// the frame, the document and the application.
namespace platform {

// An action that carries a command id (0 is no command).
QAction* MakeAction(int id, const QString& text, QObject* parent);
void SetCommandId(QAction* action, int id);
int CommandId(const QAction* action);

// What a menu item or button shows for a command. Targets change what differs from the action's
// current look.
struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
    QString text;
};

class CommandRouter;

// Anything that takes commands: views, frames, documents, the application.
class CommandTarget {
public:
    CommandTarget() = default;
    // A copy is registered nowhere: registrations belong to the object that was added.
    CommandTarget(const CommandTarget&) {}
    CommandTarget& operator=(const CommandTarget&) { return *this; }
    virtual ~CommandTarget();

    // true when this target carried the command out.
    virtual bool OnCommand(int id) {
        (void)id;
        return false;
    }
    // true when this target handles the command (it may then change the state). A command that no
    // target claims here is shown disabled.
    virtual bool OnUpdateCommand(int id, CommandState& state) {
        (void)id;
        (void)state;
        return false;
    }

private:
    friend class CommandRouter;
    std::vector<CommandRouter*> m_routers;
};

class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(QObject* parent = nullptr);
    ~CommandRouter() override;

    // Targets asked after the focus chain, in the order added. A target that is destroyed leaves
    // every router by itself.
    void AddTarget(CommandTarget* target);
    void RemoveTarget(CommandTarget* target);

    // The chain: start (the application's focus widget when null) and its ancestors that are
    // CommandTargets, innermost first, then the added targets; each target at most once.
    // Route offers the command until one target takes it -> whether one did.
    bool Route(int id, QWidget* start = nullptr);
    // The target whose OnCommand is running (the innermost one when routes nest), null outside a
    // route: code deep inside a command finds the view or frame that carries it out.
    static CommandTarget* RoutingTarget();
    // Asks the chain for the state until one target claims the command -> whether one did.
    bool QueryState(int id, CommandState& state, QWidget* start = nullptr);

    // Brings the action up to date: enabled, checked and text as the claiming target says; disabled
    // when no target claims it. Actions without an id are left alone.
    void UpdateAction(QAction* action, QWidget* start = nullptr);
    void UpdateActions(const QList<QAction*>& actions, QWidget* start = nullptr);

    // Routes the action's triggers (once, however often it is connected).
    void ConnectAction(QAction* action);
    // Each time the menu (or one of its submenus) is about to show, its actions are brought up to
    // date and connected.
    void AttachMenu(QMenu* menu);

private slots:
    void actionTriggered();
    void menuAboutToShow();

private:
    std::vector<CommandTarget*> chain(QWidget* start) const;

    std::vector<CommandTarget*> m_targets;
};

} // namespace platform
