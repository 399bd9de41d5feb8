#include "platform/Messages.h"
#include "platform/Object.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Payload : platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CPayload, platform::Object)
};
struct DerivedPayload : Payload {
    NV_DECLARE_RUNTIME_CLASS(CDerivedPayload, Payload)
};

// Every receiver writes its name into one shared log, so a test sees the order of delivery.
struct Log {
    QStringList names;
    std::string text() const { return names.join(' ').toStdString(); }
};

class Receiver : public QWidget, public platform::MessageTarget {
public:
    Receiver(const QString& name, Log& log, QWidget* parent = nullptr, Qt::WindowFlags flags = {})
        : QWidget(parent, flags), m_log(log) {
        setObjectName(name);
    }
    std::function<void()> onMessage;
    platform::Object* lastPayload = nullptr;
    bool OnMessage(platform::MessageId, qintptr, platform::Object* lParam) override {
        m_log.names << objectName();
        lastPayload = lParam;
        if (onMessage)
            onMessage();
        return true;
    }

private:
    Log& m_log;
};

const platform::MessageId kMessage = platform::RegisterMessage("KELDERWICK_TEST_BROADCAST");

TEST(RegisteredMessages, NamesCompareWithoutCaseAndNeverMeetPrivateNumbers) {
    const auto id = platform::RegisterMessage("KELDERWICK_FONT_PROPERTIES_CHANGED");
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(platform::RegisterMessage("kelderwick_font_properties_changed"), id);
    EXPECT_NE(platform::RegisterMessage("KELDERWICK_VIEW_PROPERTIES_CHANGED"), id);
}

TEST(RegisteredMessages, SendReachesOnlyTargets) {
    Log log;
    QWidget plain;
    Receiver receiver("r", log);
    EXPECT_FALSE(platform::SendMessageTo(&plain, kMessage));
    EXPECT_FALSE(platform::SendMessageTo(nullptr, kMessage));
    EXPECT_TRUE(platform::SendMessageTo(&receiver, kMessage));
    EXPECT_EQ(log.text(), "r");
}

TEST(Broadcast, WalksRootTreesThenOwnedWindowsAndSkipsStrangers) {
    Log log;
    Receiver main("main", log);
    auto* pane = new Receiver("pane", log, &main);
    auto* list = new Receiver("list", log, pane);
    // A floating list window owned by the main window, and a dialog owned through a pane.
    auto* floating = new Receiver("floating", log, &main, Qt::Tool);
    auto* floatingChild = new Receiver("floatingChild", log, floating);
    auto* dialog = new Receiver("dialog", log, list, Qt::Dialog);
    // A window owned by an owned window is reached as well.
    auto* nested = new Receiver("nested", log, floating, Qt::Dialog);
    Receiver stranger("stranger", log);
    auto* strangerChild = new Receiver("strangerChild", log, &stranger);
    Receiver mailbox("mailbox", log);
    (void)floatingChild;
    (void)dialog;
    (void)nested;
    (void)strangerChild;

    platform::BroadcastMessage({&main, &mailbox}, kMessage);
    EXPECT_EQ(log.text(), "main pane list mailbox dialog floating floatingChild nested");
}

TEST(Broadcast, EachWidgetIsReachedOnce) {
    Log log;
    Receiver main("main", log);
    auto* pane = new Receiver("pane", log, &main);
    auto* owned = new Receiver("owned", log, pane, Qt::Tool);
    // The extra window may be one that is reached anyway; a root may be given twice or as null.
    platform::BroadcastMessage({pane, &main, owned, nullptr, &main}, kMessage);
    EXPECT_EQ(log.text(), "pane main owned");
}

TEST(Broadcast, ReceiversMayRebuildTheirChildren) {
    Log log;
    Receiver main("main", log);
    auto* list = new Receiver("list", log, &main);
    QPointer<Receiver> oldRow = new Receiver("oldRow", log, list);
    auto* after = new Receiver("after", log, &main);
    (void)after;
    // The list throws its row away and makes a new one, as a list does when its columns change.
    list->onMessage = [&] {
        delete oldRow.data();
        new Receiver("newRow", log, list);
    };
    platform::BroadcastMessage({&main}, kMessage);
    EXPECT_TRUE(oldRow.isNull());
    EXPECT_EQ(log.text(), "main list after");
}

TEST(Broadcast, AReceiverMayDeleteAnOwnedWindowBeforeItsTurn) {
    Log log;
    Receiver main("main", log);
    QPointer<Receiver> owned = new Receiver("owned", log, &main, Qt::Tool);
    new Receiver("ownedChild", log, owned);
    main.onMessage = [&] { delete owned.data(); };
    platform::BroadcastMessage({&main}, kMessage);
    EXPECT_EQ(log.text(), "main");
}

TEST(Broadcast, PayloadsAreCheckedByRuntimeClass) {
    Log log;
    Receiver main("main", log);
    DerivedPayload derived;
    platform::BroadcastMessage({&main}, kMessage, 7, &derived);
    EXPECT_EQ(platform::object_cast<Payload>(main.lastPayload), &derived);
    EXPECT_EQ(platform::object_cast<DerivedPayload>(main.lastPayload), &derived);

    Payload base;
    platform::BroadcastMessage({&main}, kMessage, 0, &base);
    EXPECT_EQ(platform::object_cast<DerivedPayload>(main.lastPayload), nullptr);
    platform::BroadcastMessage({&main}, kMessage, 0, nullptr);
    EXPECT_EQ(platform::object_cast<Payload>(main.lastPayload), nullptr);
}

TEST(Broadcast, DescendantsOnlyStaysInsideTheWindow) {
    Log log;
    Receiver main("main", log);
    auto* pane = new Receiver("pane", log, &main);
    new Receiver("view", log, pane);
    new Receiver("owned", log, &main, Qt::Tool);
    platform::SendMessageToDescendants(&main, kMessage);
    EXPECT_EQ(log.text(), "pane view");
    platform::SendMessageToDescendants(nullptr, kMessage); // nothing, no crash
}

} // namespace
