#include "converter/ProgramStreamExact.h"
#include "converter/EngineGuard.h"
#include "app/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>

namespace korvane::frontend {
namespace {

// Half a picture: a time this close to a picture's is that picture's.
constexpr double kPictureFraction = 1e-3;
// The tail's cut is placed this much before its keyframe's decoding time, as
// the keyframe cut does: the engine rounds the times it compares.
constexpr double kCutMargin = 0.0005;

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(TrimOf(text.substr(0, end), " \t\r"));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// "a (b, c), d(e, f), g" -> "a (b, c)", "d(e, f)", "g"
std::vector<std::string_view> TopLevelFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    int depth = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(' || text[i] == '[')
            ++depth;
        else if ((text[i] == ')' || text[i] == ']') && depth > 0)
            --depth;
        else if (text[i] == ',' && depth == 0) {
            fields.push_back(TrimOf(text.substr(from, i - from)));
            from = i + 1;
        }
    }
    fields.push_back(TrimOf(text.substr(from)));
    return fields;
}

std::string_view InParentheses(std::string_view text)
{
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {};
    return text.substr(open + 1, close - open - 1);
}

// The engine's rounded rates of the NTSC family, as exact fractions: the
// joined stream is timed by this rate, and "29.97" would drift a picture in
// half a minute... of an hour.
std::string ExactRate(const std::string& rate)
{
    if (rate == "29.97")
        return "30000/1001";
    if (rate == "23.98" || rate == "23.976")
        return "24000/1001";
    if (rate == "59.94")
        return "60000/1001";
    return rate;
}

double ShownAt(const std::vector<VideoPacket>& packets, std::size_t keyframe, double frame)
{
    if (packets[keyframe].pts)
        return *packets[keyframe].pts;
    // Program streams leave out some presentation times: a reference picture
    // is shown when the next one is decoded.
    for (std::size_t i = keyframe + 1; i < packets.size(); ++i)
        if (!packets[i].pts || *packets[i].pts > packets[i].dts + kPictureFraction)
            return packets[i].dts;
    return packets[keyframe].dts + frame;
}

void Append(std::vector<std::string>& args, std::initializer_list<std::string> words)
{
    args.insert(args.end(), words.begin(), words.end());
}

} // namespace

std::vector<std::size_t> StartCodes(std::string_view bytes)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            starts.push_back(i);
            i += 2;
        }
    }
    return starts;
}

std::optional<ProgramStreamFacts> ReadProgramStreamFacts(std::string_view engineText)
{
    ProgramStreamFacts facts;
    bool inInput = false;
    bool video = false;
    for (std::string_view line : Lines(engineText)) {
        if (line.substr(0, 8) == "Input #0") {
            inInput = true;
            continue;
        }
        if (line.substr(0, 6) == "Input " || line.substr(0, 7) == "Output ") {
            inInput = false;
            continue;
        }
        if (!inInput || line.substr(0, 10) != "Stream #0:")
            continue;
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos)
            continue;
        const std::string_view rest = line.substr(colon + 2);
        if (rest.substr(0, 7) == "Video: " && !video) {
            video = true;
            const std::vector<std::string_view> fields = TopLevelFields(rest.substr(7));
            const std::string_view first = fields[0];
            facts.videoCodec = std::string(first.substr(0, first.find(' ')));
            const std::string_view profile = InParentheses(first);
            if (profile.find('/') == std::string_view::npos)
                facts.profile = std::string(profile);
            if (fields.size() > 1) {
                const std::string_view format = fields[1];
                facts.pixelFormat = std::string(TrimOf(format.substr(0, format.find('('))));
                for (std::string_view part : TopLevelFields(InParentheses(format)))
                    if (part == "progressive" || part.find("first") != std::string_view::npos)
                        facts.fieldOrder = std::string(part);
            }
            for (std::string_view field : fields) {
                constexpr std::string_view kFps = " fps";
                if (field.size() > kFps.size() && field.substr(field.size() - kFps.size()) == kFps)
                    facts.frameRate = std::string(field.substr(0, field.size() - kFps.size()));
            }
        } else if (rest.substr(0, 7) == "Audio: ") {
            const std::string_view codec = rest.substr(7);
            facts.audioCodecs.emplace_back(codec.substr(0, codec.find_first_of(" ,")));
        } else if (rest.substr(0, 10) == "Subtitle: ") {
            ++facts.subtitleTracks;
        }
    }
    if (!video)
        return std::nullopt;
    return facts;
}

