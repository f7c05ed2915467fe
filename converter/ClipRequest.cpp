#include "converter/ClipRequest.h"
#include "converter/EngineGuard.h"
#include "converter/Tracks.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace korvane::frontend {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Options of the engine that take no value. Any other option takes the next
// word, unless that word is itself an option (a switch this list does not
// know yet must not swallow the option after it).
constexpr std::array<std::string_view, 24> kSwitches = {
    "y", "n", "vn", "an", "sn", "dn", "bitexact", "shortest", "copyts", "start_at_zero",
    "copyinkf", "stats", "nostats", "hide_banner", "nostdin", "accurate_seek", "noaccurate_seek",
    "xerror", "re", "ignore_unknown", "copy_unknown", "debug_ts", "benchmark", "benchmark_all"};

bool IsSwitch(std::string_view name)
{
    for (std::string_view s : kSwitches)
        if (s == name)
            return true;
    return false;
}

// Which streams an option such as -c, -c:v, -codec:a:0 or -vcodec sets.
struct Streams {
    bool video = false;
    bool audio = false;
};

std::optional<Streams> CodecOptionStreams(std::string_view name)
{
    if (name == "vcodec")
        return Streams{true, false};
    if (name == "acodec")
        return Streams{false, true};
    if (name == "c" || name == "codec")
        return Streams{true, true};
    for (std::string_view base : {std::string_view("c:"), std::string_view("codec:")}) {
        if (name.substr(0, base.size()) != base)
            continue;
        const std::string_view specifier = name.substr(base.size());
        if (!specifier.empty() && specifier[0] == 'v')
            return Streams{true, false};
        if (!specifier.empty() && specifier[0] == 'a')
            return Streams{false, true};
        // Subtitles, data, attachments, or a stream by its number: not the
        // picture's or the sound's form as such.
        if (!specifier.empty())
            return Streams{false, false};
        return Streams{true, true};
    }
    return std::nullopt;
}

bool IsVideoFilterOption(std::string_view name)
{
    return name == "vf" || name == "filter:v";
}

bool IsAudioFilterOption(std::string_view name)
{
    return name == "af" || name == "filter:a";
}

std::string ShortWord(std::string_view word)
{
    constexpr std::size_t kLongest = 60;
    if (word.size() <= kLongest)
        return std::string(word);
    return std::string(word.substr(0, kLongest)) + "...";
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Files the engine writes with edit lists: the MP4 family and MOV.
bool IsEditListFile(std::string_view path)
{
    for (std::string_view ext : {".mp4", ".mov", ".m4v", ".m4a", ".3gp"})
        if (HasExtension(path, ext))
            return true;
    return false;
}

} // namespace

bool HasExtension(std::string_view path, std::string_view extension)
{
    if (path.size() < extension.size())
        return false;
    path = path.substr(path.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (Lower(path[i]) != Lower(extension[i]))
            return false;
    return true;
}

std::vector<std::string> SplitWords(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        bool quoted = false;
        for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
            if (line[i] == '"')
                quoted = !quoted;
            else
                word += line[i];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> ArgumentWords(std::string_view commandLine)
{
    std::vector<std::string> words = SplitWords(commandLine);
    const bool namesProgram = !commandLine.empty() && !IsBlank(commandLine[0]) && !words.empty()
        && words[0].substr(0, 1) != "-";
    if (namesProgram)
        words.erase(words.begin());
    return words;
}

std::optional<double> ReadSeconds(std::string_view text)
{
    // Checked by hand: from_chars alone would take "1.5.3" up to its second point.
    std::string plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            plain += '-';
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits)
        plain += text[i];
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        plain += '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits)
            plain += text[i];
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        std::size_t exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits)
            plain += text[i];
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    double value = 0;
    const char* first = plain.data();
    if (*first == '-')
        ++first;
    const auto result = std::from_chars(first, plain.data() + plain.size(), value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return plain[0] == '-' ? -value : value;
}

std::string EngineSeconds(double seconds)
{
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 6);
    std::string text(buf, static_cast<std::size_t>(result.ptr - buf));
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    if (text == "-0")
        text = "0";
    return text;
}

