// The settings file: whatever text is read, the tree it gives must save and load again to the same
// tree, and reading never fails on junk (bad lines are counted and skipped).

#include "FuzzTarget.h"

#include "platform/Registry.h"

NORVALE_FUZZ_TARGET(settings_file)(const uint8_t* data, size_t size) {
    platform::Registry first;
    first.ImportText(fuzz::Bytes(data, size));
    const QByteArray saved = first.ExportText();

    platform::Registry second;
    fuzz::Check(second.ImportText(saved) == 0, "a saved settings file has lines that do not read");
    fuzz::Check(second.ExportText() == saved, "settings change when saved and read again",
                QString::fromUtf8(saved.left(2000)));
}
