#include "split/ClipPlan.h"

#include <gtest/gtest.h>

using namespace korvane;

TEST(ClipPlan, OneClipIsTheMarkedRangeWhateverTheSectionCount)
{
    for (std::int32_t sections : {-3, 0, 1, 7}) {
        const ClipPlan plan(SplitMode::OneClip, 12.5, 30, sections);
        EXPECT_EQ(plan.ClipCount(), 1);
        EXPECT_EQ(plan.Clip(1).start, 12.5);
        EXPECT_EQ(plan.Clip(1).duration, 30);
    }
}

TEST(ClipPlan, EqualSectionsShareTheLengthAndFollowTheRangeStart)
{
    const ClipPlan plan(SplitMode::EqualSections, 5, 10, 3);
    ASSERT_EQ(plan.ClipCount(), 3);
    double total = 0;
    for (std::int32_t n = 1; n <= 3; ++n) {
        const ClipSpan clip = plan.Clip(n);
        EXPECT_DOUBLE_EQ(clip.duration, 10.0 / 3);
        EXPECT_DOUBLE_EQ(clip.start, 5 + (n - 1) * (10.0 / 3));
        total += clip.duration;
    }
    EXPECT_DOUBLE_EQ(total, 10);
    // The last section ends at the end of the range.
    EXPECT_DOUBLE_EQ(plan.Clip(3).start + plan.Clip(3).duration, 15);
}

TEST(ClipPlan, NoClipsForACountOfZeroOrLess)
{
    EXPECT_LE(ClipPlan(SplitMode::EqualSections, 0, 10, 0).ClipCount(), 0);
    EXPECT_LE(ClipPlan(SplitMode::EqualSections, 0, 10, -3).ClipCount(), 0);
}

TEST(ClipOutputPath, FolderNameWithoutLastExtensionClipNumberAndExtension)
{
    struct Case {
        const char* folder;
        const char* source;
        std::int32_t clip;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\out", "C:\\in\\my.movie.avi", 2, ".mp4", "C:\\out\\my.movie_Clip2.mp4"},
        {"C:\\out\\", "C:\\in\\my.movie.avi", 2, ".mp4", "C:\\out\\my.movie_Clip2.mp4"},
        {"D:\\", "C:\\in\\movie", 1, ".avi", "D:\\movie_Clip1.avi"},
        {"C:\\out", "C:\\in.v2\\clip", 10, ".mp4", "C:\\out\\clip_Clip10.mp4"},
        {"C:\\out", "C:\\in\\a b.AVI", 3, ".wmv", "C:\\out\\a b_Clip3.wmv"},
        {"C:\\out", "C:\\in\\odd.", 1, ".mp4", "C:\\out\\odd_Clip1.mp4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClipOutputPath(c.folder, c.source, c.clip, c.extension), c.expected) << c.source;
}

TEST(ClipProcessingText, NamesTheSourceOrTheSection)
{
    EXPECT_EQ(ClipProcessingText(SplitMode::OneClip, "C:\\in\\my.movie.avi", 1),
              "Splitting: my.movie.avi");
    EXPECT_EQ(ClipProcessingText(SplitMode::EqualSections, "C:\\in\\my.movie.avi", 3),
              "Splitting: Section 3");
}