std::optional<RawSound> RawSoundFormat(std::string_view codec)
{
    if (codec == "ac3" || codec == "eac3" || codec == "dts" || codec == "mp3")
        return RawSound{std::string(codec), std::string(codec)};
    if (codec == "mp2")
        return RawSound{"mp2", "mp3"};  // the engine reads every MPEG audio layer as one format
    return std::nullopt;
}

bool CanCutProgramStreamExactly(const ProgramStreamFacts& facts)
{
    if (facts.videoCodec != "mpeg1video" && facts.videoCodec != "mpeg2video")
        return false;
    if (facts.frameRate.empty() || facts.subtitleTracks > 0)
        return false;
    return std::all_of(facts.audioCodecs.begin(), facts.audioCodecs.end(),
                       [](const std::string& codec) { return RawSoundFormat(codec).has_value(); });
}

std::string EngineRate(const ProgramStreamFacts& facts)
{
    return ExactRate(facts.frameRate);
}

std::optional<double> FrameDuration(const ProgramStreamFacts& facts)
{
    const std::string rate = ExactRate(facts.frameRate);
    const std::size_t slash = rate.find('/');
    const std::optional<double> num = ReadSeconds(rate.substr(0, slash));
    const std::optional<double> den = slash == std::string::npos ? 1.0 : ReadSeconds(rate.substr(slash + 1));
    if (!num || !den || !(*num > 0) || !(*den > 0))
        return std::nullopt;
    return *den / *num;
}

std::optional<ProgramSpan> FindProgramSpan(const PacketList& list, double start, double end, double frame)
{
    // The frame rate, not the steps between the listed decoding times: the
    // engine's seek brings in packets timed as fields.
    if (!list.sourceStart || list.packets.empty() || !(frame > 0))
        return std::nullopt;
    const std::vector<VideoPacket>& packets = list.packets;
    const double startAt = *list.sourceStart + start;
    const double endAt = *list.sourceStart + end;
    std::optional<double> anchor;
    std::optional<std::size_t> keyframe;
    for (std::size_t i = 0; i < packets.size() && !keyframe; ++i) {
        if (!packets[i].key)
            continue;
        const double shown = ShownAt(packets, i, frame);
        if (shown >= startAt - frame * kPictureFraction)
            keyframe = i;
        if (shown <= startAt + frame * kPictureFraction || keyframe)
            anchor = shown;
    }
    if (!anchor)
        return std::nullopt;
    // Pictures follow each other a frame apart from the keyframe on either side.
    ProgramSpan span;
    span.frameDuration = frame;
    span.firstPicture = *anchor + std::ceil((startAt - *anchor) / frame - kPictureFraction) * frame;
    auto picturesTo = [&](double time) {
        return std::max(0, static_cast<int>(std::ceil((time - span.firstPicture) / frame - kPictureFraction)));
    };
    if (keyframe && *anchor < endAt) {
        span.headPictures = picturesTo(*anchor);
        span.keyframeDts = packets[*keyframe].dts;
        return span;
    }
    // The whole clip lies before the next keyframe: the listing must reach its end.
    if (!keyframe && packets.back().dts < endAt)
        return std::nullopt;
    span.headPictures = picturesTo(endAt);
    return span;
}

CutAfterSeek CutAtSpanKeyframe(const ProgramSpan& span, double seek, double sourceStart)
{
    return {seek, span.keyframeDts.value_or(span.firstPicture) - kCutMargin, sourceStart, span.firstPicture};
}

