#pragma once
// Which clips a split job makes and what each is called. Pure arithmetic and
// text, free of windows.h.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

enum class SplitMode {
    OneClip,       // the marked range as one clip
    EqualSections, // the marked range cut into a number of equal sections
    PieceLength,   // pieces of a given length (PiecePlan.h)
    PieceSize      // pieces of at most a given size (PiecePlan.h)
};

struct ClipSpan {
    double start = 0;     // seconds from the start of the source
    double duration = 0;  // seconds
};

class ClipPlan {
public:
    // rangeLength is end minus start of the marked range; sectionCount is only
    // read in equal-sections mode. A count of 0 or less plans no clip.
    ClipPlan(SplitMode mode, double rangeStart, double rangeLength, std::int32_t sectionCount);

    SplitMode Mode() const { return mode_; }
    std::int32_t ClipCount() const { return clipCount_; }

    // Clip clipNumber, from 1 to ClipCount(). Every section gets the same duration,
    // rangeLength / count, so the durations add up to the marked length; the
    // starts are exact here and rounded only when written for the converter.
    ClipSpan Clip(std::int32_t clipNumber) const;

private:
    SplitMode mode_;
    double rangeStart_;
    double rangeLength_;
    std::int32_t clipCount_;
};

// outputFolder (a backslash is added when missing) + the source's file name
// without its last extension + "_Clip" + clipNumber + outputExtension:
// "C:\in\my.movie.avi", clip 2, ".mp4" gives "<folder>my.movie_Clip2.mp4".
std::string ClipOutputPath(std::string_view outputFolder, std::string_view sourcePath,
                           std::int32_t clipNumber, std::string_view outputExtension);

// The line shown above the progress bars while a clip is made: the source's
// file name in one-clip mode, the section or piece number otherwise.
std::string ClipProcessingText(SplitMode mode, std::string_view sourcePath, std::int32_t clipNumber);

} // namespace korvane
