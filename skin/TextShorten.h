#pragma once
// Shortening a text to a width by whole characters: a character is a code
// point with the combining marks that follow it, so a cut never splits a
// surrogate pair or leaves an accent behind its letter. Free of windows.h;
// the measuring is the caller's (GDI on Windows, a stand-in in tests).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

namespace textshorten {

inline bool IsCombining(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
        (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x3099 || c == 0x309A ||
        (c >= 0xFE00 && c <= 0xFE0F) || c == 0x200D;
}

} // namespace textshorten

// Where each whole character ends (code-unit offsets), for UTF-16 (16-bit
// Char) or UTF-32 text.
template <class Char>
std::vector<std::size_t> CharacterEnds(std::basic_string_view<Char> text)
{
    std::vector<std::size_t> ends;
    std::size_t i = 0;
    while (i < text.size()) {
        auto next = [&](std::size_t at, char32_t& c) {
            c = static_cast<char32_t>(text[at]);
            if constexpr (sizeof(Char) == 2) {
                if (c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size()) {
                    const char32_t low = static_cast<char32_t>(text[at + 1]);
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                        return at + 2;
                    }
                }
            }
            return at + 1;
        };
        char32_t c = 0;
        i = next(i, c);
        // Marks that join the character (and a joined one after a joiner).
        while (i < text.size()) {
            char32_t following = 0;
            const std::size_t after = next(i, following);
            if (!textshorten::IsCombining(following) && !(c == 0x200D))
                break;
            c = following;
            i = after;
        }
        ends.push_back(i);
    }
    return ends;
}

// The longest leading run of whole characters (at least one) that,
// followed by "...", measures no more than `width`; the text itself when it
// fits. `measure` gives a text's width.
template <class Char, class Measure>
std::basic_string<Char> ShortenByCharacters(std::basic_string_view<Char> text, int width, Measure&& measure)
{
    if (text.empty() || measure(text) <= width)
        return std::basic_string<Char>(text);
    const std::basic_string<Char> dots(3, static_cast<Char>('.'));
    const std::vector<std::size_t> ends = CharacterEnds(text);
    auto fits = [&](std::size_t characters) {
        std::basic_string<Char> candidate(text.substr(0, ends[characters - 1]));
        candidate += dots;
        return measure(std::basic_string_view<Char>(candidate)) <= width;
    };
    // Widths grow with every character: binary search on the count.
    std::size_t lo = 1, hi = ends.size() - 1, best = 1;
    while (lo <= hi && hi >= 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (fits(mid)) {
            best = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    std::basic_string<Char> shortened(text.substr(0, ends[best - 1]));
    return shortened + dots;
}

} // namespace korvane
