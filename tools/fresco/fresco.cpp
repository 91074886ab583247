// Vantry's updater. The start-up runs it and waits for it to end; this release has nothing to
// fetch, so it ends at once. VANTRY_UPDATER_SECONDS makes it take its time, which is how the
// start-up's wait is exercised by hand and in tests.
#include <chrono>
#include <cstdlib>
#include <thread>

int main() {
    if (const char* s = std::getenv("VANTRY_UPDATER_SECONDS")) {
        const int seconds = std::atoi(s);
        if (seconds > 0 && seconds < 600) std::this_thread::sleep_for(std::chrono::seconds(seconds));
    }
    return 0;
}
