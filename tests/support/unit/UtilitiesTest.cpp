#include "support/Utilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

TEST(Tokens, NextTokenKeepsEmptyTokens) {
    QString source = "a,,b;c";
    EXPECT_EQ(NextToken(source, u",;"), "a");
    EXPECT_EQ(source, ",b;c");
    EXPECT_EQ(NextToken(source, u",;"), "");
    EXPECT_EQ(NextToken(source, u",;"), "b");
    EXPECT_EQ(NextToken(source, u",;"), "c");
    EXPECT_TRUE(source.isEmpty());
    EXPECT_EQ(NextToken(source, u",;"), "");

    QString trailing = "x ";
    EXPECT_EQ(NextToken(trailing, u" "), "x");
    EXPECT_TRUE(trailing.isEmpty());
    QString none = "whole";
    EXPECT_EQ(NextToken(none, u""), "whole");
    EXPECT_TRUE(none.isEmpty());
}

TEST(Tokens, SplitToStringListSkipsEmptyPieces) {
    QStringList list = {"old"};
    SplitToStringList(list, u",,Ann, Bob,,", u", ");
    EXPECT_EQ(list, QStringList({"Ann", "Bob"}));
    SplitToStringList(list, u"", u",");
    EXPECT_TRUE(list.isEmpty());
    SplitToStringList(list, u"one", u"");
    EXPECT_EQ(list, QStringList({"one"}));
}

TEST(Names, JoinNameListForASentence) {
    EXPECT_EQ(JoinNameList({}), "");
    EXPECT_EQ(JoinNameList({"Ann"}), "Ann");
    EXPECT_EQ(JoinNameList({"Ann", "Bob"}), "Ann and Bob");
    EXPECT_EQ(JoinNameList({"Ann", "Bob", "Cy"}), "Ann, Bob and Cy");
    EXPECT_EQ(JoinNameList({"Ann", "Bob", "Cy", "Di"}), "Ann, Bob, Cy and Di");
    EXPECT_EQ(JoinNameList({"Ann", "me", "Bob", "ME"}, "Me"), "Ann and Bob");
    EXPECT_EQ(JoinNameList({"me"}, "ME"), "");
    EXPECT_EQ(JoinNameList({"Ann", ""}, ""), "Ann and ");
}

TEST(Names, ValidAndNormalisedNicknames) {
    EXPECT_TRUE(IsValidUserName(u"a"));
    EXPECT_TRUE(IsValidUserName(u"Player42"));
    EXPECT_TRUE(IsValidUserName(QString(24, 'x')));
    EXPECT_FALSE(IsValidUserName(QString(25, 'x')));
    EXPECT_FALSE(IsValidUserName(u""));
    for (const QString& name : {QString("with space"), QString("under_score"), QString("dot.ted"),
                               QString::fromUtf8("Jos\xC3\xA9"), QString::fromUtf8("\xEF\xBC\xA1"), QString("\xB2")})
        EXPECT_FALSE(IsValidUserName(name)) << name.toStdString();

    EXPECT_EQ(NormalizeUserName(u" Ann-Marie_99! "), "AnnMarie99");
    EXPECT_EQ(NormalizeUserName(QString::fromUtf8("Jos\xC3\xA9")), "Jos");
    EXPECT_EQ(NormalizeUserName(QString(30, 'b') + "c"), QString(24, 'b'));
    EXPECT_EQ(NormalizeUserName(u"-- --"), "");

    EXPECT_EQ(FoldNickname(QString::fromUtf8("ann-\xC3\xA9z\xC3\x9F")), QString::fromUtf8("ANN-\xC3\xA9Z\xC3\x9F"));
}

TEST(Numbers, HexTextWrapsAndStopsAtTheFirstNonDigit) {
    EXPECT_EQ(HexTextToInt(u""), 0u);
    EXPECT_EQ(HexTextToInt(u"1f"), 31u);
    EXPECT_EQ(HexTextToInt(u"1F"), 31u);
    EXPECT_EQ(HexTextToInt(u"ffffffff"), 0xFFFFFFFFu);
    EXPECT_EQ(HexTextToInt(u"123456789"), 0x23456789u); // the high digit wraps out
    EXPECT_EQ(HexTextToInt(u"12g4"), 0x12u);
    EXPECT_EQ(HexTextToInt(u"0x10"), 0u);
    EXPECT_EQ(HexTextToInt(u" 10"), 0u);
}

TEST(TimeStamps, Layouts) {
    const QDateTime time(QDate(2024, 3, 7), QTime(9, 5, 2));
    EXPECT_EQ(TimeStampText(time), "2024/03/07:0905");
    EXPECT_EQ(FormatLocalTimeStamp(0, time), "2024-03-07");
    EXPECT_EQ(FormatLocalTimeStamp(1, time), "09:05:02");
    EXPECT_EQ(FormatLocalTimeStamp(2, time), "2024-03-07 09:05:02");
    EXPECT_EQ(FormatLocalTimeStamp(-1, time), "2024-03-07 09:05:02");
    EXPECT_EQ(TimeStampText(QDateTime(QDate(2023, 12, 31), QTime(23, 59))), "2023/12/31:2359");

    EXPECT_TRUE(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d:\\d{4}$").match(CurrentTimeStampText()).hasMatch());
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(FormatLocalTimeStamp(5)).hasMatch());
}

