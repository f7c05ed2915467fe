#pragma once
// Copy cuts of MPEG program streams (.mpg, .mpeg, .vob). Such a file has no
// index: the engine's seek lands on the byte position of some video packet
// before the start, not on a keyframe, and takes every stream from there. The
// copied clip would begin with the audio packet the engine cut at that
// position (a partial frame players report as damaged) and with more than a
// second of sound before its first picture, which is the keyframe after the
// start, not the one at or before it.
//
// So the front-end first asks the engine for the video packets from a point a
// little before the start, picks the keyframe at or before the start, and cuts
// the picture at that keyframe's decoding time and the sound at its
// presentation time: the clip begins with that picture and the first whole
// audio frame at it, both keeping the source's timestamps. Plain text work,
// free of windows.h.
#include "converter/ClipRequest.h"
#include "converter/PictureKinds.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// A source whose seeks land between keyframes and inside audio frames.
bool IsProgramStream(std::string_view path);

// The cut a clip needs after the seek: none for other sources and for clips
// from the source's beginning; at a keyframe when the picture is copied;
// exactly at the start when the picture is encoded (the engine must begin
// decoding at a keyframe at or before the start, or it loses every picture up
// to the next one); at the start when only the sound is copied and there is
// no picture.
enum class CutKind { None, AtKeyframe, Exact, AtStart };
CutKind CutNeeded(const ClipRequest& request);

// How far before the start the packet lists look for a keyframe, each only
// when the one before found none: program streams put keyframes a second or
// less apart, long ones a few seconds, TV captures and long-GOP encodes up to
// half a minute; the last looks from the source's beginning.
inline constexpr double kKeyframeLeads[] = {3, 30, 300, kLongestDuration};
// How far before the start the engine seeks when no picture is copied (the
// sound alone is cut, or the picture is encoded from exactly the start).
inline constexpr double kSoundLead = 1;

// The engine's arguments that list the video packets (their decoding and
// presentation times in the source's own timestamps, and whether each is a
// keyframe) from `seek` on, for `length` seconds, on standard output, with
// its description of the source.
std::vector<std::string> PacketListArguments(const ClipRequest& request, double seek, double length);

struct VideoPacket {
    double dts = 0;                // the source's own timestamps, in seconds
    std::optional<double> pts;     // program streams leave out some presentation times
    bool key = false;
};

struct PacketList {
    std::vector<VideoPacket> packets;
    std::optional<double> sourceStart;  // the source's first timestamp
    // The source has video; the list may still hold none of its packets when
    // the seek landed past the listed stretch (keyframes far apart).
    bool listedVideo = false;
    // The listing went on to the source's end (read by the converter itself).
    bool toTheEnd = false;
};

// The packets of stream 0 in the engine's frame checksum listing
// ("#tb 0: 1/90000" then "0,  16680,  27480,  3600,  15400, 0xd8c30baa[, F=0x0]"),
// and the start of its "Duration: ..., start: 0.534667, ..." line. Lines it
// does not understand are left out.
PacketList ReadPacketList(std::string_view listing);

// MPEG-1 and MPEG-2 packets without the time they are shown, given one as a
// decoder shows them: a B picture when it is decoded, any other one when the
// next picture that is no B picture is decoded (`frame` seconds after the
// last one listed when the list holds none). `kinds` holds each packet's kind.
void FillShownTimes(std::vector<VideoPacket>& packets, const std::vector<PictureKind>& kinds, double frame);

// Where the clip begins after a seek to `seek`: at the decoding time of the
// last keyframe presented at or before the start, its sound from that
// keyframe's presentation. When the list has none there, or that keyframe is
// decoded before the time the seek went to (the seek may have landed on it):
// nothing, so that a longer lead can be
// tried, unless this is the last try, the list starts at the source's
// beginning or the source has no video at all (an empty list of a source with
// video means the seek landed past the stretch: a longer lead is tried); then
// that keyframe, else the first
// keyframe listed, and without any keyframe the start itself. Nothing either
// without the source's start.
std::optional<CutAfterSeek> CutAtKeyframe(const PacketList& list, double start, double seek, bool lastTry);

// The cut when no picture is copied: the sound from its first whole frame at
// the start.
CutAfterSeek CutAtStart(double start);

// The cut of an encoded picture, from the keyframe cut of a packet listing:
// the engine seeks as the listing did, which landed before that keyframe, and
// decodes from there, keeping the source's times; the clip begins at the
// start itself.
CutAfterSeek ExactCut(const CutAfterSeek& keyframeCut, double start);

} // namespace korvane::frontend
