#include "converter/ExactCut.h"
#include "converter/H264Sets.h"
#include "converter/MovieBoxes.h"
#include "converter/EngineGuard.h"
#include "app/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace korvane::frontend {
namespace {

// A picture "at" the start may sit half a millisecond before it: the main
// program writes its marks to the millisecond, frame times are finer.
constexpr double kMarkRounding = 0.0005;
// Times the listing gives in different ticks are the same below this.
constexpr double kSameTime = 1e-4;

// The fields of a description line, split at the commas outside brackets:
// "yuv420p(tv, bt709, progressive)" stays one field.
std::vector<std::string_view> TopLevelFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    int depth = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        else if (c == ',' && depth == 0) {
            fields.push_back(TrimOf(text.substr(from, i - from), " \t\r"));
            from = i + 1;
        }
    }
    return fields;
}

// "25 fps", "12800 tbn", "90k tbn": the number before the unit, or nothing.
std::optional<std::string_view> ValueWithUnit(std::string_view field, std::string_view unit)
{
    const std::size_t blank = field.rfind(' ');
    if (blank == std::string_view::npos || field.substr(blank + 1) != unit)
        return std::nullopt;
    return field.substr(0, blank);
}

bool ReadVideoLine(std::string_view line, VideoFacts& facts)
{
    constexpr std::string_view kStream = "Stream #0:";
    constexpr std::string_view kVideo = ": Video: ";
    const std::size_t stream = line.find(kStream);
    const std::size_t video = line.find(kVideo);
    if (stream == std::string_view::npos || video == std::string_view::npos || video < stream)
        return false;
    std::string_view index = line.substr(stream + kStream.size());
    index = index.substr(0, index.find_first_not_of("0123456789"));
    const auto place = WholeNumberOf<int>(index);
    if (!place)
        return false;
    facts.index = *place;
    const std::vector<std::string_view> fields = TopLevelFields(line.substr(video + kVideo.size()));
    if (fields.empty())
        return false;
    // "h264 (High) (avc1 / 0x31637661)": the codec, its profile, the tag.
    std::string_view codec = fields[0];
    facts.codec = std::string(codec.substr(0, codec.find(' ')));
    for (std::size_t open = codec.find('('); open != std::string_view::npos; open = codec.find('(', open + 1)) {
        const std::size_t close = codec.find(')', open);
        if (close == std::string_view::npos)
            break;
        const std::string_view inside = codec.substr(open + 1, close - open - 1);
        if (inside.find(" / ") == std::string_view::npos) {
            facts.profile = std::string(inside);
            break;
        }
    }
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string_view f = fields[i];
        if (i == 1 && !f.empty() && !(f[0] >= '0' && f[0] <= '9')) {
            // "yuv420p" or "yuv420p(tv, bt709, top first)".
            const std::size_t open = f.find('(');
            facts.pixelFormat = std::string(f.substr(0, open));
            if (open != std::string_view::npos) {
                const std::string_view inside = f.substr(open + 1, f.size() - open - 2);
                for (std::string_view order : {"progressive", "top first", "bottom first", "top coded first",
                                               "bottom coded first"}) {
                    if (inside.find(order) != std::string_view::npos) {
                        facts.fieldOrder = std::string(order);
                        break;
                    }
                }
            }
            continue;
        }
        if (facts.width == 0) {
            const std::size_t x = f.find('x');
            const std::size_t end = f.find_first_of(" [");
            if (x != std::string_view::npos && x < end) {
                const auto w = WholeNumberOf<int>(f.substr(0, x));
                const auto h = WholeNumberOf<int>(f.substr(x + 1, end == std::string_view::npos ? end : end - x - 1));
                if (w && h) {
                    facts.width = *w;
                    facts.height = *h;
                    const std::size_t sar = f.find("[SAR ");
                    if (sar != std::string_view::npos) {
                        std::string_view ratio = f.substr(sar + 5);
                        facts.sampleAspect = std::string(ratio.substr(0, ratio.find(' ')));
                    }
                    continue;
                }
            }
        }
        if (const auto fps = ValueWithUnit(f, "fps")) {
            facts.frameRate = std::string(*fps);
        } else if (const auto tbn = ValueWithUnit(f, "tbn")) {
            std::string_view digits = *tbn;
            const bool thousands = !digits.empty() && digits.back() == 'k';
            if (thousands)
                digits.remove_suffix(1);
            if (const auto value = WholeNumberOf<long>(digits))
                facts.timescale = thousands ? *value * 1000 : *value;
        }
    }
    return !facts.codec.empty();
}

