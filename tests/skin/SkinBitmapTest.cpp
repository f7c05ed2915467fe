#include "skin/SkinBitmap.h"

#include "ContainerBytes.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace korvane;
using korvane::test::Bitmap24;
using korvane::test::ContainerBytes;

namespace {

// A strip of `parts` parts, each w x h, whose pixel (x, y) of part p is
// unique: red = part, green = x, blue = y.
std::vector<std::uint32_t> Strip(int parts, int w, int h)
{
    std::vector<std::uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < parts * w; ++x)
            px.push_back(static_cast<std::uint32_t>((x / w + 1) << 16 | (x % w) << 8 | y));
    return px;
}

COLORREF Mark(int part, int x, int y)
{
    return RGB(part, x, y);
}

} // namespace

using korvane::testing::WinePath;

TEST(SkinBitmap, PicturesReachGdiWithTheirPixelsPartsAndTurnings)
{
    TSkinReader reader;
    reader.ReadSkinData(ContainerBytes().Picture("Strip", Bitmap24(12, 3, Strip(3, 4, 3))).Bytes());

    ui::Bitmap whole, part;
    ASSERT_TRUE(GetSkinBitmap(reader, "strip", whole));
    EXPECT_EQ(whole.Width(), 12);
    EXPECT_EQ(whole.Height(), 3);
    EXPECT_EQ(whole.Pixel(11, 2), Mark(3, 3, 2));

    ASSERT_TRUE(GetSkinBitmapPart(reader, "Strip", part, 2, 3));
    EXPECT_EQ(part.Width(), 4);
    EXPECT_EQ(part.Height(), 3);
    EXPECT_EQ(part.Pixel(0, 0), Mark(2, 0, 0));
    EXPECT_EQ(part.Pixel(3, 2), Mark(2, 3, 2));
    EXPECT_FALSE(GetSkinBitmapPart(reader, "Absent", part, 1, 3));
    EXPECT_EQ(part.Width(), 4);

    // (x, y) goes to (y, width - 1 - x) turning left, to (height - 1 - y, x) turning right.
    RotateBitmapLeft(part);
    EXPECT_EQ(part.Width(), 3);
    EXPECT_EQ(part.Height(), 4);
    EXPECT_EQ(part.Pixel(2, 0), Mark(2, 3, 2));
    RotateBitmapHalf(part);
    EXPECT_EQ(part.Pixel(0, 3), Mark(2, 3, 2));
    RotateBitmapRight(part);
    EXPECT_EQ(part.Width(), 4);
    EXPECT_EQ(part.Pixel(0, 0), Mark(2, 3, 2));

    ui::Bitmap cut;
    SplitBitmap(whole, cut, 3, 3);
    EXPECT_EQ(cut.Width(), 4);
    EXPECT_EQ(cut.Pixel(1, 1), Mark(3, 1, 1));
}

TEST(SkinBitmap, ScrollAndTabPicturesArePreparedAtEveryRead)
{
    TSkinReader reader;
    TSkinScrollBtnRes scroll(reader);
    TSkinTabRes tabs(reader);
    reader.OnLoaded = [&] {
        scroll.Reload();
        tabs.Reload();
    };
    reader.ReadSkinData(ContainerBytes()
                            .Picture("ScrollBarButtonImage", Bitmap24(30, 4, Strip(6, 5, 4)))
                            .Picture("ScrollBarSliderImage", Bitmap24(2, 5, Strip(1, 2, 5)))
                            .Picture("TabControlTabImage", Bitmap24(6, 2, Strip(2, 3, 2)))
                            .Picture("TabControlBarImage", Bitmap24(3, 1, Strip(1, 3, 1)))
                            .Bytes());

    EXPECT_EQ(scroll.Button(4, SkinTurn::Stored).Pixel(0, 0), Mark(4, 0, 0));
    const ui::Bitmap& up = scroll.Button(4, SkinTurn::Left);
    EXPECT_EQ(up.Width(), 4);
    EXPECT_EQ(up.Height(), 5);
    EXPECT_EQ(up.Pixel(0, 4), Mark(4, 0, 0));
    EXPECT_TRUE(scroll.Button(4, SkinTurn::Right).Empty());
    EXPECT_EQ(scroll.Slider(SkinTurn::Right).Width(), 5);
    EXPECT_EQ(scroll.Slider(SkinTurn::Right).Pixel(4, 0), Mark(1, 0, 0));

    EXPECT_EQ(tabs.Tab(2, SkinTurn::Stored).Pixel(0, 0), Mark(2, 0, 0));
    EXPECT_EQ(tabs.Tab(1, SkinTurn::Half).Pixel(2, 1), Mark(1, 0, 0));
    EXPECT_EQ(tabs.Tab(1, SkinTurn::Right).Width(), 2);
    EXPECT_EQ(tabs.Bar(SkinTurn::Left).Height(), 3);
    EXPECT_EQ(tabs.Bar(SkinTurn::Left).Pixel(0, 2), Mark(1, 0, 0));

    // A skin without them leaves them empty.
    reader.ReadSkinData(ContainerBytes().Integer("Other", 1).Bytes());
    EXPECT_TRUE(scroll.Button(1, SkinTurn::Stored).Empty());
    EXPECT_TRUE(scroll.Slider(SkinTurn::Right).Empty());
    EXPECT_TRUE(tabs.Tab(2, SkinTurn::Left).Empty());
    EXPECT_TRUE(tabs.Bar(SkinTurn::Stored).Empty());
}

TEST(BuiltInSkin, TheProgramCarriesItAndItReachesGdi)
{
    std::ifstream file(WinePath(KORVANE_SKIN_FILE), std::ios::binary);
    const std::vector<unsigned char> committed{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(committed.empty());
    const HMODULE program = LoadLibraryExA(WinePath(KORVANE_DIST_DIR "/Korvane.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program);
    const std::span<const unsigned char> carried = BuiltInSkinData(program);
    EXPECT_TRUE(std::equal(carried.begin(), carried.end(), committed.begin(), committed.end()));
    FreeLibrary(program);

    // Read from memory, from this executable's copy of the resource.
    TSkinReader reader;
    ASSERT_TRUE(ReadBuiltInSkin(reader));
    ASSERT_TRUE(reader.Ready());
    EXPECT_EQ(reader.Entries().size(), 47u);
    EXPECT_EQ(reader.GetSkinInt("TitleBarButtonTopInt"), 5);

    ui::Bitmap whole, close;
    ASSERT_TRUE(GetSkinBitmap(reader, "TitleBarButtonImage", whole));
    ASSERT_TRUE(GetSkinBitmapPart(reader, "TitleBarButtonImage", close, 16, 18));
    ASSERT_EQ(close.Width(), 15);
    ASSERT_EQ(close.Height(), 13);
    for (auto [x, y] : {std::pair{0, 0}, {7, 6}, {14, 12}, {3, 9}})
        EXPECT_EQ(close.Pixel(x, y), whole.Pixel(225 + x, y)) << x << "," << y;

    // The menu check mark, on white, which the menus take as transparent.
    ui::Bitmap check;
    check.LoadFromResource("SKIN_MENU_CHECKED");
    EXPECT_EQ(check.Width(), 16);
    EXPECT_EQ(check.Height(), 16);
    EXPECT_EQ(check.TransparentColor(), RGB(255, 255, 255));
}
