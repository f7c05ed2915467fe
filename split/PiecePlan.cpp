#include "split/PiecePlan.h"

#include "app/Text.h"
#include "converter/PacketListing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>

namespace korvane {
namespace {

// Times closer than this are one time: the engine counts in microseconds.
constexpr double kSameTime = 1e-6;
// What a container adds to the packets it holds: a header and index of its
// own, and per packet its index entry and chunk header.
constexpr double kContainerBytes = 16 * 1024;
constexpr double kBytesPerPacket = 24;
// Encoders miss the rate they are asked for, by more at the start than once
// a piece of their own work has been measured.
constexpr double kFirstEstimateShare = 0.9;
constexpr double kMeasuredShare = 0.96;
// Bytes a second taken when the profile names no rate: a generous one, so
// that the first piece stays within the limit.
constexpr double kGuessedBytesPerSecond = 2.5e6 / 8;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::optional<double> Decimal(std::string_view text)
{
    text = Trim(text);
    if (text.empty())
        return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "#tb 1: 1/48000" or "#media_type 1: audio": the stream and what follows.
std::optional<std::pair<int, std::string_view>> HeaderOf(std::string_view line, std::string_view key)
{
    if (line.substr(0, key.size()) != key)
        return std::nullopt;
    line.remove_prefix(key.size());
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const auto stream = WholeNumberOf<int>(line.substr(0, colon));
    if (!stream)
        return std::nullopt;
    return std::make_pair(*stream, Trim(line.substr(colon + 1)));
}

} // namespace

SourcePackets ReadSourcePackets(std::string_view listing)
{
    struct Raw {
        int stream;
        std::int64_t time;
        std::int64_t decode;
        std::int64_t size;
        bool key;
    };
    std::map<int, double> ticks;
    std::optional<int> video;
    std::optional<double> origin;
    std::vector<Raw> raw;
    while (!listing.empty()) {
        const std::size_t end = listing.find('\n');
        const std::string_view line = Trim(listing.substr(0, end));
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        if (const auto tb = HeaderOf(line, "#tb ")) {
            const std::size_t slash = tb->second.find('/');
            const auto num = WholeNumberOf<std::int64_t>(tb->second.substr(0, slash));
            const auto den = slash == std::string_view::npos ? std::nullopt
                                                              : WholeNumberOf<std::int64_t>(tb->second.substr(slash + 1));
            if (num && den && *den > 0)
                ticks[tb->first] = static_cast<double>(*num) / static_cast<double>(*den);
            continue;
        }
        if (const auto type = HeaderOf(line, "#media_type ")) {
            if (type->second == "video" && !video)
                video = type->first;
            continue;
        }
        if (const std::size_t at = line.find("Duration:"); at != std::string_view::npos && !origin) {
            const std::size_t start = line.find("start:", at);
            if (start != std::string_view::npos) {
                std::string_view rest = line.substr(start + 6);
                rest = rest.substr(0, rest.find(','));
                origin = Decimal(rest);
            }
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;
        const std::optional<frontend::ListedPacket> p = frontend::ReadListedPacket(line);
        if (!p || p->size <= 0 || (!p->pts && !p->dts))
            continue;
        const std::int64_t time = p->pts ? *p->pts : *p->dts;
        raw.push_back(Raw{p->stream, time, p->dts.value_or(time), p->size, p->key});
    }

    SourcePackets out;
    const int videoStream = video.value_or(0);
    const double zero = origin.value_or(0);
    for (const Raw& r : raw) {
        const auto tick = ticks.find(r.stream);
        if (tick == ticks.end())
            continue;
        const double time = static_cast<double>(r.time) * tick->second - zero;
        out.packets.push_back({time, r.size});
        if (r.stream == videoStream && r.key)
            out.keyframes.push_back({time, std::min(time, static_cast<double>(r.decode) * tick->second - zero)});
    }
    auto& keys = out.keyframes;
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](const auto& a, const auto& b) { return std::abs(a.time - b.time) < kSameTime; }),
               keys.end());
    return out;
}

std::vector<ClipSpan> PiecesOfLength(double rangeStart, double rangeLength, double pieceLength)
{
    std::vector<ClipSpan> pieces;
    if (!(pieceLength > 0) || !(rangeLength > 0))
        return pieces;
    const double end = rangeStart + rangeLength;
    // Counted, not added up, so that no rounding leaves a sliver at the end.
    for (std::int64_t k = 0;; ++k) {
        const double start = rangeStart + static_cast<double>(k) * pieceLength;
        if (end - start < 1e-3)
            break;
        pieces.push_back({start, std::min(pieceLength, end - start)});
    }
    return pieces;
}

