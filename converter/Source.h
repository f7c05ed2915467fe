#pragma once
// A source as the converter reads it itself: opened once, under the same
// restrictions as the engine's runs (only the readers of media files, only
// plain files), and its picture packets listed without decoding anything.
// Free of windows.h: built natively too.
#include "converter/KeyframeCut.h"
#include "converter/LibAv.h"
#include "converter/PictureKinds.h"

#include <optional>
#include <string>

namespace korvane::frontend {

struct OpenedSource {
    av::Input input;
    std::string error;  // why it could not be opened; empty when it was
    // The file is none the converter reads (no reader of its type, or one
    // the restrictions leave out), as opposed to one it could not open.
    bool notMedia = false;
};

// Opens the file (a UTF-8 path) and reads its streams' facts.
OpenedSource OpenSource(const std::string& path);

// The source's first timestamp, seconds: the times a user marks count from it.
double SourceOrigin(const AVFormatContext& source);

// The first picture stream that is not a cover picture; -1 without one.
int FirstVideoStream(const AVFormatContext& source);

// Seeks as the engine's -ss does: to the packet at or before `seconds` after
// the source's first timestamp. A negative error code when it could not.
int SeekTo(AVFormatContext& source, double seconds);

// The packets of stream `video` after a seek to `seek` (seconds after the
// source's first timestamp), until the first one decoded `length` seconds
// after it, in the source's own times; the list the keyframe cut decides from.
PacketList ListVideoPackets(AVFormatContext& source, int video, double seek, double length);

// The cut at the keyframe shown at or before `start` (KeyframeCut.h), its
// listing looking further back each time it finds none (kKeyframeLeads) and
// reaching `lookAhead` seconds past the start; the list it was found in.
// A source without pictures (`video` < 0) lists none.
struct KeyframeFound {
    std::optional<CutAfterSeek> cut;
    PacketList list;
};
KeyframeFound FindKeyframeCut(AVFormatContext& source, int video, double start, double lookAhead);

// MPEG-1 and MPEG-2 pictures in program and transport streams, whose
// packets may lack the time they are shown (FillShownTimes).
bool FillsShownTimes(const AVFormatContext& source, int video);

// Seconds one picture of a stream lasts at its frame rate; 0 unknown.
double FrameSeconds(const AVStream& stream);

bool IsTimecodeTrack(const AVStream& stream);

// The time code of the picture the source shows at `shown` (its own
// seconds), from the time code it gives its first picture (on the picture
// track, its time code track or the file); nothing without one.
std::optional<std::string> ClipTimecode(const AVFormatContext& source, int video, double shown);

} // namespace korvane::frontend
