#pragma once
// The real source of random picks: a uniform generator reseeded from the time of day (seconds
// since midnight, with their fraction) before every draw, so no pick depends on the one before.
#include <functional>
#include <random>

#include "platform/model/services.h"

namespace vb {

class TimeOfDayRandom : public RandomSource {
public:
    // secondsSinceMidnight is injectable for tests; by default the local wall clock.
    explicit TimeOfDayRandom(std::function<double()> secondsSinceMidnight = {});
    double draw() override;

private:
    std::function<double()> clock_;
    std::mt19937_64 engine_;
};

}  // namespace vb
