#include "skin/SkinImage.h"

#include "BitmapBytes.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0x000000, M = 0xFF00FF;

// The 3 x 2 picture every layout below stores: R G B over W K M.
const std::vector<std::uint32_t> kPicture = {R, G, B, W, K, M};
const std::vector<std::uint32_t> kPalette = {K, R, G, B, W, M};

std::vector<unsigned char> Rows(std::initializer_list<std::vector<unsigned char>> rows)
{
    std::vector<unsigned char> out;
    for (const auto& r : rows)
        out.insert(out.end(), r.begin(), r.end());
    return out;
}

BitmapLayout Layout(unsigned bits, int height = 2, std::uint32_t compression = 0, std::uint32_t header = 40)
{
    BitmapLayout l;
    l.headerSize = header;
    l.width = 3;
    l.height = height;
    l.bits = bits;
    l.compression = compression;
    if (bits <= 8)
        l.palette = kPalette;
    return l;
}

struct Case {
    const char* what;
    std::vector<unsigned char> file;
    std::vector<std::uint32_t> want = kPicture;
};

std::vector<Case> Layouts()
{
    std::vector<Case> cases;
    cases.push_back({"24 bits, bottom-up", Bitmap24(3, 2, kPicture)});
    cases.push_back({"24 bits, top-down",
        BitmapFile(Layout(24, -2), Rows({{0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0},
                                         {255, 255, 255, 0, 0, 0, 255, 0, 255, 0, 0, 0}}))});
    cases.push_back({"24 bits, core header",
        BitmapFile(Layout(24, 2, 0, 12), Rows({{255, 255, 255, 0, 0, 0, 255, 0, 255, 0, 0, 0},
                                               {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}}))});
    cases.push_back({"32 bits", BitmapFile(Layout(32), Rows({{255, 255, 255, 9, 0, 0, 0, 9, 255, 0, 255, 9},
                                                             {0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9}}))});
    {
        // Blue in the top byte, red in the second: masks decide, not the order.
        BitmapLayout l = Layout(32, 2, 3);
        l.masks[0] = 0x0000FF00;
        l.masks[1] = 0x00FF0000;
        l.masks[2] = 0xFF000000;
        cases.push_back({"32 bits, bit fields", BitmapFile(l, Rows({{0, 255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 255},
                                                                   {0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255}}))});
        l.headerSize = 124;
        cases.push_back({"32 bits, version 5 header with its masks",
                         BitmapFile(l, Rows({{0, 255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 255},
                                             {0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255}}))});
    }
    // 5-5-5: white 0x7FFF, magenta 0x7C1F, red 0x7C00, green 0x03E0, blue 0x001F.
    cases.push_back({"16 bits, 5-5-5", BitmapFile(Layout(16), Rows({{0xFF, 0x7F, 0, 0, 0x1F, 0x7C, 0, 0},
                                                                    {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}}))});
    {
        BitmapLayout l = Layout(16, 2, 3);
        l.masks[0] = 0xF800;
        l.masks[1] = 0x07E0;
        l.masks[2] = 0x001F;
        cases.push_back({"16 bits, 5-6-5 bit fields", BitmapFile(l, Rows({{0xFF, 0xFF, 0, 0, 0x1F, 0xF8, 0, 0},
                                                                          {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0}}))});
    }
    cases.push_back({"8 bits", BitmapFile(Layout(8), Rows({{4, 0, 5, 0}, {1, 2, 3, 0}}))});
    {
        BitmapLayout l = Layout(8, 2, 0, 12);
        l.palette.resize(256);   // a core header has no colour count: the palette is always full
        cases.push_back({"8 bits, core header, 3-byte palette", BitmapFile(l, Rows({{4, 0, 5, 0}, {1, 2, 3, 0}}))});
    }
    cases.push_back({"4 bits", BitmapFile(Layout(4), Rows({{0x40, 0x50, 0, 0}, {0x12, 0x30, 0, 0}}))});
    {
        BitmapLayout l = Layout(1);
        l.palette = {K, W};
        cases.push_back({"1 bit", BitmapFile(l, Rows({{0b10100000, 0, 0, 0}, {0b01000000, 0, 0, 0}})),
                         {K, W, K, W, K, W}});
    }
    cases.push_back({"RLE8", BitmapFile(Layout(8, 2, 1), {0, 3, 4, 0, 5, 0, 0, 0, 1, 1, 1, 2, 1, 3, 0, 1})});
    cases.push_back({"RLE4", BitmapFile(Layout(4, 2, 2), {0, 3, 0x40, 0x50, 0, 0, 2, 0x12, 1, 0x30, 0, 1})});
    // A move one right and one up skips to the top row's last pixel; the
    // pixels never reached keep palette colour 0, and data that stops without
    // its end mark keeps what was decoded.
    cases.push_back({"RLE8 with a move, cut short", BitmapFile(Layout(8, 2, 1), {1, 4, 0, 2, 1, 1, 1, 3}),
                     {K, K, B, W, K, K}});
    return cases;
}

} // namespace

