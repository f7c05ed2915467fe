#pragma once
// The colour entries the engine paints with, each with the colour used when
// a skin lacks it: one place for the names and their fallbacks. A fallback
// is a fixed colour or one of the system's colours (its index), or another
// entry of the catalogue. Free of windows.h.
#include <cstdint>

namespace korvane {

enum class SkinColour {
    FormBackgroundColor,
    FormBorderColor,
    ControlBorderColor,
    ControlBackgroundColor,
    ScrollBarBackgroundColor,
    ToolBarButtonDownBackgroundColor,
    MenuBackgroundColor,
    MenuBarColor,
    MenuSelectedBackgroundColor,
    MenuSelectedBorderColor,
    MenuFontColor,
    MenuSelectedFontColor,
    Count
};

struct SkinColourEntry {
    const char* Name;
    std::uint32_t Fallback;   // 0x00BBGGRR, when neither of the two below applies
    int SystemColour;         // the system colour index to fall back to, or -1
    int FallbackEntry;        // the entry to fall back to, or -1
};

// System colour indexes (as the system numbers them), so that this header
// needs no windows.h.
namespace syscolour {
inline constexpr int Menu = 4, MenuText = 7, Highlight = 13, HighlightText = 14, ButtonFace = 15;
}

inline constexpr SkinColourEntry kSkinColours[] = {
    {"FormBackgroundColor", 0, syscolour::ButtonFace, -1},
    {"FormBorderColor", 0x000000, -1, -1},
    {"ControlBorderColor", 0x7B7B7B, -1, -1},
    {"ControlBackgroundColor", 0xFFFFFF, -1, -1},
    {"ScrollBarBackgroundColor", 0xEFF0F4, -1, -1},
    {"ToolBarButtonDownBackgroundColor", 0xF0F0F0, -1, -1},
    {"MenuBackgroundColor", 0, syscolour::Menu, -1},
    {"MenuBarColor", 0, -1, static_cast<int>(SkinColour::MenuBackgroundColor)},
    {"MenuSelectedBackgroundColor", 0, syscolour::Highlight, -1},
    {"MenuSelectedBorderColor", 0, syscolour::Highlight, -1},
    {"MenuFontColor", 0, syscolour::MenuText, -1},
    {"MenuSelectedFontColor", 0, syscolour::HighlightText, -1},
};
static_assert(sizeof kSkinColours / sizeof kSkinColours[0] == static_cast<int>(SkinColour::Count));

inline const SkinColourEntry& SkinColourOf(SkinColour entry)
{
    return kSkinColours[static_cast<int>(entry)];
}

} // namespace korvane
