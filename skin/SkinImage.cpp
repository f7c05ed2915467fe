#include "skin/SkinImage.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvane {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

// Reads little-endian numbers; every caller has checked the bounds.
std::uint32_t U32(std::span<const unsigned char> d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
        static_cast<std::uint32_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

std::uint16_t U16(std::span<const unsigned char> d, std::size_t at)
{
    return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

std::uint32_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

// One channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        const int bits = std::countr_one(m >> shift);
        max = (std::uint64_t{1} << bits) - 1;
    }

    unsigned Value(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const std::uint64_t v = ((pixel & mask) >> shift) & max;
        return static_cast<unsigned>(v * 255 / max);
    }
};

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    unsigned bits = 0;
    std::uint32_t compression = kBiRgb;
    std::vector<std::uint32_t> palette;
    std::uint32_t masks[3] = {0, 0, 0};
    std::size_t pixelsAt = 0;
};

// Palette, masks and where the pixels start; false for anything unreadable.
bool ReadLayout(std::span<const unsigned char> d, Layout& l)
{
    if (d.size() < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M')
        return false;
    const std::uint32_t headerSize = U32(d, kFileHeaderSize);
    const std::size_t h = kFileHeaderSize;
    std::size_t paletteEntry = 4;
    std::int64_t width = 0, height = 0;
    std::uint32_t colorsUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        if (d.size() < h + kCoreHeaderSize)
            return false;
        width = U16(d, h + 4);
        height = U16(d, h + 6);
        l.bits = U16(d, h + 10);
        paletteEntry = 3;
    } else if (headerSize == kInfoHeaderSize || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        // The info header and its later versions, which add the masks,
        // colour space and profile after the first 40 bytes.
        if (d.size() < h + headerSize)
            return false;
        width = static_cast<std::int32_t>(U32(d, h + 4));
        height = static_cast<std::int32_t>(U32(d, h + 8));
        l.bits = U16(d, h + 14);
        l.compression = U32(d, h + 16);
        colorsUsed = U32(d, h + 32);
    } else {
        return false;
    }
    if (height < 0) {
        l.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width * height > kMaxSkinImagePixels)
        return false;
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(height);

    switch (l.compression) {
    case kBiRgb:
        if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32)
            return false;
        break;
    case kBiRle8:
        if (l.bits != 8 || l.topDown)
            return false;
        break;
    case kBiRle4:
        if (l.bits != 4 || l.topDown)
            return false;
        break;
    case kBiBitfields:
        if (l.bits != 16 && l.bits != 32)
            return false;
        break;
    default:
        return false;
    }

    std::size_t at = h + headerSize;
    if (l.compression == kBiBitfields) {
        // An info header of 40 bytes is followed by the three masks; the
        // longer headers carry them inside.
        const std::size_t masksAt = headerSize == kInfoHeaderSize ? at : h + kInfoHeaderSize;
        if (d.size() < masksAt + 12)
            return false;
        for (int i = 0; i < 3; ++i)
            l.masks[i] = U32(d, masksAt + 4 * static_cast<std::size_t>(i));
        if (headerSize == kInfoHeaderSize)
            at += 12;
    } else if (l.bits == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    } else if (l.bits >= 24) {
        l.masks[0] = 0xFF0000;
        l.masks[1] = 0x00FF00;
        l.masks[2] = 0x0000FF;
    }
    if (l.bits <= 8) {
        const std::uint32_t full = 1u << l.bits;
        const std::uint32_t count = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        if (d.size() < at + count * paletteEntry)
            return false;
        l.palette.assign(full, 0);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t p = at + i * paletteEntry;
            l.palette[i] = Rgb(d[p + 2], d[p + 1], d[p]);
        }
        at += count * paletteEntry;
    }
    // The file header says where the pixels are; writers that leave it 0 put
    // them right after the palette.
    const std::uint32_t offBits = U32(d, 10);
    l.pixelsAt = offBits != 0 ? offBits : at;
    return l.pixelsAt <= d.size();
}

