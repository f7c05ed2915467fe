// Time text as the user types it: any bytes, with a point or a comma as the
// user's decimal separator. Whatever a valid text reads as, the text the
// program shows for it reads back as the same whole seconds.
#include "app/TimeText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char separator : {'.', ','}) {
        const double seconds = korvane::TimeTextToSeconds(text, separator);
        if (std::isnan(seconds))
            std::abort();
        // Hours that still fit the 32-bit field the text is read back with.
        if (seconds != -1 && seconds >= 0 && seconds < 7.7e12) {
            const double shown = korvane::TimeTextToSeconds(korvane::SecondsToTimeText(seconds), separator);
            if (shown != std::trunc(seconds))
                std::abort();
        }
        if (const auto number = korvane::ReadFloatNumber(text, separator); number && !std::isfinite(*number))
            std::abort();
    }
    (void)korvane::ReadWholeNumber(text);
    if (size == sizeof(double)) {
        double value;
        __builtin_memcpy(&value, data, sizeof value);
        (void)korvane::SecondsToTimeText(value);
    }
    return 0;
}
