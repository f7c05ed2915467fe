#include <cstddef>
#include "preview/MovieRotation.h"

#include <cstring>
#include <optional>

namespace korvane {
namespace {

std::uint32_t Be32(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint64_t Be64(const unsigned char* p)
{
    return (std::uint64_t{Be32(p)} << 32) | Be32(p + 4);
}

struct Box {
    char type[5] = {};
    std::uint64_t body = 0;   // offset of the box's contents
    std::uint64_t end = 0;    // offset just past the box
};

// The box at `offset` within a parent ending at `limit`; nothing when its
// header is cut short or its size runs past the parent.
std::optional<Box> ReadBox(const ByteReader& read, std::uint64_t offset, std::uint64_t limit)
{
    unsigned char header[16];
    if (limit < offset + 8 || !read(offset, 8, header))
        return std::nullopt;
    Box box;
    std::memcpy(box.type, header + 4, 4);
    std::uint64_t size = Be32(header);
    box.body = offset + 8;
    if (size == 1) {
        if (limit < offset + 16 || !read(offset + 8, 8, header + 8))
            return std::nullopt;
        size = Be64(header + 8);
        box.body = offset + 16;
    } else if (size == 0) {
        size = limit - offset;
    }
    if (size < box.body - offset || size > limit - offset)
        return std::nullopt;
    box.end = offset + size;
    return box;
}

// The first child of the given type, within [from, to).
std::optional<Box> FindChild(const ByteReader& read, std::uint64_t from, std::uint64_t to, const char* type)
{
    // A bound on the boxes looked at keeps a crafted file from taking long.
    for (int n = 0; n < 4096 && from < to; ++n) {
        const auto box = ReadBox(read, from, to);
        if (!box)
            return std::nullopt;
        if (std::memcmp(box->type, type, 4) == 0)
            return box;
        from = box->end;
    }
    return std::nullopt;
}

bool IsVideoTrack(const ByteReader& read, const Box& trak)
{
    const auto mdia = FindChild(read, trak.body, trak.end, "mdia");
    if (!mdia)
        return false;
    const auto hdlr = FindChild(read, mdia->body, mdia->end, "hdlr");
    unsigned char handler[12];
    // version and flags, pre_defined, handler_type
    if (!hdlr || hdlr->end < hdlr->body + 12 || !read(hdlr->body, 12, handler))
        return false;
    return std::memcmp(handler + 8, "vide", 4) == 0;
}

// The matrix's turn: 16.16 fixed-point a, b, c, d of a plain quarter turn.
int MatrixDegrees(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d)
{
    constexpr std::int32_t one = 0x10000;
    if (a == one && b == 0 && c == 0 && d == one)
        return 0;
    // x' = a x + c y, y' = b x + d y with y downwards: (1, 0) to (0, 1) is
    // a clockwise quarter turn.
    if (a == 0 && b == one && c == -one && d == 0)
        return 90;
    if (a == -one && b == 0 && c == 0 && d == -one)
        return 180;
    if (a == 0 && b == -one && c == one && d == 0)
        return 270;
    return 0;
}

} // namespace

int MovieRotationDegrees(const ByteReader& read, std::uint64_t fileSize)
{
    const auto moov = FindChild(read, 0, fileSize, "moov");
    if (!moov)
        return 0;
    for (std::uint64_t at = moov->body; at < moov->end;) {
        const auto trak = FindChild(read, at, moov->end, "trak");
        if (!trak)
            return 0;
        at = trak->end;
        if (!IsVideoTrack(read, *trak))
            continue;
        const auto tkhd = FindChild(read, trak->body, trak->end, "tkhd");
        unsigned char version = 0;
        if (!tkhd || !read(tkhd->body, 1, &version))
            return 0;
        // After version and flags: times, track id, reserved, duration (32 or
        // 64 bits each by version), then 8 reserved bytes, layer, group,
        // volume, reserved: 16 bytes, then the matrix.
        const std::uint64_t matrixAt = tkhd->body + 4 + (version == 1 ? 32 : 20) + 16;
        unsigned char m[36];
        if (tkhd->end < matrixAt + 36 || !read(matrixAt, 36, m))
            return 0;
        auto s32 = [&](int i) { return static_cast<std::int32_t>(Be32(m + 4 * i)); };
        return MatrixDegrees(s32(0), s32(1), s32(3), s32(4));
    }
    return 0;
}

} // namespace korvane

namespace korvane {

void TurnPicture(const std::uint32_t* from, std::uint32_t* to, int width, int height, bool bottomUp, int degrees)
{
    const bool sideways = degrees == 90 || degrees == 270;
    const int outWidth = sideways ? height : width;
    const int outHeight = sideways ? width : height;
    // Rows as seen, top first, whichever way they are stored.
    auto inRow = [&](int y) { return from + static_cast<std::ptrdiff_t>(bottomUp ? height - 1 - y : y) * width; };
    for (int y = 0; y < outHeight; ++y) {
        std::uint32_t* out = to + static_cast<std::ptrdiff_t>(bottomUp ? outHeight - 1 - y : y) * outWidth;
        switch (degrees) {
        case 90:   // the left column, bottom first, becomes the top row
            for (int x = 0; x < outWidth; ++x)
                out[x] = inRow(height - 1 - x)[y];
            break;
        case 180: {
            const std::uint32_t* in = inRow(height - 1 - y);
            for (int x = 0; x < outWidth; ++x)
                out[x] = in[width - 1 - x];
            break;
        }
        case 270:  // the right column, top first, becomes the top row
            for (int x = 0; x < outWidth; ++x)
                out[x] = inRow(x)[width - 1 - y];
            break;
        default: {
            const std::uint32_t* in = inRow(y);
            for (int x = 0; x < outWidth; ++x)
                out[x] = in[x];
            break;
        }
        }
    }
}

} // namespace korvane
