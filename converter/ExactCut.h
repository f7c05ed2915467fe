#pragma once
// Copies that start exactly at the marked start. A copied clip can only begin
// on a keyframe; the pictures from the start up to the next keyframe are
// therefore encoded again (the head), with the source's codec and its
// parameters, and joined to the source's own packets from that keyframe on
// (the tail), which stay as they are. The sound is copied from the start.
//
// The front-end lists the video packets from the start on, reads the facts of
// the source's picture stream from the engine's description of it, asks the
// codec's recipe for the head's encoder options, and runs the engine twice:
// once for the head, once to join head, tail and sound. A codec without a
// recipe keeps the keyframe cut. Plain text work, free of windows.h.
#include "converter/ClipRequest.h"
#include "converter/KeyframeCut.h"
#include "converter/Tracks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The source's first picture stream as the engine describes it
// ("Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661),
// yuv420p(tv, progressive), 1280x720 [SAR 1:1 DAR 16:9], 25 fps, 12800 tbn").
struct VideoFacts {
    int index = -1;               // the stream's place in the source
    std::string codec;            // the engine's name: "h264", "mpeg2video", "mpeg4"...
    std::string profile;          // "High", "Main"...; empty when not named
    std::string pixelFormat;      // "yuv420p"
    std::string fieldOrder;       // "progressive", "top first", "bottom first"...; empty when not named
    int width = 0;
    int height = 0;
    std::string sampleAspect;     // "1:1"; empty when not named
    std::string frameRate;        // "25", "29.97"
    long timescale = 0;           // ticks a second of the stream's timestamps
    int pictureStreams = 0;       // picture streams the source has, this one among them
    int rotation = 0;             // degrees its pictures are turned when shown (phone videos)
};

// The facts of the first picture stream of the first input the engine
// describes; nothing when it describes none.
std::optional<VideoFacts> ReadVideoFacts(std::string_view engineText);

// What the head's encoder must repeat of an H.264 source's parameter sets.
struct H264Parameters {
    int profileIdc = 0;
    int levelIdc = 0;
    bool constraintSet3 = false;  // with level 11 in the baseline and main profiles: level 1b
    int spsId = 0;
    int ppsId = 0;
    bool frameMbsOnly = true;     // false: the source may code fields (interlaced)
    // Every sequence and picture parameter set before the first slice, as
    // they stand (without start codes): what an MP4 or MOV clip's decoder
    // configuration must hold for the source's pictures.
    std::vector<std::string> parameterSets;
};

// The first sequence and picture parameter sets in an H.264 stream in
// start-code form (what the engine writes with "-f h264"). Nothing when
// either is missing or cannot be read.
std::optional<H264Parameters> ReadH264Parameters(std::string_view annexB);

// Where the head ends and the tail begins, in the source's own timestamps
// (the listing's).
struct ExactSpan {
    double firstPicture = 0;          // the picture shown at the marked start
    std::optional<double> keyframe;   // the first keyframe after it; none: the head is the whole clip
    int headPictures = 0;             // pictures from the first one up to the keyframe (or the clip's end)
    // How much later than decoded the keyframe is shown (pictures reordered
    // after it), seconds; 0 where the source keeps no presentation times.
    double keyframeDelay = 0;
    double frameDuration = 0;         // seconds between two pictures, from the listing
    bool startsOnKeyframe = false;    // the start is a keyframe: a plain copy does
    // Sources without presentation times (AVI) show their pictures in the
    // order of their decoding times, but the engine times the decoded
    // pictures later by its reordering delay: their head is decoded from the
    // keyframe before the start, its first pictures counted off.
    bool decodingOrderTimes = false;
    double decodeFrom = 0;            // that keyframe
    int skipPictures = 0;             // pictures from it to the first one
};

// The span of a clip from the packet listing from its start on (the listing
// begins at the keyframe the engine's seek landed on, at or before the
// start). `end` is the clip's end in the source's own times, none when it
// runs to the source's end. Nothing without any picture at or after the
// start, or without the source's first timestamp. A listing that ends before
// the clip does and holds no keyframe after the first picture says nothing
// about the keyframe (`complete` false): a longer listing is needed.
struct SpanResult {
    std::optional<ExactSpan> span;
    bool complete = true;
};
SpanResult FindExactSpan(const PacketList& list, double start, std::optional<double> end, bool listingCoversClip);

