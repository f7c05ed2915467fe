#include "split/JobTiming.h"

#include <gtest/gtest.h>

#include <cstdint>

using korvane::JobClock;
using korvane::RemainingSeconds;

namespace {

struct RemainingCase {
    std::int32_t elapsed;
    int totalPercent;
    std::int64_t remaining;
};

TEST(RemainingSeconds, AssumesTheAveragePaceSoFar)
{
    const RemainingCase cases[] = {
        {10, 1, 990},
        {30, 25, 90},
        {30, 50, 30},
        {10, 100, 0},
        {0, 50, 0},
        {10, 0, 0},          // nothing done yet: no estimate
        {1, 0, 0},
        // Halves go to the even neighbour (round-half-up would differ in most).
        {1, 8, 12},          // 11.5
        {2, 16, 10},         // 10.5
        {2, 80, 0},          // 0.5
        {1, 40, 2},          // 1.5
        {3, 40, 4},          // 4.5
        // Far beyond 32 bits of seconds at 1 %.
        {2147483647, 1, 212600881053LL},
    };
    for (const RemainingCase& c : cases)
        EXPECT_EQ(RemainingSeconds(c.elapsed, c.totalPercent), c.remaining)
            << c.elapsed << " s at " << c.totalPercent << " %";
}

TEST(JobClock, ShowsElapsedAndRemainingOncePerTick)
{
    JobClock clock;
    clock.Start();
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
    auto texts = clock.Tick(0);
    EXPECT_EQ(texts.elapsed, "00:00:01");
    EXPECT_EQ(texts.remaining, "00:00:00");
    for (int tick = 2; tick <= 10; ++tick)
        texts = clock.Tick(1);
    EXPECT_EQ(clock.ElapsedSeconds(), 10);
    EXPECT_EQ(texts.elapsed, "00:00:10");
    EXPECT_EQ(texts.remaining, "00:16:30");

    texts = clock.Tick(100);
    EXPECT_EQ(texts.elapsed, "00:00:11");
    EXPECT_EQ(texts.remaining, "00:00:00");
}

TEST(JobClock, StartsAgainFromZeroForTheNextJob)
{
    JobClock clock;
    clock.Start();
    for (int tick = 0; tick < 30; ++tick)
        clock.Tick(10);
    clock.Start();
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
    const auto texts = clock.Tick(25);
    EXPECT_EQ(texts.elapsed, "00:00:01");
    EXPECT_EQ(texts.remaining, "00:00:03");
}

TEST(JobClock, ThirtySecondsAtAQuarterLeaveAMinuteAndAHalf)
{
    JobClock clock;
    clock.Start();
    for (int tick = 1; tick < 30; ++tick)
        clock.Tick(25);
    const auto texts = clock.Tick(25);
    EXPECT_EQ(texts.elapsed, "00:00:30");
    EXPECT_EQ(texts.remaining, "00:01:30");
}

} // namespace
