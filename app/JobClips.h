#pragma once
// The clips a job makes of the marked range, as its mode plans them. Plain
// C++, free of windows.h: what the plan must read of the source through the
// converter's engine (while the window waits) comes through ISourceReader.
#include "split/ClipPlan.h"
#include "split/PiecePlan.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

namespace korvane {

// A mode with its values as the user gave them and the checks passed them.
struct ModeValues {
    SplitMode mode = SplitMode::OneClip;
    std::int32_t sections = 1;   // equal sections: how many
    double pieceLength = 0;      // pieces of a length: seconds
    double pieceBytes = 0;       // pieces of at most a size: bytes

    // Pieces follow each other exactly: their starts are written in full.
    bool Pieces() const { return mode == SplitMode::PieceLength || mode == SplitMode::PieceSize; }
};

// What a plan may read of the source. A reading returns false when the job
// must end instead: the user cancelled, or the engine never answered (and the
// user was told).
class ISourceReader {
public:
    // The source's packets over the range; none when the engine cannot list them.
    virtual bool ListPackets(double rangeStart, double rangeLength, std::optional<SourcePackets>& packets) = 0;
    // The source's frame rate; none when the engine cannot tell it.
    virtual bool ReadFrameRate(std::optional<double>& rate) = 0;
    // What the source holds a second: its size over its length, when both are known.
    virtual std::optional<double> BytesPerSecond() = 0;

protected:
    ~ISourceReader() = default;
};

// The clips in their order. Pieces of an encoding are measured as they are
// made, so clip n is asked for once clip n-1 is made.
class JobClips {
public:
    explicit JobClips(ClipPlan plan) : clips_(std::move(plan)) {}
    explicit JobClips(std::vector<ClipSpan> spans) : clips_(std::move(spans)) {}
    explicit JobClips(EncodedPieces pieces) : clips_(std::move(pieces)) {}

    // Clip `number` (from 1), none past the last.
    std::optional<ClipSpan> Clip(std::int32_t number);
    // The clips known so far and those the rest of the range is expected to need.
    std::int32_t ExpectedCount() const;
    // Whether each clip's size is to be told (Made) once it is made.
    bool Measured() const { return std::holds_alternative<EncodedPieces>(clips_); }
    // The clip just made is this big. True when it passed the size and must
    // be made again, shorter: Clip gives it again under its number.
    bool Made(double bytes);

private:
    std::variant<ClipPlan, std::vector<ClipSpan>, EncodedPieces> clips_;
};

// The mode's clips of the range, made with `arguments` (the profile's, as the
// converter gets them); none when a reading ended the job.
std::optional<JobClips> PlanClips(const ModeValues& values, double rangeStart, double rangeLength,
                                  std::string_view arguments, ISourceReader& source);

} // namespace korvane
