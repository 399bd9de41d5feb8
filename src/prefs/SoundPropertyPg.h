#pragma once

#include "platform/PropertySheet.h"
#include "support/SoundSettings.h"

#include <array>

// The "Sound" page of the General Properties sheet: the switch for all sounds and six of the event
// switches (the board's own sounds are chosen on the backgammon play options page), each event with
// a button that plays its sound. Applying changes the process-wide switches and saves all ten.
class CSoundPropertyPg : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CSoundPropertyPg, platform::PropertyPage)
public:
    enum Ids {
        IDC_CHAT = 1074,
        IDC_ENABLE_SOUND = 1253,
        IDC_CLOSE_TALK = 1272,
        IDC_INVITATIONS = 1255,
        IDC_OPEN_TALK = 1271,
        IDC_TALK_MESSAGES = 1270,
        IDC_WATCH = 1323,
    };
    // The play button of an event box has the box's id plus this.
    static constexpr int kPlayButtonOffset = 20000;

    // The switches the page shows, in its order, with their boxes.
    struct Shown {
        CSoundSettings::Switch which;
        int id;
    };
    static const std::array<Shown, 7>& ShownSwitches();

    // Copies the shown switches from the process-wide object.
    explicit CSoundPropertyPg(QWidget* parent = nullptr);

    // The page's copies of the shown switches (index as in ShownSwitches).
    std::array<bool, 7> on{};
    bool Get(CSoundSettings::Switch which) const;

    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    // OK and Apply: the copies into the process-wide switches, all ten saved. Nothing is broadcast:
    // whoever plays a sound asks the switches each time.
    void OnOK() override;

private:
    // The event boxes and their play buttons are usable only while sounds are enabled.
    void EnableEventBoxes();
};
