// The pace of a running script's pumps, on a clock the test turns.
#include "Runpace.h"

#include <gtest/gtest.h>

namespace {

std::int64_t now = 0;
std::int64_t TestClock() { return now; }

TEST(RunPaceTest, DueOnceAnIntervalHasPassedSinceTheLastPump) {
    now = 1000;
    TRunPace pace(10, &TestClock);
    EXPECT_FALSE(pace.Due());
    now = 1009;
    EXPECT_FALSE(pace.Due());
    now = 1010;
    EXPECT_TRUE(pace.Due());
    EXPECT_FALSE(pace.Due());
    now = 1025;
    EXPECT_TRUE(pace.Due());
    // A pump by other means (a pause) starts the interval anew.
    now = 1034;
    pace.Restart();
    now = 1040;
    EXPECT_FALSE(pace.Due());
    now = 1044;
    EXPECT_TRUE(pace.Due());
}

TEST(RunPaceTest, TheCoarseClockAdvancesAndNeverGoesBack) {
    const std::int64_t first = TRunPace::CoarseClock();
    std::int64_t last = first;
    while (last - first < 2 * TRunPace::DefaultInterval) {
        const std::int64_t read = TRunPace::CoarseClock();
        ASSERT_GE(read, last);
        last = read;
    }
}

}  // namespace
