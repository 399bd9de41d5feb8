#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QSoundEffect;

// Sounds by name: "ChatFX" plays ChatFX.wav from the program's resources (res/sounds/). The program asks the
// installed player; the application installs a real one when the machine has an audio output, and
// tests install a recording one.
namespace platform {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Plays the WAV file of that name ("ChatFX" or "ChatFX.wav") without waiting for it; a name
    // without a file plays nothing.
    virtual void Play(const QString& name) = 0;
};

// Where no audio device exists.
class SilentSoundPlayer : public SoundPlayer {
public:
    void Play(const QString& name) override { (void)name; }
};

// Plays nothing and remembers what it was asked to play, in order.
class RecordingSoundPlayer : public SoundPlayer {
public:
    void Play(const QString& name) override { m_played << name; }
    const QStringList& played() const { return m_played; }
    void clear() { m_played.clear(); }

private:
    QStringList m_played;
};

// Plays through Qt Multimedia. GUI thread only.
class QtSoundPlayer : public SoundPlayer {
public:
    // Maps a file name ("ChatFX.wav") to its path among the resources; empty when there is none.
    using Resolver = std::function<QString(const QString& fileName)>;

    // By default the sounds are the files of res/sounds/.
    explicit QtSoundPlayer(Resolver resolve = DefaultResolver());
    static Resolver DefaultResolver();
    ~QtSoundPlayer() override;

    void Play(const QString& name) override;

    // The file Play(name) would play: empty for a missing file or a name that is not a plain
    // file name (a path never leaves the resources).
    QString FileFor(const QString& name) const;
    // The sounds loaded so far (each file is loaded once and kept).
    int LoadedCount() const { return int(m_effects.size()); }

private:
    Resolver m_resolve;
    std::map<QString, std::unique_ptr<QSoundEffect>> m_effects;
};

// Whether the machine has an audio output at all.
bool HasAudioOutput();
// The player for this machine: a QtSoundPlayer when there is an audio output, else a silent one.
std::unique_ptr<SoundPlayer> CreateSoundPlayer(QtSoundPlayer::Resolver resolve = QtSoundPlayer::DefaultResolver());

// The installed player (a silent one until something is installed).
SoundPlayer& soundPlayer();
// Installs a player (the caller keeps ownership) -> the one it replaces, null for the default.
// Null puts the silent default back.
SoundPlayer* SetSoundPlayer(SoundPlayer* player);
// soundPlayer().Play(name).
void PlaySound(const QString& name);

} // namespace platform