std::vector<std::string> ProgramHeadArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const ProgramSpan& span, double seek, const std::string& path)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "error", "-copyts"};
    if (seek > 0)
        Append(args, {"-ss", EngineSeconds(seek)});
    AppendSourceInput(args, request);
    // Quantiser 2 keeps the re-encoded pictures above the source's quality;
    // without B pictures the head's last one is shown before the tail's
    // keyframe, and short groups keep players' buffers as they expect.
    Append(args, {"-map", "0:v:0", "-ss", EngineSeconds(span.firstPicture - span.frameDuration / 2), "-frames:v",
                  std::to_string(span.headPictures), "-c:v", facts.videoCodec, "-q:v", "2", "-bf", "0", "-g", "12"});
    if (!facts.pixelFormat.empty())
        Append(args, {"-pix_fmt", facts.pixelFormat});
    if (facts.videoCodec == "mpeg2video") {
        static const std::map<std::string, std::string> kProfiles = {
            {"4:2:2", "0"}, {"High", "1"}, {"Main", "4"}, {"Simple", "5"}};
        if (const auto found = kProfiles.find(facts.profile); found != kProfiles.end())
            Append(args, {"-profile:v", found->second});
        if (facts.fieldOrder == "top first" || facts.fieldOrder == "bottom first")
            Append(args, {"-flags", "+ilme+ildct", "-top", facts.fieldOrder == "top first" ? "1" : "0"});
    }
    Append(args, {"-f", facts.videoCodec, path});
    return args;
}

std::vector<std::string> ProgramTailArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const ProgramSpan& span, double seek, double end,
                                              const std::string& path)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "error", "-copyts"};
    if (seek > 0)
        Append(args, {"-ss", EngineSeconds(seek)});
    AppendSourceInput(args, request);
    const double begin = span.keyframeDts.value_or(0) - kCutMargin;
    Append(args, {"-map", "0:v:0", "-c", "copy", "-ss", EngineSeconds(begin), "-t",
                  EngineSeconds(std::max(end - begin, 1e-6)), "-f", facts.videoCodec, path});
    return args;
}

std::string JoinProgramVideo(std::string_view head, std::string_view tail)
{
    constexpr unsigned char kPicture = 0x00, kSequenceEnd = 0xB7, kSequence = 0xB3, kGroup = 0xB8;
    constexpr int kIntra = 1, kBidirectional = 3;
    std::string out(head);
    if (out.size() >= 4 && out.compare(out.size() - 4, 4, std::string("\0\0\1\xB7", 4)) == 0)
        out.resize(out.size() - 4);
    const std::vector<std::size_t> starts = StartCodes(tail);
    out.append(tail.substr(0, starts.empty() ? tail.size() : starts.front()));
    enum { BeforeKeyframe, LeadingPictures, Rest } state = BeforeKeyframe;
    bool drop = false;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t from = starts[k];
        const std::size_t to = k + 1 < starts.size() ? starts[k + 1] : tail.size();
        const auto code = static_cast<unsigned char>(tail[from + 3]);
        if (code == kPicture && from + 5 < tail.size()) {
            // temporal_reference (10 bits), then picture_coding_type (3 bits)
            const int type = (static_cast<unsigned char>(tail[from + 5]) >> 3) & 7;
            if (state == BeforeKeyframe && type == kIntra)
                state = LeadingPictures;
            else if (state == LeadingPictures && type != kBidirectional)
                state = Rest;
            drop = state == LeadingPictures && type == kBidirectional;
        } else if (code == kSequence || code == kGroup || code == kSequenceEnd) {
            drop = false;
        }
        if (!drop)
            out.append(tail.substr(from, to - from));
    }
    return out;
}

std::vector<std::string> VideoDelayArguments(const ProgramStreamFacts& facts, const std::string& path)
{
    return {"-hide_banner", "-nostdin", "-loglevel", "error", "-fflags", "+genpts", "-f", "mpegvideo", "-r",
            ExactRate(facts.frameRate), "-i", path, "-c", "copy", "-frames:v", "1", "-f", "framecrc", "-"};
}

std::optional<double> ReadVideoDelay(std::string_view listing)
{
    // The listing has no description of the source: give it a start.
    const PacketList list = ReadPacketList(std::string("Duration: 00:00:00.00, start: 0.000000, bitrate: 0\n")
                                           + std::string(listing));
    if (list.packets.empty() || !list.packets.front().pts)
        return std::nullopt;
    return *list.packets.front().pts - list.packets.front().dts;
}

