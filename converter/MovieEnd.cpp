#include "converter/MovieEnd.h"

#include "converter/MovieBoxes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace korvane::frontend {
namespace {

using movie::BoxEnd;
using movie::ChildBox;
using movie::Read32;
using movie::ReadNumber;
using movie::WriteNumber;

// A full box's version: the byte after its type.
int Version(std::string_view moov, std::size_t box)
{
    return static_cast<unsigned char>(moov[box + 8]);
}

// The box at the end of a path of types below `from`, or nothing.
std::optional<std::size_t> Descend(std::string_view moov, std::size_t from, std::initializer_list<std::string_view> path)
{
    std::optional<std::size_t> at = from;
    for (std::string_view type : path) {
        at = ChildBox(moov, *at + 8, BoxEnd(moov, *at), type);
        if (!at)
            return std::nullopt;
    }
    return at;
}

// Where a duration sits in mvhd, tkhd and mdhd, and how wide it is; the time
// scale (mvhd, mdhd) sits right before it.
struct Field {
    std::size_t at;
    std::size_t bytes;
};
Field DurationField(std::string_view moov, std::size_t box, bool afterTrackId)
{
    // version and flags, creation and modification times, then the time scale
    // or the track number (and a reserved word), then the duration.
    const bool wide = Version(moov, box) == 1;
    const std::size_t times = wide ? 16 : 8;
    return {box + 12 + times + (afterTrackId ? 8 : 4), wide ? 8u : 4u};
}

struct Picture {
    std::int64_t shown;     // presentation time, media ticks
    std::int64_t duration;
};

// The track's pictures from its sample tables: decoding times from the time
// steps (stts), presentation offsets (ctts) where there are any.
std::optional<std::vector<Picture>> Pictures(std::string_view moov, std::size_t stbl)
{
    const auto stts = ChildBox(moov, stbl + 8, BoxEnd(moov, stbl), "stts");
    if (!stts || BoxEnd(moov, *stts) < *stts + 16)
        return std::nullopt;
    std::vector<Picture> pictures;
    std::int64_t decoded = 0;
    const std::uint32_t steps = Read32(moov, *stts + 12);
    if (*stts + 16 + std::uint64_t{steps} * 8 > BoxEnd(moov, *stts))
        return std::nullopt;
    for (std::uint32_t i = 0; i < steps; ++i) {
        const std::uint32_t count = Read32(moov, *stts + 16 + i * 8);
        const std::uint32_t delta = Read32(moov, *stts + 20 + i * 8);
        if (pictures.size() + count > (1u << 24))
            return std::nullopt;
        for (std::uint32_t k = 0; k < count; ++k, decoded += delta)
            pictures.push_back({decoded, delta});
    }
    if (const auto ctts = ChildBox(moov, stbl + 8, BoxEnd(moov, stbl), "ctts")) {
        const std::uint32_t runs = Read32(moov, *ctts + 12);
        if (*ctts + 16 + std::uint64_t{runs} * 8 > BoxEnd(moov, *ctts))
            return std::nullopt;
        std::size_t n = 0;
        for (std::uint32_t i = 0; i < runs; ++i) {
            const std::uint32_t count = Read32(moov, *ctts + 16 + i * 8);
            // Signed in version 1, and written so by muxers in version 0 too.
            const auto offset = static_cast<std::int32_t>(Read32(moov, *ctts + 20 + i * 8));
            for (std::uint32_t k = 0; k < count && n < pictures.size(); ++k, ++n)
                pictures[n].shown += offset;
        }
    }
    return pictures;
}

} // namespace

