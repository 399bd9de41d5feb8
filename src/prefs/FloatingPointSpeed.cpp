#include "prefs/BgColorScheme.h"

#include "support/SettingsStore.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// Where the products go, so that the compiler must compute them; and where the factors come from,
// so that it cannot know them in advance.
volatile double g_sink = 0;
volatile double g_one = 1.0;

} // namespace

long MeasureMultiplicationRate(int passes, int periodMs) {
    periodMs = std::max(periodMs, 5);
    long best = 0;
    for (int pass = 0; pass < std::max(passes, 1); ++pass) {
        // Start on a fresh millisecond.
        const long long before = nowMs();
        long long start = nowMs();
        while (start == before)
            start = nowMs();
        double x = g_one, y = g_one;
        long long count = 0;
        long long now = start;
        do {
            for (int step = 0; step < 250; ++step) {
                x = x * y * y * y * y * y * y * y;
                y = y * x;
            }
            count += 2000;
            now = nowMs();
        } while (now < start + periodMs);
        g_sink = x + y;
        best = std::max(best, long(count / std::max<long long>(now - start, 1)));
    }
    return best;
}

bool MeasureFloatingPointSpeed() {
    CSettingsStore& store = GetSettingsStore();
    const QString section = QStringLiteral("OpenGL");
    const QString name = QStringLiteral("mFlops");
    if (const int stored = store.GetIntEx(section, name, 0); stored != 0)
        return stored >= 11;
    const int rating = int(std::min<long>(MeasureMultiplicationRate() / 500, 0x7FFFFFFF));
    store.WriteInt(section, name, rating);
    return rating >= 11;
}
