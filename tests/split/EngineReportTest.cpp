// The source's length as the engine reports it when asked to read a source.
#include "split/EngineReport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korvane {
namespace {

struct Case {
    const char* output;
    std::optional<double> seconds;
};

class ReportedDuration : public ::testing::TestWithParam<Case> {};

TEST_P(ReportedDuration, IsTheFirstInputsDurationLine)
{
    const auto seconds = ReportedInputDuration(GetParam().output);
    ASSERT_EQ(seconds.has_value(), GetParam().seconds.has_value()) << GetParam().output;
    if (seconds)
        EXPECT_DOUBLE_EQ(*seconds, *GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportedDuration,
    ::testing::Values(
        Case{"Input #0, avi, from 'a.avi':\r\n  Duration: 00:00:20.04, start: 0.000000, bitrate: 466 kb/s\r\n"
             "At least one output file must be specified\r\n",
             20.04},
        Case{"Input #0, mpeg, from 'b.vob':\n  Duration: 01:02:03.5, start: 0.5\n", 3723.5},
        Case{"Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'c.mp4':\n  Duration: 125:00:00.00, start: 0\n", 450000.0},
        // A length the engine cannot tell, no input at all, a line of another input.
        Case{"Input #0, mpegts, from 'd.ts':\n  Duration: N/A, start: 1.4\n", std::nullopt},
        Case{"x.avi: Invalid data found when processing input\r\n", std::nullopt},
        Case{"  Duration: 00:00:10.00\nInput #0, avi, from 'e':\n", std::nullopt},
        Case{"Input #0, avi, from 'f':\n  Duration: 00:61:00.00\n", std::nullopt}));

} // namespace
} // namespace korvane