TEST(Files, RemoveFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_TRUE(RemoveFile(path, true));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(RemoveFile(path, true)); // already gone
    EXPECT_FALSE(RemoveFile("", false));

    QDir(dir.path()).mkdir("folder");
    EXPECT_FALSE(RemoveFile(dir.filePath("folder"), true));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());

    // A link goes, what it points at stays.
    ASSERT_TRUE(QFile::link(dir.filePath("folder"), dir.filePath("link")));
    EXPECT_TRUE(RemoveFile(dir.filePath("link"), true));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());
}

TEST(SystemResources, FiguresInKilobytes) {
    QString memory, disk;
    EXPECT_TRUE(FormatSystemResources(memory, disk));
    EXPECT_TRUE(QRegularExpression("^[1-9][\\d,]* KB total$").match(memory).hasMatch()) << memory.toStdString();
    EXPECT_TRUE(QRegularExpression("^\\d[\\d,]* KB free$").match(disk).hasMatch()) << disk.toStdString();
}

TEST(NoCaseStringMap, KeysFoldAsciiLettersOnly) {
    CNoCaseStringMap<QString> map;
    map.SetAt(u"ann", "first");
    map.SetAt(u"ANN", "second");
    map[u"Bob"] = "bob";
    map.SetAt(QString::fromUtf8("\xC3\xA9ric"), "lower");
    map.SetAt(QString::fromUtf8("\xC3\x89RIC"), "upper");
    EXPECT_EQ(map.GetCount(), 4);
    QString value;
    ASSERT_TRUE(map.Lookup(u"aNn", value));
    EXPECT_EQ(value, "second");
    EXPECT_EQ(*map.Find(u"bob"), "bob");
    EXPECT_EQ(*map.Find(QString::fromUtf8("\xC3\xA9RIC")), "lower"); // é is not folded
    EXPECT_EQ(map.Find(u"carl"), nullptr);
    EXPECT_FALSE(map.Lookup(u"carl", value));

    QStringList keys;
    for (const auto& [key, v] : map)
        keys << key;
    EXPECT_EQ(keys, QStringList({"ANN", "BOB", QString::fromUtf8("\xC3\x89RIC"), QString::fromUtf8("\xC3\xA9RIC")}));

    EXPECT_TRUE(map.RemoveKey(u"BoB"));
    EXPECT_FALSE(map.RemoveKey(u"bob"));
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
}

TEST(NoCaseStringMap, OwnsMoveOnlyValues) {
    CNoCaseStringMap<std::unique_ptr<int>> map;
    map.SetAt(u"ann", std::make_unique<int>(1));
    map.SetAt(u"Ann", std::make_unique<int>(2)); // the first record is freed
    EXPECT_EQ(**map.Find(u"ANN"), 2);
    std::unique_ptr<int> taken = map.Take(u"aNN");
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, 2);
    EXPECT_FALSE(map.Contains(u"ann"));
    EXPECT_FALSE(map.Take(u"ann"));
}

TEST(SharedPalette, SlotsAndPaletteColours) {
    CSharedPalette palette;
    EXPECT_EQ(palette.SetSlotColor(0x112233), 0);
    EXPECT_EQ(palette.SetSlotColor(0x445566, 5), 5);
    EXPECT_EQ(palette.SetSlotColor(0x778899), 1);
    EXPECT_EQ(palette.GetSlotColor(5), 0x01000005u);
    EXPECT_EQ(palette.ResolveColor(palette.GetSlotColor(5)), 0x445566u);
    EXPECT_EQ(palette.ResolveColor(0x00ABCDEF), 0x00ABCDEFu);     // a plain colour stays
    EXPECT_EQ(palette.ResolveColor(0xFFFFFFFF), 0xFFFFFFFFu);     // so does "nothing"
    EXPECT_EQ(palette.ResolveColor(0x01000010), platform::kNoColor);

    // A slot can be refilled in place; a freed slot is the next one given out.
    EXPECT_EQ(palette.SetSlotColor(0x010101, 5), 5);
    EXPECT_EQ(palette.ResolveColor(0x01000005), 0x010101u);
    palette.FreeSlot(0);
    EXPECT_FALSE(palette.IsSlotInUse(0));
    EXPECT_EQ(palette.SetSlotColor(0x222222), 0);

    for (int i = 0; i < CSharedPalette::kSlotCount; ++i)
        palette.SetSlotColor(0, i);
    EXPECT_EQ(palette.SetSlotColor(0x333333), -1); // all in use
    EXPECT_EQ(palette.SetSlotColor(0x333333, 16), -1);
    EXPECT_EQ(palette.SetSlotColor(0x333333, -2), -1);
    EXPECT_EQ(palette.GetSlotColor(16), platform::kNoColor);
    palette.FreeSlot(99); // ignored
    EXPECT_EQ(&GetSharedPalette(), &GetSharedPalette());
}
