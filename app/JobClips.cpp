#include "app/JobClips.h"

#include <utility>

namespace korvane {

std::optional<ClipSpan> JobClips::Clip(std::int32_t number)
{
    if (auto* plan = std::get_if<ClipPlan>(&clips_))
        return number <= plan->ClipCount() ? std::optional(plan->Clip(number)) : std::nullopt;
    if (auto* spans = std::get_if<std::vector<ClipSpan>>(&clips_))
        return number <= static_cast<std::int32_t>(spans->size()) ? std::optional((*spans)[number - 1])
                                                                 : std::nullopt;
    return std::get<EncodedPieces>(clips_).Next();
}

std::int32_t JobClips::ExpectedCount() const
{
    if (const auto* plan = std::get_if<ClipPlan>(&clips_))
        return plan->ClipCount();
    if (const auto* spans = std::get_if<std::vector<ClipSpan>>(&clips_))
        return static_cast<std::int32_t>(spans->size());
    return std::get<EncodedPieces>(clips_).ExpectedCount();
}

bool JobClips::Made(double bytes)
{
    auto* pieces = std::get_if<EncodedPieces>(&clips_);
    return pieces && pieces->Made(bytes);
}

std::optional<JobClips> PlanClips(const ModeValues& values, double rangeStart, double rangeLength,
                                  std::string_view arguments, ISourceReader& source)
{
    switch (values.mode) {
    case SplitMode::OneClip:
    case SplitMode::EqualSections:
        return JobClips(ClipPlan(values.mode, rangeStart, rangeLength, values.sections));
    case SplitMode::PieceLength:
    case SplitMode::PieceSize:
        break;
    }
    // A copy cuts only where a keyframe lets the next piece begin.
    std::optional<SourcePackets> packets;
    if (CopiesVideo(arguments) && !source.ListPackets(rangeStart, rangeLength, packets))
        return std::nullopt;
    if (values.mode == SplitMode::PieceLength)
        return JobClips(PiecesOfLength(rangeStart, rangeLength, values.pieceLength));
    if (packets)
        return JobClips(PiecesOfSizeAtKeyframes(*packets, rangeStart, rangeLength, values.pieceBytes));
    // An encoding, or a copy of a source whose packets the engine cannot
    // list: measured by the rate, corrected piece by piece. A copy's rate is
    // the source's own.
    double rate = CopiesVideo(arguments) ? 0 : BytesPerSecondOfArguments(arguments);
    if (!(rate > 0))
        if (const std::optional<double> own = source.BytesPerSecond())
            rate = *own;
    // Pieces meet between two pictures of the source.
    std::optional<double> frameRate;
    if (!source.ReadFrameRate(frameRate))
        return std::nullopt;
    return JobClips(EncodedPieces(rangeStart, rangeLength, values.pieceBytes, rate, frameRate.value_or(0)));
}

} // namespace korvane
