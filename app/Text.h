#pragma once
// Small text helpers shared by the readers of files and of the converter's
// output; plain C++.
#include <string_view>

namespace korvane {

// The text without any of `blanks` at either end.
inline std::string_view TrimOf(std::string_view text, std::string_view blanks = " \t")
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace korvane
