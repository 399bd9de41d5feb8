#pragma once

#include "platform/PropertySheet.h"

#include <QString>

// The "AutoSave" page: whether finished matches are saved by themselves (played ones, watched ones),
// in which formats and into which folder. The static getters are what the match document asks when
// a match ends or is left; they read section "Backgammon" (both trees) with the page's defaults.
class CBgSaveOptions : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CBgSaveOptions, platform::PropertyPage)
public:
    enum Ids {
        IDC_FORMAT_TXT = 1253,
        IDC_FORMAT_CBG = 1254,
        IDC_BROWSE = 1650,
        IDC_FORMAT_SNV = 1655,
        IDC_WHILE_PLAYING = 1656,
        IDC_WHILE_WATCHING = 1657,
        IDC_FOLDER = 1658,
    };

    static bool GetSaveWhilePlaying();   // "SaveWhilePlaying", default on
    static bool GetSaveWhileWatching();  // "SaveWhileWatching", default off
    static bool GetAutoSaveFormatTxt();  // "AutoSaveFormatTxt", default off
    static bool GetAutoSaveFolderCbg();  // "AutoSaveFolderCbg", default on
    static bool GetAutoSaveFolderSnv();  // "AutoSaveFolderSnv", default off
    // "SaveFolder"; by default the folder "PathNames"/"InitialSavedGame" names, else "SaveGame" in
    // the user's data folder.
    static QString GetSaveFolder();

    explicit CBgSaveOptions(QWidget* parent = nullptr);

    bool saveWhilePlaying = true;
    bool saveWhileWatching = false;
    bool formatTxt = false;
    bool formatCbg = true;
    bool formatSnv = false;
    QString folder;

    void DoDataExchange(platform::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool OnApply() override;
    // The "..." button: the folder chooser, starting at the stored folder.
    void ChooseFolder();
};
