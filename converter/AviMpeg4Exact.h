#pragma once
// Copies of MPEG-4 video in AVI files that start exactly at the marked start.
// The pictures from the start up to the next keyframe (the head) are encoded
// again into an AVI file of their own; the source's pictures from that
// keyframe on (the tail) are copied through an elementary stream, where the
// front-end puts the source's stream header in front of the keyframe (a
// decoder needs it after the head's) and leaves out the B pictures decoded
// after the keyframe but shown before it (predicted from pictures the clip
// does not have; the head shows those times), and back into an AVI file. The
// engine joins the two files with its list reader, and the sound of every
// track comes raw from its first whole frame at the start
// (ProgramStreamExact.h). AVI files time pictures by their place alone, which
// the join keeps. Plain text work, free of windows.h.
#include "converter/ClipRequest.h"
#include "converter/KeyframeCut.h"
#include "converter/ProgramStreamExact.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::frontend {

// The picture stream's four-character code in the engine's description
// ("Video: mpeg4 (Advanced Simple Profile) (XVID / 0x44495658), ..."); empty
// when it names none.
std::string ReadVideoTag(std::string_view engineText);

// Where the head ends and the tail begins, counted in pictures from the
// source's first one.
struct AviSpan {
    long firstPicture = 0;     // the picture shown at the start
    int headPictures = 0;      // up to the keyframe or the clip's end
    int clipPictures = 0;
    std::optional<double> keyframeDts;  // the tail's keyframe, seconds; none: the head is the whole clip
    double seek = 0;           // a keyframe's decoding time at or before the first picture
    // The engine reads reordered AVI pictures a picture late: its time of
    // picture n is (n + delay) pictures.
    int delay = 0;
};

// The span from a listing of the video packets (KeyframeCut.h) around the
// start: an AVI file gives presentation times only to the pictures that are
// not reordered (B pictures), so a reference picture is shown just before the
// next reference picture is decoded. Nothing when the listing holds no
// keyframe at or before the start, or none after it while the clip goes on.
std::optional<AviSpan> FindAviSpan(const PacketList& list, double start, std::optional<double> duration,
                                   double frame);

// Whether the exact cut can be made for these facts: MPEG-4 video, sound the
// engine can write raw, no subtitle tracks.
bool CanCutAviExactly(const ProgramStreamFacts& facts);

// The head, encoded into an AVI file with the source's codec and code.
std::vector<std::string> AviHeadArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                          const std::string& tag, const AviSpan& span, double frame,
                                          const std::string& path);

// The tail's keyframe alone with the source's stream header in front, to
// standard output.
std::vector<std::string> AviHeaderArguments(const ClipRequest& request, const AviSpan& span);

// The tail, copied to an elementary stream from its keyframe, a few pictures
// more than it keeps.
std::vector<std::string> AviTailArguments(const ClipRequest& request, const AviSpan& span, const std::string& path);

// The stream header in front of the first picture of an MPEG-4 elementary
// stream (everything before its first picture start code).
std::string_view Mpeg4Header(std::string_view stream);

// The tail as it joins the head: the header in front of its keyframe unless
// it has its own, and the B pictures between the keyframe and the next
// picture that is no B picture left out.
std::string PrepareMpeg4Tail(std::string_view header, std::string_view tail);

// The prepared tail put back into an AVI file with the source's code, its
// pictures up to the clip's end.
std::vector<std::string> AviTailFileArguments(const ProgramStreamFacts& facts, const std::string& tag,
                                              const AviSpan& span, const std::string& stream,
                                              const std::string& path);

// The engine's list of the files to join: the head, then the tail if any.
std::string AviJoinList(const std::string& head, const std::optional<std::string>& tail);

// The clip: the joined pictures from 0, each sound track placed by its first
// timestamp against the start, all copied.
std::vector<std::string> AviJoinArguments(const ClipRequest& request, const ProgramStreamFacts& facts,
                                          const std::string& listPath, const std::vector<std::string>& soundPaths,
                                          const std::vector<double>& soundStarts);

} // namespace korvane::frontend
