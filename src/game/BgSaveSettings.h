#pragma once

#include <QString>

// Where and how finished matches are saved without asking: section "Backgammon" of the settings
// store. The match document reads these when a match ends or is left; the settings sheet's automatic
// save page edits them.
class CBgSaveSettings {
public:
    static constexpr char kSection[] = "Backgammon";

    static bool GetSaveWhilePlaying();   // "SaveWhilePlaying", default on
    static bool GetSaveWhileWatching();  // "SaveWhileWatching", default off
    static bool GetAutoSaveFormatTxt();  // "AutoSaveFormatTxt", default off
    static bool GetAutoSaveFolderCbg();  // "AutoSaveFolderCbg", default on
    static bool GetAutoSaveFolderSnv();  // "AutoSaveFolderSnv", default off
    // "SaveFolder"; by default (and when it is empty) the "SaveGame" folder of the path name
    // "InitialSavedGame".
    static QString GetSaveFolder();
    static QString GetDefaultSaveFolder();
};
