#include "converter/EngineGuard.h"
#include "converter/ClipRequest.h"

#include <algorithm>

namespace korvane::frontend {
namespace {

// The engine's readers of video and sound containers and elementary streams
// (converter/engine/parts.txt). A name matches any of the names a reader
// answers to ("mov" covers MP4, M4A, 3GP).
constexpr std::string_view kMediaFormats =
    "avi,mov,mpeg,mpegts,mpegvideo,asf,matroska,webm,flv,ogg,dv,h264,hevc,m4v,mp3,ac3,eac3,dts,aac,wav,flac";

// Pictures of at most 8192 x 8192: a 32-bit process has no room for more, and
// a header that claims more is refused before anything is allocated for it.
// (Below this, the AV1 decoder does not lower its own limit with a message
// at the level of an error.)
constexpr long kLargestPicture = 8192L * 8192L;

// What the engine cannot be built without but a profile must not use: its own
// options that name files it reads or writes beside the clip. Filters,
// formats and protocols that reach other files are not in the engine at all.
constexpr std::string_view kFileOptions[] = {
    "pass", "passlogfile", "attach", "dump_attachment", "vstats", "vstats_file", "report", "progress",
    "filter_script", "filter_complex_script", "sdp_file", "fpre", "vpre", "apre", "spre", "pre"};

// Keys of x264's own parameter list (-x264-params a=1:b=2) that name files,
// or make it read or write its statistics file.
constexpr std::string_view kEncoderFileKeys[] = {"stats", "pass", "cqmfile", "dump-yuv", "opencl-clbin"};

// The names the engine's "flags" option takes. A flag given as a number or a
// sum is refused: it could be the first or second pass, which makes x264
// write or read its statistics file.
constexpr std::string_view kNamedFlags[] = {
    "unaligned", "mv4", "qpel", "loop", "qscale", "gray", "psnr", "truncated", "ildct", "low_delay",
    "global_header", "bitexact", "aic", "ilme", "cgop", "output_corrupt", "drop_changed"};

template <std::size_t N>
bool OneOf(std::string_view word, const std::string_view (&list)[N])
{
    for (std::string_view entry : list)
        if (entry == word)
            return true;
    return false;
}

// "flags:v" and "pass:v" are the options "flags" and "pass" for some streams.
std::string_view BaseName(std::string_view name)
{
    return name.substr(0, name.find(':'));
}

// Splits at any of the separators outside quotes ('...') and not escaped
// with a backslash, the way the engine reads such lists.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, std::string_view separators)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '\'') {
            quoted = !quoted;
        } else if (!quoted && separators.find(text[i]) != std::string_view::npos) {
            parts.push_back(text.substr(from, i - from));
            from = i + 1;
        }
    }
    parts.push_back(text.substr(from));
    return parts;
}

// Why a value of -flags is refused: "+ildct+cgop" and "-loop" pass, "pass1",
// "512" and "256+256" do not.
std::optional<std::string> RefusedFlags(std::string_view option, std::string_view value)
{
    std::size_t at = 0;
    while (at < value.size()) {
        if (value[at] == '+' || value[at] == '-')
            ++at;
        const std::size_t end = std::min(value.find_first_of("+-", at), value.size());
        const std::string_view flag = value.substr(at, end - at);
        if (flag == "pass1" || flag == "pass2")
            return "The option " + std::string(option) + " " + std::string(value)
                + " makes the engine write or read a statistics file; it is not allowed in a profile.";
        if (!OneOf(flag, kNamedFlags))
            return "The option " + std::string(option) + " " + std::string(value) + " gives a flag ('"
                + std::string(flag) + "') the converter does not know by name; a profile names each flag.";
        at = end;
    }
    return std::nullopt;
}

// A key of x264's parameter list as x264 reads it: quotes and escapes
// undone as the engine reads the list, '_' as '-', and a "no" in front
// (which turns a switch off) gone: "no_dump\\_yuv" is "dump-yuv".
std::string EncoderParameterKey(std::string_view entry)
{
    std::string key;
    bool quoted = false;
    std::size_t kept = 0;  // the length without trailing blanks that were not escaped or quoted
    for (std::size_t i = 0; i < entry.size(); ++i) {
        char c = entry[i];
        if (c == '\\' && i + 1 < entry.size()) {
            key += entry[++i];
            kept = key.size();
        } else if (c == '\'') {
            quoted = !quoted;
        } else if (!quoted && c == '=') {
            break;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (!key.empty())
                key += c;
        } else {
            key += c;
            kept = key.size();
        }
    }
    key.resize(kept);
    for (char& c : key)
        if (c == '_')
            c = '-';
    if (key.compare(0, 2, "no") == 0)
        key.erase(0, key.compare(0, 3, "no-") == 0 ? 3 : 2);
    return key;
}

bool IsEncoderParameterList(std::string_view base)
{
    return base == "x264opts" || base == "x264-params";
}

} // namespace

std::vector<std::string> InputRestrictions()
{
    return {"-format_whitelist", std::string(kMediaFormats), "-protocol_whitelist", "file", "-max_pixels",
            std::to_string(kLargestPicture)};
}

std::optional<std::string> RefusedOption(std::string_view name, std::optional<std::string_view> value)
{
    std::string option = "-";
    option += name;
    const std::string_view base = BaseName(name);
    if (OneOf(base, kFileOptions))
        return "The option " + option + " makes the engine read or write other files or devices; it is not allowed in a profile.";
    if (!value)
        return std::nullopt;
    if (base == "flags")
        return RefusedFlags(option, *value);
    if (IsEncoderParameterList(base)) {
        for (std::string_view entry : SplitOutsideQuotes(*value, ":,")) {
            const std::string key = EncoderParameterKey(entry);
            if (OneOf(key, kEncoderFileKeys))
                return "The option " + option + " names a file (" + key + "); it is not allowed in a profile.";
        }
    }
    return std::nullopt;
}

bool SourceRefusedLine(std::string_view line)
{
    // A file that is no media file the engine has a reader for (a playlist
    // or a list of files, whose readers it has not, or a reader the
    // restrictions leave out) fails at its opening, named with its path;
    // damaged pictures later in a real video say "Error while decoding".
    constexpr std::string_view kNoReader = ": Invalid data found when processing input";
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.remove_suffix(1);
    if (line.find("not on whitelist") != std::string_view::npos)
        return true;
    return line.size() > kNoReader.size() && line.substr(line.size() - kNoReader.size()) == kNoReader
        && line.find("Error ") == std::string_view::npos && line.find("stream #") == std::string_view::npos;
}

bool SourceRefused(const std::vector<std::string>& errors)
{
    for (const std::string& error : errors)
        if (SourceRefusedLine(error))
            return true;
    return false;
}

std::string NotAVideoFile(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name) + " is not a video file this program can read.";
}

} // namespace korvane::frontend
