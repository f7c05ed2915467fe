#include "converter/CopyPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvane::frontend {
namespace {

bool IsCodecOption(std::string_view name)
{
    for (std::string_view whole : {"c", "codec", "vcodec", "acodec", "scodec", "dcodec"})
        if (name == whole)
            return true;
    return name.substr(0, 2) == "c:" || name.substr(0, 6) == "codec:";
}

} // namespace

CopyOptionsResult ReadCopyOptions(const ClipRequest& request)
{
    CopyOptionsResult result;
    auto needs = [&result](std::string why) {
        result.needsEngine = std::move(why);
        return result;
    };
    if (!request.noVideo && !request.videoCopied)
        return needs("the picture is encoded");
    if (!request.noAudio && !request.audioCopied)
        return needs("the sound is encoded");
    if (!request.videoFilters.empty() || !request.audioFilters.empty() || request.size)
        return needs("the profile changes the pictures or the sound");
    if (request.ownMaps)
        return needs("the profile picks the tracks itself");
    if (!request.inputOptions.empty())
        return needs("the profile sets how the source is read");

    CopyOptions options;
    options.video = !request.noVideo;
    options.audio = !request.noAudio;
    options.subtitles = !request.noSubtitles;
    const std::vector<std::string>& words = request.options;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::string name = word.substr(1);
        if (name == "vn" || name == "an" || name == "sn")
            continue;  // read with the request
        if (name == "dn") {
            options.data = false;
            continue;
        }
        if (name == "bitexact") {
            options.bitexact = true;
            continue;
        }
        if (i + 1 >= words.size() || LooksLikeOption(words[i + 1]))
            return needs("the option " + word);
        const std::string& value = words[++i];
        if (IsCodecOption(name)) {
            if (value != "copy")
                return needs("the option " + word + " " + value);
        } else if (name == "aspect") {
            options.aspect = value;
        } else if (name == "f") {
            options.format = value;
        } else if (name == "metadata") {
            const std::size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0)
                return needs("the option " + word + " " + value);
            options.metadata.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (name.find(':') != std::string::npos || name == "t" || name == "to" || name == "ss"
                   || name == "fs" || name == "r" || name == "frames" || name == "vframes" || name == "aframes"
                   || name == "map_metadata" || name == "map_chapters" || name == "bsf" || name == "tag"
                   || name == "vtag" || name == "atag" || name == "disposition") {
            return needs("the option " + word);
        } else {
            options.writerOptions.emplace_back(name, value);
        }
    }
    result.options = std::move(options);
    return result;
}

std::optional<ShownSpan> SubtitleInClip(double from, double length, double clipFrom, double clipTo)
{
    if (!std::isfinite(from) || from >= clipTo - kSameTick)
        return std::nullopt;
    if (!(length > 0)) {
        // Shown until the next one: only one that begins inside the clip
        // can be placed.
        if (from < clipFrom - kSameTick)
            return std::nullopt;
        return ShownSpan{from, 0};
    }
    const double to = std::min(from + length, clipTo);
    const double begin = std::max(from, clipFrom);
    if (to <= begin + kSameTick)
        return std::nullopt;
    return ShownSpan{begin, to - begin};
}

std::optional<std::string> TimecodeAfter(const std::string& timecode, long long frames, double rate)
{
    int h = 0, m = 0, s = 0, f = 0;
    char sep = 0;
    int used = 0;
    if (std::sscanf(timecode.c_str(), "%2d:%2d:%2d%c%3d%n", &h, &m, &s, &sep, &f, &used) != 5
        || used != static_cast<int>(timecode.size()) || (sep != ':' && sep != ';' && sep != '.')
        || !(rate > 0 && rate < 1000) || m > 59 || s > 59 || h < 0 || m < 0 || s < 0 || f < 0)
        return std::nullopt;
    const long long fps = std::llround(rate);
    if (fps <= 0 || f >= fps)
        return std::nullopt;
    const bool dropFrame = sep != ':';
    // Frame numbers a drop-frame code skips each minute: 2 at 29.97, 4 at 59.94.
    const long long drop = dropFrame ? std::llround(rate * 0.066666) : 0;
    const long long minutes = 60LL * h + m;
    long long n = ((3600LL * h + 60LL * m + s) * fps + f) - drop * (minutes - minutes / 10);
    const long long perDay = 24LL * 3600 * fps - drop * (24 * 60 - 24 * 6);
    n = ((n + frames) % perDay + perDay) % perDay;
    if (drop > 0) {
        const long long perTenMinutes = fps * 600 - drop * 9;
        const long long perMinute = fps * 60 - drop;
        const long long tens = n / perTenMinutes;
        const long long rest = n % perTenMinutes;
        n += drop * 9 * tens + (rest > drop ? drop * ((rest - drop) / perMinute) : 0);
    }
    char text[96];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%02lld", n / (fps * 3600), n / (fps * 60) % 60,
                  n / fps % 60, sep, n % fps);
    return std::string(text);
}

std::string KeyframeStartNotice(double keyframe, const std::string& why)
{
    const long long ms = std::llround(std::max(keyframe, 0.0) * 1000);
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return std::string("Starts at the keyframe before its mark, ") + text + ": its exact start could not be made ("
        + why + ").";
}

} // namespace korvane::frontend
