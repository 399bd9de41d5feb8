#pragma once

#include <QString>

// What the session needs to know of the game module (the application registers the backgammon
// module's answers at start-up; until then the built-in answers apply).
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

// The registered module, or the built-in answers when none is registered.
const CGameModuleInfo& GetGameModuleInfo();
// Registers the module (not owned; it must outlive its registration). Null restores the built-in answers.
void SetGameModuleInfo(const CGameModuleInfo* module);

// The answers until the game module registers: service word "gb", "Backgammon", private scores hidden,
// and no score texts.
class CBuiltInGameModuleInfo : public CGameModuleInfo {
public:
    QString GetServiceWord() const override { return QStringLiteral("gb"); }
    QString GetGameName() const override { return QStringLiteral("Backgammon"); }
    bool HidesPrivateScore() const override { return true; }
    QString GetScoreText(const QString&, const QString&) const override { return QString(); }
};
