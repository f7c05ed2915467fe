#include "converter/ExactSpan.h"
#include "converter/H264Sets.h"

#include <algorithm>

namespace korvane::frontend {
namespace {

// A picture "at" the start may sit half a millisecond before it: the main
// program writes its marks to the millisecond, frame times are finer.
constexpr double kMarkRounding = 0.0005;
// Times the listing gives in different ticks are the same below this.
constexpr double kSameTime = 1e-4;

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

double ShownAt(const VideoPacket& p)
{
    return p.pts ? *p.pts : p.dts;
}


} // namespace

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

} // namespace korvane::frontend
