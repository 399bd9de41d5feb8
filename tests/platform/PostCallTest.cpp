#include "platform/PostCall.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

// Counts how many of its instances are alive, so a test sees whether a capture was freed.
struct Tracked {
    static inline int alive = 0;
    Tracked() { ++alive; }
    Tracked(const Tracked&) { ++alive; }
    ~Tracked() { --alive; }
};

TEST(PostCall, RunsLaterOnTheGuardsThread) {
    QObject guard;
    int runs = 0;
    platform::PostCall(&guard, [&] { ++runs; });
    EXPECT_EQ(runs, 0); // never inside the caller
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 1);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 1);
}

TEST(PostCall, KeepsTheOrderOfPosting) {
    QObject guard;
    QStringList order;
    platform::PostCall(&guard, [&] { order << "first"; });
    platform::PostCall(&guard, [&] {
        order << "second";
        // A call posted while running comes after the ones already waiting.
        platform::PostCall(&guard, [&] { order << "fourth"; });
    });
    platform::PostCall(&guard, [&] { order << "third"; });
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(order, QStringList({"first", "second", "third", "fourth"}));
}

TEST(PostCall, CapturesAreFreedAfterTheCallRuns) {
    QObject guard;
    auto record = std::make_unique<Tracked>();
    EXPECT_EQ(Tracked::alive, 1);
    bool ran = false;
    platform::PostCall(&guard, [&ran, record = std::move(record)] { ran = record != nullptr; });
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(ran);
    EXPECT_EQ(Tracked::alive, 0);
}

TEST(PostCall, DroppedWithItsGuardAndStillFreed) {
    auto* guard = new QObject;
    bool ran = false;
    platform::PostCall(guard, [&ran, record = std::make_unique<Tracked>()] { ran = true; });
    EXPECT_EQ(Tracked::alive, 1);
    delete guard;
    EXPECT_EQ(Tracked::alive, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ran);
}

TEST(PostCall, NullGuardRunsNothingAndFreesTheCall) {
    bool ran = false;
    platform::PostCall(nullptr, [&ran, record = std::make_unique<Tracked>()] { ran = true; });
    EXPECT_EQ(Tracked::alive, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ran);
}

TEST(PostCall, WorkerThreadsPostToTheGuardsThread) {
    QObject guard;
    Qt::HANDLE ranOn = nullptr;
    std::thread worker([&] { platform::PostCall(&guard, [&] { ranOn = QThread::currentThreadId(); }); });
    worker.join();
    EXPECT_EQ(ranOn, nullptr);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ranOn, QThread::currentThreadId());
}

} // namespace
