#pragma once
// The pictures of a skin in memory, free of windows.h: decoding the bitmap
// files a skin container holds, and the small routines the painting code
// applies to them (cutting a strip into parts, turning a picture). The
// Windows layer (skin/SkinBitmap.h) hands the results to GDI.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvane {

// Pixels are 0x00RRGGBB, rows top-down: the layout of a 32-bit DIB section,
// so the Windows layer copies them without conversion.
struct SkinImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    SkinImage() = default;
    SkinImage(int w, int h, std::uint32_t fill = 0);

    bool Empty() const { return width <= 0 || height <= 0; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

    friend bool operator==(const SkinImage&, const SkinImage&) = default;
};

// Pictures larger than this many pixels are refused: no skin needs them, and a
// damaged header must not make the reader allocate gigabytes.
inline constexpr std::int64_t kMaxSkinImagePixels = 4 * 1024 * 1024;

// Decodes a complete Windows bitmap file ("BM" header): core and info headers,
// 1, 4 and 8 bits with a palette, 16, 24 and 32 bits, bit-field masks, RLE8 and
// RLE4, bottom-up and top-down rows. Nothing for anything that is not such a
// file, is cut short or is larger than kMaxSkinImagePixels.
std::optional<SkinImage> DecodeBitmapFile(std::span<const unsigned char> file);

// Part `index` (counted from 1) of `count` equal parts side by side: the part
// width is the source width divided by count (integer division), the part the
// full-height rectangle from x = part width x (index - 1). An index outside
// 1..count or a count below 1 leaves the target empty.
void SplitBitmap(const SkinImage& source, SkinImage& target, int count, int index);

// Turning in place. Left (counter-clockwise): the result is height x width and
// (x, y) goes to (y, width - 1 - x). Half: (x, y) goes to (width - 1 - x,
// height - 1 - y). Right (clockwise): (x, y) goes to (height - 1 - y, x).
void RotateBitmapLeft(SkinImage& image);
void RotateBitmapHalf(SkinImage& image);
void RotateBitmapRight(SkinImage& image);

} // namespace korvane