// The facts a codec's recipe decides from.
struct ExactSource {
    Container container = Container::Other;  // the clip's (and the source's) file type
    VideoFacts video;
    ExactSpan span;
    std::optional<H264Parameters> h264;       // read for H.264 sources only
};

// Whether a codec in a container has a recipe for the head, so that the
// front-end gathers what the recipe needs (H.264: its parameter sets).
bool HasHeadRecipe(std::string_view codec, Container container);
// Whether any codec has one in this container: others are not even listed.
bool HasHeadRecipes(Container container);

// The head's encoder options (codec, profile, level, pixel format, field
// order, reordering, time base, quality), or nothing when this source cannot
// be cut exactly: the clip then starts at the keyframe before the start.
// MPEG-1 and MPEG-2 program streams and MPEG-4 Part 2 in AVI need more than a
// head's options (pictures shown before their keyframe are left out of the
// tail) and have their own modules: ProgramStreamExact.h, AviMpeg4Exact.h.
std::optional<std::vector<std::string>> HeadEncoderOptions(const ExactSource& source);
std::optional<std::vector<std::string>> H264HeadOptions(const ExactSource& source);

// The engine's arguments that write the source's first keyframe at or after
// `keyframe` (seconds into the source) to standard output in start-code
// form, with the parameter sets in front of it, and nothing else.
std::vector<std::string> H264ParameterArguments(const ClipRequest& request, double keyframe, double sourceStart);

// The engine's arguments that encode the head into `headPath`: the pictures
// from the span's first one on, as many as the span counts, pictures only,
// stored as the source stores them (not turned upright).
std::vector<std::string> HeadArguments(const ClipRequest& request, const ExactSpan& span, double sourceStart,
                                       const std::vector<std::string>& encoderOptions, const std::string& headPath);

// The engine's list of the pieces to join: the head, then the source from
// its keyframe on (when there is one).
std::string JoinListText(const std::string& headPath, const ClipRequest& request, const ExactSpan& span);

// The engine's arguments that join the pieces the list names into the clip,
// with the sound (and subtitles) of the source from the first picture on, as
// the track policy says, timestamps from 0, to the clip's end, its pictures
// turned when shown as the source's are (`rotation`); an MP4 or MOV
// clip's decoder configuration is then the head's alone. The list is
// read under the input restrictions, with the joining list reader allowed.
std::vector<std::string> JoinArguments(const ClipRequest& request, const ExactSpan& span, double sourceStart,
                                       int rotation, const std::string& listPath, bool leaveOutSubtitles);

// An MP4 or MOV clip's movie box ("moov", whole) with `parameterSets` added
// to the decoder configuration of its first H.264 track, the sizes of the
// boxes around it grown to match: the joined clip's configuration is the
// head's, and the source's pictures from the keyframe on need the source's
// sets too. Sets already there are not added again. Nothing when the box
// holds no such track or does not read as one.
std::optional<std::string> AddParameterSets(std::string_view moov, const std::vector<std::string>& parameterSets);

// A path as the engine's list reader reads it: "it's" -> 'it'\''s'.
std::string ListQuoted(std::string_view path);

// The names of the front-end's own files beside the clip (each removed when
// the clip is done, made or not): "<clip>.head<ext of clip>", "<clip>.join.txt".
std::string HeadPath(const std::string& output);
std::string JoinListPath(const std::string& output);

// Every other file of its own an exact start may keep beside the clip: the
// MPEG parts and, counted from 0, one per sound track. The main program,
// which stops the front-end mid-clip when the user cancels, removes them
// by these same names.
enum class OwnFile { HeadStream, TailStream, JoinedVideo, HeadAvi, TailMpeg4, TailAvi };
std::string OwnFilePath(const std::string& output, OwnFile which);
std::string OwnSoundPath(const std::string& output, std::size_t track);
// HeadPath, JoinListPath and every OwnFile, sound tracks' files aside.
std::vector<std::string> OwnFilePaths(const std::string& output);

} // namespace korvane::frontend
