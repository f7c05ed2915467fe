#pragma once
// The writer of a copy clip: its file type (by its name, or the profile's
// -f), the writer's own options, and its tracks set up from the source's by
// the track policy, in the source's order within each kind (pictures, sound,
// subtitles, data, attachments), with their languages, titles and side data;
// the picture track's aspect and decoder configuration, the MP4/MOV time code
// of the clip's first picture, the file's metadata, and the chapters inside
// the clip moved with it. Free of windows.h: built natively too.
#include "converter/ClipRequest.h"
#include "converter/CopyPlan.h"
#include "converter/LibAv.h"

#include <string>
#include <vector>

namespace korvane::frontend {

struct OpenedClip {
    av::Output clip;                 // header written, ready for packets
    std::vector<AVStream*> outs;     // for each source stream its track in the clip, or none
    std::size_t subtitlesLeft = 0;   // subtitle tracks the clip's type cannot hold
    std::size_t dataLeft = 0;        // data tracks likewise
    std::string needsEngine;         // an option only the engine honours; nothing opened
    std::string error;               // why the clip could not be set up
    bool writeFailed = false;        // the file itself could not be written
};

// `pictureConfig`: the picture track's decoder configuration when an exact
// start's head adds its own (empty: the source's). `zero` is the source time
// the clip's time 0 shows, `clipEnd` its end in source times.
OpenedClip OpenClip(const ClipRequest& request, const CopyOptions& options, AVFormatContext& source, int video,
                    const std::string& pictureConfig, double zero, double clipEnd);

} // namespace korvane::frontend
