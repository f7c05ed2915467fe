#include "split/ProgressParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using korvane::ClipSlot;
using korvane::CurrentClipPercent;
using korvane::JobProgress;
using korvane::PercentText;
using korvane::ProgressBars;
using korvane::ProgressParser;
using korvane::ProgressTimeInChunk;
using korvane::TotalPercent;

namespace {

using namespace std::string_literals;

// Standard error of the shipped converter cutting 3 s out of a 20 s AVI,
// captured under Wine (header lines naming its build left out). Status lines
// end in a carriage return only: the converter rewrites one line in place.
const std::string kConverterHeader =
    "Input #0, avi, from 'Z:\\media\\sample.avi':\r\n"
    "  Duration: 00:00:20.04, start: 0.000000, bitrate: 335 kb/s\r\n"
    "    Stream #0:0: Video: mpeg4 (Simple Profile) (FMP4 / 0x34504D46), yuv420p, 320x240 "
    "[SAR 1:1 DAR 4:3], 223 kb/s, 25 fps, 25 tbr, 25 tbn, 25 tbc\r\n"
    "    Stream #0:1: Audio: mp3 (U[0][0][0] / 0x0055), 44100 Hz, mono, fltp, 96 kb/s\r\n"
    "Stream mapping:\r\n"
    "Press [q] to stop, [?] for help\r\n";
const std::vector<std::string> kConverterStatusLines = {
    "frame=    0 fps=0.0 q=0.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=   0x    \r",
    "frame=   11 fps=4.4 q=0.0 size=       0kB time=00:00:00.44 bitrate=   0.9kbits/s speed=0.175x    \r",
    "frame=   24 fps=7.9 q=0.0 size=       0kB time=00:00:00.95 bitrate=   0.4kbits/s speed=0.315x    \r",
    "frame=   37 fps= 10 q=0.0 size=       0kB time=00:00:01.46 bitrate=   0.3kbits/s speed=0.414x    \r",
    "frame=   49 fps= 12 q=28.0 size=       0kB time=00:00:01.92 bitrate=   0.2kbits/s speed=0.478x    \r",
    "frame=   62 fps= 14 q=28.0 size=       0kB time=00:00:02.46 bitrate=   0.2kbits/s speed=0.542x    \r",
    "frame=   74 fps= 15 q=28.0 size=       0kB time=00:00:02.94 bitrate=   0.1kbits/s speed=0.585x    \r",
    "frame=   75 fps= 15 q=-1.0 Lsize=      49kB time=00:00:03.01 bitrate= 132.8kbits/s speed=0.591x    \r\n",
};
const std::string kConverterTrailer =
    "video:112kB audio:24kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: 10.628304%\r\n";
// What an MP4 source adds to the header: a "time" that is no progress.
const std::string kCreationTimeLine = "    creation_time   : 2020-01-01T00:00:00.000000Z\r\n";

struct ChunkCase {
    const char* name;
    std::string chunk;
    char separator;
    std::optional<double> time;
};

void PrintTo(const ChunkCase& c, std::ostream* os) { *os << c.name; }

class ProgressTimeTable : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(ProgressTimeTable, FindsTheTime)
{
    const ChunkCase& c = GetParam();
    const auto time = ProgressTimeInChunk(c.chunk, c.separator);
    ASSERT_EQ(time.has_value(), c.time.has_value()) << c.name;
    if (c.time) {
        EXPECT_DOUBLE_EQ(*time, *c.time) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(PlainSeconds, ProgressTimeTable, ::testing::Values(
    ChunkCase{"seconds", "size=  12kB time=10.00 bitrate=1.0", '.', 10.0},
    ChunkCase{"any separator character", "time:7.25 x", '.', 7.25},
    ChunkCase{"word inside another word", "runtime=4 ", '.', 4.0},
    ChunkCase{"sign and exponent", "time=+1.5e2 ", '.', 150.0},
    ChunkCase{"negative value is still a number", "time=-0.5 ", '.', -0.5},
    ChunkCase{"user separator comma", "time=10,5 x", ',', 10.5},
    ChunkCase{"point refused when the user writes commas", "time=10.5 x", ',', std::nullopt},
    ChunkCase{"separator alone reads as zero", "time=. x", '.', 0.0}));

INSTANTIATE_TEST_SUITE_P(TimeText, ProgressTimeTable, ::testing::Values(
    ChunkCase{"hh:mm:ss.ff", "time=01:02:03.50 bitrate=", '.', 3723.5},
    ChunkCase{"converter's point with user comma", "time=00:00:03.00 bitrate=", ',', 3.0},
    ChunkCase{"user comma in time text", "time=00:00:03,25 x", ',', 3.25},
    ChunkCase{"minus applies to the whole time", "time=-00:00:00.04 x", '.', -0.04},
    ChunkCase{"minus before later fields", "time=-01:30:00.00 x", '.', -5400.0},
    ChunkCase{"two fields only", "time=02:03.5 x", '.', std::nullopt},
    ChunkCase{"not available", "time=N/A bitrate=N/A", '.', std::nullopt}));

INSTANTIATE_TEST_SUITE_P(NoCandidate, ProgressTimeTable, ::testing::Values(
    ChunkCase{"no time word", "frame=   11 fps=4.4 q=0.0 ", '.', std::nullopt},
    ChunkCase{"upper case word", "TIME=10.00 x", '.', std::nullopt},
    ChunkCase{"empty chunk", "", '.', std::nullopt},
    ChunkCase{"no blank behind the number", "size=12kB time=10.00", '.', std::nullopt},
    ChunkCase{"chunk ends after the separator", "time=", '.', std::nullopt},
    ChunkCase{"chunk ends inside the word", "frame= 3 tim", '.', std::nullopt},
    ChunkCase{"blank right after the separator", "time= 12 x", '.', std::nullopt},
    ChunkCase{"line break does not end the number", "time=10.00\r\nframe= 3", '.', std::nullopt},
    ChunkCase{"only the first time word counts",
              kCreationTimeLine + kConverterStatusLines[3], '.', std::nullopt}));

INSTANTIATE_TEST_SUITE_P(ZeroBytes, ProgressTimeTable, ::testing::Values(
    ChunkCase{"text after a zero byte is not looked at", "time=12.5\0 time=99 x"s, '.', std::nullopt},
    ChunkCase{"zero byte after the blank", "time=12.5 \0garbage"s, '.', 12.5},
    ChunkCase{"zero byte first", "\0time=5 "s, '.', std::nullopt}));

TEST(ProgressParser, TakesOnlyForwardTimesBelowTheLimit)
{
    struct Step {
        std::string chunk;
        bool accepted;
        double lastTime;
    };
    const std::vector<Step> steps = {
        {"time=0.00 x", false, 0},       // not past the start
        {"time=5.00 x", true, 5},
        {"time=3.00 x", false, 5},       // backwards
        {"time=5.00 x", false, 5},       // repeated
        {"time=-1 x", false, 5},
        {"frame=1 x", false, 5},         // no time at all
        {"time=00:00:06.50 x", true, 6.5},
        {"time=1e9 x", false, 6.5},      // garbage, not progress
        {"time=999999999.5 x", true, 999999999.5},
    };
    ProgressParser parser('.');
    for (const Step& step : steps) {
        EXPECT_EQ(parser.Feed(step.chunk), step.accepted) << step.chunk;
        EXPECT_DOUBLE_EQ(parser.LastTime(), step.lastTime) << step.chunk;
    }
    parser.Reset();
    EXPECT_EQ(parser.LastTime(), 0);
    EXPECT_TRUE(parser.Feed("time=1.00 x"));
}

TEST(ProgressParser, TimeSplitAcrossTwoReadsIsNotPiecedTogether)
{
    ProgressParser parser('.');
    EXPECT_FALSE(parser.Feed("frame= 40 size= 12kB time=00:00:10.0"));
    EXPECT_FALSE(parser.Feed("0 bitrate= 3.0kbits/s speed=2x \r"));
    EXPECT_EQ(parser.LastTime(), 0);
    // The same number whole in a later read counts, being past LastTime.
    EXPECT_TRUE(parser.Feed("frame= 41 size= 12kB time=00:00:10.00 bitrate="));
    EXPECT_DOUBLE_EQ(parser.LastTime(), 10.0);
    // The number cut off at the end of a read is never guessed at, even past LastTime.
    EXPECT_FALSE(parser.Feed("frame= 42 size= 13kB time=00:00:11"));
    EXPECT_DOUBLE_EQ(parser.LastTime(), 10.0);
}

TEST(ProgressParser, TwoStatusLinesInOneReadGiveTheFirstTime)
{
    ProgressParser parser('.');
    EXPECT_TRUE(parser.Feed(kConverterStatusLines[2] + kConverterStatusLines[4]));
    EXPECT_DOUBLE_EQ(parser.LastTime(), 0.95);
}

TEST(ProgressParser, RealConverterOutputReadLineByLine)
{
    // The converter flushes each status line on its own, so while it works
    // every read holds one of them.
    ProgressParser parser('.');
    EXPECT_FALSE(parser.Feed(kConverterHeader));
    std::vector<double> accepted;
    for (const std::string& line : kConverterStatusLines)
        if (parser.Feed(line))
            accepted.push_back(parser.LastTime());
    EXPECT_FALSE(parser.Feed(kConverterTrailer));
    EXPECT_EQ(accepted, (std::vector<double>{0.44, 0.95, 1.46, 1.92, 2.46, 2.94, 3.01}));
}

// The converter's whole output, header, status lines and trailer.
std::string AllConverterOutput()
{
    std::string all = kConverterHeader;
    for (const std::string& line : kConverterStatusLines)
        all += line;
    return all + kConverterTrailer;
}

TEST(ProgressParser, RealConverterOutputInOneReadGivesItsFirstTime)
{
    // A converter that finishes before the first read leaves everything in
    // one chunk; the first time in it is the status line at 0.
    const std::string all = AllConverterOutput();
    ASSERT_LT(all.size(), 4095u);
    ProgressParser parser('.');
    EXPECT_FALSE(parser.Feed(all));
    EXPECT_EQ(parser.LastTime(), 0);
}

// How far a clip got, for the short-clip check, does not depend on how the
// output was cut into reads: all in one, or cut anywhere in two.
TEST(OutputReach, IsTheLastStatusLinesTimeHoweverTheOutputIsRead)
{
    const std::string all = AllConverterOutput();
    for (std::size_t cut = 0; cut <= all.size(); ++cut) {
        korvane::OutputReach reach('.');
        reach.Feed(std::string_view(all).substr(0, cut));
        reach.Feed(std::string_view(all).substr(cut));
        ASSERT_DOUBLE_EQ(reach.Furthest(), 3.01) << "cut at " << cut;
    }
    // The job's own: the next clip starts from nothing.
    korvane::JobProgress job('.');
    job.Start();
    job.OnOutput("time=0.00 \r\ntime=2.50 \r\n", korvane::ClipSlot{1, 2, 2.5});
    EXPECT_DOUBLE_EQ(job.Reached(), 2.5);
    job.EndClip();
    EXPECT_EQ(job.Reached(), 0);
}

struct CurrentCase {
    double lastTime;
    double duration;
    int previous;
    int percent;
};

TEST(CurrentClipPercent, RoundsHalvesToEvenAndHoldsTheBarRange)
{
    const CurrentCase cases[] = {
        {10, 40, 0, 25},
        {0, 40, 70, 0},
        {1, 8, 0, 12},        // 12.5
        {3, 8, 0, 38},        // 37.5
        {5, 8, 0, 62},        // 62.5
        {7, 8, 0, 88},        // 87.5
        {40, 40, 0, 100},
        {41, 40, 0, 100},     // past the end of the clip
        {5, 0, 37, 37},       // no duration: the bar stays
        {5, 1e-300, 0, 100},  // beyond any integer
        {5, -10, 60, 0},
    };
    for (const CurrentCase& c : cases)
        EXPECT_EQ(CurrentClipPercent(c.lastTime, c.duration, c.previous), c.percent)
            << c.lastTime << " of " << c.duration;
}

struct TotalCase {
    int current;
    std::int32_t clipNumber;
    std::int32_t clipCount;
    int percent;
};

TEST(TotalPercent, CountsFinishedClipsAndRoundsHalvesToEven)
{
    const TotalCase cases[] = {
        {25, 2, 4, 31},     // 125 / 4
        {100, 2, 4, 50},
        {50, 1, 4, 12},     // 12.5
        {50, 2, 4, 38},     // 37.5
        {2, 1, 4, 0},       // 0.5
        {6, 1, 4, 2},       // 1.5
        {0, 1, 1, 0},
        {100, 1, 1, 100},
        {0, 3, 3, 67},      // two of three clips done
        {100, 2147483647, 2147483647, 100},
        {0, 2147483647, 2147483647, 100},
        {50, 1, 0, 0},      // no clips at all
        {50, 1, -3, 0},
    };
    for (const TotalCase& c : cases)
        EXPECT_EQ(TotalPercent(c.current, c.clipNumber, c.clipCount), c.percent)
            << c.current << " in clip " << c.clipNumber << " of " << c.clipCount;
}

TEST(PercentText, IsTheNumberAndAPercentSign)
{
    EXPECT_EQ(PercentText(0), "0%");
    EXPECT_EQ(PercentText(31), "31%");
    EXPECT_EQ(PercentText(100), "100%");
}

TEST(JobProgress, MovesTheBarsClipAfterClip)
{
    JobProgress progress('.');
    progress.Start();
    const ClipSlot first{1, 4, 40};
    EXPECT_EQ(progress.OnOutput("time=10.00 x", first), (ProgressBars{25, 6}));
    // A read without time still recomputes both bars from what was accepted.
    EXPECT_EQ(progress.OnOutput("frame=9 ", first), (ProgressBars{25, 6}));
    EXPECT_EQ(progress.OnOutput("time=41.00 x", first), (ProgressBars{100, 25}));
    EXPECT_EQ(progress.EndClip(), (ProgressBars{0, 25}));
    EXPECT_EQ(progress.LastTime(), 0);

    const ClipSlot second{2, 4, 40};
    // The new clip starts from 0: an early time of this clip is accepted.
    EXPECT_EQ(progress.OnOutput("time=10.00 x", second), (ProgressBars{25, 31}));
    EXPECT_EQ(progress.OnOutput("time=3.00 x", second), (ProgressBars{25, 31}));
    EXPECT_DOUBLE_EQ(progress.LastTime(), 10.0);

    progress.Start();
    EXPECT_EQ(progress.Bars(), (ProgressBars{0, 0}));
    EXPECT_EQ(progress.LastTime(), 0);
}

TEST(JobProgress, ClipWithoutAnyTimeLeavesTheCurrentBarAtZero)
{
    JobProgress progress('.');
    progress.Start();
    const ClipSlot third{3, 3, 12};
    for (const char* chunk : {"Stream mapping:\r\n", "time=N/A x", "muxing overhead: 1%\r\n"})
        EXPECT_EQ(progress.OnOutput(chunk, third), (ProgressBars{0, 67})) << chunk;
}

TEST(JobProgress, RealConverterOutputFillsTheBars)
{
    JobProgress progress('.');
    progress.Start();
    const ClipSlot only{1, 1, 3};
    std::vector<int> current;
    for (const std::string& line : kConverterStatusLines)
        current.push_back(progress.OnOutput(line, only).current);
    // 0.44 s of 3 is 14.67 %, ... 3.01 s passes the end and the bar holds at 100.
    EXPECT_EQ(current, (std::vector<int>{0, 15, 32, 49, 64, 82, 98, 100}));
    EXPECT_EQ(progress.Bars().total, 100);
}

} // namespace