ReadResult ReadClipRequest(const std::vector<std::string>& words)
{
    ReadResult result;
    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };
    if (words.empty())
        return fail("No source and no output file were given.");

    ClipRequest request;
    bool haveInput = false;
    const std::size_t last = words.size() - 1;
    if (words[last].empty() || LooksLikeOption(words[last]))
        return fail("The last argument must be the output file.");
    request.output = words[last];

    for (std::size_t i = 0; i < last; ++i) {
        const std::string& word = words[i];
        if (!LooksLikeOption(word))
            return fail("Unexpected argument '" + ShortWord(word) + "'.");
        const std::string name = word.substr(1);
        if (auto refused = RefusedOption(name, std::nullopt))
            return fail(std::move(*refused));
        const bool nextIsOption = i + 1 < last && LooksLikeOption(words[i + 1]);
        if (IsSwitch(name) || (nextIsOption && name != "i" && name != "ss" && name != "t")) {
            if (name == "y" || name == "n" || name == "nostdin" || name == "stats" || name == "nostats"
                || name == "hide_banner" || name == "cutstart")
                continue;  // the front-end decides these itself
            if (!haveInput) {
                request.inputOptions.push_back(word);
                continue;
            }
            if (name == "vn")
                request.noVideo = true;
            if (name == "an")
                request.noAudio = true;
            if (name == "sn")
                request.noSubtitles = true;
            request.options.push_back(word);
            continue;
        }
        if (i + 1 >= last)
            return fail("The option " + ShortWord(word) + " has no value.");
        const std::string& value = words[++i];
        if (name == "cutstart") {
            if (value != "exact" && value != "keyframe")
                return fail("The start cut '" + ShortWord(value) + "' is neither 'exact' nor 'keyframe'.");
            request.exactStart = value == "exact";
            continue;
        }
        if (haveInput && name != "i") {
            if (auto refused = RefusedOption(name, value))
                return fail(std::move(*refused));
        }
        if (name == "i") {
            if (haveInput)
                return fail("Only one source file can be given: a second -i is not allowed.");
            if (value.empty())
                return fail("The source file name is empty.");
            request.input = value;
            haveInput = true;
        } else if (name == "ss") {
            const auto seconds = ReadSeconds(value);
            if (!seconds || *seconds < 0 || *seconds >= kLongestDuration)
                return fail("The start offset '" + ShortWord(value) + "' is not a number of seconds.");
            request.start = *seconds;
        } else if (name == "t") {
            const auto seconds = ReadSeconds(value);
            if (!seconds || !(*seconds > 0))
                return fail("The duration '" + ShortWord(value) + "' is not a positive number of seconds.");
            request.duration = *seconds < kLongestDuration ? seconds : std::nullopt;
        } else if (!haveInput) {
            request.inputOptions.push_back(word);
            request.inputOptions.push_back(value);
        } else if (name == "map" || name.substr(0, 14) == "filter_complex" || name == "lavfi") {
            request.ownMaps = true;
            request.options.push_back(word);
            request.options.push_back(value);
        } else if (IsVideoFilterOption(name)) {
            if (!value.empty())
                request.videoFilters.push_back(value);
        } else if (IsAudioFilterOption(name)) {
            if (!value.empty())
                request.audioFilters.push_back(value);
        } else if (name == "s") {
            request.size = value;
        } else {
            if (const auto streams = CodecOptionStreams(name)) {
                const bool copy = value == "copy";
                if (streams->video)
                    request.videoCopied = copy;
                if (streams->audio)
                    request.audioCopied = copy;
            }
            request.options.push_back(word);
            request.options.push_back(value);
        }
    }
    if (!haveInput)
        return fail("No source file was given (-i).");
    result.request = std::move(request);
    return result;
}

bool LooksLikeOption(std::string_view word)
{
    return word.size() >= 2 && word[0] == '-' && IsLetter(word[1]);
}

std::string EvenSize(std::string_view size)
{
    const std::size_t x = size.find('x');
    if (x == std::string_view::npos || x == 0 || x + 1 >= size.size())
        return std::string(size);
    long dims[2] = {};
    const std::string_view parts[2] = {size.substr(0, x), size.substr(x + 1)};
    for (int k = 0; k < 2; ++k) {
        const auto r = std::from_chars(parts[k].data(), parts[k].data() + parts[k].size(), dims[k]);
        if (r.ec != std::errc() || r.ptr != parts[k].data() + parts[k].size() || dims[k] <= 0 || dims[k] > 65536)
            return std::string(size);
    }
    for (long& d : dims)
        d = d > 1 ? d / 2 * 2 : 2;
    return std::to_string(dims[0]) + "x" + std::to_string(dims[1]);
}

void AppendSourceTimes(std::vector<std::string>& args)
{
    for (const char* word : {"-copyts", "-stats_period", "0.000001"})
        args.push_back(word);
}

