#pragma once

#include <QString>

// What the session needs to know of the game module (the backgammon module registers itself; until
// then built-in backgammon answers apply).
class CGameModuleInfo {
public:
    virtual ~CGameModuleInfo() = default;

    // The service word of the game's rooms ("gb").
    virtual QString GetServiceWord() const = 0;
    // The game's display name ("Backgammon").
    virtual QString GetGameName() const = 0;
    // Whether the score of a private match is hidden (shown as "-----").
    virtual bool HidesPrivateScore() const = 0;
    // The lobby's score text for a player at location with the given game descriptor.
    virtual QString GetScoreText(const QString& location, const QString& gameDescriptor) const = 0;
};

// The registered module, or the built-in backgammon answers when none is registered.
const CGameModuleInfo& GetGameModuleInfo();
// Registers the module (not owned; it must outlive the session). Null restores the built-in answers.
void SetGameModuleInfo(const CGameModuleInfo* module);

// The built-in answers: service word "gb", "Backgammon", private scores hidden, and the score of a
// descriptor "<match length> <score> <score>" as "<score>-<score> of <length>" ("<score>-<score>" for an
// unlimited match, length 0); empty for other descriptors.
class CBackgammonModuleInfo : public CGameModuleInfo {
public:
    QString GetServiceWord() const override { return QStringLiteral("gb"); }
    QString GetGameName() const override { return QStringLiteral("Backgammon"); }
    bool HidesPrivateScore() const override { return true; }
    QString GetScoreText(const QString& location, const QString& gameDescriptor) const override;
};
