#pragma once
// Writes small bitmap files for the tests, in any of the layouts a skin
// picture may come in.
#include <cstdint>
#include <vector>

namespace korvane::test {

struct BitmapLayout {
    std::uint32_t headerSize = 40;     // 12 core, 40 info, 124 version 5
    int width = 0;
    int height = 0;                    // negative: rows top-down
    unsigned bits = 24;
    std::uint32_t compression = 0;     // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::uint32_t masks[3] = {0, 0, 0};  // with bit fields
};

inline void Put16(std::vector<unsigned char>& v, std::uint32_t x)
{
    v.push_back(static_cast<unsigned char>(x));
    v.push_back(static_cast<unsigned char>(x >> 8));
}

inline void Put32(std::vector<unsigned char>& v, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

// Headers, masks and palette followed by `pixels` exactly as given.
inline std::vector<unsigned char> BitmapFile(const BitmapLayout& l, const std::vector<unsigned char>& pixels)
{
    std::vector<unsigned char> h;
    Put32(h, l.headerSize);
    if (l.headerSize == 12) {
        Put16(h, static_cast<std::uint32_t>(l.width));
        Put16(h, static_cast<std::uint32_t>(l.height));
        Put16(h, 1);
        Put16(h, l.bits);
    } else {
        Put32(h, static_cast<std::uint32_t>(l.width));
        Put32(h, static_cast<std::uint32_t>(l.height));
        Put16(h, 1);
        Put16(h, l.bits);
        Put32(h, l.compression);
        Put32(h, static_cast<std::uint32_t>(pixels.size()));
        Put32(h, 2835);
        Put32(h, 2835);
        Put32(h, static_cast<std::uint32_t>(l.palette.size()));
        Put32(h, 0);
        if (l.headerSize > 40) {
            for (std::uint32_t m : l.masks)
                Put32(h, m);
            while (h.size() < l.headerSize)
                h.push_back(0);
        } else if (l.compression == 3) {
            for (std::uint32_t m : l.masks)
                Put32(h, m);
        }
    }
    for (std::uint32_t c : l.palette) {
        h.push_back(static_cast<unsigned char>(c));
        h.push_back(static_cast<unsigned char>(c >> 8));
        h.push_back(static_cast<unsigned char>(c >> 16));
        if (l.headerSize != 12)
            h.push_back(0);
    }
    std::vector<unsigned char> f{'B', 'M'};
    Put32(f, static_cast<std::uint32_t>(14 + h.size() + pixels.size()));
    Put32(f, 0);
    Put32(f, static_cast<std::uint32_t>(14 + h.size()));
    f.insert(f.end(), h.begin(), h.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A plain 24-bit bottom-up file of the given top-down 0x00RRGGBB pixels.
inline std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::uint32_t>& topDown)
{
    std::vector<unsigned char> rows;
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t start = rows.size();
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = topDown[static_cast<std::size_t>(y) * width + x];
            rows.push_back(static_cast<unsigned char>(c));
            rows.push_back(static_cast<unsigned char>(c >> 8));
            rows.push_back(static_cast<unsigned char>(c >> 16));
        }
        while ((rows.size() - start) % 4)
            rows.push_back(0);
    }
    BitmapLayout l;
    l.width = width;
    l.height = height;
    return BitmapFile(l, rows);
}

} // namespace korvane::test