TEST(DecodeBitmapFile, ReadsEveryLayoutASkinPictureMayComeIn)
{
    for (const Case& c : Layouts()) {
        SCOPED_TRACE(c.what);
        const std::optional<SkinImage> image = DecodeBitmapFile(c.file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(image->pixels, c.want);
    }
}

TEST(DecodeBitmapFile, RefusesWhatIsNotACompleteBitmap)
{
    const std::vector<unsigned char> good = Bitmap24(3, 2, kPicture);
    auto bent = [&](std::size_t at, std::vector<unsigned char> bytes) {
        std::vector<unsigned char> f = good;
        std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
        return f;
    };
    const Case cases[] = {
        {"another signature", bent(0, {'B', 'A'})},
        {"zero width", bent(18, {0, 0, 0, 0})},
        {"zero height", bent(22, {0, 0, 0, 0})},
        {"seven bits", bent(28, {7, 0})},
        {"unknown compression", bent(30, {9, 0, 0, 0})},
        {"unknown header size", bent(14, {41, 0, 0, 0})},
        {"pixels past the end", bent(10, {0xF0, 0xFF, 0xFF, 0xFF})},
        {"60000 x 60000", bent(18, {0x60, 0xEA, 0, 0, 0x60, 0xEA, 0, 0})},
        {"the most negative height", bent(22, {0, 0, 0, 0x80})},
        {"RLE top-down", BitmapFile(Layout(8, -2, 1), {0, 1})},
        {"RLE8 at 4 bits", BitmapFile(Layout(4, 2, 1), {0, 1})},
        {"palette cut off", [] { auto f = BitmapFile(Layout(8), {}); f.resize(60); return f; }()},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(DecodeBitmapFile(c.file)) << c.what;
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(DecodeBitmapFile(std::span(good).first(n))) << "cut at " << n;
}

TEST(SplitBitmap, CutsEqualPartsAndLeavesTheRemainderOut)
{
    SkinImage strip(7, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x)
            strip.At(x, y) = static_cast<std::uint32_t>(10 * y + x);
    SkinImage part;
    SplitBitmap(strip, part, 3, 3);
    EXPECT_EQ(part.width, 2);
    EXPECT_EQ(part.height, 2);
    EXPECT_EQ(part.pixels, (std::vector<std::uint32_t>{4, 5, 14, 15}));

    SplitBitmap(strip, strip, 7, 1);   // source and target may be one picture
    EXPECT_EQ(strip.pixels, (std::vector<std::uint32_t>{0, 10}));

    for (auto [count, index] : {std::pair{0, 1}, {3, 0}, {3, 4}, {-1, -1}}) {
        SplitBitmap(SkinImage(6, 2, R), part, count, index);
        EXPECT_TRUE(part.Empty()) << count << " " << index;
    }
}

TEST(RotateBitmap, TurnsLeftRightAndByHalf)
{
    // 0 1 2
    // 3 4 5
    SkinImage image(3, 2);
    for (std::uint32_t i = 0; i < 6; ++i)
        image.pixels[i] = i;
    SkinImage left = image, right = image, half = image;
    RotateBitmapLeft(left);
    RotateBitmapRight(right);
    RotateBitmapHalf(half);
    EXPECT_EQ(left.width, 2);
    EXPECT_EQ(left.height, 3);
    EXPECT_EQ(left.pixels, (std::vector<std::uint32_t>{2, 5, 1, 4, 0, 3}));
    EXPECT_EQ(right.pixels, (std::vector<std::uint32_t>{3, 0, 4, 1, 5, 2}));
    EXPECT_EQ(half.pixels, (std::vector<std::uint32_t>{5, 4, 3, 2, 1, 0}));
    RotateBitmapRight(left);
    EXPECT_EQ(left, image);

    // The border picture: one column of 21 rows.
    SkinImage border(1, 21);
    for (std::uint32_t i = 0; i < 21; ++i)
        border.pixels[i] = i;
    SkinImage lying = border;
    RotateBitmapLeft(lying);
    EXPECT_EQ(lying.width, 21);
    EXPECT_EQ(lying.height, 1);
    RotateBitmapHalf(border);
    EXPECT_EQ(border.width, 1);
    EXPECT_EQ(border.height, 21);
    EXPECT_EQ(border.At(0, 0), 20u);
    EXPECT_EQ(border.At(0, 20), 0u);
}
