#pragma once

#include "game/BackgammonBoard.h"

#include <QString>

// A board that plays the sound of each game event as its command comes in, as far as the user's
// sound switches ("Sounds") allow: dice rolled (RollFX) and checkers moved (MoveFX) and the cube
// turned (DoubleFX) are game events; a roll that cannot enter from the bar plays DanceFX, and the
// user's own turn to roll or double TurnFX.
class CBackgammonBoardWithSound : public CBackgammonBoard {
public:
    // The user's side (1 or 2; 0 watching), for the turn sound.
    void SetSoundSide(int side) { m_soundSide = side; }
    // Plays the command's event sound, before it is applied.
    void PlayCommandSound(const QString& command) const;
    // Plays the command's sounds and applies it -> ApplyCommand's answer.
    int ApplyCommandWithSound(const QString& command);

    // The event sound of a command ("RollFX", "MoveFX", "DoubleFX"), empty for none.
    static QString CommandSound(const QString& command);

private:
    int m_soundSide = 0;
};
