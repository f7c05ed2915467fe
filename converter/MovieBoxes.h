#pragma once
// Reading the boxes of an MP4 or MOV file's index held in memory: sizes and
// numbers big-endian, each box its 32-bit size and four-letter type first.
// Plain byte work, free of windows.h.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::frontend::movie {

inline std::uint64_t ReadNumber(std::string_view data, std::size_t at, std::size_t bytes)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        v = (v << 8) | static_cast<unsigned char>(data[at + i]);
    return v;
}

inline std::uint32_t Read32(std::string_view data, std::size_t at)
{
    return static_cast<std::uint32_t>(ReadNumber(data, at, 4));
}

inline void WriteNumber(std::string& data, std::size_t at, std::size_t bytes, std::uint64_t value)
{
    for (std::size_t i = bytes; i-- > 0; value >>= 8)
        data[at + i] = static_cast<char>(value & 0xff);
}

// The first box of the type among the boxes from begin to end; nothing when
// there is none or the boxes do not add up.
inline std::optional<std::size_t> ChildBox(std::string_view data, std::size_t begin, std::size_t end,
                                           std::string_view type)
{
    for (std::size_t at = begin; at + 8 <= end;) {
        const std::uint32_t size = Read32(data, at);
        if (size < 8 || at + size > end)
            return std::nullopt;
        if (data.substr(at + 4, 4) == type)
            return at;
        at += size;
    }
    return std::nullopt;
}

inline std::size_t BoxEnd(std::string_view data, std::size_t box)
{
    return box + Read32(data, box);
}

} // namespace korvane::frontend::movie
