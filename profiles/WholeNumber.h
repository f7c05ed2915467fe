#pragma once
// Whole numbers as the user types them into a number box. Pure.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// Leading blanks, an optional sign, then decimal digits, or hexadecimal ones
// after "$" or "0x"/"0X"; nothing may follow. Decimal must fit a signed 32-bit
// number; hexadecimal may use all 32 bits and is taken as their
// two's-complement pattern ("$FFFFFFFF" is -1), then the sign applies.
// No other range is imposed: zero and negative numbers are whole numbers.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

} // namespace korvane
