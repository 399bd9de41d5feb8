#include "game/MatchRecord.h"

#include <gtest/gtest.h>

namespace {

CMatchRecord Sample() {
    CMatchRecord record;
    record.Add({217, "1 s 5 0", ""});
    record.Add({203, "hello", "Ann"});
    record.Add({217, "2 n 5 2", "Ann"});
    record.Add({217, "3  m 13/8 13/11 ", "Ann"});
    return record;
}

} // namespace

TEST(MatchRecord, ReadsAreRangeChecked) {
    const CMatchRecord record = Sample();
    EXPECT_EQ(record.GetCount(), 4);
    EXPECT_EQ(record.GetMoveCount(), 3);
    ASSERT_NE(record.GetPacket(1), nullptr);
    EXPECT_EQ(record.GetPacket(1)->GetSourceName(), "Ann");
    EXPECT_EQ(record.GetPacket(-1), nullptr);
    EXPECT_EQ(record.GetPacket(4), nullptr);

    EXPECT_TRUE(record.IsNonMoveEntry(1));
    EXPECT_FALSE(record.IsNonMoveEntry(0));
    EXPECT_FALSE(record.IsNonMoveEntry(4)) << "out of range is not a non-move entry";
    EXPECT_FALSE(record.IsNonMoveEntry(-3));

    EXPECT_EQ(record.GetMoveEntryIndex(-5), 0);
    EXPECT_EQ(record.GetMoveEntryIndex(2), 2);
    EXPECT_EQ(record.GetMoveEntryIndex(99), 4);

    QString command = "stale";
    EXPECT_TRUE(record.GetMoveText(3, command));
    EXPECT_EQ(command, "m 13/8 13/11");
    EXPECT_FALSE(record.GetMoveText(1, command));
    EXPECT_TRUE(command.isEmpty());
    EXPECT_FALSE(record.GetMoveText(17, command));
}

TEST(MatchRecord, MarksExtendAndAppendKeepsWhatIsSet) {
    CMatchRecord record = Sample();
    EXPECT_EQ(record.GetMoveMark(2), 0);
    EXPECT_TRUE(record.SetMoveMark(2, 1));
    EXPECT_EQ(record.GetMarkCount(), 3);
    EXPECT_EQ(record.GetMoveMark(2), 1);
    EXPECT_EQ(record.GetMoveMark(0), 0);
    EXPECT_EQ(record.GetMoveMark(-1), 0);
    EXPECT_FALSE(record.SetMoveMark(4, 1)) << "no such entry";
    EXPECT_FALSE(record.SetMoveMark(-1, 1));

    EXPECT_FALSE(record.AppendMoveMark(2, 0)) << "a mark already in the list stays";
    EXPECT_EQ(record.GetMoveMark(2), 1);
    EXPECT_TRUE(record.AppendMoveMark(3, 1));
    EXPECT_EQ(record.GetMoveMark(3), 1);
    record.Clear();
    EXPECT_EQ(record.GetCount(), 0);
    EXPECT_EQ(record.GetMarkCount(), 0);
    EXPECT_EQ(record.GetMoveCount(), 0);
}

TEST(MatchRecord, MoveTextSplitting) {
    int sequence = 0;
    QString command;
    EXPECT_TRUE(CMatchRecord::SplitMoveText("12 r 3 1", sequence, command));
    EXPECT_EQ(sequence, 12);
    EXPECT_EQ(command, "r 3 1");
    for (const char* bad : {"", "12", "x r 3 1", "0 r 3 1", "-4 r", "12 ", " r 3 1"})
        EXPECT_FALSE(CMatchRecord::SplitMoveText(bad, sequence, command)) << bad;
    EXPECT_EQ(CMatchRecord::JoinMoveText(7, "d"), "7 d");
}
