#pragma once
// Small text helpers shared by the readers of files and of the converter's
// output; plain C++.
#include <charconv>
#include <optional>
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

// The text, blanks and line ends at either end aside, as a whole number of
// type T written in the base; nothing when it is anything else.
template <class T>
std::optional<T> WholeNumberOf(std::string_view text, int base = 10)
{
    text = TrimOf(text, " \t\r\n");
    T value{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace korvane