bool DecodeRows(std::span<const unsigned char> d, const Layout& l, SkinImage& out)
{
    const std::uint64_t stride = (static_cast<std::uint64_t>(l.width) * l.bits + 31) / 32 * 4;
    if (d.size() - l.pixelsAt < stride * static_cast<std::uint64_t>(l.height))
        return false;
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    for (int row = 0; row < l.height; ++row) {
        const int y = l.topDown ? row : l.height - 1 - row;
        const unsigned char* p = d.data() + l.pixelsAt + stride * static_cast<std::uint64_t>(row);
        for (int x = 0; x < l.width; ++x) {
            std::uint32_t v = 0;
            switch (l.bits) {
            case 1:
                v = l.palette[(p[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                v = l.palette[(p[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
                break;
            case 8:
                v = l.palette[p[x]];
                break;
            case 16: {
                const std::uint32_t px = static_cast<std::uint32_t>(p[2 * x] | p[2 * x + 1] << 8);
                v = Rgb(red.Value(px), green.Value(px), blue.Value(px));
                break;
            }
            case 24:
                v = Rgb(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
                break;
            case 32: {
                const std::uint32_t px = static_cast<std::uint32_t>(p[4 * x]) |
                    static_cast<std::uint32_t>(p[4 * x + 1]) << 8 | static_cast<std::uint32_t>(p[4 * x + 2]) << 16 |
                    static_cast<std::uint32_t>(p[4 * x + 3]) << 24;
                v = Rgb(red.Value(px), green.Value(px), blue.Value(px));
                break;
            }
            }
            out.At(x, y) = v;
        }
    }
    return true;
}

// Run-length pictures are always bottom-up. Pixels the runs never reach stay
// palette colour 0; data that stops before the end-of-picture mark keeps what
// was decoded so far, as GDI does.
void DecodeRle(std::span<const unsigned char> d, const Layout& l, SkinImage& out)
{
    const bool four = l.compression == kBiRle4;
    std::fill(out.pixels.begin(), out.pixels.end(), l.palette[0]);
    std::int64_t x = 0, y = 0;
    auto put = [&](unsigned index) {
        if (x < l.width && y < l.height)
            out.At(static_cast<int>(x), static_cast<int>(l.height - 1 - y)) = l.palette[index];
        ++x;
    };
    std::size_t at = l.pixelsAt;
    while (at + 2 <= d.size() && y < l.height) {
        const unsigned count = d[at];
        const unsigned value = d[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) {           // end of line
            x = 0;
            ++y;
        } else if (value == 1) {    // end of picture
            break;
        } else if (value == 2) {    // move right and up
            if (at + 2 > d.size())
                break;
            x += d[at];
            y += d[at + 1];
            at += 2;
        } else {                    // `value` pixels stored as they are, padded to 16 bits
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (at + bytes > d.size())
                break;
            for (unsigned i = 0; i < value; ++i)
                put(four ? (i % 2 ? d[at + i / 2] & 0xF : d[at + i / 2] >> 4) : d[at + i]);
            at += bytes + (bytes & 1);
        }
    }
}

} // namespace

SkinImage::SkinImage(int w, int h, std::uint32_t fill)
    : width(w), height(h), pixels(static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0), fill)
{
}

std::optional<SkinImage> DecodeBitmapFile(std::span<const unsigned char> file)
{
    Layout l;
    if (!ReadLayout(file, l))
        return std::nullopt;
    SkinImage out(l.width, l.height);
    if (l.compression == kBiRle8 || l.compression == kBiRle4)
        DecodeRle(file, l, out);
    else if (!DecodeRows(file, l, out))
        return std::nullopt;
    return out;
}

void SplitBitmap(const SkinImage& source, SkinImage& target, int count, int index)
{
    if (count < 1 || index < 1 || index > count) {
        target = SkinImage();
        return;
    }
    const int partWidth = source.width / count;
    SkinImage part(partWidth, source.height);
    const int left = partWidth * (index - 1);
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < partWidth; ++x)
            part.At(x, y) = source.At(left + x, y);
    target = std::move(part);
}

void RotateBitmapLeft(SkinImage& image)
{
    SkinImage turned(image.height, image.width);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            turned.At(y, image.width - 1 - x) = image.At(x, y);
    image = std::move(turned);
}

void RotateBitmapHalf(SkinImage& image)
{
    std::reverse(image.pixels.begin(), image.pixels.end());
}

void RotateBitmapRight(SkinImage& image)
{
    SkinImage turned(image.height, image.width);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            turned.At(image.height - 1 - y, x) = image.At(x, y);
    image = std::move(turned);
}

} // namespace korvane
