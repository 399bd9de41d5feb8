#include "support/ApplicationTimer.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

struct Fired {
    QObject* owner;
    int id;
    void* data;
};

class ApplicationTimerTest : public ::testing::Test {
protected:
    CApplicationTimer::ManualClock clock;
    std::vector<Fired> fired;
    QObject scope; // owner of entries whose owner does not matter: whatever a test leaves dies with it

    ApplicationTimerCallback record() {
        return [this](QObject* owner, int id, void* data) { fired.push_back({owner, id, data}); };
    }
};

} // namespace

TEST_F(ApplicationTimerTest, FiresOnceOnTheTickAfterTheGivenSeconds) {
    QObject owner;
    int data = 0;
    const int three = SetApplicationTimer(3, &owner, record(), &data);
    const int zero = SetApplicationTimer(0, nullptr, record());
    EXPECT_GE(three, 1);
    EXPECT_NE(three, zero);

    clock.Tick();
    ASSERT_EQ(fired.size(), 1u); // zero seconds: the next tick
    EXPECT_EQ(fired[0].id, zero);
    EXPECT_EQ(fired[0].owner, nullptr);
    clock.Tick(2);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_TRUE(CApplicationTimer::Instance().IsPending(three));
    clock.Tick();
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[1].id, three);
    EXPECT_EQ(fired[1].owner, &owner);
    EXPECT_EQ(fired[1].data, &data);
    clock.Tick(5);
    EXPECT_EQ(fired.size(), 2u);
    EXPECT_EQ(CApplicationTimer::Instance().PendingCount(), 0);
}

TEST_F(ApplicationTimerTest, KillingCancelsAndZeroesTheId) {
    QObject ann, bob;
    int id = SetApplicationTimer(1, &ann, record());
    SetApplicationTimer(1, &ann, record());
    const int bobs = SetApplicationTimer(1, &bob, record());
    KillApplicationTimer(&id);
    EXPECT_EQ(id, 0);
    KillApplicationTimer(&id); // nothing left to cancel
    KillApplicationTimer(nullptr);
    KillApplicationTimersOf(&ann);
    KillApplicationTimersOf(nullptr);
    clock.Tick(3);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].id, bobs);
}

TEST_F(ApplicationTimerTest, EntriesDieWithTheirOwner) {
    auto owner = std::make_unique<QObject>();
    SetApplicationTimer(1, owner.get(), record());
    SetApplicationTimer(2, owner.get(), record());
    owner.reset();
    EXPECT_EQ(CApplicationTimer::Instance().PendingCount(), 0);
    clock.Tick(4);
    EXPECT_TRUE(fired.empty());

    // A new owner at the same address is a new owner.
    auto again = std::make_unique<QObject>();
    SetApplicationTimer(0, again.get(), record());
    clock.Tick();
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(ApplicationTimerTest, CallbacksMaySetAndKillWhileTheTableIsWalked) {
    QObject owner;
    int later = 0;
    int rearmed = 0;
    std::vector<int> order;
    // Due together: the first kills the second, sets a new one and re-arms itself once.
    int second = 0;
    const int first = SetApplicationTimer(1, &owner, [&](QObject*, int id, void*) {
        order.push_back(id);
        KillApplicationTimer(&second);
        later = SetApplicationTimer(0, &owner, [&](QObject*, int id2, void*) { order.push_back(id2); });
        if (!rearmed)
            rearmed = SetApplicationTimer(1, &owner, [&](QObject*, int id3, void*) { order.push_back(id3); });
    });
    second = SetApplicationTimer(1, &owner, record());
    const int third = SetApplicationTimer(1, &owner, [&](QObject* o, int id, void*) {
        order.push_back(id);
        KillApplicationTimersOf(o); // its own table entries, the new ones included
    });

    clock.Tick(2);
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(order, std::vector<int>({first, third}));
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(CApplicationTimer::Instance().IsPending(later));
    EXPECT_FALSE(CApplicationTimer::Instance().IsPending(rearmed));
}

TEST_F(ApplicationTimerTest, NewEntriesWaitForTheNextTick) {
    std::vector<int> order;
    int inner = 0;
    SetApplicationTimer(0, &scope, [&](QObject*, int, void*) {
        inner = SetApplicationTimer(0, &scope, [&](QObject*, int id, void*) { order.push_back(id); });
    });
    clock.Tick();
    EXPECT_TRUE(order.empty());
    clock.Tick();
    EXPECT_EQ(order, std::vector<int>({inner}));
}

TEST_F(ApplicationTimerTest, RefusedOffTheGuiThread) {
#ifdef QT_NO_DEBUG
    int id = -1;
    std::thread worker([&] { id = SetApplicationTimer(1, nullptr, [](QObject*, int, void*) {}); });
    worker.join();
    EXPECT_EQ(id, 0);
    EXPECT_EQ(CApplicationTimer::Instance().PendingCount(), 0);
#else
    GTEST_SKIP() << "asserts in debug builds";
#endif
}

TEST(ApplicationTimerClock, RealTicksDriveTheTable) {
    ASSERT_FALSE(CApplicationTimer::Instance().IsManualTicks());
    bool done = false;
    SetApplicationTimer(0, nullptr, [&](QObject*, int, void*) { done = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 3000));
}
