#include "game/BgSaveSettings.h"

#include "support/SettingsStore.h"

namespace {

bool Switch(const char* name, bool defaultValue) {
    return GetSettingsStore().GetBool(QLatin1String(CBgSaveSettings::kSection), QLatin1String(name), defaultValue);
}

} // namespace

bool CBgSaveSettings::GetSaveWhilePlaying() {
    return Switch("SaveWhilePlaying", true);
}

bool CBgSaveSettings::GetSaveWhileWatching() {
    return Switch("SaveWhileWatching", false);
}

bool CBgSaveSettings::GetAutoSaveFormatTxt() {
    return Switch("AutoSaveFormatTxt", false);
}

bool CBgSaveSettings::GetAutoSaveFolderCbg() {
    return Switch("AutoSaveFolderCbg", true);
}

bool CBgSaveSettings::GetAutoSaveFolderSnv() {
    return Switch("AutoSaveFolderSnv", false);
}

QString CBgSaveSettings::GetDefaultSaveFolder() {
    return GetSettingsStore().GetPathName(QStringLiteral("InitialSavedGame"), QStringLiteral("SaveGame"));
}

QString CBgSaveSettings::GetSaveFolder() {
    // An emptied folder means the default one, not the program's working folder.
    const QString folder = GetSettingsStore().GetString(QLatin1String(kSection), QStringLiteral("SaveFolder")).trimmed();
    return folder.isEmpty() ? GetDefaultSaveFolder() : folder;
}
