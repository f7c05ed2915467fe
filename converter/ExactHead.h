#pragma once
// The head of an exact copy: the pictures from the marked start up to the
// first keyframe after it, decoded from the keyframe before it and encoded
// again with the source's codec and parameters, so that the source's own
// packets can follow from that keyframe on. H.264, MPEG-1, MPEG-2 and
// MPEG-4 Part 2; other codecs keep the keyframe start and say so. Free of
// windows.h: built natively too.
#include "converter/ExactSpan.h"
#include "converter/LibAv.h"
#include "converter/PictureKinds.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvane::frontend {

struct Head {
    // Encoded pictures in the form the clip's picture track stores them,
    // times in the source picture stream's time base and the source's times.
    std::vector<av::Packet> packets;
    // The picture track's decoder configuration with the head's parameter
    // sets beside the source's; empty where the sets travel in the stream.
    std::string extradata;
    // Where the sets travel in the stream: the source's, in front of the
    // keyframe the source's packets continue from. MPEG headers go there
    // only when the keyframe lacks its own (`CarriesStreamHeader`).
    std::string keyPrefix;
    PictureCoding coding;
    // The source's pictures decoded after the keyframe but shown before it
    // (an open group's leading pictures): the head shows them. Their count,
    // and for sources that keep no times at which pictures are shown (AVI),
    // their decoding times in the source's ticks.
    int leadingPictures = 0;
    // The keyframe's own decoding time in the clip, where it moves with its
    // leading pictures gone (MPEG-1/2, AVI); source ticks.
    std::optional<std::int64_t> keyDts;
    std::vector<std::int64_t> replaced;
    double firstPicture = 0;   // when the first head picture is shown, source seconds
    // The keyframe the source's packets continue from; none when the head
    // is the whole clip.
    std::optional<double> keyDecoded;
    std::optional<double> keyShown;
    // The source's decoded pictures at the start and either side of it, for
    // the check of the written clip.
    av::Frame atStart;
    av::Frame before;
    av::Frame after;
};

struct HeadResult {
    std::optional<Head> head;
    std::string whyNot;  // a few words: why the start cannot be exact
};

// Decodes stream `video` from a seek to `seek` (seconds after the source's
// first timestamp), from the packet decoded at `decodeFrom` on, and encodes
// the span's head, its pictures shown `reorder` pictures later than decoded
// as the source's keyframe is (H.264; the MPEG heads are never reordered).
// A source that keeps only decoding times (AVI) shows its pictures one
// picture length apart in the order the decoder gives them: the head's
// pictures are counted off from the keyframe before the start, and the
// keyframe after it is shown where its leading pictures end.
// `progress` hears how far into the clip the head has come, and returns
// false to stop (the head is then not made, for no reason).
HeadResult MakeHead(AVFormatContext& source, int video, double seek, double decodeFrom, const ExactSpan& span,
                    int reorder, double clipEnd, const std::function<bool(double)>& progress);

// Reads the written clip's first pictures back: the head's pictures and two
// past it decode without error, their times rise, and the first one is the
// source's picture at the start rather than one beside it. Empty when all
// holds, else what did not.
std::string CheckExactStart(const std::string& clip, const Head& head, int headPictures);

} // namespace korvane::frontend
