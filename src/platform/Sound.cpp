#include "platform/Sound.h"

#include "platform/Paths.h"
#include "platform/Seam.h"

#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace platform {

namespace {

Seam<SoundPlayer, SilentSoundPlayer> g_player;

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u".." &&
           !name.contains(QChar(0));
}

} // namespace

QtSoundPlayer::Resolver QtSoundPlayer::DefaultResolver() {
    return [](const QString& fileName) { return FindResourceFile(QStringLiteral("sounds/") + fileName); };
}

QtSoundPlayer::QtSoundPlayer(Resolver resolve) : m_resolve(std::move(resolve)) {}

QtSoundPlayer::~QtSoundPlayer() = default;

QString QtSoundPlayer::FileFor(const QString& name) const {
    if (!isPlainFileName(name) || !m_resolve)
        return {};
    const QString fileName = name.endsWith(u".wav", Qt::CaseInsensitive) ? name : name + QStringLiteral(".wav");
    const QString path = m_resolve(fileName);
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

void QtSoundPlayer::Play(const QString& name) {
    const QString path = FileFor(name);
    if (path.isEmpty())
        return;
    auto it = m_effects.find(path);
    if (it == m_effects.end()) {
        auto effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(path));
        it = m_effects.emplace(path, std::move(effect)).first;
    }
    // A sound still loading starts as soon as it is loaded; one still playing starts again.
    it->second->play();
}

bool HasAudioOutput() { return !QMediaDevices::audioOutputs().isEmpty(); }

std::unique_ptr<SoundPlayer> CreateSoundPlayer(QtSoundPlayer::Resolver resolve) {
    if (!HasAudioOutput())
        return std::make_unique<SilentSoundPlayer>();
    return std::make_unique<QtSoundPlayer>(std::move(resolve));
}

SoundPlayer& soundPlayer() { return g_player.get(); }

SoundPlayer* SetSoundPlayer(SoundPlayer* player) { return g_player.set(player); }

void PlaySound(const QString& name) { soundPlayer().Play(name); }

} // namespace platform
