#include "platform/model/random.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace vb {

namespace {
double localSecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const double fraction =
        double(duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000) / 1e6;
    return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + fraction;
}
}  // namespace

TimeOfDayRandom::TimeOfDayRandom(std::function<double()> secondsSinceMidnight)
    : clock_(secondsSinceMidnight ? std::move(secondsSinceMidnight) : localSecondsSinceMidnight) {}

double TimeOfDayRandom::draw() {
    // The seed is the clock's reading to the microsecond and beyond: every bit of the double.
    const double seconds = clock_();
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof seconds);
    std::memcpy(&bits, &seconds, sizeof bits);
    engine_.seed(bits);
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine_);
}

}  // namespace vb
