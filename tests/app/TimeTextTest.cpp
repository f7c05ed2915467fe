#include "app/TimeText.h"

#include <gtest/gtest.h>

#include <cmath>

using korvane::ReadFloatNumber;
using korvane::ReadWholeNumber;
using korvane::SecondsToMarkText;
using korvane::SecondsToTimeText;
using korvane::TimeTextToSeconds;

TEST(SecondsToTimeText, TruncatesAndPads)
{
    EXPECT_EQ(SecondsToTimeText(0), "00:00:00");
    EXPECT_EQ(SecondsToTimeText(59.9), "00:00:59");
    EXPECT_EQ(SecondsToTimeText(3723.9), "01:02:03");
    EXPECT_EQ(SecondsToTimeText(7199.999), "01:59:59");
    EXPECT_EQ(SecondsToTimeText(360000), "100:00:00");
    EXPECT_EQ(SecondsToTimeText(20.0 / 3), "00:00:06");
}

TEST(SecondsToTimeText, BeyondThirtyTwoBitsKeepsAllHourDigits)
{
    // 2^32 seconds would wrap in 32-bit arithmetic.
    EXPECT_EQ(SecondsToTimeText(4294967296.0), "1193046:28:16");
}

TEST(SecondsToTimeText, NonFiniteInputStillGivesText)
{
    EXPECT_EQ(SecondsToTimeText(std::nan("")), "00:00:00");
    EXPECT_FALSE(SecondsToTimeText(INFINITY).empty());
}

struct TimeCase {
    const char* text;
    double seconds;
};

void PrintTo(const TimeCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class TimeTextToSecondsTable : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTextToSecondsTable, Reads)
{
    const TimeCase& c = GetParam();
    EXPECT_DOUBLE_EQ(TimeTextToSeconds(c.text, '.'), c.seconds) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Accepted, TimeTextToSecondsTable, ::testing::Values(
    TimeCase{"00:00:00", 0},
    TimeCase{"1:2:3", 3723},
    TimeCase{" 1: 2: 3", 3723},
    TimeCase{"00:00:05.5", 5.5},
    TimeCase{"00:00:05 ", 5},
    TimeCase{"00:90:00", 5400},
    TimeCase{"00:00:75", 75},
    TimeCase{"-1:00:00", -3600},
    TimeCase{"+1:+1:+1", 3661},
    TimeCase{"$A:0x1:0", 36060},
    TimeCase{"0Xff:0:0", 255 * 3600},
    TimeCase{"0:0:1e2", 100},
    TimeCase{"0:0:1.5E+1", 15},
    TimeCase{"0:0:5.", 5},
    // Hour fields whose seconds leave the 32-bit range keep their true value.
    TimeCase{"1000000:0:0", 3600000000.0}));

INSTANTIATE_TEST_SUITE_P(Refused, TimeTextToSecondsTable, ::testing::Values(
    TimeCase{"", -1},
    TimeCase{"12", -1},
    TimeCase{"00:00", -1},
    TimeCase{"00:00:", -1},
    TimeCase{"::5", -1},
    TimeCase{"0::5", -1},
    TimeCase{"1:2:3:4", -1},
    TimeCase{"00:00:.5", -1},
    TimeCase{"1 :2:3", -1},
    TimeCase{"1:2 :3", -1},
    TimeCase{"a:0:0", -1},
    TimeCase{"0:0:5s", -1},
    TimeCase{"0:0:1e", -1},
    TimeCase{"0:0:-", -1},
    TimeCase{"2147483648:0:0", -1},
    TimeCase{"0:0:1e999", -1},
    // A valid text whose value is -1 cannot be told from a failure.
    TimeCase{"0:0:-1", -1}));

TEST(TimeTextToSeconds, UsesTheGivenDecimalSeparator)
{
    EXPECT_DOUBLE_EQ(TimeTextToSeconds("00:00:05,5", ','), 5.5);
    EXPECT_EQ(TimeTextToSeconds("00:00:05.5", ','), -1);
    EXPECT_EQ(TimeTextToSeconds("00:00:,5", ','), -1);
}

// Marks show milliseconds only when they have them, and read back to themselves.
TEST(SecondsToMarkText, MillisecondsOnlyWhenThereAreAnyAndTheTextReadsBack)
{
    EXPECT_EQ(SecondsToMarkText(0, '.'), "00:00:00");
    EXPECT_EQ(SecondsToMarkText(3723, '.'), "01:02:03");
    EXPECT_EQ(SecondsToMarkText(5.5, ','), "00:00:05,500");
    EXPECT_EQ(SecondsToMarkText(7199.9996, '.'), "02:00:00") << "to the nearest millisecond";
    EXPECT_EQ(SecondsToMarkText(-3600, '.'), "-1:00:00");
    for (const char* text : {"00:00:03.366", "00:00:00.001", "01:59:59.999", "10:00:00.040"}) {
        const double seconds = TimeTextToSeconds(text, '.');
        EXPECT_EQ(SecondsToMarkText(seconds, '.'), text);
        EXPECT_EQ(SecondsToMarkText(TimeTextToSeconds(SecondsToMarkText(seconds, '.'), '.'), '.'), text);
    }
}

TEST(ReadWholeNumber, LimitsAndForms)
{
    EXPECT_EQ(ReadWholeNumber("2147483647"), 2147483647);
    EXPECT_EQ(ReadWholeNumber("-2147483648"), INT32_MIN);
    EXPECT_FALSE(ReadWholeNumber("2147483648"));
    EXPECT_FALSE(ReadWholeNumber("$80000000"));
    EXPECT_EQ(ReadWholeNumber("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(ReadWholeNumber("  x1f"), 31);
    EXPECT_FALSE(ReadWholeNumber(""));
    EXPECT_FALSE(ReadWholeNumber("   "));
    EXPECT_FALSE(ReadWholeNumber("-"));
    EXPECT_FALSE(ReadWholeNumber("0x"));
    EXPECT_FALSE(ReadWholeNumber("- 1"));
    EXPECT_FALSE(ReadWholeNumber("1 "));
    EXPECT_FALSE(ReadWholeNumber("99999999999999999999999"));
}

TEST(ReadFloatNumber, SeparatorAloneIsZeroButNothingIsNot)
{
    EXPECT_EQ(ReadFloatNumber(".", '.'), 0.0);
    EXPECT_EQ(ReadFloatNumber(".5", '.'), 0.5);
    EXPECT_FALSE(ReadFloatNumber("", '.'));
    EXPECT_FALSE(ReadFloatNumber("  ", '.'));
    EXPECT_FALSE(ReadFloatNumber("+", '.'));
    EXPECT_FALSE(ReadFloatNumber("1.2.3", '.'));
    EXPECT_EQ(ReadFloatNumber(" -2.5e1 ", '.'), -25.0);
}
