#include "split/JobTiming.h"

#include "app/TimeText.h"
#include "split/Rounding.h"

#include <limits>

namespace korvane {

std::int64_t RemainingSeconds(std::int32_t elapsedSeconds, int totalPercent)
{
    if (totalPercent == 0)
        return 0;
    const double elapsed = elapsedSeconds;
    return RoundHalfEven(elapsed / (totalPercent / 100.0) - elapsed);
}

JobTimeTexts JobClock::Tick(int totalPercent)
{
    // A job would have to run for 68 years to reach the end; stay there
    // rather than wrap to a negative time.
    if (elapsedSeconds_ < std::numeric_limits<std::int32_t>::max())
        ++elapsedSeconds_;
    const auto remaining = RemainingSeconds(elapsedSeconds_, totalPercent);
    return {SecondsToTimeText(elapsedSeconds_), SecondsToTimeText(static_cast<double>(remaining))};
}

} // namespace korvane