std::vector<ClipSpan> PiecesOfSizeAtKeyframes(const SourcePackets& source, double rangeStart, double rangeLength,
                                              double limitBytes)
{
    const double end = rangeStart + rangeLength;
    // Bytes up to a time: the packets' sizes added up in the order of their times.
    std::vector<std::pair<double, double>> sums;
    sums.reserve(source.packets.size());
    for (const SourcePackets::Packet& p : source.packets)
        sums.emplace_back(p.time, static_cast<double>(p.size));
    std::sort(sums.begin(), sums.end());
    std::vector<double> before(sums.size() + 1, 0);
    for (std::size_t i = 0; i < sums.size(); ++i)
        before[i + 1] = before[i] + sums[i].second;
    auto at = [&](double t) {
        return static_cast<std::size_t>(std::lower_bound(sums.begin(), sums.end(), std::make_pair(t, -1.0)) -
                                        sums.begin());
    };
    // Where the engine's copy really begins for a start: the keyframe shown
    // at or before it.
    auto landing = [&](double start) {
        const double seek = start + kSameTime;
        double found = start;
        for (const SourcePackets::Keyframe& k : source.keyframes) {
            if (k.time > seek)
                break;
            found = k.time;
        }
        return std::min(found, start);
    };
    auto cost = [&](double from, double to) {
        const std::size_t a = at(landing(from)), b = at(to);
        return before[b] - before[a] + kBytesPerPacket * static_cast<double>(b - a) + kContainerBytes;
    };

    std::vector<SourcePackets::Keyframe> cuts;
    for (const SourcePackets::Keyframe& k : source.keyframes)
        if (k.decode > rangeStart + kSameTime && k.time < end - kSameTime)
            cuts.push_back(k);

    std::vector<ClipSpan> pieces;
    double begin = rangeStart;
    std::size_t next = 0;
    while (end - begin > kSameTime) {
        if (cost(begin, end) <= limitBytes) {
            pieces.push_back({begin, end - begin});
            break;
        }
        while (next < cuts.size() && cuts[next].decode <= begin + kSameTime)
            ++next;
        std::size_t last = next;
        while (last < cuts.size() && cost(begin, cuts[last].time) <= limitBytes)
            ++last;
        // The farthest keyframe within the limit; without one the next keyframe.
        if (last == next && next == cuts.size()) {
            pieces.push_back({begin, end - begin});
            break;
        }
        const SourcePackets::Keyframe& stop = cuts[last > next ? last - 1 : next];
        // The converter ends a copy where its pictures are shown: pieces meet
        // at the keyframe, each picture in one of them.
        pieces.push_back({begin, stop.time - begin});
        begin = stop.time;
    }
    return pieces;
}

EncodedPieces::EncodedPieces(double rangeStart, double rangeLength, double limitBytes, double bytesPerSecond,
                             double frameRate)
    : end_(rangeStart + rangeLength),
      limit_(limitBytes),
      rate_(bytesPerSecond > 0 ? bytesPerSecond / kFirstEstimateShare * kMeasuredShare : kGuessedBytesPerSecond),
      frameRate_(frameRate),
      next_(rangeStart)
{
}

double EncodedPieces::Reach() const
{
    return std::max((limit_ - kContainerBytes) / rate_ * kMeasuredShare, 1.0);
}

std::optional<ClipSpan> EncodedPieces::Next()
{
    if (end_ - next_ < 1e-3)
        return std::nullopt;
    double stop = next_ + Reach();
    if (frameRate_ > 0) {
        // On a picture's own time: the engine then neither drops nor repeats
        // a picture when it puts the pieces' pictures on its even beat.
        const double picture = std::floor(stop * frameRate_ + 1e-6) / frameRate_;
        if (picture > next_)
            stop = picture;
    }
    last_ = {next_, std::min(stop, end_) - next_};
    next_ += last_.duration;
    ++given_;
    return last_;
}

bool EncodedPieces::Made(double bytes)
{
    if (bytes > kContainerBytes && last_.duration > 0)
        rate_ = (bytes - kContainerBytes) / last_.duration;
    if (bytes > limit_ && ++tries_ < 3 && last_.duration > 1.0) {
        next_ = last_.start;
        --given_;
        return true;
    }
    tries_ = 0;
    return false;
}

std::int32_t EncodedPieces::ExpectedCount() const
{
    const double rest = end_ - next_;
    if (rest < 1e-3)
        return given_;
    return given_ + static_cast<std::int32_t>(std::ceil(rest / Reach() - 1e-9));
}

namespace {

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t blank = rest.find_first_of(" \t");
        if (blank != 0)
            words.push_back(rest.substr(0, blank));
        rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    }
    return words;
}

} // namespace

bool CopiesVideo(std::string_view arguments)
{
    const std::vector<std::string_view> words = Words(arguments);
    bool copied = false;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string_view w = words[i];
        if (w == "-c" || w == "-codec" || w == "-c:v" || w == "-codec:v" || w == "-vcodec")
            copied = words[i + 1] == "copy";
    }
    return copied;
}

double BytesPerSecondOfArguments(std::string_view arguments)
{
    const std::vector<std::string_view> words = Words(arguments);
    auto bits = [](std::string_view value) -> double {
        double scale = 1;
        if (!value.empty() && (value.back() == 'k' || value.back() == 'K'))
            scale = 1e3;
        else if (!value.empty() && (value.back() == 'm' || value.back() == 'M'))
            scale = 1e6;
        if (scale != 1)
            value.remove_suffix(1);
        const auto n = Decimal(value);
        return n && *n > 0 ? *n * scale : 0;
    };
    double video = 0, audio = 0;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        const std::string_view w = words[i];
        if (w == "-b:v" || w == "-vb" || w == "-b")
            video = bits(words[i + 1]);
        else if (w == "-b:a" || w == "-ab")
            audio = bits(words[i + 1]);
    }
    return (video + audio) / 8;
}

} // namespace korvane
