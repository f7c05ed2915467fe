#pragma once
// A copy clip written by the converter itself, in one pass: the source is
// read once, from the keyframe shown at or before the start, and every track
// of the track policy goes unchanged into one writer, its times moved to the
// clip's start. Subtitles are the lines inside the clip, cut at its ends; an
// MP4 or MOV time code is moved to the clip's first picture; chapters inside
// the clip are kept, moved with it. Free of windows.h: built natively too.
#include "converter/ClipRequest.h"
#include "converter/CopyPlan.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvane::frontend {

struct CopyResult {
    enum class Outcome {
        Made,         // the clip is complete
        Failed,       // it is not; `reason` says why
        NeedsEngine,  // a writer's option the converter does not know: the engine copies it
        Stopped,      // `progress` asked to stop (nobody reads the converter's output any more)
    };
    Outcome outcome = Outcome::Failed;
    std::string reason;
    bool writeFailed = false;  // the clip's file could not be written (a full disk, a folder gone)
    double lastTime = 0;      // the clip's length as written, seconds
    long pictures = 0;        // picture packets written
    // Lines for the user about what the clip leaves out ("Subtitles left
    // out of the clip: 1 track (...).").
    std::vector<std::string> leftOut;
};

// Writes the clip the request asks for with the options the converter
// honours (ReadCopyOptions). `progress` hears the clip's time written so far
// and returns false to stop.
CopyResult CopyClip(const ClipRequest& request, const CopyOptions& options,
                    const std::function<bool(double)>& progress);

} // namespace korvane::frontend