bool HasChromaFormat(int profileIdc)
{
    for (int p : {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135})
        if (p == profileIdc)
            return true;
    return false;
}

bool ReadSps(std::string_view nal, H264Parameters& p)
{
    H264Bits bits(nal.substr(1));
    p.profileIdc = static_cast<int>(bits.Bits(8));
    const unsigned constraints = bits.Bits(8);
    p.constraintSet3 = (constraints >> 4) & 1u;
    p.levelIdc = static_cast<int>(bits.Bits(8));
    p.spsId = static_cast<int>(bits.Ue());
    if (HasChromaFormat(p.profileIdc)) {
        const std::uint32_t chroma = bits.Ue();
        if (chroma == 3)
            bits.Bit();
        bits.Ue();  // bit depths
        bits.Ue();
        bits.Bit();
        if (bits.Bit()) {
            for (int i = 0; i < (chroma == 3 ? 12 : 8) && !bits.Failed(); ++i) {
                if (!bits.Bit())
                    continue;
                int last = 8;
                int next = 8;
                for (int j = 0; j < (i < 6 ? 16 : 64) && !bits.Failed(); ++j) {
                    if (next != 0)
                        next = (last + bits.Se() + 256) % 256;
                    last = next == 0 ? last : next;
                }
            }
        }
    }
    bits.Ue();  // log2_max_frame_num_minus4
    const std::uint32_t pocType = bits.Ue();
    if (pocType == 0) {
        bits.Ue();
    } else if (pocType == 1) {
        bits.Bit();
        bits.Se();
        bits.Se();
        const std::uint32_t cycle = bits.Ue();
        for (std::uint32_t i = 0; i < cycle && i < 256 && !bits.Failed(); ++i)
            bits.Se();
    }
    bits.Ue();  // max_num_ref_frames
    bits.Bit();
    bits.Ue();  // width and height in macroblocks
    bits.Ue();
    p.frameMbsOnly = bits.Bit() != 0;
    return !bits.Failed() && p.spsId < 32;
}

std::string LevelText(const H264Parameters& p)
{
    return H264LevelName(p.profileIdc, p.levelIdc, p.constraintSet3);
}

std::optional<std::string> X264Profile(int profileIdc)
{
    return X264ProfileName(profileIdc);
}

double ShownAt(const VideoPacket& p)
{
    return p.pts ? *p.pts : p.dts;
}


bool IsMovFamily(Container c)
{
    return c == Container::Mov;
}

using movie::BoxEnd;
using movie::ChildBox;
using movie::Read32;

} // namespace

