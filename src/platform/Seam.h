#pragma once

#include <utility>

namespace platform {

// A process-wide replaceable service (the Ui, the sound player): the installed implementation, or
// a built-in default until something is installed. GUI thread only; the installer keeps ownership.
template <class Interface, class Default> class Seam {
public:
    Interface& get() { return m_installed ? *m_installed : defaultInstance(); }
    // Installs replacement (null restores the default) -> the one it replaces (null for the default).
    Interface* set(Interface* replacement) { return std::exchange(m_installed, replacement); }

private:
    static Default& defaultInstance() {
        static Default instance;
        return instance;
    }
    Interface* m_installed = nullptr;
};

} // namespace platform
