#pragma once
// What kind of picture a packet holds, read from its first picture header,
// and the headers a copied stream's keyframe must carry or have mended when
// the pictures before it are replaced: MPEG-1 and MPEG-2 (sequence, group
// and picture headers), MPEG-4 Part 2 (VOL and VOP headers) and H.264
// (slices, in start-code or length form). Plain byte work, free of windows.h.
#include <optional>
#include <string>
#include <string_view>

namespace korvane::frontend {

enum class PictureKind { Intra, Predicted, Bidirectional, Unknown };

// H.264 units travel after lengths of `lengthSize` bytes; 0: after start codes.
struct PictureCoding {
    enum class Codec { Mpeg12, Mpeg4, H264 } codec = Codec::Mpeg12;
    int lengthSize = 0;
};

// The kind of the first picture in the packet; Unknown when none reads.
PictureKind KindOf(std::string_view packet, const PictureCoding& coding);

// Whether an H.264 packet's first slice belongs to an IDR picture, after
// which no picture refers back (no leading pictures).
bool IsIdrPicture(std::string_view packet, const PictureCoding& coding);

// Whether the packet carries what a decoder needs before its pictures: an
// MPEG-1/2 sequence header, an MPEG-4 VOL header, an H.264 sequence set.
bool CarriesStreamHeader(std::string_view packet, const PictureCoding& coding);

// An MPEG-4 Part 2 stream that packs a B picture into the packet of the
// picture before it (a user data text "DivX...p"): its packets are not one
// picture each.
bool PacksBPictures(std::string_view bytes);

// The group of pictures that begins at a source's keyframe, once the B
// pictures shown before that keyframe are left out of the clip: its group
// header says it is closed and not broken, and the pictures' numbers in the
// group (temporal_reference) count from the keyframe. Fed each MPEG-1/2
// packet of the clip from that keyframe on, in order; mends them in place
// until the next group header.
class GroupAfterLeadingPictures {
public:
    explicit GroupAfterLeadingPictures(int leftOut) : leftOut_(leftOut) {}
    void Mend(std::string& packet);

private:
    int leftOut_;
    bool groupSeen_ = false;
    bool done_ = false;
};

} // namespace korvane::frontend
