#pragma once
// The subtitles of an encoded clip, written by the converter beside it for
// the engine to take as a second input: the engine, given the source's own
// subtitle tracks with an input seek, drops a line shown across the start,
// keeps a line's whole length past the clip's end (the file then lasts as
// long as its longest line) and places the lines of text tracks by their
// first sample. Here every subtitle track's lines are those shown inside the
// clip, cut at its ends and moved with it, in the source's own form, so that
// the engine only has to write them as the clip's type wants them. Free of
// windows.h: built natively too.
#include "converter/ClipRequest.h"

#include <string>

namespace korvane::frontend {

// The file's name beside the clip: "<clip>.lines.mkv" (".lines.mp4" for the
// text form only MP4 files hold). The main program removes it by the same
// name when it stops the converter mid-clip.
inline std::string ClipLinesPath(const std::string& output, bool movText)
{
    return output + (movText ? ".lines.mp4" : ".lines.mkv");
}

struct ClipLines {
    std::string path;   // the file written; empty when the source has no subtitle track
    std::string error;  // why it could not be written
    // The source could not be opened: the engine, which opens it next, says why.
    bool sourceUnread = false;
    int tracks = 0;
};

// Writes the subtitle tracks of the request's source as the clip shows them,
// timed from the clip's start, or in the source's own times when the engine
// keeps those (`sourceTimes`).
ClipLines WriteClipLines(const ClipRequest& request, bool sourceTimes);

} // namespace korvane::frontend
