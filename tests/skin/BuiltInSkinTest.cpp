// The built-in skin as the artwork tool writes it into data/skin/, read by the
// reader: every entry the engine looks up, at the sizes it is laid out for.
#include "skin/SkinReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace korvane;

namespace {

std::string SkinFile()
{
    std::string path = KORVANE_SKIN_FILE;
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
    path = "Z:" + path;
#endif
    return path;
}

struct PictureSize {
    const char* name;
    int width, height;
};

// The sizes the frame and the controls are laid out for.
constexpr PictureSize kPictures[] = {
    {"ButtonImage", 255, 25},          {"CheckBoxImage", 60, 13},         {"RadioButtonImage", 60, 13},
    {"TitleBarButtonImage", 270, 13},  {"TitleBarLeftImage", 36, 24},     {"TitleBarClientImage", 11, 24},
    {"TitleBarRightImage", 36, 24},    {"TitleBarMinimizedImage", 22, 28}, {"FormLeftBorderImage", 1, 21},
    {"ProgressBarImage", 80, 21},      {"TrackBarBarImage", 40, 4},       {"TrackBarSliderImage", 10, 22},
    {"TrackBarSliderVImage", 22, 10},  {"ScrollBarButtonImage", 90, 17},  {"ScrollBarSliderImage", 8, 17},
    {"TabControlTabImage", 188, 27},   {"TabControlBarImage", 29, 2},     {"CheckListBoxImage", 60, 13},
    {"ScrollButtonImage", 100, 25},    {"SideChannelHandleImage", 8, 86}, {"SideChannelBarImage", 1, 28},
};

// A skin colour (0x00BBGGRR) as a picture pixel (0x00RRGGBB).
std::uint32_t PixelOf(std::int32_t colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// Relative luminance of a picture pixel, as contrast ratios are defined on it.
double Luminance(std::uint32_t pixel)
{
    auto channel = [](std::uint32_t v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(pixel >> 16 & 0xFF) + 0.7152 * channel(pixel >> 8 & 0xFF) + 0.0722 * channel(pixel & 0xFF);
}

double Contrast(std::uint32_t a, std::uint32_t b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST(BuiltInSkin, HoldsEveryEntryTheEngineLooksUp)
{
    TSkinReader r;
    r.ReadSkinFile(SkinFile());
    ASSERT_TRUE(r.Ready());
    EXPECT_EQ(r.Entries().size(), 47u);
    EXPECT_EQ(r.Count(SkinEntryKind::Picture), 21u);
    EXPECT_EQ(r.Count(SkinEntryKind::Integer), 24u);
    EXPECT_EQ(r.Count(SkinEntryKind::Switch), 2u);

    for (const PictureSize& p : kPictures) {
        SkinImage image;
        ASSERT_TRUE(r.GetSkinBitmap(p.name, image)) << p.name;
        EXPECT_EQ(image.width, p.width) << p.name;
        EXPECT_EQ(image.height, p.height) << p.name;
    }
    SkinImage none;
    EXPECT_FALSE(r.GetSkinBitmap("FormBottomBorderImage", none));

    // The frame's geometry; colours are the skin's own.
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonLeftOffsetInt"), 6);
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonRightOffsetInt"), -11);
    EXPECT_EQ(r.GetSkinInt("TitleBarButtonTopInt"), 5);
    EXPECT_EQ(r.GetSkinInt("FormMinWidthInt"), 200);
    EXPECT_EQ(r.GetSkinInt("FormRoundCornerInt"), 19);
    EXPECT_EQ(r.GetSkinInt("FormBottomRoundCornerInt"), 11);
    EXPECT_EQ(r.GetSkinInt("FormBorderWidthInt"), 1);
    EXPECT_TRUE(r.GetSkinBool("ButtonTransparentBool"));
    EXPECT_FALSE(r.GetSkinBool("TitleBarButtonTransparentBool"));
    for (const char* colour : {"FormBackgroundColor", "FormBorderColor", "TitleBarFontColor", "MenuBackgroundColor",
                               "MenuBarColor", "MenuSelectedBackgroundColor", "MenuSelectedBorderColor",
                               "MenuSelectedFontColor", "MenuFontColor", "MenuMenuBarColor", "ControlBorderColor",
                               "ControlBackgroundColor", "ControlFontColor", "ScrollBarBackgroundColor",
                               "ToolBarButtonBackgroundColor", "ToolBarButtonDownBackgroundColor",
                               "ToolBarButtonBorderColor"}) {
        const std::int32_t c = r.GetSkinInt(colour);
        EXPECT_TRUE(c >= 0 && c <= 0xFFFFFF) << colour << " is no plain colour: " << c;
    }
    // Not one of the marker values that switch the engine's colour fallbacks.
    const std::int32_t font = r.GetSkinInt("ControlFontColor");
    EXPECT_FALSE(font % 0x10000 == 0 && font >= 0x10000 && font <= 0x50000) << font;
}

TEST(BuiltInSkin, CaptionButtonsAreCutFromOneStrip)
{
    TSkinReader r;
    r.ReadSkinFile(SkinFile());
    SkinImage whole, lower, close;
    ASSERT_TRUE(r.GetSkinBitmap("TitleBarButtonImage", whole));
    ASSERT_TRUE(r.GetSkinBitmap("titlebarbuttonimage", lower));
    EXPECT_EQ(whole, lower);
    ASSERT_TRUE(r.GetSkinBitmapPart("TitleBarButtonImage", close, 16, 18));
    ASSERT_EQ(close.width, 15);
    ASSERT_EQ(close.height, 13);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(close.At(x, y), whole.At(225 + x, y)) << x << "," << y;
}

// What the frame paints from the skin has to fit together: the sides (a
// picture) and the bottom edge (the border colour) are one line, the caption
// text reads on the title bar, and the opaque caption buttons carry the
// title bar's own rows around their glyphs instead of showing as boxes.
TEST(BuiltInSkin, FramePiecesMeetAndTheCaptionReads)
{
    TSkinReader r;
    r.ReadSkinFile(SkinFile());
    SkinImage side, title, buttons;
    ASSERT_TRUE(r.GetSkinBitmap("FormLeftBorderImage", side));
    ASSERT_TRUE(r.GetSkinBitmap("TitleBarClientImage", title));
    ASSERT_TRUE(r.GetSkinBitmap("TitleBarButtonImage", buttons));

    const std::uint32_t border = PixelOf(r.GetSkinInt("FormBorderColor"));
    for (std::uint32_t p : side.pixels)
        ASSERT_EQ(p, border);

    // The caption's line: the buttons' top and the 16 pixels of the icon.
    const int top = r.GetSkinInt("TitleBarButtonTopInt");
    const std::uint32_t text = PixelOf(r.GetSkinInt("TitleBarFontColor"));
    for (int y = top; y < top + 16 && y < title.height; ++y)
        EXPECT_GE(Contrast(text, title.At(0, y)), 4.5) << "title bar row " << y;

    ASSERT_GE(title.height, top + buttons.height);
    for (int normal : {4, 7, 10, 13, 16}) {
        SkinImage part;
        SplitBitmap(buttons, part, 18, normal);
        int seams = 0;
        for (int y = 0; y < part.height; ++y)
            for (int x : {0, part.width - 1})
                seams += part.At(x, y) != title.At(0, top + y);
        EXPECT_EQ(seams, 0) << "pixels of part " << normal << " off the title bar's rows";
    }
}
