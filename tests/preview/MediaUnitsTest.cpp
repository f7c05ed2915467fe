#include "preview/MediaUnits.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace korvane {
namespace {

TEST(ReferenceTimeToMs, TruncatesAndWrapsTo32Bits)
{
    struct Case {
        std::int64_t in;
        std::int32_t out;
    } cases[] = {
        {0, 0},
        {9999, 0},
        {10000, 1},
        {200400000, 20040},
        {-9999, 0},  // truncation goes toward zero
        {-10000, -1},
        // 2^31 ms does not fit: taken modulo 2^32 as the 32-bit integer does
        {INT64_C(21474836480000), INT32_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReferenceTimeToMs(c.in), c.out) << c.in;
}

TEST(LinearToDirectShowVolume, LogarithmicScale)
{
    struct Case {
        std::int32_t in;
        std::int32_t out;
    } cases[] = {
        {0, -10000},   {10000, 0},   {1000, -2499}, {5000, -752},
        {1, -9247},    // ln 2 * 1085.73 = 752.57 -> 753
        {-5, -10000},  // clamped to silence
        {20000, 0},    // clamped to full
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinearToDirectShowVolume(c.in), c.out) << c.in;
}

TEST(PlainToDirectShowVolume, OffsetAndClamp)
{
    EXPECT_EQ(PlainToDirectShowVolume(0), -10000);
    EXPECT_EQ(PlainToDirectShowVolume(10000), 0);
    EXPECT_EQ(PlainToDirectShowVolume(2500), -7500);
    EXPECT_EQ(PlainToDirectShowVolume(12000), 0);
    EXPECT_EQ(PlainToDirectShowVolume(-1), -10000);
}

TEST(LinearToDirectShowBalance, AttenuatesTheOtherSide)
{
    EXPECT_EQ(LinearToDirectShowBalance(0), 0);
    EXPECT_EQ(LinearToDirectShowBalance(10000), 10000);
    EXPECT_EQ(LinearToDirectShowBalance(-10000), -10000);
    EXPECT_EQ(LinearToDirectShowBalance(9000), 2499);
    EXPECT_EQ(LinearToDirectShowBalance(-5000), -752);
    EXPECT_EQ(LinearToDirectShowBalance(30000), 10000);
}

TEST(ClampVolumeAndBalance, Ranges)
{
    EXPECT_EQ(ClampVolume(-1), 0);
    EXPECT_EQ(ClampVolume(10001), 10000);
    EXPECT_EQ(ClampVolume(5000), 5000);
    EXPECT_EQ(ClampBalance(-10001), -10000);
    EXPECT_EQ(ClampBalance(10001), 10000);
    EXPECT_EQ(ClampBalance(-3), -3);
}

TEST(DirectShowErrorMessage, TextBlankCodeInParenthesesFullStop)
{
    struct Case {
        const char* text;
        std::int32_t hr;
        const char* out;
    } cases[] = {
        {"No such file.", static_cast<std::int32_t>(0x80070002u), "No such file. ($80070002)."},
        {"Bad", static_cast<std::int32_t>(0x80040218u), "Bad ($80040218)."},
        {"", static_cast<std::int32_t>(0x8000ffffu), " ($8000FFFF)."},
        // no leading zeros
        {"x", 0x1A, "x ($1A)."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirectShowErrorMessage(c.text, c.hr), c.out);
}

} // namespace
} // namespace korvane
