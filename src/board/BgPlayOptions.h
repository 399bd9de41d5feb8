#pragma once

#include "platform/PropertySheet.h"

class CBgColorScheme;

// The "Play Options" page: how checkers are moved, forced moves, the cube's first face, the size of
// the dice, confirmation of doubles and the board's sounds. Applying writes every value; the open
// boards are told what kind of thing changed: the board properties (the cube's face, the die size)
// with the screen scheme, the play options (the rest but sounds, which are consulted at each sound).
class CBgPlayOptions : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgPlayOptions, platform::PropertyPage)
public:
    enum Ids {
        IDC_SINGLE_CLICK = 1459,
        IDC_DOUBLE_CLICK = 1460,
        IDC_FORCED_DELAY = 1499,
        IDC_PLAY_FORCED = 1253,
        IDC_CUBE_1 = 1461,
        IDC_CUBE_64 = 1462,
        IDC_DIE_SIZE = 1463,
        IDC_CONFIRM_DOUBLES = 1254,
        IDC_ENABLE_SOUND = 1256,
        IDC_ROLL_OR_DOUBLE = 1274,
        IDC_GAME_EVENTS = 1275,
        IDC_DANCE = 1590,
    };
    static constexpr char kPlayOptionsChanged[] = "KELDERWICK_BG_PLAY_OPTIONS_CHANGED";
    static constexpr char kPropertiesChanged[] = "KELDERWICK_BG_PROPERTIES_CHANGED";

    // Reads the values; screenScheme (owned by the sheet) goes with the board-properties message.
    explicit CBgPlayOptions(const CBgColorScheme* screenScheme, QWidget* parent = nullptr);

    // The values as the page holds them (names as stored, without their type prefix).
    int mouseAction = 0; // 0 single click, 1 double click: "bEnableSingleClick" negated
    int forcedMoveDelay = 20;
    bool playForcedMoves = false;
    int initialCubeValue = 0;
    int dieSize = 75;
    bool confirmDoubles = true;
    bool enableSound = true;
    bool rollOrDouble = false;
    bool gameEvents = true;
    bool dance = false;

    bool PlayOptionsChanged() const { return m_playChanged; }
    bool BoardPropertiesChanged() const { return m_boardChanged; }

    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    void EnableSoundBoxes();
    void PlayChanged();
    void BoardChanged();

    const CBgColorScheme* m_screenScheme;
    bool m_playChanged = false;
    bool m_boardChanged = false;
    bool m_loading = false;
};
