#pragma once

#include "platform/PropertySheet.h"
#include "prefs/MBListSettings.h"

// The flyover page of the lobby settings: whether the player lists show a player's details when the
// pointer rests on a name, and how soon.
class CMBFlyoverPropertyPage : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMBFlyoverPropertyPage, platform::PropertyPage)
public:
    enum ControlId {
        kFlyoverId = 1256,
        kDelayId = 1508,
    };
    static constexpr char kViewPropertiesInitMessage[] = "KELDERWICK_VIEW_PROPERTIES_INIT";
    static constexpr char kFlyoverChangedMessage[] = "KELDERWICK_FLYOVER_PROPERTIES_CHANGED";

    // Loads the settings, then lets the open list views fill the page ("KELDERWICK_VIEW_PROPERTIES_INIT"
    // with this page) before it goes on.
    explicit CMBFlyoverPropertyPage(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(platform::DataExchange& dx) override;
    // Writes the settings and tells the lists.
    void OnOK() override;

    CMBFlyoverSettings& Settings() { return m_settings; }

private:
    void onFlyover();

    CMBFlyoverSettings m_settings;
};
