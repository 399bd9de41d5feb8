#include "support/WindowBroadcast.h"

#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

const QString kMessage = QStringLiteral("KELDERWICK_FONT_PROPERTIES_CHANGED");

TEST(WindowBroadcast, ReachesEveryWindowAndItsChildrenByDefault) {
    testenv::MessageRecorder window({kMessage});
    auto* child = new testenv::MessageRecorder({kMessage});
    child->setParent(&window);
    testenv::MessageRecorder other({kMessage});
    BroadcastToApplicationWindows(kMessage, 3);
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0].wParam, 3);
    EXPECT_EQ(window.received[0].lParam, nullptr);
    EXPECT_EQ(child->received.size(), 1u);
    EXPECT_EQ(other.received.size(), 1u);
}

TEST(WindowBroadcast, AnInstalledDeliveryTakesOver) {
    testenv::MessageRecorder window({kMessage});
    std::vector<platform::MessageId> sent;
    const WindowBroadcaster previous =
        SetWindowBroadcaster([&](platform::MessageId id, qintptr, platform::Object*) { sent.push_back(id); });
    BroadcastToApplicationWindows(kMessage);
    EXPECT_EQ(sent, std::vector<platform::MessageId>{platform::RegisterMessage(kMessage)});
    EXPECT_TRUE(window.received.empty());

    SetWindowBroadcaster(previous);
    BroadcastToApplicationWindows(kMessage);
    EXPECT_EQ(window.received.size(), 1u);
}

} // namespace
