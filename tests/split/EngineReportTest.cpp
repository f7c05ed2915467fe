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
    if (seconds) {
        EXPECT_DOUBLE_EQ(*seconds, *GetParam().seconds);
    }
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

namespace korvane {
namespace {

TEST(EngineReport, FrameRateOfTheFirstVideoStream)
{
    EXPECT_DOUBLE_EQ(*ReportedFrameRate("Input #0, mov, from 'a':\n    Stream #0:0(und): Audio: aac, 48000 Hz\n"
                                        "    Stream #0:1(und): Video: h264 (High), yuv420p, 1280x720, 2 kb/s, "
                                        "29.97 fps, 29.97 tbr, 30k tbn\n"),
                     29.97);
    EXPECT_DOUBLE_EQ(*ReportedFrameRate("Input #0, avi, from 'b':\n  Stream #0:0: Video: mpeg4, 640x360, 25 fps\n"),
                     25.0);
    EXPECT_FALSE(ReportedFrameRate("Input #0, mp3, from 'c':\n  Stream #0:0: Audio: mp3, 44100 Hz\n"));
    EXPECT_FALSE(ReportedFrameRate("Input #0, avi, from 'd':\n  Stream #0:0: Video: mpeg4, 640x360, 25 tbr\n"));
}

TEST(EngineReport, DvdStandardFollowsTheSourcesRate)
{
    const std::string args = " -target dvd -b:v 5000k";
    EXPECT_EQ(WithDvdStandard(args, 25.0), " -target pal-dvd -b:v 5000k");
    EXPECT_EQ(WithDvdStandard(args, 50.0), " -target pal-dvd -b:v 5000k");
    EXPECT_EQ(WithDvdStandard(args, 29.97), " -target ntsc-dvd -b:v 5000k");
    EXPECT_EQ(WithDvdStandard(args, 23.976), " -target ntsc-dvd -b:v 5000k");
    EXPECT_EQ(WithDvdStandard(args, std::nullopt), " -target ntsc-dvd -b:v 5000k");
    // A standard the user chose is left alone.
    EXPECT_FALSE(LeavesDvdStandardToSource(" -target pal-dvd"));
    EXPECT_EQ(WithDvdStandard(" -target ntsc-dvd", 25.0), " -target ntsc-dvd");
    EXPECT_TRUE(LeavesDvdStandardToSource(" -vcodec mpeg2video -target dvd"));
}

} // namespace
} // namespace korvane
