#pragma once
// The two ways a fraction becomes a whole number in this program, named so
// that every caller says which one it means. Values beyond the 64-bit range
// are pinned to its ends and NaN gives 0, so no caller meets undefined
// conversion.
#include <cmath>
#include <cstdint>
#include <limits>

namespace korvane {

namespace rounding_detail {

// 2^63 exactly; every double at or above it is out of range for int64.
inline constexpr double kTwoTo63 = 9223372036854775808.0;

inline std::int64_t Pinned(double wholeValue)
{
    if (std::isnan(wholeValue))
        return 0;
    if (wholeValue >= kTwoTo63)
        return std::numeric_limits<std::int64_t>::max();
    if (wholeValue < -kTwoTo63)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(wholeValue);
}

} // namespace rounding_detail

// Nearest whole number, halves going to the even neighbour: 12.5 gives 12,
// 13.5 gives 14, -2.5 gives -2. Independent of the FPU's rounding mode.
inline std::int64_t RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return rounding_detail::Pinned(value);
    const double below = std::floor(value);
    const double fraction = value - below;  // exact for every finite double
    double whole = below;
    if (fraction > 0.5)
        whole = below + 1;
    else if (fraction == 0.5)
        whole = std::fmod(below, 2.0) == 0 ? below : below + 1;
    return rounding_detail::Pinned(whole);
}

// Toward zero: 59.9 gives 59, -59.9 gives -59.
inline std::int64_t Truncate(double value)
{
    return rounding_detail::Pinned(std::trunc(value));
}

} // namespace korvane
