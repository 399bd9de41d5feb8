#include "platform/Commands.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <map>

namespace {

using namespace platform;

constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_TALK = 32797;
constexpr int ID_PLAYER_INFO = 33064;
constexpr int ID_MAIL = 32981;

// A target that handles the commands it was given, and writes who was asked into a log.
struct Handler : CommandTarget {
    QString name;
    QStringList* log = nullptr;
    std::map<int, CommandState> handles; // the state it reports for each command it claims

    bool OnCommand(int id) override {
        if (log)
            *log << name + ":" + QString::number(id);
        return handles.count(id) != 0;
    }
    bool OnUpdateCommand(int id, CommandState& state) override {
        auto it = handles.find(id);
        if (it == handles.end())
            return false;
        state.enabled = it->second.enabled;
        state.checked = it->second.checked;
        state.checkable = it->second.checkable;
        if (!it->second.text.isEmpty())
            state.text = it->second.text;
        return true;
    }
};

// A window in the focus chain that is a target too.
class TargetWidget : public QWidget, public Handler {
public:
    TargetWidget(const QString& n, QStringList& l, QWidget* parent = nullptr) : QWidget(parent) {
        name = n;
        log = &l;
    }
};

TEST(Commands, ActionsCarryTheirIds) {
    QObject owner;
    QAction* action = MakeAction(ID_TALK, "&Talk...", &owner);
    EXPECT_EQ(action->parent(), &owner);
    EXPECT_EQ(action->text(), "&Talk...");
    EXPECT_EQ(CommandId(action), ID_TALK);
    QAction plain("x");
    EXPECT_EQ(CommandId(&plain), 0);
    EXPECT_EQ(CommandId(nullptr), 0);
}

TEST(Commands, FocusChainFirstInnermostOutThenAddedTargetsFirstTakerWins) {
    QStringList log;
    TargetWidget frame("frame", log);
    auto* plainPane = new QWidget(&frame); // not a target: skipped
    auto* view = new TargetWidget("view", log, plainPane);
    auto* edit = new QLineEdit(view);
    Handler document, app;
    document.name = "doc";
    document.log = &log;
    app.name = "app";
    app.log = &log;
    CommandRouter router;
    router.AddTarget(&document);
    router.AddTarget(&frame); // also in the focus chain: asked once
    router.AddTarget(&app);

    app.handles[ID_MAIL] = {};
    EXPECT_TRUE(router.Route(ID_MAIL, edit));
    EXPECT_EQ(log.join(' ').toStdString(), "view:32981 frame:32981 doc:32981 app:32981");

    log.clear();
    view->handles[ID_MAIL] = {};
    EXPECT_TRUE(router.Route(ID_MAIL, edit));
    EXPECT_EQ(log.join(' ').toStdString(), "view:32981");

    log.clear();
    EXPECT_FALSE(router.Route(ID_PLAYER_INFO, edit));
    EXPECT_EQ(log.size(), 4);
    EXPECT_FALSE(router.Route(0, edit));
}

TEST(Commands, TheFocusWidgetStartsTheChainByDefault) {
    QStringList log;
    TargetWidget window("window", log);
    auto* view = new TargetWidget("view", log, &window);
    auto* edit = new QLineEdit(view);
    view->handles[ID_EDIT_COPY] = {};
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(QApplication::focusWidget(), edit);
    CommandRouter router;
    EXPECT_TRUE(router.Route(ID_EDIT_COPY));
    EXPECT_EQ(log.join(' ').toStdString(), "view:57634");
}

TEST(Commands, UpdateTakesTheStateOfTheClaimingTargetOrDisables) {
    QStringList log;
    TargetWidget frame("frame", log);
    auto* view = new TargetWidget("view", log, &frame);
    CommandRouter router;
    QObject owner;
    QAction* copy = MakeAction(ID_EDIT_COPY, "&Copy", &owner);
    QAction* talk = MakeAction(ID_TALK, "&Talk...", &owner);
    QAction* info = MakeAction(ID_PLAYER_INFO, "Player &Info...", &owner);
    QAction plain("About");
    plain.setEnabled(false);

    view->handles[ID_EDIT_COPY] = {false, false, false, {}};
    frame.handles[ID_TALK] = {true, true, true, "&Talk to Alice..."};
    frame.handles[ID_EDIT_COPY] = {true, false, false, {}}; // the view claims it first
    router.UpdateActions({copy, talk, info, &plain}, view);

    EXPECT_FALSE(copy->isEnabled());
    EXPECT_TRUE(talk->isEnabled());
    EXPECT_TRUE(talk->isCheckable());
    EXPECT_TRUE(talk->isChecked());
    EXPECT_EQ(talk->text(), "&Talk to Alice...");
    EXPECT_FALSE(info->isEnabled()); // nobody handles it
    EXPECT_FALSE(plain.isEnabled()); // no id: untouched

    // A claim that keeps the defaults leaves the text alone and re-enables.
    view->handles[ID_EDIT_COPY] = {};
    frame.handles[ID_TALK] = {true, false, true, {}};
    router.UpdateActions({copy, talk}, view);
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_EQ(copy->text(), "&Copy");
    EXPECT_FALSE(talk->isChecked());
    EXPECT_TRUE(log.isEmpty()); // asking for the state never runs a command
}

TEST(Commands, TheRunningTargetIsKnownDuringItsCommand) {
    struct Recorder : Handler {
        CommandTarget* seen = nullptr;
        bool OnCommand(int id) override {
            seen = CommandRouter::RoutingTarget();
            return Handler::OnCommand(id);
        }
    };
    Recorder declining, taking;
    taking.handles[ID_MAIL] = {};
    CommandRouter router;
    router.AddTarget(&declining);
    router.AddTarget(&taking);
    EXPECT_TRUE(router.Route(ID_MAIL, nullptr));
    EXPECT_EQ(declining.seen, &declining);
    EXPECT_EQ(taking.seen, &taking);
    EXPECT_EQ(CommandRouter::RoutingTarget(), nullptr);
}

TEST(Commands, TargetsAndRoutersMayDieInEitherOrder) {
    CommandRouter router;
    {
        Handler shortLived;
        shortLived.handles[ID_MAIL] = {};
        router.AddTarget(&shortLived);
        EXPECT_TRUE(router.Route(ID_MAIL, nullptr));
    }
    EXPECT_FALSE(router.Route(ID_MAIL, nullptr)); // the target left with its death

    Handler longLived;
    longLived.handles[ID_MAIL] = {};
    {
        CommandRouter shortRouter;
        shortRouter.AddTarget(&longLived);
        router.AddTarget(&longLived);
    }
    EXPECT_TRUE(router.Route(ID_MAIL, nullptr));
    router.RemoveTarget(&longLived);
    EXPECT_FALSE(router.Route(ID_MAIL, nullptr));
}

TEST(Commands, MenusAreUpdatedBeforeTheyShowAndTheirItemsRouted) {
    QStringList log;
    Handler frame;
    frame.name = "frame";
    frame.log = &log;
    frame.handles[ID_TALK] = {};
    CommandRouter router;
    router.AddTarget(&frame);

    QMenu menu;
    QAction* talk = MakeAction(ID_TALK, "&Talk...", &menu);
    QAction* info = MakeAction(ID_PLAYER_INFO, "Player &Info...", &menu);
    menu.addAction(talk);
    QMenu* sub = menu.addMenu("More");
    sub->addAction(info);
    router.AttachMenu(&menu);
    router.AttachMenu(&menu); // attaching again changes nothing

    emit menu.aboutToShow();
    EXPECT_TRUE(talk->isEnabled());
    emit sub->aboutToShow(); // submenus are attached when their parent shows
    EXPECT_FALSE(info->isEnabled());

    emit menu.aboutToShow(); // shown again: still one route per trigger
    talk->trigger();
    EXPECT_EQ(log, QStringList({"frame:32797"}));

    frame.handles[ID_PLAYER_INFO] = {};
    emit sub->aboutToShow();
    EXPECT_TRUE(info->isEnabled());
    info->trigger();
    EXPECT_EQ(log, QStringList({"frame:32797", "frame:33064"}));
}

} // namespace
