#include "split/ClipOutcome.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvane;

TEST(ClipOutcome, AClipIsMadeOnlyWhenTheConverterSaysSoAndTheFileHasContent)
{
    EXPECT_EQ(ClipFailure(0u, true, "time=3.00"), std::nullopt);
    EXPECT_EQ(ClipFailure(0u, false, "time=3.00"), "No clip file was written.");
    EXPECT_EQ(ClipFailure(1u, true, "Unknown encoder 'x'"), "Unknown encoder 'x'");
    // Killed or crashed mid-clip: its last words are progress or a debugger's
    // report, not a reason.
    EXPECT_EQ(ClipFailure(3221225477u, true, "time=1.50"), "The converter crashed (exception 0xC0000005).");
    EXPECT_EQ(ClipFailure(0xC00000FDu, true, "Host version: 6.1"), "The converter crashed (exception 0xC00000FD).");
    EXPECT_EQ(ClipFailure(4u, true, ""), "The converter ended with code 4.");
    EXPECT_EQ(ClipFailure(std::nullopt, true, ""), "The converter did not end.");
}

TEST(ClipOutcome, TheLastLineSurvivesAnySplitOfTheOutput)
{
    OutputTail tail;
    tail.Feed("time=1.00 \r\ntime=2.00 \r\nUnknown enc");
    tail.Feed("oder 'x'\r\n");
    tail.Feed("\r\n  \r\n");
    EXPECT_EQ(tail.LastLine(), "Unknown encoder 'x'");
    tail.Feed(std::string(5000, 'x') + "\nNo space left on device\r\n");
    EXPECT_EQ(tail.LastLine(), "No space left on device");
    tail.Feed(std::string(5000, 'y'));
    EXPECT_EQ(tail.LastLine().size(), 200u) << "a reason is kept short";
    tail.Clear();
    EXPECT_EQ(tail.LastLine(), "");
}

TEST(ClipOutcome, TheMessageNamesAtMostFiveFailedClips)
{
    std::vector<FailedClip> failed;
    for (int n : {2, 3, 5, 6, 7, 9, 10})
        failed.push_back({n, "reason " + std::to_string(n)});
    EXPECT_EQ(FailedClipsMessage(10, failed), "Splitting failed: 7 of 10 clips could not be made.\n\n"
                                              "Clip 2: reason 2\nClip 3: reason 3\nClip 5: reason 5\n"
                                              "Clip 6: reason 6\nClip 7: reason 7\n...");
    EXPECT_EQ(FailedClipsMessage(1, {{1, "No space left on device"}}),
              "Splitting failed: 1 of 1 clip could not be made.\n\nClip 1: No space left on device");
}

TEST(ClipOutcome, AClipIsShortOnlyWhenTheSourceCouldHaveGivenMoreThanASecondMore)
{
    // 10 s asked from 20 s of a 30 s source.
    EXPECT_EQ(ShortClipLength(20, 10, 30, 4.5), 4.5);
    EXPECT_EQ(ShortClipLength(20, 10, 30, 9.2), std::nullopt);
    // The range runs past the source's end: the source allows 3 s.
    EXPECT_EQ(ShortClipLength(27, 10, 30, 2.96), std::nullopt);
    EXPECT_EQ(ShortClipLength(27, 10, 30, 1.5), 1.5);
    EXPECT_EQ(CompletedMessage({}), "Splitting is completed successfully.");
    EXPECT_EQ(CompletedMessage({{2, 4.96}}), "Splitting is completed successfully.\n\n"
                                             "Clip 2 is only 00:00:04 long: the source's data ends there.");
}

TEST(ClipOutcome, AConvertersNoticeIsSaidOnceWhateverTheNumberOfClipsThatGaveIt)
{
    const std::string leftOut = "Subtitles left out of the clip: 1 track (why).";
    EXPECT_EQ(ClipNotice(leftOut, 3), leftOut);
    EXPECT_EQ(ClipNotice("frame=  250 fps=0.0 q=-1.0 Lsize=  1024kB time=00:00:10.00", 3), std::nullopt);
    EXPECT_EQ(ClipNotice("Starts at the keyframe before its mark, 00:01:02.400: its exact start could not be made (why).", 2),
              "Clip 2 starts at the keyframe before its mark, 00:01:02.400: its exact start could not be made (why).");
    // The converter's last lines, a notice of each kind among its progress.
    OutputTail tail;
    tail.Feed("time=1.00\r\ntime=2.00\r\nStarts at the keyframe before its mark, 00:00:01.000: its exact start could "
              "not be made (why).\r\n" + leftOut + "\r\n");
    const std::vector<std::string> lines = tail.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], leftOut);
    EXPECT_EQ(ClipNotice(lines[2], 1).value_or("").substr(0, 12), "Clip 1 start");
    EXPECT_EQ(CompletedMessage({{2, 4.96}}, {leftOut, leftOut}),
              "Splitting is completed successfully.\n\n"
              "Clip 2 is only 00:00:04 long: the source's data ends there.\n" + leftOut);
}