// "it's" -> 'it'\''s': the list reader's quoting.
std::string ListQuoted(std::string_view path)
{
    std::string out = "'";
    for (char c : path) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::optional<std::string> AddParameterSets(std::string_view moov, const std::vector<std::string>& parameterSets)
{
    if (moov.size() < 8 || Read32(moov, 0) != moov.size() || moov.substr(4, 4) != "moov")
        return std::nullopt;
    for (std::size_t trak = 8; trak + 8 <= moov.size(); trak = BoxEnd(moov, trak)) {
        const auto track = ChildBox(moov, trak, moov.size(), "trak");
        if (!track)
            return std::nullopt;
        trak = *track;
        // The boxes from the track down to the decoder configuration.
        std::vector<std::size_t> chain = {0, trak};
        for (std::string_view type : {"mdia", "minf", "stbl", "stsd"}) {
            const std::size_t parent = chain.back();
            const auto child = ChildBox(moov, parent + 8, BoxEnd(moov, parent), type);
            if (!child)
                break;
            chain.push_back(*child);
        }
        if (chain.size() != 6)
            continue;
        const std::size_t stsd = chain.back();
        // A full box with an entry count, then the sample entries; a picture's
        // entry holds 78 bytes of its own before its child boxes.
        constexpr std::size_t kVisualEntryFields = 78;
        std::optional<std::size_t> entry = ChildBox(moov, stsd + 16, BoxEnd(moov, stsd), "avc1");
        if (!entry)
            entry = ChildBox(moov, stsd + 16, BoxEnd(moov, stsd), "avc3");
        if (!entry || *entry + 8 + kVisualEntryFields > BoxEnd(moov, *entry))
            continue;
        const auto avcC = ChildBox(moov, *entry + 8 + kVisualEntryFields, BoxEnd(moov, *entry), "avcC");
        if (!avcC)
            continue;
        chain.push_back(*entry);

        // configurationVersion, profile, compatibility, level, length size,
        // then the sequence sets (count in 5 bits), the picture sets (count
        // in 8 bits), each with a 16-bit length, then what follows for the
        // higher profiles.
        const std::string_view config = moov.substr(*avcC + 8, Read32(moov, *avcC) - 8);
        if (config.size() < 7)
            return std::nullopt;
        std::vector<std::string> sets[2];
        std::size_t at = 5;
        for (int kind = 0; kind < 2; ++kind) {
            if (at >= config.size())
                return std::nullopt;
            const std::size_t count = static_cast<unsigned char>(config[at]) & (kind == 0 ? 0x1f : 0xff);
            ++at;
            for (std::size_t i = 0; i < count; ++i) {
                if (at + 2 > config.size())
                    return std::nullopt;
                const std::size_t length = (static_cast<unsigned char>(config[at]) << 8)
                    | static_cast<unsigned char>(config[at + 1]);
                if (at + 2 + length > config.size())
                    return std::nullopt;
                sets[kind].push_back(std::string(config.substr(at + 2, length)));
                at += 2 + length;
            }
        }
        const std::string_view rest = config.substr(at);
        for (const std::string& nal : parameterSets) {
            if (nal.empty() || nal.size() > 0xffff)
                continue;
            const int kind = (static_cast<unsigned char>(nal[0]) & 0x1f) == 7 ? 0 : 1;
            if (std::find(sets[kind].begin(), sets[kind].end(), nal) == sets[kind].end())
                sets[kind].push_back(nal);
        }
        if (sets[0].size() > 31 || sets[1].size() > 255)
            return std::nullopt;
        std::string rebuilt(config.substr(0, 5));
        for (int kind = 0; kind < 2; ++kind) {
            rebuilt += static_cast<char>(kind == 0 ? 0xe0 | sets[0].size() : sets[1].size());
            for (const std::string& nal : sets[kind]) {
                rebuilt += static_cast<char>(nal.size() >> 8);
                rebuilt += static_cast<char>(nal.size() & 0xff);
                rebuilt += nal;
            }
        }
        rebuilt += rest;
        const std::uint32_t grown = static_cast<std::uint32_t>(rebuilt.size() - config.size());
        std::string out(moov.substr(0, *avcC + 8));
        out += rebuilt;
        out += moov.substr(*avcC + 8 + config.size());
        movie::WriteNumber(out, *avcC, 4, 8 + rebuilt.size());
        for (const std::size_t box : chain)
            movie::WriteNumber(out, box, 4, Read32(out, box) + grown);
        return out;
    }
    return std::nullopt;
}

std::optional<VideoFacts> ReadVideoFacts(std::string_view engineText)
{
    std::optional<VideoFacts> first;
    int pictureStreams = 0;
    bool inFirst = false;  // within the first picture stream's lines
    while (!engineText.empty()) {
        const std::size_t end = engineText.find('\n');
        const std::string_view line = engineText.substr(0, end);
        engineText.remove_prefix(end == std::string_view::npos ? engineText.size() : end + 1);
        if (line.find("Output #") != std::string_view::npos)
            break;
        if (line.find("Stream #") != std::string_view::npos)
            inFirst = false;
        VideoFacts facts;
        if (ReadVideoLine(line, facts)) {
            ++pictureStreams;
            if (!first) {
                first = facts;
                inFirst = true;
            }
            continue;
        }
        // "      rotate          : 270" among the stream's metadata.
        const std::string_view item = TrimOf(line, " \t\r");
        if (inFirst && item.substr(0, 6) == "rotate") {
            const std::size_t colon = item.find(':');
            if (colon != std::string_view::npos && TrimOf(item.substr(0, colon), " ") == "rotate")
                if (const auto degrees = WholeNumberOf<int>(TrimOf(item.substr(colon + 1), " ")))
                    first->rotation = *degrees;
        }
    }
    if (first)
        first->pictureStreams = pictureStreams;
    return first;
}

std::optional<H264Parameters> ReadH264Parameters(std::string_view annexB)
{
    H264Parameters p;
    bool haveSps = false;
    bool havePps = false;
    std::size_t pos = 0;
    auto nextStart = [&annexB](std::size_t from) {
        const std::size_t at = annexB.find(std::string_view("\0\0\1", 3), from);
        return at == std::string_view::npos ? annexB.size() : at;
    };
    for (std::size_t start = nextStart(0); start < annexB.size(); start = pos) {
        const std::size_t begin = start + 3;
        pos = nextStart(begin);
        std::string_view nal = annexB.substr(begin, pos - begin);
        while (!nal.empty() && nal.back() == '\0')
            nal.remove_suffix(1);  // the leading zero of a four-byte start code
        if (nal.empty())
            continue;
        const int type = static_cast<unsigned char>(nal[0]) & 0x1f;
        if (type >= 1 && type <= 5)
            break;  // the first slice: the sets in front of it are all there are
        if (type == 7 || type == 8)
            p.parameterSets.push_back(std::string(nal));
        if (type == 7 && !haveSps) {
            haveSps = ReadSps(nal, p);
            if (!haveSps)
                return std::nullopt;
        } else if (type == 8 && !havePps) {
            H264Bits bits(nal.substr(1));
            p.ppsId = static_cast<int>(bits.Ue());
            havePps = !bits.Failed() && p.ppsId < 256;
            if (!havePps)
                return std::nullopt;
        }
    }
    if (!haveSps || !havePps)
        return std::nullopt;
    return p;
}

SpanResult FindExactSpan(const PacketList& list, double start, std::optional<double> end, bool listingCoversClip)
{
    SpanResult result;
    if (!list.sourceStart)
        return result;
    const double from = *list.sourceStart + start - kMarkRounding;
    std::vector<double> shown;
    for (const VideoPacket& p : list.packets)
        shown.push_back(ShownAt(p));
    std::sort(shown.begin(), shown.end());
    const auto first = std::lower_bound(shown.begin(), shown.end(), from);
    if (first == shown.end() || (end && *first >= *end - kSameTime))
        return result;
    ExactSpan span;
    span.firstPicture = *first;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        const double step = shown[i] - shown[i - 1];
        if (step > kSameTime && (span.frameDuration == 0 || step < span.frameDuration))
            span.frameDuration = step;
    }
    const VideoPacket* before = nullptr;
    for (const VideoPacket& p : list.packets)
        if (p.key && ShownAt(p) <= span.firstPicture + kSameTime)
            before = &p;
    if (before) {
        span.decodingOrderTimes = !before->pts;
        span.decodeFrom = ShownAt(*before);
        span.skipPictures = static_cast<int>(std::count_if(shown.begin(), first, [&](double t) {
            return t >= span.decodeFrom - kSameTime;
        }));
    } else if (list.packets.empty() || !list.packets.front().pts) {
        return result;  // nothing to count the pictures from
    }
    const VideoPacket* keyframe = nullptr;
    for (const VideoPacket& p : list.packets) {
        if (p.key && ShownAt(p) >= span.firstPicture - kSameTime) {
            keyframe = &p;
            break;
        }
    }
    if (keyframe && (!end || ShownAt(*keyframe) < *end - kSameTime)) {
        span.keyframe = ShownAt(*keyframe);
        span.keyframeDelay = keyframe->pts ? std::max(*keyframe->pts - keyframe->dts, 0.0) : 0.0;
        span.startsOnKeyframe = *span.keyframe <= span.firstPicture + kSameTime;
    } else if (!keyframe && !listingCoversClip) {
        result.complete = false;
        return result;
    }
    const double headEnd = span.keyframe ? *span.keyframe : end.value_or(shown.back() + 1);
    span.headPictures = static_cast<int>(
        std::count_if(first, shown.end(), [&](double t) { return t < headEnd - kSameTime; }));
    result.span = span;
    return result;
}

