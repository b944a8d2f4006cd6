// How often a running script lets the application handle its messages: the
// pumps after every line, printed line and host function ask the pace, which
// answers from a coarse clock in a few nanoseconds, so a script that runs
// freely pumps some tens of times a second however many lines it runs. That
// is often enough for Stop, the user break and the other windows to answer
// within a tenth of a second and for the windows to repaint at the screen's
// pace, and rare enough to cost nothing beside the script.
#pragma once

#include <cstdint>

class TRunPace {
public:
    // Nanoseconds of a clock that never goes back.
    using TClock = std::int64_t (*)();
    static constexpr std::int64_t DefaultInterval = 20'000'000;

    explicit TRunPace(std::int64_t interval = DefaultInterval, TClock clock = &CoarseClock);

    // True once the interval has passed since the last pump; the next
    // interval starts then.
    bool Due();
    // The messages were handled by other means: the next interval starts now.
    void Restart();

    // The system's coarse monotonic clock: a read costs a few nanoseconds,
    // and it advances every few milliseconds.
    static std::int64_t CoarseClock();

private:
    std::int64_t interval_;
    TClock clock_;
    std::int64_t last_;
};
