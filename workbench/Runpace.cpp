#include "Runpace.h"

#include <ctime>

TRunPace::TRunPace(std::int64_t interval, TClock clock) : interval_(interval), clock_(clock), last_(clock()) {}

bool TRunPace::Due() {
    const std::int64_t now = clock_();
    if (now - last_ < interval_) return false;
    last_ = now;
    return true;
}

void TRunPace::Restart() { last_ = clock_(); }

std::int64_t TRunPace::CoarseClock() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}