bool HasHeadRecipe(std::string_view codec, Container container)
{
    if (codec == "h264")
        return container == Container::Mov || container == Container::Avi;
    return false;
}

bool HasHeadRecipes(Container container)
{
    for (std::string_view codec : {"h264", "mpeg1video", "mpeg2video", "mpeg4"})
        if (HasHeadRecipe(codec, container))
            return true;
    return false;
}

std::optional<std::vector<std::string>> HeadEncoderOptions(const ExactSource& source)
{
    if (!HasHeadRecipe(source.video.codec, source.container))
        return std::nullopt;
    return H264HeadOptions(source);
}

std::optional<std::vector<std::string>> H264HeadOptions(const ExactSource& source)
{
    if (!source.h264 || source.span.frameDuration <= 0)
        return std::nullopt;
    const H264Parameters& p = *source.h264;
    const std::optional<std::string> profile = X264Profile(p.profileIdc);
    const std::string& format = source.video.pixelFormat;
    const bool eightBit = format == "yuv420p" || format == "yuvj420p" || format == "yuv422p" || format == "yuvj422p"
        || format == "yuv444p" || format == "yuvj444p";
    if (!profile || !eightBit)
        return std::nullopt;
    // The head's parameter sets travel beside the source's (the tail keeps
    // its own): they need a number of their own.
    int id = 1;
    while (id == p.spsId || id == p.ppsId)
        ++id;
    std::string params = "sps-id=" + std::to_string(id);
    // The head's pictures are shown as much later than decoded as the
    // source's, so that its decoding times run on into the tail's without
    // going back: no reordering, one picture, or two (pyramid).
    const long delay = std::lround(source.span.keyframeDelay / source.span.frameDuration);
    if (delay == 0 || p.profileIdc == 66)
        params += ":bframes=0";
    else if (delay == 1)
        params += ":bframes=1:b-pyramid=none";
    else if (delay == 2)
        params += ":bframes=3:b-pyramid=normal";
    else
        return std::nullopt;
    if (p.profileIdc == 66 && delay != 0)
        return std::nullopt;
    // Well above what the source's own pictures hold, so that the head does
    // not look worse than the tail; the fastest preset that still reorders
    // pictures, since the encoding is most of the cut's cost.
    std::vector<std::string> options = {"-c:v", "libx264", "-preset", "superfast",
                                        "-crf", "14", "-pix_fmt", format, "-profile:v", *profile, "-level",
                                        LevelText(p)};
    if (!p.frameMbsOnly) {
        params += source.video.fieldOrder.find("bottom") == 0 ? ":interlaced=1:bff=1" : ":interlaced=1:tff=1";
        options.insert(options.end(), {"-flags", "+ildct+ilme"});
    }
    options.insert(options.end(), {"-x264-params", params});
    if (IsMovFamily(source.container) && source.video.timescale > 0)
        options.insert(options.end(), {"-video_track_timescale", std::to_string(source.video.timescale)});
    return options;
}

