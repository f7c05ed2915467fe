#pragma once
// Pieces of a given length, and pieces of at most a given size: where each
// piece of the marked range begins and how long it is. Pure arithmetic and
// text, free of windows.h.
//
// A piece of at most a size cannot be known before the previous one is: a
// copy cuts only where a keyframe lets the next piece begin, an encoder makes
// what it makes. So pieces are asked for one after the other, and the job's
// total bar counts the pieces expected so far.
#include "split/ClipPlan.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvane {

// 1 MB as the pieces' sizes count it: a million bytes, the smaller of the
// two meanings, so that a piece fits under a limit in either.
inline constexpr double kBytesPerMB = 1e6;

// What the engine lists of a source's packets ("-f framecrc" of every stream):
// each packet's presentation time in seconds from the source's beginning, its
// size, and for the first video stream whether it is a keyframe.
struct SourcePackets {
    struct Packet {
        double time = 0;
        std::int64_t size = 0;
    };
    struct Keyframe {
        double time = 0;    // presentation
        double decode = 0;  // decoding: earlier than `time` when pictures are reordered
    };
    std::vector<Packet> packets;       // every stream, in the listing's order
    std::vector<Keyframe> keyframes;   // ascending
};

// Reads the listing: "#tb 1: 1/48000", "#media_type 1: audio" and lines
// "1, 0, 0, 1024, 371, 0x8c9b7a12[, F=0x0]", and the source's first
// timestamp from its description ("Duration: ..., start: 1.400000, ...").
// Without media types the first stream is taken for the video.
SourcePackets ReadSourcePackets(std::string_view listing);

// Pieces of `pieceLength` seconds from the range's start; the last one is
// what is left, never shorter than a thousandth of a second.
std::vector<ClipSpan> PiecesOfLength(double rangeStart, double rangeLength, double pieceLength);


// Pieces of a copy: each ends just before a keyframe, where the next one
// begins, and is as long as it can be while its packets, with what the
// container adds, stay within `limitBytes`. A stretch from one keyframe to
// the next that alone passes the limit is one piece anyway: a copy cannot cut
// it. Without keyframes the range is one piece. A piece that starts between
// keyframes holds the pictures from the keyframe before its start (an edit
// list hides them in MP4 and MOV), and they count into its size.
//
// The next piece starts at the keyframe's presentation, but this one ends at
// its decoding time: the engine ends a copy by decoding times, and with
// reordered pictures the keyframe and the picture after it are decoded
// before the keyframe is shown. Cut there, no picture is in two pieces.
std::vector<ClipSpan> PiecesOfSizeAtKeyframes(const SourcePackets& source, double rangeStart, double rangeLength,
                                              double limitBytes);

// Pieces of an encoding of at most `limitBytes`: the first is as long as the
// profile's rate lets it be, and every piece made corrects the rate the next
// one is measured with.
class EncodedPieces {
public:
    // bytesPerSecond: what the profile's rates promise, or what the source
    // itself holds a second (0 or less when neither is known: a generous guess).
    // With the source's frame rate known (frameRate > 0), pieces meet at a
    // picture's time, so that each picture falls into one piece only.
    EncodedPieces(double rangeStart, double rangeLength, double limitBytes, double bytesPerSecond,
                  double frameRate = 0);

    // The next piece, none once the range is used up.
    std::optional<ClipSpan> Next();
    // The last piece given by Next was made, and its file is this big. True
    // when it passed the size and must be made again, shorter (Next gives it
    // again); a piece is made at most three times.
    bool Made(double bytes);
    // Pieces given so far and those the rest of the range is expected to need.
    std::int32_t ExpectedCount() const;

private:
    double Reach() const;

    double end_;
    double limit_;
    double rate_;
    double frameRate_;
    double next_;
    ClipSpan last_{};
    std::int32_t given_ = 0;
    int tries_ = 0;
};

// The bytes a second the profile's arguments ask for: the video rate
// ("-b:v", "-vb", "-b") and the audio rate ("-b:a", "-ab"), "1500k", "2M" or
// plain bits. 0 when no rate is given.
double BytesPerSecondOfArguments(std::string_view arguments);

// Whether the arguments copy the video as it is ("-c copy", "-c:v copy",
// "-vcodec copy").
bool CopiesVideo(std::string_view arguments);

} // namespace korvane
