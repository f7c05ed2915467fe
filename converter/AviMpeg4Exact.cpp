#include "converter/AviMpeg4Exact.h"
#include "converter/EngineGuard.h"
#include "converter/ExactCut.h"
#include "app/Text.h"

#include <algorithm>
#include <cmath>

namespace korvane::frontend {
namespace {

// More pictures copied into the tail's stream than it keeps: the B pictures
// it leaves out.
constexpr int kTailSpare = 8;

void Append(std::vector<std::string>& args, std::initializer_list<std::string> words)
{
    args.insert(args.end(), words.begin(), words.end());
}

long Picture(double seconds, double frame)
{
    return std::lround(seconds / frame);
}


constexpr unsigned char kPictureCode = 0xB6;

} // namespace

std::string ReadVideoTag(std::string_view engineText)
{
    const std::size_t video = engineText.find(": Video: ");
    if (video == std::string_view::npos)
        return {};
    const std::string_view line = engineText.substr(video, engineText.find('\n', video) - video);
    const std::size_t slash = line.find(" / 0x");
    const std::size_t open = line.rfind('(', slash);
    if (slash == std::string_view::npos || open == std::string_view::npos || slash - open - 1 != 4)
        return {};
    return std::string(line.substr(open + 1, 4));
}

bool CanCutAviExactly(const ProgramStreamFacts& facts)
{
    if (facts.videoCodec != "mpeg4" || facts.frameRate.empty() || facts.subtitleTracks > 0)
        return false;
    return std::all_of(facts.audioCodecs.begin(), facts.audioCodecs.end(),
                       [](const std::string& codec) { return RawSoundFormat(codec).has_value(); });
}

std::optional<AviSpan> FindAviSpan(const PacketList& list, double start, std::optional<double> duration,
                                   double frame)
{
    const std::vector<VideoPacket>& packets = list.packets;
    if (packets.empty() || !(frame > 0))
        return std::nullopt;
    // Reordered streams give their B pictures a presentation time and their
    // reference pictures none; streams without B pictures give none at all.
    const bool reordered = std::any_of(packets.begin(), packets.end(), [](const VideoPacket& p) { return !p.pts; })
        && std::any_of(packets.begin(), packets.end(), [](const VideoPacket& p) { return p.pts.has_value(); });
    std::vector<long> shown(packets.size(), -1);
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (!reordered) {
            shown[i] = Picture(packets[i].dts, frame);
        } else if (packets[i].pts) {
            shown[i] = Picture(*packets[i].pts, frame) - 1;
        } else {
            for (std::size_t j = i + 1; j < packets.size() && shown[i] < 0; ++j)
                if (!packets[j].pts)
                    shown[i] = Picture(packets[j].dts, frame) - 1;
        }
    }
    AviSpan span;
    span.delay = reordered ? 1 : 0;
    span.firstPicture = static_cast<long>(std::ceil(start / frame - 1e-3));
    span.clipPictures = duration ? static_cast<int>(std::lround(*duration / frame)) : 1 << 30;
    std::optional<std::size_t> before, after;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (!packets[i].key || shown[i] < 0)
            continue;
        if (shown[i] <= span.firstPicture)
            before = i;
        if (shown[i] >= span.firstPicture && !after)
            after = i;
    }
    if (!before)
        return std::nullopt;
    span.seek = packets[*before].dts;
    const long end = span.firstPicture + span.clipPictures;
    if (after && shown[*after] < end) {
        span.headPictures = static_cast<int>(shown[*after] - span.firstPicture);
        span.keyframeDts = packets[*after].dts;
        return span;
    }
    if (!after && Picture(packets.back().dts, frame) < end)
        return std::nullopt;
    span.headPictures = span.clipPictures;
    return span;
}

std::vector<std::string> AviHeadArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                          const std::string& tag, const AviSpan& span, double frame,
                                          const std::string& path)
{
    // Warnings too: a source that packs B pictures with the picture before
    // them says so, and is cut at the keyframe instead.
    // An input seek alone, to a microsecond before the first picture: the
    // head's own times then run from 0 a picture apart, where a seek between
    // pictures would leave a gap the AVI file fills with an empty picture.
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "warning", "-ss",
                                     EngineSeconds((span.firstPicture + span.delay) * frame - 1e-6)};
    AppendSourceInput(args, request);
    Append(args, {"-map", "0:v:0", "-frames:v", std::to_string(span.headPictures), "-c:v", facts.videoCodec, "-q:v", "2", "-bf", "0",
                  "-g", "300"});
    if (!tag.empty())
        Append(args, {"-vtag", tag});
    if (!facts.pixelFormat.empty())
        Append(args, {"-pix_fmt", facts.pixelFormat});
    Append(args, {"-an", "-sn", "-f", "avi", path});
    return args;
}

