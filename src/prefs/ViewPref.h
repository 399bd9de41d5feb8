#pragma once

#include "platform/PropertySheet.h"

class CSpinButton;

// The "View" page of the General Properties sheet: the chat view's length and options, the shout
// filter, the main window's network quality caption and the emote prefix of chat lines.
class CViewPref : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CViewPref, platform::PropertyPage)
public:
    static constexpr char kViewPropertiesChanged[] = "KELDERWICK_VIEW_PROPERTIES_CHANGED";
    static constexpr int kMinChatViewLength = 20;
    static constexpr int kMaxChatViewLength = 300;
    static constexpr int kMaxEmotePrefixLength = 10;

    enum Ids {
        IDC_LINES = 1185,
        IDC_LINES_SPIN = 1186,
        IDC_SHOW_GAME_DATA = 1315,
        IDC_BOLD_NOTIFICATIONS = 1228,
        IDC_SHOW_SHOUTS = 1254,
        IDC_QUALITY_CAPTION = 1253,
        IDC_EMOTE_PREFIX = 1326,
    };

    // Reads the settings.
    explicit CViewPref(QWidget* parent = nullptr);

    int chatViewLength = 300;
    bool showGameData = false;
    bool boldNotifications = true;
    bool showShouts = true;
    bool showQualityCaption = true;
    QString emotePrefix;

    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    // OK and Apply: writes the six values, then tells the windows.
    void OnOK() override;

private:
    CSpinButton* m_spin;
};
