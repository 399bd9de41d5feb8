#pragma once

#include "platform/PropertySheet.h"

#include <array>

// The "Macros" page of the General Properties sheet: the ten texts the command line's macro keys
// type, "Macro0" to "Macro9" of section "Macros".
class CMacroPreferences : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CMacroPreferences, platform::PropertyPage)
public:
    static constexpr int kMacroCount = 10;
    // Macro n is edited in control IDC_FIRST_MACRO + n ("Macro &1:" is Macro0).
    static constexpr int IDC_FIRST_MACRO = 1301;

    // Reads the ten macros.
    explicit CMacroPreferences(QWidget* parent = nullptr);

    std::array<QString, kMacroCount> macros;

    // "Macro%d" of n.
    static QString ValueName(int n);

    void DoDataExchange(platform::DataExchange& dx) override;
    // OK and Apply: writes the ten macros, then tells the windows.
    void OnOK() override;
};
