#include "split/ClipPlan.h"
#include "split/CommandLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace korvane;

namespace {

struct NumberCase {
    double value;
    const char* text;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.text; }

class OneDecimal : public ::testing::TestWithParam<NumberCase> {};
class General : public ::testing::TestWithParam<NumberCase> {};

} // namespace

TEST_P(OneDecimal, RoundsTheShownDecimalHalfAwayFromZero)
{
    EXPECT_EQ(FormatOneDecimal(GetParam().value, '.'), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Starts, OneDecimal, ::testing::Values(
    NumberCase{0, "0.0"},
    NumberCase{-0.0, "0.0"},
    NumberCase{5, "5.0"},
    NumberCase{10.0 / 3, "3.3"},
    NumberCase{20.0 / 3, "6.7"},
    // Halves go up although the nearest doubles of 0.15 and 9.95 lie below them.
    NumberCase{0.05, "0.1"},
    NumberCase{0.15, "0.2"},
    NumberCase{0.25, "0.3"},
    NumberCase{2.45, "2.5"},
    NumberCase{9.95, "10.0"},
    NumberCase{99.96, "100.0"},
    NumberCase{123.449999, "123.4"},
    NumberCase{0.0499, "0.0"},
    NumberCase{1e-7, "0.0"},
    // Negative values mirror positive ones; a negative zero loses its sign.
    NumberCase{-0.25, "-0.3"},
    NumberCase{-3.21, "-3.2"},
    NumberCase{-0.04, "0.0"},
    // Beyond 32 bits nothing wraps.
    NumberCase{4294967296.25, "4294967296.3"},
    NumberCase{5e9, "5000000000.0"},
    NumberCase{1e20, "100000000000000000000.0"}));

TEST_P(General, ShortestFormWithFifteenDigits)
{
    EXPECT_EQ(FormatGeneral(GetParam().value, '.'), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Durations, General, ::testing::Values(
    NumberCase{45, "45"},
    NumberCase{0, "0"},
    NumberCase{3600, "3600"},
    NumberCase{0.5, "0.5"},
    NumberCase{10.0 / 3, "3.33333333333333"},
    NumberCase{6.666666666666667, "6.66666666666667"},
    NumberCase{20.0 / 3, "6.66666666666667"},
    NumberCase{0.1 + 0.2, "0.3"},
    NumberCase{1234567.25, "1234567.25"},
    NumberCase{-2.5, "-2.5"},
    NumberCase{4294967296.5, "4294967296.5"},
    NumberCase{1e14, "100000000000000"},
    NumberCase{0.00001, "0.00001"},
    NumberCase{1e15, "1E15"},
    NumberCase{1.5e20, "1.5E20"},
    NumberCase{0.000001, "1E-6"},
    NumberCase{-2.5e-7, "-2.5E-7"}));

TEST(ConverterNumbers, UseTheGivenDecimalSeparator)
{
    EXPECT_EQ(FormatOneDecimal(3.25, ','), "3,3");
    EXPECT_EQ(FormatOneDecimal(0, ','), "0,0");
    EXPECT_EQ(FormatGeneral(10.0 / 3, ','), "3,33333333333333");
    EXPECT_EQ(FormatGeneral(45, ','), "45");
    EXPECT_EQ(FormatGeneral(1.5e20, ','), "1,5E20");
}

TEST(ConverterNumbers, NonFiniteValuesStillGiveText)
{
    EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity(), '.'), "INF");
    EXPECT_EQ(FormatOneDecimal(-std::numeric_limits<double>::infinity(), '.'), "-INF");
    EXPECT_EQ(FormatGeneral(std::nan(""), '.'), "NAN");
}

TEST(ConverterCommandLine, QuotedPathsWholeDurationAndStartOfZero)
{
    EXPECT_EQ(BuildConverterCommandLine("C:\\My Videos\\a b.avi", 0, 45, "",
                                        "D:\\Out Dir\\a b_Clip1.mp4", '.'),
              " -y -i \"C:\\My Videos\\a b.avi\" -ss 0.0 -t 45 \"D:\\Out Dir\\a b_Clip1.mp4\"");
}

TEST(ConverterCommandLine, PathWithADoubleQuoteIsPassedUnchanged)
{
    EXPECT_EQ(BuildConverterCommandLine("C:\\in\\say \"hi\".avi", 1.5, 2, "", "C:\\o\"ut.mp4", '.'),
              " -y -i \"C:\\in\\say \"hi\".avi\" -ss 1.5 -t 2 \"C:\\o\"ut.mp4\"");
}

TEST(ConverterCommandLine, ProfileArgumentsAreAppendedDirectly)
{
    EXPECT_EQ(BuildConverterCommandLine("a.avi", 0, 10, " -vcodec mpeg4 -b 800k", "b.mp4", '.'),
              " -y -i \"a.avi\" -ss 0.0 -t 10 -vcodec mpeg4 -b 800k \"b.mp4\"");
    // Nothing is put between the duration and the arguments.
    EXPECT_EQ(BuildConverterCommandLine("a.avi", 0, 10, "-an", "b.mp4", '.'),
              " -y -i \"a.avi\" -ss 0.0 -t 10-an \"b.mp4\"");
}

TEST(ConverterCommandLine, CommaDecimalSeparatorInBothNumbers)
{
    EXPECT_EQ(BuildConverterCommandLine("a.avi", 10.0 / 3, 10.0 / 3, "", "b.mp4", ','),
              " -y -i \"a.avi\" -ss 3,333 -t 3,33333333333333 \"b.mp4\"");
}

// Starts with more decimals than one go to the millisecond, cut so that a
// mark on a frame's time (DirectShow's 100 ns cut to milliseconds) never
// lands after the frame. Whole and one-decimal starts keep their form.
TEST(ConverterCommandLine, StartsKeepTheirMillisecondsAndAreNeverRoundedUp)
{
    const struct {
        double start;
        const char* text;
    } cases[] = {
        {0, "0.0"}, {45, "45.0"}, {2.5, "2.5"}, {3.366, "3.366"}, {0.05, "0.05"},
        {7 / 30.0, "0.233"}, {20.0 / 3, "6.666"}, {3599.999, "3599.999"}, {3.0004, "3.0"}, {0.0005, "0.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatStartSeconds(c.start, '.'), c.text) << c.start;
}

TEST(ConverterCommandLine, TenSecondsInThreeSections)
{
    const ClipPlan plan(SplitMode::EqualSections, 0, 10, 3);
    ASSERT_EQ(plan.ClipCount(), 3);
    const char* const expected[] = {
        " -y -i \"C:\\in\\m.avi\" -ss 0.0 -t 3.33333333333333 \"C:\\out\\m_Clip1.mp4\"",
        " -y -i \"C:\\in\\m.avi\" -ss 3.333 -t 3.33333333333333 \"C:\\out\\m_Clip2.mp4\"",
        " -y -i \"C:\\in\\m.avi\" -ss 6.666 -t 3.33333333333333 \"C:\\out\\m_Clip3.mp4\"",
    };
    for (std::int32_t n = 1; n <= plan.ClipCount(); ++n) {
        const ClipSpan clip = plan.Clip(n);
        EXPECT_EQ(BuildConverterCommandLine("C:\\in\\m.avi", clip.start, clip.duration, "",
                                            ClipOutputPath("C:\\out", "C:\\in\\m.avi", n, ".mp4"), '.'),
                  expected[n - 1]);
    }
}
