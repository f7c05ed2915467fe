#include "converter/KeyframeCut.h"
#include "converter/EngineGuard.h"
#include "converter/PacketListing.h"
#include "app/Text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace korvane::frontend {
namespace {

// A keyframe at the start itself is "at or before" it, whatever the rounding
// of the two to seconds; a tenth of a millisecond is far below a frame.
constexpr double kSameTime = 1e-4;
// The cut is placed this much before the keyframe's decoding time: the engine
// rounds the times it compares to microseconds, and the keyframe must not fall
// on the dropped side. No audio or video frame is this short.
constexpr double kCutMargin = 0.0005;

// "#tb 0: 1/90000" -> seconds per tick of stream 0.
std::optional<double> TickOfStream0(std::string_view line)
{
    constexpr std::string_view kPrefix = "#tb 0:";
    if (line.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    const std::string_view ratio = TrimOf(line.substr(kPrefix.size()), " \t\r");
    const std::size_t slash = ratio.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto num = WholeNumberOf<std::int64_t>(ratio.substr(0, slash));
    const auto den = WholeNumberOf<std::int64_t>(ratio.substr(slash + 1));
    if (!num || !den || *num <= 0 || *den <= 0)
        return std::nullopt;
    return static_cast<double>(*num) / static_cast<double>(*den);
}

// "  Duration: 00:00:30.02, start: 0.534667, bitrate: 1749 kb/s"
std::optional<double> SourceStart(std::string_view line)
{
    if (line.substr(0, 9) != "Duration:")
        return std::nullopt;
    constexpr std::string_view kStart = ", start: ";
    const std::size_t at = line.find(kStart);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view value = line.substr(at + kStart.size());
    value = value.substr(0, value.find(','));
    return ReadSeconds(TrimOf(value, " \t\r"));
}

// A keyframe without a presentation time (program streams give one only to
// the first picture that starts in a packet) is shown when the next picture
// that is shown later than decoded is decoded: the pictures between are shown
// before it. Without one in the list, as late after its decoding as the
// keyframes before it.
double ShownAt(const std::vector<VideoPacket>& packets, std::size_t keyframe, double delay)
{
    for (std::size_t i = keyframe + 1; i < packets.size(); ++i)
        if (!packets[i].pts || *packets[i].pts > packets[i].dts)
            return packets[i].dts;
    return packets[keyframe].dts + delay;
}

CutAfterSeek CutBefore(double seek, const VideoPacket& keyframe, double shown, double sourceStart)
{
    return {seek, keyframe.dts - kCutMargin, sourceStart, shown};
}

} // namespace

bool IsProgramStream(std::string_view path)
{
    for (std::string_view ext : {".mpg", ".mpeg", ".vob"})
        if (HasExtension(path, ext))
            return true;
    return false;
}

CutKind CutNeeded(const ClipRequest& request)
{
    if (!(request.start > 0) || !IsProgramStream(request.input))
        return CutKind::None;
    if (!request.noVideo)
        return request.videoCopied ? CutKind::AtKeyframe : CutKind::Exact;
    return request.audioCopied ? CutKind::AtStart : CutKind::None;
}

std::vector<std::string> PacketListArguments(const ClipRequest& request, double seek, double length)
{
    // The source's own timestamps, which the cut keeps too; its description,
    // with its first timestamp, comes at the "info" level.
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "info", "-nostats", "-copyts"};
    if (seek > 0) {
        args.push_back("-ss");
        args.push_back(EngineSeconds(seek));
    }
    args.push_back("-t");
    args.push_back(EngineSeconds(length));
    AppendSourceInput(args, request);
    // Every packet from the seek on, not only from the first keyframe: a list
    // without a keyframe (a long group of pictures) then tells that a longer
    // lead is worth a try, and is not taken for a source without pictures.
    for (const char* word : {"-map", "0:v:0", "-c", "copy", "-copyinkf", "-f", "framecrc", "-"})
        args.push_back(word);
    return args;
}

