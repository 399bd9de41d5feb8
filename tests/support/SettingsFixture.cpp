#include "support/SettingsFixture.h"

#include "platform/Registry.h"
#include "support/SettingsStore.h"

namespace testenv {

void ResetSettings() {
    CSettingsStore& store = GetSettingsStore();
    store.SetUser(QString());
    store.GetRegistry().Clear();
}

} // namespace testenv
