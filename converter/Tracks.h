#pragma once
// Which tracks of the source go into a clip. Every clip of a job gets the same
// tracks, whatever its start and whether it is copied or encoded: every video,
// every sound and every subtitle track of the source, in the source's order
// within each kind (pictures, then sound, then subtitles), with their
// languages and titles, as far as the clip's container can hold them. Decided
// from the names of the source and the clip alone, so the same source always
// gives the same tracks without asking the engine first. Plain text work,
// free of windows.h.
#include "converter/ClipRequest.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// File kinds as the engine writes and reads them.
enum class Container {
    Mov,        // MP4, MOV, M4V, 3GP
    Program,    // MPEG program streams: MPG, MPEG, VOB
    Avi,
    Asf,        // WMV, ASF
    Matroska,   // MKV, WebM
    SoundOnly,  // MP3, WAV, M4A...: one sound track
    Other,
};
Container ContainerOf(std::string_view path);

struct TrackPlan {
    // False: the engine's own choice (the profile maps the streams itself,
    // or the container is one the front-end does not know).
    bool mapTracks = false;
    bool firstSoundOnly = false;
    bool subtitles = false;      // the source's subtitle tracks are mapped
    std::string subtitleCodec;   // how they are written: "copy", "mov_text"...
    // Subtitle tracks the source may have go unwritten: the container cannot
    // hold them, or not in the form the source has them. Names the container.
    std::string subtitlesLeftOutBecause;
    // The source's time code would say the clip starts where the source does.
    bool dropTimecode = false;
};

TrackPlan PlanTracks(const ClipRequest& request);

// The engine's output options for the plan, the streams taken from `input`
// (0, or 1 for the second reading of a program-stream copy cut, whose
// pictures stay those of input 0).
std::vector<std::string> TrackArguments(const TrackPlan& plan, bool soundFromSecondInput);

// True when the engine's errors say it could not write a subtitle track into
// the clip, or found no tag for a codec in the container (a subtitle form the
// container does not take).
bool SubtitlesTurnedDown(const std::vector<std::string>& errors);

// The line the front-end writes when subtitle tracks were left out.
std::string SubtitlesLeftOutText(int tracks, std::string_view because);

} // namespace korvane::frontend
