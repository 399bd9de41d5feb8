#include "board/BackgammonBoardWithSound.h"

#include "platform/Sound.h"
#include "support/SoundSettings.h"

namespace {

void PlayIfOn(CSoundSettings::Switch which, const QString& name) {
    if (!name.isEmpty() && GetSoundSettings().IsOn(which))
        platform::PlaySound(name);
}

} // namespace

QString CBackgammonBoardWithSound::CommandSound(const QString& command) {
    const QString text = command.simplified();
    if (text.isEmpty())
        return QString();
    switch (text.at(0).unicode()) {
    case u'r':
    case u'n':
        return text.contains(QLatin1Char(' ')) ? QStringLiteral("RollFX") : QString();
    case u'c':
    case u'm':
        return QStringLiteral("MoveFX");
    case u'd':
        return QStringLiteral("DoubleFX");
    default:
        return QString();
    }
}

void CBackgammonBoardWithSound::PlayCommandSound(const QString& command) const {
    PlayIfOn(CSoundSettings::kGameEvents, CommandSound(command));
}

int CBackgammonBoardWithSound::ApplyCommandWithSound(const QString& command) {
    const int roller = GetSideOnRoll();
    const bool onBar = GetCheckers(roller, roller == 1 ? kBar1 : kBar2) > 0;
    const bool roll = command.simplified().startsWith(QLatin1Char('r'));
    if (ApplyCommand(command, kCheckOnly) != 1)
        return 0;
    PlayCommandSound(command);
    const int applied = ApplyCommand(command);
    // A roll that leaves the checker on the bar passes the turn at once: the roller danced.
    if (roll && onBar && GetState() != kStateMoving)
        PlayIfOn(CSoundSettings::kDance, QStringLiteral("DanceFX"));
    if (m_soundSide != 0 && GetState() == kStateAwaitingRoll && GetSideOnRoll() == m_soundSide)
        PlayIfOn(CSoundSettings::kRollOrDouble, QStringLiteral("TurnFX"));
    return applied;
}
