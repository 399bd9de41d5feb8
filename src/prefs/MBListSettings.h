#pragma once

#include "platform/Win32Codes.h"

// How the player lists paint names by group: the switch and the ten group colours of section
// "CMBColors" (COLORREF values; kNoColor paints the name in the list's own text colour).
class CMBColorSettings {
public:
    static constexpr char kSection[] = "CMBColors";
    // The colour that every group had before the program gave some of them their own.
    static constexpr platform::COLORREF kOldDefault = 8;

    CMBColorSettings() { Load(); }

    // Reads the section; when colouring by group is on and the nine colours from friends to
    // unfinished-match opponents are all the old default, friends, self and unfinished matches take
    // their own colours again.
    void Load();
    void Save() const;

    int colorByGroup = 1;
    platform::COLORREF friends = 0xF00000;
    platform::COLORREF guides = kOldDefault;
    platform::COLORREF memberHelp = kOldDefault;
    platform::COLORREF moneyPlayers = kOldDefault;
    platform::COLORREF robots = kOldDefault;
    platform::COLORREF self = 0xF000;
    platform::COLORREF sysops = kOldDefault;
    platform::COLORREF tournamentStaff = kOldDefault;
    platform::COLORREF unfinishedMatch = 0xF0;
    platform::COLORREF clubMembers = 0x8080;
};

// Whether the player lists show a player's details when the pointer rests on a name, and after how
// long (tens of milliseconds): section "CMBDetailedListOptions".
class CMBFlyoverSettings {
public:
    static constexpr char kSection[] = "CMBDetailedListOptions";
    static constexpr int kMinDelay = 10;
    static constexpr int kMaxDelay = 200;

    CMBFlyoverSettings() { Load(); }

    void Load();
    void Save() const;

    int flyover = 0;
    int delay = 50;
};
