#include "converter/PacketListing.h"

#include "app/Text.h"

#include <charconv>
#include <limits>

namespace korvane::frontend {
namespace {

std::optional<std::int64_t> Time(std::string_view text)
{
    const auto value = WholeNumberOf<std::int64_t>(text);
    if (!value || *value == std::numeric_limits<std::int64_t>::min())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<ListedPacket> ReadListedPacket(std::string_view line)
{
    std::string_view f[7];
    std::size_t count = 0;
    for (std::string_view rest = line; count < 7;) {
        const std::size_t comma = rest.find(',');
        f[count++] = TrimOf(rest.substr(0, comma), " \t\r");
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    if (count < 6 || f[5].substr(0, 2) != "0x")
        return std::nullopt;
    const auto stream = WholeNumberOf<int>(f[0]);
    const auto duration = WholeNumberOf<std::int64_t>(f[3]);
    const auto size = WholeNumberOf<std::int64_t>(f[4]);
    if (!stream || !duration || !size)
        return std::nullopt;
    ListedPacket p;
    p.stream = *stream;
    p.dts = Time(f[1]);
    p.pts = Time(f[2]);
    p.duration = *duration;
    p.size = *size;
    p.key = true;
    if (count > 6 && f[6].substr(0, 4) == "F=0x") {
        const auto flags = WholeNumberOf<std::int64_t>(f[6].substr(4), 16);
        if (!flags)
            return std::nullopt;
        p.key = (*flags & 1) != 0;
    } else if (count > 6 && f[6].substr(0, 2) != "S=") {
        return std::nullopt;
    }
    return p;
}

} // namespace korvane::frontend
