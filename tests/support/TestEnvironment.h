#pragma once

namespace platform {
class ScriptedUi;
}

namespace testenv {
// The scripted UI seam the test main installed; tests queue answers on it and read what was asked.
platform::ScriptedUi& scriptedUi();
} // namespace testenv
