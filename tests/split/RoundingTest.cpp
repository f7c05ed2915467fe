#include "split/Rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

using korvane::RoundHalfEven;
using korvane::Truncate;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct RoundCase {
    double value;
    std::int64_t halfEven;
    std::int64_t truncated;
};

void PrintTo(const RoundCase& c, std::ostream* os) { *os << c.value; }

class RoundingTable : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundingTable, RoundsAndTruncates)
{
    const RoundCase& c = GetParam();
    EXPECT_EQ(RoundHalfEven(c.value), c.halfEven) << c.value;
    EXPECT_EQ(Truncate(c.value), c.truncated) << c.value;
}

INSTANTIATE_TEST_SUITE_P(Halves, RoundingTable, ::testing::Values(
    RoundCase{0.5, 0, 0},
    RoundCase{1.5, 2, 1},
    RoundCase{2.5, 2, 2},
    RoundCase{12.5, 12, 12},
    RoundCase{13.5, 14, 13},
    RoundCase{-0.5, 0, 0},
    RoundCase{-1.5, -2, -1},
    RoundCase{-2.5, -2, -2},
    RoundCase{-13.5, -14, -13}));

INSTANTIATE_TEST_SUITE_P(NextToHalves, RoundingTable, ::testing::Values(
    RoundCase{0.49999999999999994, 0, 0},
    RoundCase{2.5000000000000004, 3, 2},
    RoundCase{-2.5000000000000004, -3, -2},
    RoundCase{59.9, 60, 59},
    RoundCase{-59.9, -60, -59},
    RoundCase{0.0, 0, 0},
    RoundCase{-0.0, 0, 0}));

INSTANTIATE_TEST_SUITE_P(BeyondThirtyTwoBits, RoundingTable, ::testing::Values(
    RoundCase{2147483647.5, 2147483648LL, 2147483647LL},
    RoundCase{4294967296.5, 4294967296LL, 4294967296LL},
    RoundCase{4294967297.5, 4294967298LL, 4294967297LL},
    RoundCase{-4294967297.5, -4294967298LL, -4294967297LL},
    // Above 2^52 every double is whole already.
    RoundCase{4503599627370497.0, 4503599627370497LL, 4503599627370497LL}));

INSTANTIATE_TEST_SUITE_P(OutOfRangePinned, RoundingTable, ::testing::Values(
    RoundCase{9223372036854775808.0, kMax, kMax},
    RoundCase{1e300, kMax, kMax},
    RoundCase{-9223372036854775808.0, kMin, kMin},
    RoundCase{-1e300, kMin, kMin},
    RoundCase{INFINITY, kMax, kMax},
    RoundCase{-INFINITY, kMin, kMin},
    RoundCase{NAN, 0, 0}));

TEST(Rounding, IgnoresTheFloatingPointRoundingMode)
{
    // std::nearbyint would follow the current mode; the helpers must not.
    const int saved = std::fegetround();
    std::fesetround(FE_UPWARD);
    const auto half = RoundHalfEven(2.5);
    const auto truncated = Truncate(-2.7);
    std::fesetround(saved);
    EXPECT_EQ(half, 2);
    EXPECT_EQ(truncated, -2);
}

} // namespace
