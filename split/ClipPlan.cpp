#include "split/ClipPlan.h"

#include "app/FileNames.h"

namespace korvane {

ClipPlan::ClipPlan(SplitMode mode, double rangeStart, double rangeLength, std::int32_t sectionCount)
    : mode_(mode),
      rangeStart_(rangeStart),
      rangeLength_(rangeLength),
      clipCount_(mode == SplitMode::OneClip ? 1 : sectionCount)
{
}

ClipSpan ClipPlan::Clip(std::int32_t clipNumber) const
{
    if (mode_ == SplitMode::OneClip)
        return {rangeStart_, rangeLength_};
    const double duration = rangeLength_ / clipCount_;
    return {(clipNumber - 1) * duration + rangeStart_, duration};
}

std::string ClipOutputPath(std::string_view outputFolder, std::string_view sourcePath,
                           std::int32_t clipNumber, std::string_view outputExtension)
{
    return WithTrailingBackslash(outputFolder) + StripExtension(ExtractFileName(sourcePath)) +
           "_Clip" + std::to_string(clipNumber) + std::string(outputExtension);
}

std::string ClipProcessingText(SplitMode mode, std::string_view sourcePath, std::int32_t clipNumber)
{
    if (mode == SplitMode::OneClip)
        return "Splitting: " + ExtractFileName(sourcePath);
    if (mode == SplitMode::EqualSections)
        return "Splitting: Section " + std::to_string(clipNumber);
    return "Splitting: Piece " + std::to_string(clipNumber);
}

} // namespace korvane
