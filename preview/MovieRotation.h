#pragma once
// The turn a MOV or MP4 file asks for its picture: phones record upright
// video as landscape frames and say in the video track's header (its "tkhd"
// matrix) that the picture is to be shown turned. Free of windows.h: the
// caller hands in a reader of the file's bytes.
#include <cstdint>
#include <functional>

namespace korvane {

// Reads `size` bytes at `offset` into `out`; false when they are not all there.
using ByteReader = std::function<bool(std::uint64_t offset, std::uint32_t size, unsigned char* out)>;

// Clockwise quarter turns 0, 90, 180 or 270 of the first video track; 0 for
// a file that is no such movie, has no video track, or a matrix that is no
// plain turn (mirrored or skewed).
int MovieRotationDegrees(const ByteReader& read, std::uint64_t fileSize);

} // namespace korvane

namespace korvane {

// Turns a picture of 32-bit pixels clockwise by 90, 180 or 270 degrees (any
// other value copies it). Rows are `width` (`height`) pixels without padding;
// `bottomUp` pictures store their last row first, as upright DIBs do, and
// the turned picture is stored the same way. `to` holds width x height pixels.
void TurnPicture(const std::uint32_t* from, std::uint32_t* to, int width, int height, bool bottomUp, int degrees);

} // namespace korvane
