#pragma once
// Copies of MPEG-1 and MPEG-2 program streams (.mpg, .mpeg, .vob) that start
// exactly at the marked start. The pictures from the start up to the next
// keyframe (the head) are encoded again with the source's codec and picture
// parameters; from that keyframe on the source's pictures are copied as they
// are (the tail). Both go through the engine as elementary streams: the
// front-end joins the two byte streams itself, and leaves out the tail's
// leading B pictures, which are shown before its keyframe and predicted from
// pictures before it that the clip does not have (the head shows those
// times). The sound of every track is taken as a raw stream from its first
// whole frame at the start, so that its timestamps are counted afresh, and
// the engine puts picture and sound together into the clip. Plain text work,
// free of windows.h.
#include "converter/ClipRequest.h"
#include "converter/KeyframeCut.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The source's streams as the engine describes them
// ("Stream #0:0[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576 [SAR 64:45 DAR 16:9], 25 fps, ..."
//  "Stream #0:1[0x80]: Audio: ac3, 48000 Hz, stereo, fltp, 192 kb/s").
struct ProgramStreamFacts {
    std::string videoCodec;   // "mpeg1video", "mpeg2video"
    std::string profile;      // "Main", "High", "4:2:2", "Simple"; empty when not named
    std::string pixelFormat;  // "yuv420p"
    std::string fieldOrder;   // "top first", "bottom first", "progressive"; empty when not named
    std::string frameRate;    // "25", "29.97"
    std::vector<std::string> audioCodecs;  // in the source's order
    int subtitleTracks = 0;
};

// The facts of the first input the engine describes; nothing without a
// picture stream.
std::optional<ProgramStreamFacts> ReadProgramStreamFacts(std::string_view engineText);

// The raw stream format the engine writes and reads a sound codec in, or
// nothing for one it has no raw form for.
struct RawSound {
    std::string write;
    std::string read;
};
std::optional<RawSound> RawSoundFormat(std::string_view codec);

// Where the head ends and the tail begins, in the source's own timestamps.
struct ProgramSpan {
    double firstPicture = 0;           // the picture shown at the start
    double frameDuration = 0;
    int headPictures = 0;              // pictures from the first one up to the keyframe or the clip's end
    std::optional<double> keyframeDts; // the tail's keyframe; none: the head is the whole clip
};

// Seconds between two pictures at the source's frame rate; nothing when the
// rate cannot be read.
std::optional<double> FrameDuration(const ProgramStreamFacts& facts);

// The source's frame rate as the engine takes it, the NTSC family exactly
// ("30000/1001").
std::string EngineRate(const ProgramStreamFacts& facts);

// The span from a listing of the packets around the start (KeyframeCut.h).
// `start` and `end` count from the source's first timestamp. Nothing when the
// listing shows no keyframe after the start and the clip goes on past it.
std::optional<ProgramSpan> FindProgramSpan(const PacketList& list, double start, double end, double frame);

// The copy for a span whose first picture is its keyframe (no head): cut at
// that keyframe, not at the one before the start, the sound from its picture.
CutAfterSeek CutAtSpanKeyframe(const ProgramSpan& span, double seek, double sourceStart);

// Whether the exact cut can be made for these facts: MPEG-1 or MPEG-2 video,
// sound the engine can write raw, no subtitle tracks (they would be lost).
bool CanCutProgramStreamExactly(const ProgramStreamFacts& facts);

// The head: the source decoded from `seek`, the span's pictures encoded
// again with the source's parameters at a quality above the source's, to an
// elementary stream.
std::vector<std::string> ProgramHeadArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const ProgramSpan& span, double seek, const std::string& path);

// The tail: the source's pictures from the span's keyframe to `end` (the
// source's own times), copied to an elementary stream.
std::vector<std::string> ProgramTailArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const ProgramSpan& span, double seek, double end,
                                              const std::string& path);

// The head and the tail as one stream: the head's sequence end code left out
// (a decoder would stop there), and the tail's B pictures between its first
// picture, the keyframe, and the next picture that is no B picture left out.
std::string JoinProgramVideo(std::string_view head, std::string_view tail);

// The engine's arguments that read the joined stream as it will be read for
// the clip and list its first packet, whose decoding and presentation times
// tell how late the reading places the first picture.
std::vector<std::string> VideoDelayArguments(const ProgramStreamFacts& facts, const std::string& path);

// From that listing, the seconds between the first packet's decoding and
// presentation; nothing when the listing has no packet.
std::optional<double> ReadVideoDelay(std::string_view listing);

// The sound: each track from its first whole frame at `from` to `end` (the
// source's own times) to its own raw file, and the first second of all of
// them listed on standard output for their first timestamps.
std::vector<std::string> ProgramSoundArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                               double from, double end, const std::vector<std::string>& paths);

// The first timestamp of each track in that listing (seconds, the source's
// own times); nothing for a track it does not list.
std::vector<std::optional<double>> ReadSoundStarts(std::string_view listing, std::size_t tracks);

// The clip: the joined pictures placed so that the first is shown at
// `firstShown` (the reading places it `videoDelay` after the stream's start),
// each sound track at its first timestamp, all copied, the timestamps made to
// start at 0.
std::vector<std::string> ProgramJoinArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                              const std::string& videoPath, double firstShown, double videoDelay,
                                              const std::vector<std::string>& soundPaths,
                                              const std::vector<double>& soundStarts);

// Where each start code (0 0 1) of an elementary stream begins.
std::vector<std::size_t> StartCodes(std::string_view bytes);

} // namespace korvane::frontend
