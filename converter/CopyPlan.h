#pragma once
// What a copy clip the converter writes itself needs to know besides the
// source: which of the profile's options it honours (a copy can change only
// the aspect, the tracks, bit-exact writing and the writer's own settings;
// anything else goes to the engine), and where each kind of packet belongs
// in the clip. Plain work, free of windows.h and of the libraries.
#include "converter/ClipRequest.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvane::frontend {

// The converter's own copies read times in seconds from the source's ticks:
// times this close are the same tick.
inline constexpr double kSameTick = 1e-6;

struct CopyOptions {
    bool video = true;          // picture tracks go in
    bool audio = true;
    bool subtitles = true;
    bool data = true;           // a camera's data tracks (telemetry)
    bool bitexact = false;      // no writer's name or version in the file
    std::optional<std::string> aspect;  // "16:9", "1.7777"
    std::optional<std::string> format;  // the writer named by -f
    std::vector<std::pair<std::string, std::string>> metadata;       // -metadata key=value
    std::vector<std::pair<std::string, std::string>> writerOptions;  // anything else: the writer's own (-movflags)
};

// The options of a request the converter's own copy honours; nothing, with
// the first option it cannot (`needsEngine`), when a stream is encoded,
// filtered or resized, the profile maps the streams itself, or gives options
// for reading the source.
struct CopyOptionsResult {
    std::optional<CopyOptions> options;
    std::string needsEngine;
};
CopyOptionsResult ReadCopyOptions(const ClipRequest& request);

// A subtitle shown from `from` for `length` seconds (0: until the next one),
// in a clip from `clipFrom` to `clipTo` (source times): where it is shown in
// the clip, cut at the clip's ends; nothing when it is shown outside it.
struct ShownSpan {
    double from = 0;
    double length = 0;   // 0: until the next one
};
std::optional<ShownSpan> SubtitleInClip(double from, double length, double clipFrom, double clipTo);

// "01:00:00:00" (or with ';' before the frames, drop-frame) moved on by
// `frames` pictures at `rate` pictures a second; nothing for a text that is
// no time code. Drop-frame codes skip frame numbers 0 and 1 of every minute
// but each tenth, as the 29.97 and 59.94 rates do.
std::optional<std::string> TimecodeAfter(const std::string& timecode, long long frames, double rate);

// What a clip that was to start exactly says when it starts at the keyframe
// `keyframe` seconds into the source instead: "Starts at the keyframe before
// its mark, 00:01:02.400: its exact start could not be made (why)."
std::string KeyframeStartNotice(double keyframe, const std::string& why);

} // namespace korvane::frontend
