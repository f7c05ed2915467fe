#pragma once
// The elapsed and remaining time shown while a job runs. The process timer's
// handler ticks a JobClock once a second and shows the two texts it returns.
// Pure arithmetic, free of windows.h.
#include <cstdint>
#include <string>

namespace korvane {

// The estimate assumes the rest of the job runs at the average pace so far:
// elapsed / (totalPercent / 100) - elapsed, rounded to nearest with halves to
// even. Before the total bar leaves 0 nothing can be estimated and it is 0;
// 30 s at 25 % gives 90.
std::int64_t RemainingSeconds(std::int32_t elapsedSeconds, int totalPercent);

struct JobTimeTexts {
    std::string elapsed;    // "hh:mm:ss"
    std::string remaining;  // "hh:mm:ss"
};

// Counts the ticks the timer handler actually gets: ticks the system merges
// while the GUI thread is held up are not made up for.
class JobClock {
public:
    // The job has entered its busy state.
    void Start() { elapsedSeconds_ = 0; }
    // One tick of the process timer, with the total bar's position now.
    JobTimeTexts Tick(int totalPercent);

    std::int32_t ElapsedSeconds() const { return elapsedSeconds_; }

private:
    std::int32_t elapsedSeconds_ = 0;
};

} // namespace korvane