std::vector<std::string> H264ParameterArguments(const ClipRequest& request, double keyframe, double sourceStart)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-loglevel", "quiet", "-nostats"};
    const double seek = keyframe - sourceStart;
    if (seek > 0)
        args.insert(args.end(), {"-ss", EngineSeconds(seek)});
    AppendSourceInput(args, request);
    args.insert(args.end(), {"-map", "0:v:0", "-frames:v", "1", "-c", "copy", "-bsf:v",
                             "h264_mp4toannexb", "-f", "h264", "-"});
    return args;
}

std::vector<std::string> HeadArguments(const ClipRequest& request, const ExactSpan& span, double sourceStart,
                                       const std::vector<std::string>& encoderOptions, const std::string& headPath)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats"};
    std::vector<std::string> pick;
    if (span.decodingOrderTimes) {
        // From the keyframe before on, every picture decoded, the first ones
        // counted off, the rest timed one frame after the other.
        const double seek = span.decodeFrom - sourceStart;
        if (seek > 0)
            args.insert(args.end(), {"-noaccurate_seek", "-ss", EngineSeconds(seek + kMarkRounding)});
        pick = {"-vf", "select=gte(n\\," + std::to_string(span.skipPictures)
                           + "),settb=AVTB,setpts=N/FRAME_RATE/TB"};
    } else {
        // The engine decodes from the keyframe before and drops the pictures
        // shown before this time: the first picture kept is the span's.
        const double seek = span.firstPicture - sourceStart - kMarkRounding;
        if (seek > 0)
            args.insert(args.end(), {"-ss", EngineSeconds(seek)});
    }
    // Pictures stay as stored: the tail's are, and the clip says how to turn them.
    args.push_back("-noautorotate");
    AppendSourceInput(args, request);
    args.insert(args.end(), {"-map", "0:v:0", "-an", "-sn", "-dn", "-frames:v",
                             std::to_string(span.headPictures), "-vsync", "passthrough"});
    args.insert(args.end(), pick.begin(), pick.end());
    args.insert(args.end(), encoderOptions.begin(), encoderOptions.end());
    args.push_back(headPath);
    return args;
}

std::string JoinListText(const std::string& headPath, const ClipRequest& request, const ExactSpan& span)
{
    std::string text = "ffconcat version 1.0\n";
    text += "file " + ListQuoted(headPath) + "\n";
    if (span.keyframe) {
        // The head lasts until the keyframe is shown: the tail follows on the frame.
        text += "duration " + EngineSeconds(*span.keyframe - span.firstPicture) + "\n";
        text += "file " + ListQuoted(request.input) + "\n";
        text += "inpoint " + EngineSeconds(*span.keyframe) + "\n";
    }
    return text;
}