PacketList ReadPacketList(std::string_view listing)
{
    PacketList list;
    std::vector<VideoPacket>& packets = list.packets;
    std::optional<double> tick;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        const std::string_view line = TrimOf(listing.substr(0, end), " \t\r");
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        if (const auto t = TickOfStream0(line)) {
            tick = t;
            list.listedVideo = true;
            continue;
        }
        if (const auto first = SourceStart(line); first && !list.sourceStart) {
            list.sourceStart = first;
            continue;
        }
        const std::optional<ListedPacket> listed = ReadListedPacket(line);
        if (!tick || !listed || listed->stream != 0 || !listed->dts)
            continue;
        VideoPacket p;
        p.dts = static_cast<double>(*listed->dts) * *tick;
        if (listed->pts)
            p.pts = static_cast<double>(*listed->pts) * *tick;
        p.key = listed->key;
        packets.push_back(p);
    }
    return list;
}

std::optional<CutAfterSeek> CutAtKeyframe(const PacketList& list, double start, double seek, bool lastTry)
{
    if (!list.sourceStart)
        return std::nullopt;
    const double origin = *list.sourceStart;
    const VideoPacket* atOrBefore = nullptr;
    const VideoPacket* first = nullptr;
    double atOrBeforeShown = 0;
    double firstShown = 0;
    double delay = 0;
    const std::vector<VideoPacket>& packets = list.packets;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const VideoPacket& p = packets[i];
        if (!p.key)
            continue;
        if (p.pts)
            delay = std::max(*p.pts - p.dts, 0.0);
        const double shown = p.pts ? *p.pts : ShownAt(packets, i, delay);
        if (!first) {
            first = &p;
            firstShown = shown;
        }
        if (shown <= origin + start + kSameTime) {
            atOrBefore = &p;
            atOrBeforeShown = shown;
        }
    }
    // The seek lands on a packet decoded before the time it seeks to; the
    // sound there starts with the partial frame. A keyframe decoded before
    // that time may be the very packet it landed on: look further back then.
    const bool canLookFurther = !lastTry && seek > 0 && (!packets.empty() || list.listedVideo);
    if (atOrBefore && (atOrBefore->dts - kCutMargin > origin + seek || !canLookFurther))
        return CutBefore(seek, *atOrBefore, atOrBeforeShown, origin);
    if (canLookFurther)
        return std::nullopt;
    if (first)
        return CutBefore(seek, *first, firstShown, origin);
    return CutAfterSeek{seek, origin + start, origin, std::nullopt};
}

CutAfterSeek ExactCut(const CutAfterSeek& keyframeCut, double start)
{
    // In the source's own times: counted from the seek, the engine's cut
    // lands a few pictures early in program streams, whose first timestamp
    // is the sound's and not the picture's.
    const double origin = keyframeCut.sourceStart.value_or(0);
    return {keyframeCut.seek, origin + start, origin, std::nullopt};
}

CutAfterSeek CutAtStart(double start)
{
    const double seek = std::max(start - kSoundLead, 0.0);
    return {seek, start - seek, std::nullopt, std::nullopt};
}

void FillShownTimes(std::vector<VideoPacket>& packets, const std::vector<PictureKind>& kinds, double frame)
{
    // Past the list, the next picture that is no B picture is decoded a
    // picture length after the last one listed.
    std::optional<double> nextAnchor;
    if (!packets.empty() && frame > 0)
        nextAnchor = packets.back().dts + frame;
    for (std::size_t i = packets.size(); i-- > 0;) {
        const bool bidirectional = i < kinds.size() && kinds[i] == PictureKind::Bidirectional;
        if (!packets[i].pts) {
            if (bidirectional)
                packets[i].pts = packets[i].dts;
            else if (nextAnchor)
                packets[i].pts = *nextAnchor;
        }
        if (!bidirectional)
            nextAnchor = packets[i].dts;
    }
}

} // namespace korvane::frontend
