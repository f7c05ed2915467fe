#include "preview/MediaUnits.h"

#include "split/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvane {

std::int64_t FrameAt(std::int64_t position, double frameTime)
{
    // A graph may report the position of a seek to a frame's start a unit
    // early (its own clock counts in other units); two units of slack keep
    // that from counting as the frame before.
    return static_cast<std::int64_t>(std::floor(static_cast<double>(position + 2) / frameTime));
}

std::int64_t LastFrame(std::int64_t duration, double frameTime)
{
    const auto frames = static_cast<std::int64_t>(std::ceil(static_cast<double>(duration) / frameTime - 1e-9));
    return frames > 0 ? frames - 1 : 0;
}

std::int64_t FrameMiddle(std::int64_t index, double frameTime)
{
    return static_cast<std::int64_t>(std::floor((static_cast<double>(index) + 0.5) * frameTime));
}

PictureFit FitPicture(long pictureWidth, long pictureHeight, long areaWidth, long areaHeight)
{
    PictureFit fit{0, 0, areaWidth, areaHeight};
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return fit;
    // Compared crosswise in 64 bits: which side of the area the picture fills.
    if (static_cast<std::int64_t>(pictureWidth) * areaHeight > static_cast<std::int64_t>(areaWidth) * pictureHeight)
        fit.height = static_cast<long>(static_cast<std::int64_t>(areaWidth) * pictureHeight / pictureWidth);
    else
        fit.width = static_cast<long>(static_cast<std::int64_t>(areaHeight) * pictureWidth / pictureHeight);
    fit.left = (areaWidth - fit.width) / 2;
    fit.top = (areaHeight - fit.height) / 2;
    return fit;
}

std::int64_t FrameStart(std::int64_t index, double frameTime)
{
    return static_cast<std::int64_t>(std::ceil(static_cast<double>(index) * frameTime - 1e-6));
}

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