std::vector<std::string> JoinArguments(const ClipRequest& request, const ExactSpan& span, double sourceStart,
                                       int rotation, const std::string& listPath, bool leaveOutSubtitles)
{
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats"};
    // The list is the front-end's own; the files it names are read under the
    // same restrictions as any source.
    const std::vector<std::string> restrictions = InputRestrictions();
    args.insert(args.end(), {"-f", "concat", "-safe", "0"});
    // MP4 and MOV keep the tail's packets as they are (the source's sets are
    // added to the clip's configuration afterwards, AddParameterSets), where
    // the list reader would write the sets again in front of every keyframe.
    if (ContainerOf(request.output) == Container::Mov)
        args.insert(args.end(), {"-auto_convert", "0"});
    for (std::size_t i = 0; i < restrictions.size(); ++i) {
        args.push_back(restrictions[i]);
        if (restrictions[i] == "-format_whitelist" && i + 1 < restrictions.size())
            args.push_back("concat," + restrictions[++i]);
    }
    args.insert(args.end(), {"-i", listPath});
    // The sound from the first picture on, from a reading of its own.
    const double soundFrom = span.firstPicture - sourceStart;
    if (soundFrom > 0)
        args.insert(args.end(), {"-ss", EngineSeconds(soundFrom)});
    AppendSourceInput(args, request);
    TrackPlan tracks = PlanTracks(request);
    if (leaveOutSubtitles)
        tracks.subtitles = false;
    std::vector<std::string> trackArgs = TrackArguments(tracks, true);
    if (trackArgs.empty())
        trackArgs = {"-map", "0:v:0", "-map", "1:a:0?"};
    if (request.duration) {
        // The clip ends where it would have: its length counts from the
        // marked start, the first picture may be up to half a millisecond before it.
        const double length = request.start + *request.duration - (span.firstPicture - sourceStart);
        args.insert(args.end(), {"-t", EngineSeconds(std::max(length, 1e-6))});
    }
    args.insert(args.end(), request.options.begin(), request.options.end());
    args.insert(args.end(), trackArgs.begin(), trackArgs.end());
    // The head's pictures come without the source's turn; the clip gets it
    // back. The engine writes a "rotate" it is given as the turn the other
    // way from the one it reads as that value.
    const int turn = ((360 - rotation % 360) % 360 + 360) % 360;
    if (turn != 0)
        args.insert(args.end(), {"-metadata:s:v:0", "rotate=" + std::to_string(turn)});
    // Sound packets before the first picture would pull the clip's zero before it.
    args.insert(args.end(), {"-copypriorss:a", "0"});
    // MP4 and MOV show the reordered pictures from the first one by their edit
    // list, as the source does; other files start every stream at 0.
    args.insert(args.end(), {"-avoid_negative_ts", ContainerOf(request.output) == Container::Mov ? "disabled"
                                                                                                 : "make_zero"});
    args.push_back(request.output);
    return args;
}

std::string HeadPath(const std::string& output)
{
    const std::size_t dot = output.find_last_of('.');
    const std::size_t slash = output.find_last_of("\\/");
    const std::string ext =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? output.substr(dot) : ".mp4";
    return output + ".head" + ext;
}

std::string JoinListPath(const std::string& output)
{
    return output + ".join.txt";
}

std::string OwnFilePath(const std::string& output, OwnFile which)
{
    switch (which) {
    case OwnFile::HeadStream: return output + ".head.es";
    case OwnFile::TailStream: return output + ".tail.es";
    case OwnFile::JoinedVideo: return output + ".video.es";
    case OwnFile::HeadAvi: return output + ".head.avi";
    case OwnFile::TailMpeg4: return output + ".tail.m4v";
    case OwnFile::TailAvi: return output + ".tail.avi";
    }
    return output + ".part";
}

std::string OwnSoundPath(const std::string& output, std::size_t track)
{
    return output + ".sound" + std::to_string(track) + ".es";
}

std::vector<std::string> OwnFilePaths(const std::string& output)
{
    std::vector<std::string> paths{HeadPath(output), JoinListPath(output)};
    for (OwnFile which : {OwnFile::HeadStream, OwnFile::TailStream, OwnFile::JoinedVideo, OwnFile::HeadAvi,
                          OwnFile::TailMpeg4, OwnFile::TailAvi})
        paths.push_back(OwnFilePath(output, which));
    return paths;
}

} // namespace korvane::frontend