std::vector<std::string> ProgramSoundArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                               double from, double end, const std::vector<std::string>& paths)
{
    // The engine drops a copied stream's packets before the time its input
    // seeked to, when that time is the sound's own: the first whole frame at
    // the start comes first. With the source's own times, the end is one too.
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "error",
                                     "-copyts", "-seek_timestamp", "1", "-ss", EngineSeconds(from)};
    AppendSourceInput(args, request);
    for (std::size_t k = 0; k < paths.size() && k < facts.audioCodecs.size(); ++k)
        Append(args, {"-map", "0:a:" + std::to_string(k), "-c", "copy", "-copypriorss:a", "0", "-t",
                      EngineSeconds(end), "-f", RawSoundFormat(facts.audioCodecs[k])->write, paths[k]});
    for (std::size_t k = 0; k < paths.size(); ++k)
        Append(args, {"-map", "0:a:" + std::to_string(k)});
    Append(args, {"-c", "copy", "-copypriorss:a", "0", "-t", EngineSeconds(from + 1), "-f", "framecrc", "-"});
    return args;
}

std::vector<std::optional<double>> ReadSoundStarts(std::string_view listing, std::size_t tracks)
{
    std::vector<std::optional<double>> starts(tracks);
    std::map<std::size_t, double> ticks;
    for (std::string_view line : Lines(listing)) {
        std::size_t stream = 0;
        if (line.substr(0, 4) == "#tb ") {
            const std::string_view rest = line.substr(4);
            const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), stream);
            const std::size_t slash = rest.find('/');
            std::int64_t num = 0, den = 0;
            const std::size_t colon = rest.find(':');
            if (r.ec != std::errc() || slash == std::string_view::npos || colon == std::string_view::npos)
                continue;
            const std::string_view n = TrimOf(rest.substr(colon + 1, slash - colon - 1));
            const std::string_view d = TrimOf(rest.substr(slash + 1));
            std::from_chars(n.data(), n.data() + n.size(), num);
            std::from_chars(d.data(), d.data() + d.size(), den);
            if (num > 0 && den > 0)
                ticks[stream] = static_cast<double>(num) / static_cast<double>(den);
            continue;
        }
        const auto r = std::from_chars(line.data(), line.data() + line.size(), stream);
        if (r.ec != std::errc() || stream >= tracks || starts[stream] || !ticks.count(stream))
            continue;
        std::string_view rest(r.ptr, static_cast<std::size_t>(line.data() + line.size() - r.ptr));
        // ", dts, pts, ...": the presentation time
        for (int field = 0; field < 2; ++field) {
            const std::size_t comma = rest.find(',');
            if (comma == std::string_view::npos) {
                rest = {};
                break;
            }
            rest.remove_prefix(comma + 1);
        }
        const std::string_view pts = TrimOf(rest.substr(0, rest.find(',')));
        std::int64_t value = 0;
        const auto p = std::from_chars(pts.data(), pts.data() + pts.size(), value);
        if (!pts.empty() && p.ec == std::errc() && p.ptr == pts.data() + pts.size())
            starts[stream] = static_cast<double>(value) * ticks[stream];
    }
    return starts;
}

std::vector<std::string> ProgramJoinArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const std::string& videoPath, double firstShown, double videoDelay,
                                              const std::vector<std::string>& soundPaths,
                                              const std::vector<double>& soundStarts)
{
    // Counted from the earliest of them, so that the progress the engine
    // reports counts from the clip's start.
    double base = firstShown;
    for (double start : soundStarts)
        base = std::min(base, start);
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats"};
    AppendSourceTimes(args);
    Append(args, {"-fflags", "+genpts", "-itsoffset", EngineSeconds(firstShown - videoDelay - base), "-f", "mpegvideo",
                  "-r", ExactRate(facts.frameRate), "-i", videoPath});
    for (std::size_t k = 0; k < soundPaths.size(); ++k)
        Append(args, {"-itsoffset", EngineSeconds(soundStarts[k] - base), "-f",
                      RawSoundFormat(facts.audioCodecs[k])->read, "-i", soundPaths[k]});
    Append(args, {"-map", "0:v:0"});
    for (std::size_t k = 0; k < soundPaths.size(); ++k)
        Append(args, {"-map", std::to_string(k + 1) + ":a:0"});
    Append(args, {"-c", "copy", "-avoid_negative_ts", "make_zero", request.output});
    return args;
}

} // namespace korvane::frontend
