#pragma once

namespace testenv {

// Empties the process-wide settings store (GetSettingsStore) and clears its user, so that a test
// starts from the defaults whatever the tests before it wrote.
void ResetSettings();

} // namespace testenv
