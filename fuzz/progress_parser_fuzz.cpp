// The converter's console output, cut into pipe reads anywhere, for a clip of
// any number, count and length. The bars stay within 0..100 and the accepted
// time only moves forward and stays below the garbage limit.
#include "split/ProgressParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

template <typename T>
T Take(const std::uint8_t*& data, std::size_t& size)
{
    T value{};
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    korvane::ClipSlot clip;
    clip.number = Take<std::int32_t>(data, size);
    clip.count = Take<std::int32_t>(data, size);
    clip.duration = Take<double>(data, size);
    const char separator = (Take<std::uint8_t>(data, size) & 1) ? ',' : '.';

    korvane::JobProgress progress(separator);
    progress.Start();
    // Reads end at a 0xFF byte, which the converter's text never holds.
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\xFF');
        const std::string_view chunk = rest.substr(0, cut);
        rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut + 1);

        const double before = progress.LastTime();
        const korvane::ProgressBars bars = progress.OnOutput(chunk, clip);
        const double after = progress.LastTime();
        if (bars.current < 0 || bars.current > 100 || bars.total < 0 || bars.total > 100)
            std::abort();
        if (after < before || !(after < korvane::kProgressTimeLimit))
            std::abort();
        if (korvane::PercentText(bars.total).size() > 4)
            std::abort();
    }
    if (progress.EndClip().current != 0 || progress.LastTime() != 0)
        std::abort();
    return 0;
}
