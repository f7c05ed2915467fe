#pragma once
// The converter front-end's reading of its command line and the engine's
// command line it makes of it. Plain text work in UTF-8, free of windows.h:
// the program converts from and to UTF-16 around it.
//
// The main program writes, per clip (its numbers with the user's decimal
// separator, a point or a comma):
//   -y -i "<source>" -ss <start> -t <duration> <profile options> "<output>"
// The front-end accepts these pieces in any order, with the output last.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// Words of a command line: blanks and tabs separate words; a double quote
// starts or ends a quoted stretch, in which blanks belong to the word; the
// quotes themselves are dropped. Backslashes are plain characters, as they are
// in the Windows paths the main program writes without escaping.
std::vector<std::string> SplitWords(std::string_view line);

// The words after the program's own name. A line the main program writes
// starts with a blank and names no program; a line typed in a shell starts
// with the program's name. A first word starting with '-' is an option, never
// a program name.
std::vector<std::string> ArgumentWords(std::string_view commandLine);

// A number of seconds as the main program writes it: an optional sign,
// digits with a point or a comma as the decimal separator, an optional
// exponent ("6,7", "6.66666666666667", "1E-6", "1,5E20"). Nothing else.
std::optional<double> ReadSeconds(std::string_view text);

// Seconds for the engine: fixed point with a point, to the microsecond the
// engine counts in, without trailing zeros ("6.7", "0.000001", "45").
std::string EngineSeconds(double seconds);

// Whether a word is an option's name ("-c", "-vn") rather than a value: a
// dash and a letter.
bool LooksLikeOption(std::string_view word);

// Whether a path ends with an extension such as ".vob", in any letter case.
bool HasExtension(std::string_view path, std::string_view extension);

// Longest duration passed on as a limit; anything longer means "to the end".
inline constexpr double kLongestDuration = 1e9;

struct ClipRequest {
    std::string input;
    std::string output;
    double start = 0;
    std::optional<double> duration;      // none: to the end of the source
    std::vector<std::string> inputOptions;  // options given before -i, in their order
    std::vector<std::string> options;    // output options in their order, filters and size taken out
    std::vector<std::string> videoFilters;
    std::vector<std::string> audioFilters;
    std::optional<std::string> size;     // the value of -s
    bool videoCopied = false;            // the video stream is copied, not encoded
    bool audioCopied = false;
    bool noVideo = false;                // -vn
    bool noAudio = false;                // -an
    bool noSubtitles = false;            // -sn
    bool ownMaps = false;                // the profile picks the streams itself (-map, a complex filter graph)
    // "-cutstart exact": a copied picture starts exactly at the start, not at
    // the keyframe before it (ExactSpan.h). The front-end's own option, never
    // passed to the engine.
    bool exactStart = false;
};

struct ReadResult {
    std::optional<ClipRequest> request;
    std::string error;  // a short sentence when request is empty
};

// Reads the argument words (program name left out). -i, -ss and -t may stand
// anywhere before the output; -ss is always the start within the source and
// -t the clip's duration. Other options before -i belong to the input, all
// after it to the output; each is taken with its value unless it is a switch
// that has none. Options that would make the engine read or write anything
// but the source and the clip are refused, naming the option.
ReadResult ReadClipRequest(const std::vector<std::string>& words);

// "853x479" -> "852x478": an even picture size for encoders that sample
// colour at half the resolution. Texts that are no WxH size stay as they are.
std::string EvenSize(std::string_view size);

// A clip that begins after the point the engine seeks to, for sources whose
// seeks do not land where a copy must begin (KeyframeCut.h).
struct CutAfterSeek {
    double seek = 0;   // the input seek, seconds into the source
    // Where the clip begins: seconds after the seek, or, when the engine keeps
    // the source's own timestamps, such a timestamp.
    double begin = 0;
    // The engine keeps the source's own timestamps, which count from this
    // first one (the seek's seconds count from 0).
    std::optional<double> sourceStart;
    // Copied sound begins later than the picture's decoding, at this
    // timestamp of the source's own.
    std::optional<double> soundFrom;
};

// The engine's arguments (without its own name) for a request: the start as
// an input seek, so the engine neither decodes nor reads from the source's
// beginning; repeated filters merged into one chain each; an even picture
// size for encoded video; for copied streams, timestamps starting at 0 so
// that the clip opens on the keyframe the seek landed on, with audio and video
// together; errors only, and the progress line. With a cut, the engine seeks
// to the cut's seek and drops what comes before its beginning; the clip still
// ends at the request's end. Every track of the source the clip's container
// can hold goes in (Tracks.h); the subtitles stay out when asked, after the
// engine turned them down. An encoded clip takes its subtitles from
// `linesPath` when given: the lines the front-end wrote for it (ClipLines.h),
// timed as the clip is. The source is read only under the input
// restrictions (EngineGuard.h).
std::vector<std::string> EngineArguments(const ClipRequest& request,
                                         const std::optional<CutAfterSeek>& cut = std::nullopt,
                                         bool leaveOutSubtitles = false, const std::string& linesPath = {});

// For a run that keeps the source's own timestamps (-copyts): the option, and
// a status line for every packet. The engine counts such a run's progress
// from the first output time it reports, and reports at most twice a second
// by default: a fast copy would report its first time near its end and count
// the clip as nearly nothing long.
void AppendSourceTimes(std::vector<std::string>& args);

// The source as the engine reads it: the profile's input options, the input
// restrictions (EngineGuard.h), then -i and the source.
void AppendSourceInput(std::vector<std::string>& args, const ClipRequest& request);

// One command line of words, each quoted where needed so that the standard
// Windows reading of a command line gives them back unchanged.
std::string JoinCommandLine(const std::vector<std::string>& words);

} // namespace korvane::frontend
