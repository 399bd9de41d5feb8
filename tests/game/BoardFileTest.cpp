#include "BoardTestUtil.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(BoardFile, SavedPositionIsTheTwoStringArchive) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Default.bgp");
    CBackgammonBoard board;
    ASSERT_TRUE(board.SetCube(2, 2));
    board.SetSideOnRoll(2);
    ASSERT_TRUE(board.SaveToFile(path));

    const QByteArray bytes = ReadAll(path);
    const QByteArray text = board.GetSavedBoardText(1).toLatin1();
    QByteArray expected;
    expected += char(15);
    expected += ".gp.Black.White";
    expected += char(text.size());
    expected += text;
    EXPECT_EQ(bytes, expected);

    EXPECT_EQ(LoadBoardFileText(path), board.GetSavedBoardText(1));
    CBackgammonBoard loaded;
    ASSERT_TRUE(loaded.ReadBoardText(LoadBoardFileText(path), 1));
    EXPECT_EQ(loaded.GetCubeValue(), 2);
    EXPECT_EQ(loaded.GetCubeOwner(), 2);
    EXPECT_EQ(loaded.GetSideOnRoll(), 2);
}

TEST(BoardFile, UnreadableFilesGiveNoText) {
    QTemporaryDir dir;
    EXPECT_TRUE(LoadBoardFileText(QString()).isEmpty());
    EXPECT_TRUE(LoadBoardFileText(dir.filePath("missing.bgp")).isEmpty());

    const QString truncated = dir.filePath("truncated.bgp");
    WriteAll(truncated, QByteArray("\x0f.gp.Black.White\x30"
                                   "1.0 0",
                                   22));
    EXPECT_TRUE(LoadBoardFileText(truncated).isEmpty());

    // A length that claims four gigabytes must not be believed.
    const QString huge = dir.filePath("huge.bgp");
    WriteAll(huge, QByteArray("\x01x\xff\xff\xff\xff\xff\xff\x7f", 9));
    EXPECT_TRUE(LoadBoardFileText(huge).isEmpty());

    const QString justHeader = dir.filePath("header.bgp");
    WriteAll(justHeader, QByteArray("\x0f.gp.Black.White", 16));
    EXPECT_TRUE(LoadBoardFileText(justHeader).isEmpty());

    CBackgammonBoard board;
    EXPECT_FALSE(board.SaveToFile(dir.filePath("no/such/folder/x.bgp")));
}
