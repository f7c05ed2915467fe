#pragma once
// Where an exact copy's head ends and the source's own packets take over. A
// copied clip can only begin on a keyframe; the pictures from the start up
// to the next keyframe are therefore encoded again (the head, ExactHead.h)
// and the source's packets follow from that keyframe on. Plain work on a
// listing of the source's picture packets, free of windows.h and of the
// libraries.
#include "converter/KeyframeCut.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

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

} // namespace korvane::frontend
