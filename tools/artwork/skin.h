// Korvane's built-in skin: the pictures of the window frame and the controls,
// drawn in the skin's own light blue and slate blue with the main window's
// accents, and the container file that carries them with the skin's
// colours, sizes and switches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster.h"

namespace art {

struct SkinEntry {
    std::string name;
    enum Kind : std::uint8_t { Picture = 0, Integer = 1, Switch = 2 } kind = Picture;
    Canvas picture{0, 0};
    std::int32_t value = 0;  // integers and switches
};

// Every entry of the built-in skin, in the order they are stored.
std::vector<SkinEntry> builtInSkin();

// The container: a 24-byte header, then each 77-byte record followed by its
// data, and an end record. Pictures become 24-bit bitmap files.
std::vector<unsigned char> skinContainer(const std::vector<SkinEntry>& entries);

// The menu check mark (16 x 16, on white, which the menu code treats as
// transparent).
Canvas menuCheckMark();

}  // namespace art