std::vector<std::string> EngineArguments(const ClipRequest& request, const std::optional<CutAfterSeek>& cut,
                                         bool leaveOutSubtitles, const std::string& linesPath)
{
    // Tagged with their levels: errors stay apart from the engine's
    // description of the source and the clip, which tells what tracks each has.
    std::vector<std::string> args = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats"};
    const bool sourceTimes = cut && cut->sourceStart;
    if (sourceTimes)
        AppendSourceTimes(args);
    const double seek = cut ? cut->seek : request.start;
    if (seek > 0) {
        args.push_back("-ss");
        args.push_back(EngineSeconds(seek));
    }
    AppendSourceInput(args, request);
    TrackPlan tracks = PlanTracks(request);
    if (leaveOutSubtitles)
        tracks.subtitles = false;
    // The lines the front-end made for the clip replace the source's.
    const bool lines = tracks.subtitles && !linesPath.empty() && !request.videoCopied;
    if (lines) {
        tracks.subtitles = false;
        const std::vector<std::string> restrictions = InputRestrictions();
        args.insert(args.end(), restrictions.begin(), restrictions.end());
        args.insert(args.end(), {"-i", linesPath});
    }
    std::vector<std::string> trackArgs;
    if (sourceTimes && cut->soundFrom && request.videoCopied && request.audioCopied && !request.noVideo
        && !request.noAudio) {
        // The picture comes from the seek above, the sound from a second
        // reading of the source that seeks to where the sound begins: the
        // engine drops a copied stream's first packets before the time its
        // input seeked to, each input its own, but cuts the streams of one
        // input at one time. Both keep the source's timestamps, so they stay
        // in step. Subtitles come with the sound.
        args.push_back("-seek_timestamp");
        args.push_back("1");
        args.push_back("-ss");
        args.push_back(EngineSeconds(*cut->soundFrom));
        AppendSourceInput(args, request);
        trackArgs = TrackArguments(tracks, true);
        if (trackArgs.empty())
            trackArgs = {"-map", "0:v:0", "-map", "1:a:0?"};
        for (const char* word : {"-copypriorss:a", "0"})
            trackArgs.push_back(word);
    } else {
        trackArgs = TrackArguments(tracks, false);
        if (lines)
            trackArgs.insert(trackArgs.end(), {"-map", "1:s?", "-c:s", PlanTracks(request).subtitleCodec});
    }
    const double begin = cut ? cut->begin : 0;
    if (begin > 0) {
        args.push_back("-ss");
        args.push_back(EngineSeconds(begin));
    }
    if (request.duration) {
        // The end in the engine's times, which count from the seek or from
        // the source's first timestamp.
        const double end = request.start + *request.duration + (sourceTimes ? *cut->sourceStart : -seek);
        args.push_back("-t");
        // A keyframe found after the end leaves nothing to copy; the engine
        // then says so rather than being given a length it refuses.
        args.push_back(EngineSeconds(std::max(end - begin, 1e-6)));
    }
    args.insert(args.end(), request.options.begin(), request.options.end());
    // After the profile's own options: its "-c copy" must not decide the
    // subtitles' form.
    args.insert(args.end(), trackArgs.begin(), trackArgs.end());

    const bool videoEncoded = !request.noVideo && !request.videoCopied;
    std::vector<std::string> videoFilters = request.videoFilters;
    if (request.size) {
        args.push_back("-s");
        args.push_back(videoEncoded ? EvenSize(*request.size) : *request.size);
    } else if (videoEncoded) {
        // Cropping the odd last row or column keeps every other pixel as it
        // is; scaling would resample the whole picture for one pixel.
        videoFilters.push_back("crop=trunc(iw/2)*2:trunc(ih/2)*2");
    }
    auto chain = [](const std::vector<std::string>& filters) {
        std::string text;
        for (const std::string& f : filters)
            text += (text.empty() ? "" : ",") + f;
        return text;
    };
    if (!videoFilters.empty()) {
        args.push_back("-vf");
        args.push_back(chain(videoFilters));
    }
    if (!request.audioFilters.empty()) {
        args.push_back("-af");
        args.push_back(chain(request.audioFilters));
    }
    if (request.videoCopied || request.audioCopied) {
        // The seek lands on the keyframe at or before the start and takes the
        // other streams there too. An MP4 or MOV file says with an edit list
        // where its presentation starts: the engine writes one that starts at
        // the marked start itself when the packets before it keep times below
        // zero, so the clip is exact in players that read edit lists, and
        // begins on that keyframe, sound and picture together, in the others.
        // Other files have no such list: their times are made to start at 0
        // with the keyframe, or the first picture would sit before the
        // clip's zero and be dropped by players.
        args.push_back("-avoid_negative_ts");
        args.push_back(IsEditListFile(request.output) && !sourceTimes ? "disabled" : "make_zero");
    }
    if (!(request.videoCopied && request.audioCopied)) {
        // An encoded clip is written as it is made (the engine would keep
        // the file's head back with the first packets): a clip cancelled
        // half-way keeps what was converted.
        args.push_back("-flush_packets");
        args.push_back("1");
    }
    args.push_back(request.output);
    return args;
}

void AppendSourceInput(std::vector<std::string>& args, const ClipRequest& request)
{
    args.insert(args.end(), request.inputOptions.begin(), request.inputOptions.end());
    const std::vector<std::string> restrictions = InputRestrictions();
    args.insert(args.end(), restrictions.begin(), restrictions.end());
    args.push_back("-i");
    args.push_back(request.input);
}

std::string JoinCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty())
            line += ' ';
        if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
            line += word;
            continue;
        }
        // Backslashes count only before a quote: double those, escape the quote.
        line += '"';
        std::size_t backslashes = 0;
        for (char c : word) {
            if (c == '\\') {
                ++backslashes;
            } else if (c == '"') {
                line.append(backslashes * 2 + 1, '\\');
                backslashes = 0;
            } else {
                line.append(backslashes, '\\');
                backslashes = 0;
            }
            if (c != '\\')
                line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

} // namespace korvane::frontend
