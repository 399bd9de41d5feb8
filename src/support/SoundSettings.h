#pragma once

#include <QString>

// Which sounds the user wants, section "Sounds". One process-wide object is consulted before any
// sound plays; it is loaded at start-up and changed only when a preference page applies.
class CSoundSettings {
public:
    static constexpr char kSection[] = "Sounds";

    // The switches, in the order they are saved.
    enum Switch {
        kChat,
        kEnableSound,
        kCloseTalk,
        kGameEvents,
        kInvitations,
        kOpenTalk,
        kRollOrDouble,
        kTalkMessages,
        kDance,
        kWatch,
        kSwitchCount
    };

    // Each switch at its default.
    CSoundSettings();

    // Reads the ten values (a missing one gives its default).
    void Load();
    // Writes the ten values in switch order.
    void Save() const;

    bool Get(Switch which) const;
    void Set(Switch which, bool on);
    // Whether the sound of that event plays: sounds are enabled and the event's switch is on
    // ("bEnableSound" alone for kEnableSound).
    bool IsOn(Switch which) const;

    // The stored name ("bChat") and default of a switch.
    static const char* ValueName(Switch which);
    static bool DefaultValue(Switch which);
    // The sound an event plays ("ChatFX" for kChat, "InviteFX" for kInvitations); empty for the
    // switches whose sounds the board chooses (game events, roll or double, dance) and for
    // kEnableSound.
    static QString SoundName(Switch which);

    bool operator==(const CSoundSettings&) const = default;

private:
    bool m_on[kSwitchCount];
};

// The process-wide switches, loaded from the settings on first use.
CSoundSettings& GetSoundSettings();

// Plays the event's sound when the process-wide switches let it -> whether it was played.
bool PlayEventSound(CSoundSettings::Switch which);
