#include "platform/Sound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace platform;

// A short, silent 8-bit mono WAV file.
QByteArray silentWav() {
    const quint32 samples = 800;
    QByteArray out;
    auto u32 = [&out](quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&out](quint16 v) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    };
    out.append("RIFF");
    u32(36 + samples);
    out.append("WAVEfmt ");
    u32(16);
    u16(1);    // PCM
    u16(1);    // mono
    u32(8000); // samples per second
    u32(8000); // bytes per second
    u16(1);    // block align
    u16(8);    // bits per sample
    out.append("data");
    u32(samples);
    out.append(QByteArray(int(samples), char(0x80)));
    return out;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile file(dir.filePath("ChatFX.wav"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(silentWav());
    }
    QtSoundPlayer::Resolver resolver() {
        return [this](const QString& fileName) {
            asked << fileName;
            return dir.filePath(fileName);
        };
    }
    QTemporaryDir dir;
    QStringList asked;
};

TEST_F(SoundTest, NamesAreWavFilesOfTheResources) {
    QtSoundPlayer player(resolver());
    EXPECT_EQ(player.FileFor("ChatFX"), dir.filePath("ChatFX.wav"));
    EXPECT_EQ(player.FileFor("ChatFX.wav"), dir.filePath("ChatFX.wav"));
    EXPECT_EQ(asked, QStringList({"ChatFX.wav", "ChatFX.wav"}));
    EXPECT_TRUE(player.FileFor("InviteFX").isEmpty()); // no such file
}

TEST_F(SoundTest, PathsNeverLeaveTheResources) {
    QtSoundPlayer player(resolver());
    for (const char* name : {"../ChatFX", "sub/ChatFX", "..\\ChatFX", "", "..", "/etc/passwd"})
        EXPECT_TRUE(player.FileFor(name).isEmpty()) << name;
    EXPECT_TRUE(asked.isEmpty()); // refused before anything was looked up
}

TEST_F(SoundTest, MissingFilesPlayNothingAndFilesLoadOnce) {
    QtSoundPlayer player(resolver());
    player.Play("InviteFX");
    EXPECT_EQ(player.LoadedCount(), 0);
    player.Play("ChatFX");
    player.Play("chatfx.WAV"); // another name: the resolver decides whether it is the same file
    player.Play("ChatFX");
    EXPECT_EQ(player.LoadedCount(), 1);

    QtSoundPlayer withoutResolver(nullptr);
    withoutResolver.Play("ChatFX");
    EXPECT_EQ(withoutResolver.LoadedCount(), 0);
}

TEST(SoundPlayerSeam, TestsInstallARecordingPlayerAndPutTheOldOneBack) {
    RecordingSoundPlayer recorder;
    SoundPlayer* previous = SetSoundPlayer(&recorder);
    PlaySound("ChatFX");
    PlaySound("InviteFX");
    EXPECT_EQ(recorder.played(), QStringList({"ChatFX", "InviteFX"}));
    EXPECT_EQ(&soundPlayer(), &recorder);
    EXPECT_EQ(SetSoundPlayer(previous), &recorder);
    PlaySound("ChatFX"); // the default again
    EXPECT_EQ(recorder.played().size(), 2);
    EXPECT_NE(&soundPlayer(), &recorder);
}

TEST(SoundPlayerSeam, AMachineWithoutAudioGetsASilentPlayer) {
    auto player = CreateSoundPlayer([](const QString&) { return QString(); });
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(dynamic_cast<QtSoundPlayer*>(player.get()) != nullptr, HasAudioOutput());
    player->Play("ChatFX"); // never fails
}

} // namespace
