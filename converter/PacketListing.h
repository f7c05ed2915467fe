#pragma once
// One line of the engine's packet listing (-f framecrc): the packet's stream,
// times in its stream's ticks, size and whether it is a keyframe. Plain text
// work, free of windows.h: the main program's piece planning reads the same
// listings.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane::frontend {

struct ListedPacket {
    int stream = 0;
    std::optional<std::int64_t> dts;  // none where the engine lists no time
    std::optional<std::int64_t> pts;
    std::int64_t duration = 0;
    std::int64_t size = 0;
    bool key = false;
};

// "0,  45000,  48600,  3600,  8058, 0xf5a90771[, F=0x0][, S=1,  40[, 0x...]]":
// flags are listed only when they are not just "keyframe", side data after
// them. Nothing for a line that is no packet (headers, the engine's words).
std::optional<ListedPacket> ReadListedPacket(std::string_view line);

} // namespace korvane::frontend
