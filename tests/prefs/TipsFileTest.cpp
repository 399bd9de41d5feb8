#include "prefs/TipsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TipsFileTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QString("tips%1.txt").arg(++files));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QStringList tips(CTipsFile& file, int count) {
        QStringList read;
        for (int i = 0; i < count; ++i) {
            QString tip;
            EXPECT_EQ(file.NextTip(tip), CTipsFile::Result::Tip);
            read << tip;
        }
        return read;
    }
    QTemporaryDir dir;
    int files = 0;
};

TEST_F(TipsFileTest, SkipsCommentsAndBlankLinesAndWrapsAtTheEnd) {
    CTipsFile file;
    ASSERT_TRUE(file.Open(write("; comment\nFirst tip\n\n indented\n\tTabbed\nSecond tip\n;last comment")));
    EXPECT_EQ(tips(file, 3), QStringList({"First tip", "Second tip", "First tip"}));
}

TEST_F(TipsFileTest, CarriageReturnsAreLineEndsNotText) {
    CTipsFile file;
    ASSERT_TRUE(file.Open(write("\xEF\xBB\xBFOne\r\n\r\n\r\nTwo  \r\n")));
    // The byte order mark is no part of the first tip; "\r\n" alone is an empty line.
    EXPECT_EQ(tips(file, 3), QStringList({"One", "Two", "One"}));
}

TEST_F(TipsFileTest, AFileWithoutTipsEndsTheSearch) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray("; only comments\n\n  \n\r\n;"),
                                    QByteArray("\n\n\n")}) {
        CTipsFile file;
        ASSERT_TRUE(file.Open(write(bytes)));
        ASSERT_TRUE(file.Seek(1)); // wherever it starts
        QString tip = "unchanged";
        EXPECT_EQ(file.NextTip(tip), CTipsFile::Result::NoTips);
        EXPECT_EQ(tip, "unchanged");
    }
}

TEST_F(TipsFileTest, ALongLineIsCutNotSplit) {
    const QByteArray longLine = "Long" + QByteArray(2500, 'x');
    CTipsFile file;
    ASSERT_TRUE(file.Open(write(longLine + "\nShort\n")));
    const QStringList read = tips(file, 2);
    EXPECT_EQ(read[0].size(), CTipsFile::kMaxLineLength);
    EXPECT_TRUE(read[0].startsWith("Longxxx"));
    EXPECT_EQ(read[1], "Short"); // the rest of the long line did not become a tip
}

TEST_F(TipsFileTest, PositionsAreByteOffsetsOfTheNextLine) {
    CTipsFile file;
    ASSERT_TRUE(file.Open(write("A\nB\nC\n")));
    tips(file, 1);
    EXPECT_EQ(file.Pos(), 2);
    EXPECT_TRUE(file.Seek(4));
    EXPECT_EQ(tips(file, 1), QStringList({"C"}));
    EXPECT_FALSE(file.Seek(-5));
    EXPECT_TRUE(file.Seek(1000)); // past the end: the next tip is the first
    EXPECT_EQ(tips(file, 1), QStringList({"A"}));
}

TEST_F(TipsFileTest, TextIsUtf8OrElseWindows1252) {
    CTipsFile file;
    ASSERT_TRUE(file.Open(write("Caf\xC3\xA9 au lait\n\x93Quoted\x94\n")));
    EXPECT_EQ(tips(file, 2), QStringList({QString::fromUtf8("Caf\xC3\xA9 au lait"), QString::fromUtf8("\xE2\x80\x9CQuoted\xE2\x80\x9D")}));
    EXPECT_FALSE(file.Open(dir.filePath("missing.txt")));
    EXPECT_FALSE(file.Open(dir.path())); // a folder is no tips file
}

} // namespace
