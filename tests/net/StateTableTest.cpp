#include "net/StateTable.h"
#include "net/MessagePacket.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(StateTable, RowsSwitchTablesAndUnknownMessagesAreLoggedAsIllegal) {
    CStateTable first("First");
    CStateTable second("Second");
    std::vector<QString> log;
    std::vector<int> handled;
    first.On(
        'a', [&](const CMessagePacket*) { handled.push_back(1); }, &second);
    second.On('b', [&](const CMessagePacket*) { handled.push_back(2); });
    second.On(CStateTable::kAnyMessage, [&](const CMessagePacket*) { handled.push_back(3); });

    CStateMan man("CTest");
    man.SetLog([&](const QString& line) { log.push_back(line); });
    man.SetTable(&first);

    const auto b = CMessagePacket::MakePlain('b', "x");
    EXPECT_FALSE(man.Dispatch('b', b.get(), "peer:1"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Illegal packet: First 'b' from (peer:1)98");

    const auto a = CMessagePacket::MakePlain('a', "");
    EXPECT_TRUE(man.Dispatch('a', a.get(), "peer:1"));
    EXPECT_EQ(man.table(), &second);
    EXPECT_TRUE(man.Dispatch('b', b.get(), "peer:1"));
    EXPECT_TRUE(man.Dispatch('z', b.get(), "peer:1"));
    EXPECT_EQ(handled, (std::vector<int>{1, 2, 3}));

    const auto routed = CMessagePacket::MakeRouted(203, "&", "bob", "hi");
    man.SetTable(&first);
    man.Dispatch(203, routed.get(), "peer:1");
    EXPECT_EQ(log.back(), "Illegal packet: First- '-' from (bob)203");
}

TEST(StateTable, ThrowingHandlerIsLoggedAndDispatchGoesOn) {
    CStateTable table("Session");
    int after = 0;
    table.On(1, [](const CMessagePacket*) { throw std::runtime_error("boom"); });
    table.On(2, [&](const CMessagePacket*) { ++after; });
    std::vector<QString> log;
    CStateMan man("CClientNode");
    man.SetLog([&](const QString& line) { log.push_back(line); });
    man.SetTable(&table);
    const auto packet = CMessagePacket::MakePlain(1, "the data");
    EXPECT_TRUE(man.Dispatch(1, packet.get(), ""));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(
        log[0].startsWith("StateMan Exception - Class: [CClientNode], Message: [1], Data: [the data]\n"));
    EXPECT_TRUE(man.Dispatch(2, nullptr, ""));
    EXPECT_EQ(after, 1);
}

TEST(StateTable, HandlerThatSwitchesTheTableItselfWins) {
    CStateTable a("A"), b("B"), c("C");
    CStateMan man("X");
    a.On(
        1, [&](const CMessagePacket*) { man.SetTable(&c); }, &b);
    man.SetTable(&a);
    man.Dispatch(1, nullptr, "");
    EXPECT_EQ(man.table(), &c);
}

} // namespace