std::vector<std::string> AviHeaderArguments(const ClipRequest& request, const AviSpan& span)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "error", "-copyts"};
    Append(args, {"-ss", EngineSeconds(span.keyframeDts.value_or(0))});
    AppendSourceInput(args, request);
    Append(args, {"-map", "0:v:0", "-c", "copy", "-bsf:v", "dump_extra", "-frames:v", "1", "-f", "m4v", "-"});
    return args;
}

std::vector<std::string> AviTailArguments(const ClipRequest& request, const AviSpan& span, const std::string& path)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "error", "-copyts"};
    Append(args, {"-ss", EngineSeconds(span.keyframeDts.value_or(0))});
    AppendSourceInput(args, request);
    Append(args, {"-map", "0:v:0", "-c", "copy", "-frames:v",
                  std::to_string(span.clipPictures - span.headPictures + kTailSpare), "-f", "m4v", path});
    return args;
}

std::string_view Mpeg4Header(std::string_view stream)
{
    for (std::size_t at : StartCodes(stream))
        if (static_cast<unsigned char>(stream[at + 3]) == kPictureCode)
            return stream.substr(0, at);
    return {};
}

std::string PrepareMpeg4Tail(std::string_view header, std::string_view tail)
{
    constexpr int kIntra = 0, kBidirectional = 2;
    std::string out;
    // Its own header: a video object layer start code (0x20 to 0x2F) before
    // the first picture.
    bool ownHeader = false;
    for (std::size_t at : StartCodes(Mpeg4Header(tail)))
        ownHeader = ownHeader || (static_cast<unsigned char>(tail[at + 3]) & 0xF0) == 0x20;
    if (!ownHeader)
        out.append(header);
    const std::vector<std::size_t> starts = StartCodes(tail);
    out.append(tail.substr(0, starts.empty() ? tail.size() : starts.front()));
    enum { BeforeKeyframe, LeadingPictures, Rest } state = BeforeKeyframe;
    bool drop = false;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t from = starts[k];
        const std::size_t to = k + 1 < starts.size() ? starts[k + 1] : tail.size();
        const auto code = static_cast<unsigned char>(tail[from + 3]);
        if (code == kPictureCode && from + 4 < tail.size()) {
            const int type = static_cast<unsigned char>(tail[from + 4]) >> 6;  // vop_coding_type
            if (state == BeforeKeyframe && type == kIntra)
                state = LeadingPictures;
            else if (state == LeadingPictures && type != kBidirectional)
                state = Rest;
            drop = state == LeadingPictures && type == kBidirectional;
        } else if (code >= 0xB0) {
            drop = false;  // a header of a higher level belongs to what follows
        }
        if (!drop)
            out.append(tail.substr(from, to - from));
    }
    return out;
}

std::vector<std::string> AviTailFileArguments(const ProgramStreamFacts& facts, const std::string& tag,
                                              const AviSpan& span, const std::string& stream,
                                              const std::string& path)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "error", "-r",
                                     EngineRate(facts), "-f", "m4v", "-i", stream, "-c", "copy", "-frames:v",
                                     std::to_string(span.clipPictures - span.headPictures)};
    if (!tag.empty())
        Append(args, {"-vtag", tag});
    Append(args, {"-f", "avi", path});
    return args;
}

std::string AviJoinList(const std::string& head, const std::optional<std::string>& tail)
{
    std::string text = "ffconcat version 1.0\nfile " + ListQuoted(head) + "\n";
    if (tail)
        text += "file " + ListQuoted(*tail) + "\n";
    return text;
}

std::vector<std::string> AviJoinArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                          const std::string& listPath, const std::vector<std::string>& soundPaths,
                                          const std::vector<double>& soundStarts)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats",
                                     "-f", "concat", "-safe", "0", "-i", listPath};
    // Never before the first picture: an AVI file times its pictures by
    // their place, and a sound starting before them would push them a
    // picture late. A sound frame's first timestamp may lie a little before
    // the start (the seek keeps the frame that holds it).
    for (std::size_t k = 0; k < soundPaths.size(); ++k)
        Append(args, {"-itsoffset", EngineSeconds(std::max(soundStarts[k] - request.start, 0.0)), "-f",
                      RawSoundFormat(facts.audioCodecs[k])->read, "-i", soundPaths[k]});
    Append(args, {"-map", "0:v:0"});
    for (std::size_t k = 0; k < soundPaths.size(); ++k)
        Append(args, {"-map", std::to_string(k + 1) + ":a:0"});
    Append(args, {"-c", "copy", "-avoid_negative_ts", "make_zero", request.output});
    return args;
}

} // namespace korvane::frontend