std::optional<std::string> EndWherePicturesStop(std::string_view moov, std::optional<double> longest)
{
    if (moov.size() < 8 || Read32(moov, 0) != moov.size() || moov.substr(4, 4) != "moov")
        return std::nullopt;
    const auto mvhd = ChildBox(moov, 8, moov.size(), "mvhd");
    if (!mvhd)
        return std::nullopt;
    const Field movieDuration = DurationField(moov, *mvhd, false);
    const std::uint64_t movieScale = Read32(moov, movieDuration.at - 4);

    std::vector<Field> trackDurations;
    std::optional<std::size_t> pictureTrack;
    for (std::size_t at = 8; at + 8 <= moov.size(); at = BoxEnd(moov, at)) {
        if (Read32(moov, at) < 8 || BoxEnd(moov, at) > moov.size())
            return std::nullopt;
        if (moov.substr(at + 4, 4) != "trak")
            continue;
        const auto tkhd = ChildBox(moov, at + 8, BoxEnd(moov, at), "tkhd");
        if (!tkhd)
            return std::nullopt;
        trackDurations.push_back(DurationField(moov, *tkhd, true));
        const auto hdlr = Descend(moov, at, {"mdia", "hdlr"});
        if (!pictureTrack && hdlr && moov.substr(*hdlr + 16, 4) == "vide")
            pictureTrack = at;
    }
    if (!movieScale || !pictureTrack)
        return std::nullopt;
    const auto elst = Descend(moov, *pictureTrack, {"edts", "elst"});
    const auto mdhd = Descend(moov, *pictureTrack, {"mdia", "mdhd"});
    const auto stbl = Descend(moov, *pictureTrack, {"mdia", "minf", "stbl"});
    if (!elst || !mdhd || !stbl)
        return std::nullopt;
    const std::uint64_t mediaScale = Read32(moov, DurationField(moov, *mdhd, false).at - 4);

    // The edits: empty ones (media time -1) first, then the one that shows the media.
    const bool wide = Version(moov, *elst) == 1;
    const std::size_t entryBytes = wide ? 20 : 12;
    const std::uint32_t entries = Read32(moov, *elst + 12);
    if (entries == 0 || *elst + 16 + std::uint64_t{entries} * entryBytes > BoxEnd(moov, *elst))
        return std::nullopt;
    const std::size_t fieldBytes = wide ? 8 : 4;
    const std::size_t shown = *elst + 16 + (entries - 1) * entryBytes;
    const std::uint64_t oldSpan = ReadNumber(moov, shown, fieldBytes);
    auto mediaStart = static_cast<std::int64_t>(ReadNumber(moov, shown + fieldBytes, fieldBytes));
    if (!wide)
        mediaStart = static_cast<std::int32_t>(mediaStart);
    if (mediaStart < 0 || !mediaScale)
        return std::nullopt;

    const std::optional<std::vector<Picture>> listed = Pictures(moov, *stbl);
    if (!listed || listed->empty())
        return std::nullopt;
    std::vector<Picture> pictures = *listed;
    std::sort(pictures.begin(), pictures.end(), [](const Picture& a, const Picture& b) { return a.shown < b.shown; });
    // From the picture shown at the edit's start, as long as each picture
    // begins where the one before ends (within half a picture).
    // With `longest`, the holes can only lie after it (every picture shown
    // before it is there); the durations of variable-rate pictures would
    // look like holes.
    std::optional<std::int64_t> end;
    for (const Picture& p : pictures) {
        if (p.shown + p.duration <= mediaStart)
            continue;
        if (end && p.shown > *end + p.duration / 2 && !longest)
            break;
        end = std::max(end.value_or(p.shown), p.shown + p.duration);
    }
    if (!end)
        return std::nullopt;
    std::uint64_t span = static_cast<std::uint64_t>(*end - mediaStart);
    if (longest && *longest > 0)
        span = std::min(span, static_cast<std::uint64_t>(*longest * static_cast<double>(mediaScale) + 0.5));
    const std::uint64_t newSpan = (span * movieScale + mediaScale / 2) / mediaScale;
    if (newSpan >= oldSpan)
        return std::nullopt;

    std::string out(moov);
    WriteNumber(out, shown, fieldBytes, newSpan);
    // The track lasts as long as its edits; the movie as long as its longest track.
    std::uint64_t trackSpan = 0;
    for (std::uint32_t i = 0; i < entries; ++i)
        trackSpan += ReadNumber(out, *elst + 16 + i * entryBytes, fieldBytes);
    const Field trackDuration = DurationField(moov, *Descend(moov, *pictureTrack, {"tkhd"}), true);
    WriteNumber(out, trackDuration.at, trackDuration.bytes, trackSpan);
    std::uint64_t longestTrack = 0;
    for (const Field& f : trackDurations)
        longestTrack = std::max(longestTrack, ReadNumber(out, f.at, f.bytes));
    // A track the writer made for the picture track (a time code) lasts as
    // long as that did before; the movie no longer than asked.
    if (longest && *longest > 0)
        longestTrack = std::min(longestTrack, static_cast<std::uint64_t>(std::ceil(*longest * static_cast<double>(movieScale))));
    WriteNumber(out, movieDuration.at, movieDuration.bytes, longestTrack);
    return out;
}

} // namespace korvane::frontend
