#include "preview/MediaUnits.h"

#include "split/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvane {

std::int32_t ReferenceTimeToMs(std::int64_t referenceTime)
{
    return static_cast<std::int32_t>(referenceTime / 10000);
}

std::int32_t ClampVolume(std::int32_t volume)
{
    return std::clamp<std::int32_t>(volume, 0, 10000);
}

std::int32_t ClampBalance(std::int32_t balance)
{
    return std::clamp<std::int32_t>(balance, -10000, 10000);
}

std::int32_t LinearToDirectShowVolume(std::int32_t volume)
{
    // 1085.73 makes ln(10001) land on 10000, so full volume is no attenuation.
    const double scaled = std::log(static_cast<double>(ClampVolume(volume)) + 1.0) * 1085.73;
    return static_cast<std::int32_t>(RoundHalfEven(scaled)) - 10000;
}

std::int32_t PlainToDirectShowVolume(std::int32_t volume)
{
    return ClampVolume(volume) - 10000;
}

std::int32_t LinearToDirectShowBalance(std::int32_t balance)
{
    const std::int32_t b = ClampBalance(balance);
    if (b == 0)
        return 0;
    const std::int32_t attenuation = -LinearToDirectShowVolume(10000 - (b < 0 ? -b : b));
    return b < 0 ? -attenuation : attenuation;
}

std::string DirectShowErrorMessage(std::string_view errorText, std::int32_t hr)
{
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(hr));
    std::string message(errorText);
    message += " ($";
    message += code;
    message += ").";
    return message;
}

} // namespace korvane
