#pragma once
// How a whole number stored as INI text is read. Pure, free of windows.h.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// A text longer than two characters that begins with "0x" or "0X" is
// hexadecimal: at most 32 bits, read as their two's-complement pattern
// ("0xFFFFFFFF" is -1). Any other text is a signed decimal that must fit 32
// bits. Nothing else may surround the digits; anything that is no whole
// number yields nothing.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

} // namespace korvane
